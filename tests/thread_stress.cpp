/* The library from many threads at once, on a host with many adapters and
 * many addresses, while another thread of the application uses the resolver
 * for names of its own: every list must equal the one taken alone, and every
 * lookup must find what is there.  And children forked from such a busy
 * process, each looking up an M and an H text (at the end).
 *
 * The host is made up in a child process with mount, UTS and network
 * namespaces of its own: 30 veth interfaces, whose drivers answer that they
 * have no permanent address, and a fake /sys/class/net bound over the real
 * one that shows them as hardware-backed adapters with current addresses of
 * the test's; a hosts file that gives the host's name 20 addresses bound
 * over /etc/hosts; and a host name of its own.  Nothing outlives the child.
 * Needs root (it mounts) and iproute2's ip; without them the test fails and
 * says why. */
#include <errno.h>
#include <netdb.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "listed_lines.h"
#include "scratch_dir.h"
#include "vesk_hostid.h"

namespace {

const int adapter_count = 30;
const int address_count = 20;
const char host_name[] = "vesk-stress-host";

#ifndef VESK_STRESS_CALLS
#define VESK_STRESS_CALLS 500
#endif

/* A sysfs network directory of adapters with a device link each, listed in
 * an order unlike their interface indexes, each a veth, so that its driver
 * answers for it.  The veths are made in a network namespace of their own,
 * which the calling process enters here: none reaches the host's. */
bool make_fake_net(const std::string &dir) {
    if (unshare(CLONE_NEWNET) != 0 || mkdir(dir.c_str(), 0755) != 0) {
        return false;
    }
    for (int i = 0; i < adapter_count; i++) {
        char name[16], address[32], index[16], command[96];
        snprintf(name, sizeof name, "vx%02d", (i * 7) % adapter_count);
        snprintf(command, sizeof command, "ip link add %s type veth peer name vy%02d", name, i);
        if (system(command) != 0) {
            fprintf(stderr, "could not run: %s\n", command);
            return false;
        }
        snprintf(address, sizeof address, "02:5e:00:00:01:%02x\n", i + 1);
        snprintf(index, sizeof index, "%d\n", 100 + (i * 11) % adapter_count);
        std::string adapter = dir + "/" + name;
        if (mkdir(adapter.c_str(), 0755) != 0 || symlink("/", (adapter + "/device").c_str()) != 0 ||
            !write_text_file(adapter + "/type", "1\n") ||
            !write_text_file(adapter + "/address", address) ||
            !write_text_file(adapter + "/ifindex", index)) {
            return false;
        }
    }
    return true;
}

std::string fake_hosts() {
    std::string hosts = "127.0.0.1 localhost\n";
    for (int i = 0; i < address_count; i++) {
        hosts += "10.77." + std::to_string(i / 10) + "." + std::to_string(i + 1) + " " + host_name +
                 "\n";
    }
    return hosts;
}

/* In the child: sets the made-up host up, then lists from four threads while
 * a fifth resolves other names.  Returns the number of wrong answers, or -1
 * with the reason on standard error when the host could not be made. */
int stress_in_namespaces(const std::string &work) {
    if (unshare(CLONE_NEWNS | CLONE_NEWUTS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        fprintf(stderr, "namespaces: %s\n", strerror(errno));
        return -1;
    }
    std::string net = work + "/net", hosts = work + "/hosts";
    if (!make_fake_net(net) || !write_text_file(hosts, fake_hosts()) ||
        mount(net.c_str(), "/sys/class/net", nullptr, MS_BIND, nullptr) != 0 ||
        mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0 ||
        sethostname(host_name, strlen(host_name)) != 0) {
        fprintf(stderr, "the made-up host: %s\n", strerror(errno));
        return -1;
    }

    const std::string alone = listed_lines(VESK_HOSTID_ALL);
    if (alone == "FAILURE") {
        fprintf(stderr, "the made-up host could not be read\n");
        return -1;
    }
    size_t m_lines = 0, i_lines = 0;
    for (size_t at = 0; at < alone.size(); at = alone.find('\n', at) + 1) {
        m_lines += alone[at] == 'M';
        i_lines += alone[at] == 'I';
    }
    if (m_lines != adapter_count || i_lines != address_count) {
        fprintf(stderr, "the made-up host lists %zu M and %zu I lines:\n%s\n", m_lines, i_lines,
                alone.c_str());
        return -1;
    }
    /* The first identifier of each kind, to look up. */
    std::vector<std::string> present;
    std::string letters;
    for (size_t at = 0; at < alone.size(); at += 26) {
        if (letters.find(alone[at]) == std::string::npos) {
            letters += alone[at];
            present.push_back(alone.substr(at, 25));
        }
    }

    std::atomic<bool> done(false);
    std::atomic<int> wrong(0);
    std::thread application([&done] {
        /* The application's own lookups, through the resolver's shared answer. */
        while (!done) {
            gethostbyname("10.99.99.99");
            gethostbyname("localhost");
        }
    });
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; t++) {
        callers.emplace_back([&, t] {
            for (int call = 0; call < VESK_STRESS_CALLS; call++) {
                if (listed_lines(VESK_HOSTID_ALL) != alone) {
                    wrong++;
                }
                const std::string &text = present[(size_t)(call + t) % present.size()];
                int found = 0;
                vesk_hostid_check check;
                if (vesk_hostid_has(text.c_str(), text.size(), &found, &check) != SUCCESS ||
                    !found) {
                    wrong++;
                }
            }
        });
    }
    for (std::thread &caller : callers) {
        caller.join();
    }
    done = true;
    application.join();
    return wrong;
}

TEST(Threads, EveryListEqualsTheOneTakenAlone) {
    ASSERT_EQ(geteuid(), 0u) << "needs root: it mounts a made-up host in namespaces of its own";
    const std::string work = make_scratch_dir("vesk-stress");
    ASSERT_NE(work, "");

    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int wrong = stress_in_namespaces(work);
        fprintf(stderr, "wrong answers: %d of %d\n", wrong, 4 * 2 * VESK_STRESS_CALLS);
        _exit(wrong == 0 ? 0 : wrong < 0 ? 2 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(remove_scratch_dir(work)) << work;
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    EXPECT_NE(WEXITSTATUS(status), 2) << "the made-up host could not be set up (see above)";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "some answers from threads differed (see above)";
}

/* ---- fork from a busy process ------------------------------------------------- */

/* Pre-forking servers check licences in their workers.  A child forked while
 * other threads list and resolve may find the C library's resolver locked by
 * a thread that does not exist in it; a lookup of an M or an H text reads
 * the adapters or the volume, never the resolver, and must answer there:
 * each of the children within a second, and present.
 *
 * The busy process is a child of the test's with mount and UTS namespaces of
 * its own and a hosts file that gives its name addresses, so that its four
 * threads resolve (and list every kind) without a network.  It takes the
 * host's own first M and H.  Where the host has no M or no H, and always in
 * the made_up_host case, it makes up a host that has both: a tmpfs as its
 * root (whose UUID gives an H), holding a fake /sys/class/net (an M) and the
 * files the resolver reads. */

#ifndef VESK_FORK_CHILDREN
#define VESK_FORK_CHILDREN 200
#endif

const char fork_host_name[] = "vesk-fork-host";

/* A child's exit code: the bits of what went wrong, 0 when both were found. */
enum {
    M_ABSENT = 1,
    H_ABSENT = 2,
    M_FAILED = 4,
    H_FAILED = 8,
};

int child_looks_up(const std::string &m, const std::string &h) {
    int code = 0, found = 0;
    vesk_hostid_check check;
    if (vesk_hostid_has(m.c_str(), m.size(), &found, &check) != SUCCESS) {
        code |= M_FAILED;
    } else if (!found) {
        code |= M_ABSENT;
    }
    if (vesk_hostid_has(h.c_str(), h.size(), &found, &check) != SUCCESS) {
        code |= H_FAILED;
    } else if (!found) {
        code |= H_ABSENT;
    }
    return code;
}

/* The first line of the list with that letter, as "M:..."; "" when none. */
std::string first_line_of(const std::string &lines, char letter) {
    for (size_t at = 0; at < lines.size(); at = lines.find('\n', at) + 1) {
        if (lines[at] == letter) {
            return lines.substr(at, 25);
        }
    }
    return "";
}

std::string fork_hosts() {
    return std::string("127.0.0.1 localhost\n10.78.0.1 ") + fork_host_name + "\n10.78.0.2 " +
           fork_host_name + "\n";
}

/* A tmpfs root with a fake sysfs network directory and the resolver's files,
 * entered with chroot; the work directory is then out of sight. */
bool enter_made_up_host(const std::string &work) {
    const std::string root = work + "/root";
    return mkdir(root.c_str(), 0755) == 0 &&
           mount("vesk-fork-root", root.c_str(), "tmpfs", 0, nullptr) == 0 &&
           mkdir((root + "/etc").c_str(), 0755) == 0 &&
           write_text_file(root + "/etc/hosts", fork_hosts()) &&
           write_text_file(root + "/etc/nsswitch.conf", "hosts: files dns\n") &&
           write_text_file(root + "/etc/resolv.conf", "nameserver 127.0.0.1\n") &&
           mkdir((root + "/sys").c_str(), 0755) == 0 &&
           mkdir((root + "/sys/class").c_str(), 0755) == 0 &&
           make_fake_net(root + "/sys/class/net") && chroot(root.c_str()) == 0 && chdir("/") == 0;
}

void resolve(const char *name) {
    struct hostent entry, *result = nullptr;
    char buffer[4096];
    int error = 0;
    gethostbyname_r(name, &entry, buffer, sizeof buffer, &result, &error);
}

/* Waits for the child at most a second; -1 when it had to be killed. */
int status_within_a_second(pid_t child) {
    int pidfd = (int)syscall(SYS_pidfd_open, child, 0);
    if (pidfd < 0) {
        fprintf(stderr, "pidfd_open, to wait with a deadline: %s\n", strerror(errno));
    }
    struct pollfd exited = {pidfd, POLLIN, 0};
    bool answered = pidfd >= 0 && poll(&exited, 1, 1000) == 1;
    if (!answered) {
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (pidfd >= 0) {
        close(pidfd);
    }
    return answered ? status : -1;
}

/* In the busy process: its host, its threads, its children.  Returns the
 * number of children that did not answer in time or did not find both, or
 * -1 with the reason on standard error when the host could not be made. */
int fork_from_busy_process(const std::string &work, bool made_up) {
    if (unshare(CLONE_NEWNS | CLONE_NEWUTS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        sethostname(fork_host_name, strlen(fork_host_name)) != 0) {
        fprintf(stderr, "namespaces: %s\n", strerror(errno));
        return -1;
    }
    const std::string hosts = work + "/hosts";
    if (!write_text_file(hosts, fork_hosts()) ||
        mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0) {
        fprintf(stderr, "the hosts file: %s\n", strerror(errno));
        return -1;
    }
    std::string lines = listed_lines(VESK_HOSTID_ALL);
    if (made_up || first_line_of(lines, 'M').empty() || first_line_of(lines, 'H').empty()) {
        if (!enter_made_up_host(work)) {
            fprintf(stderr, "the made-up host: %s\n", strerror(errno));
            return -1;
        }
        lines = listed_lines(VESK_HOSTID_ALL);
    }
    const std::string m = first_line_of(lines, 'M'), h = first_line_of(lines, 'H');
    if (m.empty() || h.empty() || first_line_of(lines, 'I').empty()) {
        fprintf(stderr, "the host lists no M, H or I line:\n%s\n", lines.c_str());
        return -1;
    }

    std::atomic<bool> done(false);
    std::vector<std::thread> busy;
    for (int t = 0; t < 4; t++) {
        busy.emplace_back([&done] {
            while (!done) {
                listed_lines(VESK_HOSTID_ALL);
                resolve(fork_host_name);
                resolve("localhost");
            }
        });
    }
    int hung = 0, wrong = 0, forked = 0;
    for (; forked < VESK_FORK_CHILDREN && hung + wrong < 5; forked++) {
        pid_t child = fork();
        if (child < 0) {
            fprintf(stderr, "fork: %s\n", strerror(errno));
            break;
        }
        if (child == 0) {
            _exit(child_looks_up(m, h));
        }
        int status = status_within_a_second(child);
        if (status == -1) {
            hung++;
        } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            fprintf(stderr, "child %d: %s %d (M absent 1, H absent 2, M failed 4, H failed 8)\n",
                    forked, WIFEXITED(status) ? "exit code" : "signal",
                    WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
            wrong++;
        }
    }
    done = true;
    for (std::thread &thread : busy) {
        thread.join();
    }
    if (forked < VESK_FORK_CHILDREN && hung + wrong == 0) {
        return -1; /* fork failed */
    }
    fprintf(stderr, "%d of %d children did not answer within a second, %d answered wrong\n", hung,
            forked, wrong);
    return hung + wrong;
}

class ForkFromABusyProcess : public testing::TestWithParam<bool> {};

TEST_P(ForkFromABusyProcess, EveryChildFindsItsMAndHWithinASecond) {
    ASSERT_EQ(geteuid(), 0u) << "needs root: it mounts in namespaces of its own";
    const std::string work = make_scratch_dir("vesk-fork");
    ASSERT_NE(work, "");

    fflush(nullptr);
    pid_t busy = fork();
    ASSERT_GE(busy, 0);
    if (busy == 0) {
        int failed = fork_from_busy_process(work, GetParam());
        _exit(failed == 0 ? 0 : failed < 0 ? 2 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(busy, &status, 0), busy);
    EXPECT_TRUE(remove_scratch_dir(work)) << work;
    ASSERT_TRUE(WIFEXITED(status)) << "the busy process died of signal " << WTERMSIG(status);
    EXPECT_NE(WEXITSTATUS(status), 2) << "the host could not be set up (see above)";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "children hung or did not find their M and H (see above)";
}

INSTANTIATE_TEST_SUITE_P(Hosts, ForkFromABusyProcess, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "made_up_host" : "this_host");
                         });

} // namespace
