/* The built veskid run as a process with hostile command words and standard
 * streams: a second word, however hostile, is ignored, and write errors on
 * standard output are not examined; the exit status is 0 in every case.
 * (Which first words print the banner is settled in-process, test_report.cpp.) */
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

extern char **environ;

namespace {

/* What happens to the child's standard output: captured, closed, the full
 * device, or a pipe whose reading end is already closed. */
enum class Output { Captured, Closed, Full, BrokenPipe };

struct VeskidRun {
    bool exited = false; /* false: killed by a signal, or not started */
    int status = -1;
    int signal = 0;
    std::string out;
    std::string err;
};

std::string read_all(int fd) {
    std::string text;
    char block[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t got = read(fd, block, sizeof block); got > 0;
         got = read(fd, block, sizeof block)) {
        text.append(block, (size_t)got);
    }
    return text;
}

int scratch_file() {
    char path[] = "/tmp/veskid-hostile-XXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) {
        unlink(path);
    }
    return fd;
}

VeskidRun run_veskid(const std::vector<std::string> &words, Output output = Output::Captured) {
    VeskidRun run;
    int out = scratch_file(), err = scratch_file();
    if (out < 0 || err < 0) {
        ADD_FAILURE() << "no scratch file";
        return run;
    }
    std::vector<char *> argv = {(char *)VESKID_PATH};
    for (const std::string &word : words) {
        argv.push_back((char *)word.c_str());
    }
    argv.push_back(nullptr);

    int pipe_ends[2] = {-1, -1};
    if (output == Output::BrokenPipe && pipe(pipe_ends) == 0) {
        close(pipe_ends[0]); /* nobody will read */
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    switch (output) {
    case Output::Captured:
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
        break;
    case Output::Closed:
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
        break;
    case Output::Full:
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
        break;
    case Output::BrokenPipe:
        posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
        break;
    }
    posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    /* The child starts with SIGPIPE at its default action, as from a shell,
     * whatever this test process does with it. */
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t default_signals;
    sigemptyset(&default_signals);
    sigaddset(&default_signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &default_signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, VESKID_PATH, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (pipe_ends[1] >= 0) {
        close(pipe_ends[1]);
    }
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << VESKID_PATH << ": " << strerror(spawned);
    } else {
        int wait_status = 0;
        if (waitpid(pid, &wait_status, 0) == pid) {
            run.exited = WIFEXITED(wait_status);
            run.status = run.exited ? WEXITSTATUS(wait_status) : -1;
            run.signal = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : 0;
        }
    }
    run.out = read_all(out);
    run.err = read_all(err);
    close(out);
    close(err);
    return run;
}

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

std::string every_control_character() {
    std::string word;
    for (int c = 1; c < 0x20; c++) {
        word += (char)c;
    }
    return word + '\x7F';
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
    for (Output output : {Output::Closed, Output::Full}) {
        for (const std::vector<std::string> &words : commands) {
            SCOPED_TRACE(std::string(output == Output::Closed ? "closed" : "/dev/full") +
                         " standard output, words: " + (words.empty() ? "none" : shown(words[0])));
            VeskidRun run = run_veskid(words, output);
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
        VeskidRun run = run_veskid(words, Output::BrokenPipe);
        expect_clean_exit(run);
    }
}
