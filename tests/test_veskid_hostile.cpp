/* The built veskid run as a process with hostile command words and standard
 * streams: a second word, however hostile, is ignored, and write errors on
 * standard output are not examined; the exit status is 0 in every case.
 * (Which first words print the banner is settled in-process, test_report.cpp.) */
#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "report_capture.h"
#include "veskid_process.h"

namespace {

/* Printable in a failure message: control and high bytes as \xNN, long
 * words cut. */
std::string shown(const std::string &word) {
    std::string out;
    for (size_t i = 0; i < word.size() && i < 40; i++) {
        const unsigned char c = (unsigned char)word[i];
        char escaped[8];
        snprintf(escaped, sizeof escaped, c < 0x20 || c >= 0x7F ? "\\x%02X" : "%c", c);
        out += escaped;
    }
    if (word.size() > 40) {
        out += "... (" + std::to_string(word.size()) + " bytes)";
    }
    return out;
}

void expect_clean_exit(const VeskidRun &run) {
    EXPECT_TRUE(run.exited) << "killed by signal " << run.signal;
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
}

} // namespace

/* After id or allid, any further words, however hostile, change nothing. */
TEST(VeskidHostileWords, HostileSecondWordsAreIgnored) {
    std::vector<std::string> thousand_words;
    for (int i = 0; i < 1000; i++) {
        thousand_words.push_back(i % 2 ? "\xFF\x1B" : "id");
    }
    for (const std::string command : {"id", "allid"}) {
        const VeskidRun plain = run_veskid({command});
        expect_clean_exit(plain);
        ASSERT_FALSE(plain.out.empty());
        const std::vector<std::vector<std::string>> extra = {{std::string(100000, 'x')},
                                                             {"\xC3\x28"},
                                                             {every_control_character()},
                                                             {"allid"},
                                                             thousand_words};
        for (const std::vector<std::string> &more : extra) {
            std::vector<std::string> words = {command};
            words.insert(words.end(), more.begin(), more.end());
            SCOPED_TRACE(command + " followed by " + std::to_string(more.size()) + " word(s), " +
                         shown(more[0]));
            VeskidRun run = run_veskid(words);
            expect_clean_exit(run);
            EXPECT_EQ(plain.out, run.out);
        }
    }
}

/* `veskid allid >&-` and output into a full device: the write errors are not
 * examined, nothing goes to standard error, and the status stays 0. */
TEST(VeskidHostileStreams, ClosedOrFullStandardOutputExitsWithStatusZero) {
    const std::vector<std::vector<std::string>> commands = {
        {}, {"id"}, {"allid"}, {"help"}, {std::string(100000, 'a')}};
    for (VeskidOutput output : {VeskidOutput::Closed, VeskidOutput::Full}) {
        for (const std::vector<std::string> &words : commands) {
            SCOPED_TRACE(std::string(output == VeskidOutput::Closed ? "closed" : "/dev/full") +
                         " standard output, words: " + (words.empty() ? "none" : shown(words[0])));
            VeskidRun run = run_veskid(words, {output});
            expect_clean_exit(run);
        }
    }
}

/* `veskid allid | true`: the reader is gone before anything is written.  The
 * write fails like any other (veskid does not examine it), so the process
 * is not killed by SIGPIPE and its status is 0, as always. */
TEST(VeskidHostileStreams, PipeWithoutReaderExitsWithStatusZero) {
    const std::vector<std::vector<std::string>> commands = {
        {}, {"id"}, {"allid"}, {"help"}, {std::string(100000, 'a')}};
    for (const std::vector<std::string> &words : commands) {
        SCOPED_TRACE("words: " + (words.empty() ? std::string("none") : shown(words[0])));
        VeskidRun run = run_veskid(words, {VeskidOutput::BrokenPipe});
        expect_clean_exit(run);
    }
}
