/* The built veskid run as a process on this host.  Standard error is merged
 * into the captured output, so an exact match also shows it was silent. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct ProcessRun {
    int status = -1; /* exit status; -1 when the process did not exit */
    std::string out;
    std::vector<std::string> lines; /* each with its newline */
};

ProcessRun run_veskid(const std::vector<std::string> &words) {
    std::string command = "'" VESKID_PATH "'";
    for (const std::string &word : words) {
        command += " '" + word + "'";
    }
    ProcessRun run;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return run;
    }
    char block[4096];
    for (size_t got; (got = fread(block, 1, sizeof block, pipe)) > 0;) {
        run.out.append(block, got);
    }
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (size_t start = 0, end; start < run.out.size(); start = end + 1) {
        end = run.out.find('\n', start);
        end = end == std::string::npos ? run.out.size() - 1 : end;
        run.lines.push_back(run.out.substr(start, end - start + 1));
    }
    return run;
}

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
        ProcessRun run = run_veskid({word});
        EXPECT_EQ(run.status, 0);
        ASSERT_EQ(run.lines.size(), 7u) << run.out;
        EXPECT_EQ(run.lines[0], "Vesk HostID Utility v.1.0\n");
        EXPECT_EQ(run.lines[4].find("- get host ID"), 22u);
        EXPECT_EQ(run.lines[5].find("- get list of all host IDs"), 22u);
    }
}

/* allid: unique well-formed lines, the volume first.  id: the M and C lines of
 * allid in the same order, or else the hint alone.  No word acts as id. */
TEST(VeskidProcess, AllidAndIdOnThisHost) {
    ProcessRun all = run_veskid({"allid", "extra"});
    EXPECT_EQ(all.status, 0);
    ASSERT_FALSE(all.lines.empty());
    EXPECT_EQ(all.lines[0][0], 'H');
    std::string primary;
    for (const std::string &line : all.lines) {
        expect_identifier_line(line);
        primary += line[0] == 'M' || line[0] == 'C' ? line : "";
    }
    EXPECT_EQ(std::set<std::string>(all.lines.begin(), all.lines.end()).size(), all.lines.size());

    ProcessRun id = run_veskid({"id"});
    EXPECT_EQ(id.status, 0);
    EXPECT_EQ(id.out, primary.empty() ? std::string("No primary IDs was detected. Try option "
                                                    "'allid' to see secondary IDs.")
                                      : primary);
    EXPECT_EQ(run_veskid({}).out, id.out);
}

/* veskid allid with only the standard streams open and one descriptor to
 * spare (the limit is 4): whatever this process or its runner left open is
 * closed in the child first. */
std::string run_veskid_starved() {
    int out[2];
    if (pipe(out) != 0) {
        ADD_FAILURE() << "pipe";
        return "";
    }
    pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(out[1], 2);
        for (int fd = 3; fd < 1024; fd++) {
            close(fd);
        }
        struct rlimit limit = {4, 4};
        if (setrlimit(RLIMIT_NOFILE, &limit) == 0) {
            execl(VESKID_PATH, "veskid", "allid", (char *)nullptr);
        }
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char block[4096];
    for (ssize_t got; (got = read(out[0], block, sizeof block)) > 0;) {
        text.append(block, (size_t)got);
    }
    close(out[0]);
    int status = -1;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return text;
}

/* With one descriptor free beyond the standard streams, every line is still
 * there: no adapter is dropped for want of a descriptor. */
TEST(VeskidProcess, SameLinesUnderALowDescriptorLimit) {
    EXPECT_EQ(run_veskid_starved(), run_veskid({"allid"}).out);
}
