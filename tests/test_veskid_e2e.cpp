/* The built veskid run as a process on this host.  Standard error is
 * captured apart and must stay empty. */
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "report_capture.h"
#include "veskid_process.h"

namespace {

/* Letter, colon, four groups over the alphabet whose symbols XOR to the
 * letter's kind (U stands for several kinds), and a newline. */
void expect_identifier_line(const std::string &line) {
    static const std::string alphabet = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789", letters = "IMCHLU";
    SCOPED_TRACE(line);
    ASSERT_EQ(line.size(), 26u);
    size_t kind = letters.find(line[0]) + 1;
    ASSERT_NE(kind, 0u);
    EXPECT_EQ(line[1], ':');
    EXPECT_EQ(line[25], '\n');
    for (int group = 0; group < 4; group++) {
        size_t check = 0;
        for (int i = 0; i < 5; i++) {
            size_t value = alphabet.find(line[2 + group * 6 + i]);
            ASSERT_NE(value, std::string::npos);
            check ^= value;
        }
        EXPECT_EQ(line[2 + group * 6 + 5], group < 3 ? '-' : '\n');
        if (line[0] != 'U') {
            EXPECT_EQ(check, kind);
        }
    }
}

} // namespace

TEST(VeskidProcess, OtherWordsPrintTheBannerWithStatusZero) {
    for (const char *word : {"help", "ID", ""}) {
        VeskidRun run = run_veskid({word});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        std::vector<std::string> lines = output_lines(run.out);
        ASSERT_EQ(lines.size(), 7u) << run.out;
        EXPECT_EQ(lines[0], "Vesk HostID Utility v.1.0\n");
        EXPECT_EQ(lines[4].find("- get host ID"), 22u);
        EXPECT_EQ(lines[5].find("- get list of all host IDs"), 22u);
    }
}

/* allid: unique well-formed lines, the volume first.  id: the M and C lines of
 * allid in the same order, or else the hint alone.  No word acts as id. */
TEST(VeskidProcess, AllidAndIdOnThisHost) {
    VeskidRun all = run_veskid({"allid", "extra"});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.err, "");
    std::vector<std::string> lines = output_lines(all.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0][0], 'H');
    std::string primary;
    for (const std::string &line : lines) {
        expect_identifier_line(line);
        primary += line[0] == 'M' || line[0] == 'C' ? line : "";
    }
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), lines.size());

    VeskidRun id = run_veskid({"id"});
    EXPECT_EQ(id.status, 0);
    EXPECT_EQ(id.err, "");
    EXPECT_EQ(id.out, primary.empty() ? std::string(veskid_hint) : primary);
    VeskidRun no_word = run_veskid({});
    EXPECT_EQ(no_word.out + no_word.err, id.out);
}

/* veskid allid with only the standard streams open and one descriptor to
 * spare (the limit is 4): whatever this process or its runner left open is
 * closed in the child first.  Every line is still there: no adapter is
 * dropped for want of a descriptor. */
TEST(VeskidProcess, SameLinesUnderALowDescriptorLimit) {
    VeskidRun run = run_veskid({"allid"}, {VeskidOutput::Captured, true});
    EXPECT_TRUE(run.exited && run.status == 0) << run.status << " " << run.signal;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, run_veskid({"allid"}).out);
}
