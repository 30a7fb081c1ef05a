/* The library from many threads at once, on a host with many adapters and
 * many addresses, while another thread of the application uses the resolver
 * for names of its own: every list must equal the one taken alone, and every
 * lookup must find what is there.
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
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

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
 * an order unlike their interface indexes, each a veth of this network
 * namespace, so that its driver answers for it. */
bool make_fake_net(const std::string &dir) {
    if (mkdir(dir.c_str(), 0755) != 0) {
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

std::string lines_of(int selection) {
    vesk_hostid *ids = nullptr;
    size_t count = 0;
    if (vesk_hostid_list(selection, &ids, &count) != SUCCESS) {
        return "FAILURE";
    }
    std::string lines;
    for (size_t i = 0; i < count; i++) {
        lines += std::string(1, ids[i].letter) + ":" + ids[i].text + "\n";
    }
    vesk_hostid_list_free(ids);
    return lines;
}

/* In the child: sets the made-up host up, then lists from four threads while
 * a fifth resolves other names.  Returns the number of wrong answers, or -1
 * with the reason on standard error when the host could not be made. */
int stress_in_namespaces(const std::string &work) {
    if (unshare(CLONE_NEWNS | CLONE_NEWUTS | CLONE_NEWNET) != 0 ||
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

    const std::string alone = lines_of(VESK_HOSTID_ALL);
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
                if (lines_of(VESK_HOSTID_ALL) != alone) {
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

} // namespace
