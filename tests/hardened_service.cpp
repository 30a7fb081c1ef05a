/* The library in a process set up as service managers harden services: a
 * seccomp filter that refuses socket families, a private network, a
 * read-only root, private /tmp and /dev, a user of its own; and on hosts
 * that push the sources to their limits: a changed current address, a hosts
 * line of more than a megabyte.  Each setting keeps the host's identifiers,
 * or fails the call, or (a private network) says so in the view: never other
 * identifiers, never "absent" for what the host has.
 *
 * Each case runs in a child process, which unshares what it changes; nothing
 * outlives it.  Needs root (namespaces, mounts) and iproute2; without them a
 * case fails and says why. */
#include <dirent.h>
#include <errno.h>
#include <grp.h>
#include <fcntl.h>
#include <sched.h>
#include <seccomp.h>
#include <stdio.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "listed_lines.h"
#include "scratch_dir.h"
#include "vesk_hostid.h"

namespace {

/* What a child found, sent back through a pipe: its lists and view, or the
 * reason its setting could not be made. */
struct ChildAnswer {
    std::string setup_error; /* empty when the setting was made */
    std::string primary, all;
    unsigned view = 0;
};

/* Runs setting in a child, then lists there; the setting returns an empty
 * string, or why it could not be made. */
ChildAnswer answer_in_child(const std::function<std::string()> &setting) {
    ChildAnswer answer;
    int channel[2];
    if (pipe(channel) != 0) {
        answer.setup_error = "no pipe";
        return answer;
    }
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string text = setting();
        if (text.empty()) {
            unsigned view = 0;
            vesk_hostid_view(&view);
            text = "ok\n" + std::to_string(view) + "\n" + listed_lines(VESK_HOSTID_PRIMARY) + "|" +
                   listed_lines(VESK_HOSTID_ALL);
        } else {
            text = "setup\n" + text;
        }
        _exit(write(channel[1], text.data(), text.size()) == (ssize_t)text.size() ? 0 : 1);
    }
    close(channel[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; child > 0 && (got = read(channel[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, (size_t)got);
    }
    close(channel[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        answer.setup_error = "the child did not answer";
        return answer;
    }
    if (text.rfind("setup\n", 0) == 0) {
        answer.setup_error = text.substr(6);
        return answer;
    }
    size_t view_end = text.find('\n', 3), bar = text.find('|');
    answer.view = (unsigned)std::stoul(text.substr(3, view_end - 3));
    answer.primary = text.substr(view_end + 1, bar - view_end - 1);
    answer.all = text.substr(bar + 1);
    return answer;
}

std::string failed(const char *what) {
    return std::string(what) + ": " + strerror(errno);
}

/* Private mounts, so that what the child mounts stays in it. */
std::string private_mounts() {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr)) {
        return failed("a mount namespace");
    }
    return "";
}

/* socket() of every family in refused fails with EAFNOSUPPORT, as under a
 * service manager's address-family restriction; everything else is let
 * through. */
std::string refuse_families(const std::vector<int> &refused) {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (filter == nullptr) {
        return "seccomp_init failed";
    }
    int status = 0;
    for (int family : refused) {
        const struct scmp_arg_cmp first_is_family = {0, SCMP_CMP_EQ, (scmp_datum_t)family, 0};
        status |= seccomp_rule_add(filter, SCMP_ACT_ERRNO(EAFNOSUPPORT), SCMP_SYS(socket), 1,
                                   first_is_family);
    }
    status |= seccomp_load(filter);
    seccomp_release(filter);
    if (status != 0) {
        return "the seccomp filter could not be loaded";
    }
    int probe = socket(refused.front(), SOCK_DGRAM, 0);
    if (probe >= 0 || errno != EAFNOSUPPORT) {
        return "the filter does not refuse the family";
    }
    return "";
}

/* Every family but AF_UNIX, as "address families: AF_UNIX only". */
const std::vector<int> all_but_unix = {AF_INET, AF_INET6, AF_NETLINK, AF_PACKET};

/* The host's own answers, taken first: every setting is compared with them. */
class HardenedService : public testing::Test {
  protected:
    std::string primary, all;

    void SetUp() override {
        ASSERT_EQ(geteuid(), 0u) << "needs root: namespaces, mounts and seccomp filters";
        primary = listed_lines(VESK_HOSTID_PRIMARY);
        all = listed_lines(VESK_HOSTID_ALL);
        ASSERT_NE(primary, "FAILURE");
        ASSERT_NE(primary, "") << "the host has no M to keep";
        ASSERT_NE(all, "FAILURE");
    }
};

struct Setting {
    const char *name;
    std::function<std::string()> make;
    unsigned view; /* what vesk_hostid_view says there */
};

void PrintTo(const Setting &setting, std::ostream *out) {
    *out << setting.name;
}

/* Settings under which the host is the same host: every identifier kept. */
class KeepingSetting : public HardenedService, public testing::WithParamInterface<Setting> {};

TEST_P(KeepingSetting, GivesTheHostsOwnIdentifiers) {
    ChildAnswer answer = answer_in_child(GetParam().make);
    ASSERT_EQ(answer.setup_error, "");
    EXPECT_EQ(answer.primary, primary);
    EXPECT_EQ(answer.all, all);
    EXPECT_EQ(answer.view, GetParam().view);
}

const Setting keeping[] = {
    {"af_unix_only", [] { return refuse_families(all_but_unix); }, 0},
    {"no_ipv4", [] { return refuse_families({AF_INET}); }, 0},
    {"read_only_root",
     [] {
         std::string error = private_mounts();
         if (error.empty() &&
             mount(nullptr, "/", nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
             error = failed("a read-only root");
         }
         return error;
     },
     VESK_HOSTID_VIEW_MOUNT},
    {"private_tmp_and_dev",
     [] {
         std::string error = private_mounts();
         if (error.empty() && (mount("vesk-tmp", "/tmp", "tmpfs", 0, nullptr) != 0 ||
                               mount("vesk-dev", "/dev", "tmpfs", 0, nullptr) != 0)) {
             error = failed("private /tmp and /dev");
         }
         return error;
     },
     VESK_HOSTID_VIEW_MOUNT},
    {"dynamic_user",
     [] {
         /* A uid and gid without a name, as a service manager allots them. */
         return setgroups(0, nullptr) == 0 && setgid(61873) == 0 && setuid(61873) == 0
                    ? std::string()
                    : failed("an unprivileged user");
     },
     0},
};

INSTANTIATE_TEST_SUITE_P(Services, KeepingSetting, testing::ValuesIn(keeping),
                         [](const testing::TestParamInfo<Setting> &info) {
                             return std::string(info.param.name);
                         });

/* A private network that kept the host's /sys sees the host's interfaces,
 * whose drivers it cannot ask: the adapters could not be read, so the calls
 * that need them fail, and the view says why.  Never the current address in
 * the permanent one's place. */
TEST_F(HardenedService, PrivateNetworkFailsAndSaysSoNeverOtherIdentifiers) {
    ChildAnswer answer = answer_in_child(
        [] { return unshare(CLONE_NEWNET) == 0 ? std::string() : failed("a network namespace"); });
    ASSERT_EQ(answer.setup_error, "");
    EXPECT_EQ(answer.primary, "FAILURE");
    EXPECT_EQ(answer.all, "FAILURE");
    EXPECT_NE(answer.view & VESK_HOSTID_VIEW_NETWORK, 0u);
}

/* ---- A changed current address -------------------------------------------- */

/* The first hardware-backed adapter of the host, named as in /sys/class/net. */
std::string first_adapter() {
    const std::string net = "/sys/class/net";
    DIR *dir = opendir(net.c_str());
    std::string found;
    for (struct dirent *entry; dir != nullptr && found.empty() && (entry = readdir(dir));) {
        struct stat link;
        if (entry->d_name[0] != '.' &&
            lstat((net + "/" + entry->d_name + "/device").c_str(), &link) == 0) {
            found = entry->d_name;
        }
    }
    if (dir != nullptr) {
        closedir(dir);
    }
    return found;
}

/* The host's sysfs network directory as seen with one adapter's current
 * address changed (as `ip link set address` would): a copy of its files
 * bound over /sys/class/net, in the child's mount namespace. */
std::string change_current_address(const std::string &work, const std::string &adapter) {
    std::string error = private_mounts();
    if (!error.empty()) {
        return error;
    }
    std::string net = work + "/net", entry = net + "/" + adapter;
    std::string copy = "mkdir -p '" + entry + "' && ln -s /sys/class/net/" + adapter + "/device '" +
                       entry + "/device' && cp /sys/class/net/" + adapter +
                       "/type /sys/class/net/" + adapter + "/ifindex '" + entry + "/'";
    if (system(copy.c_str()) != 0 || !write_text_file(entry + "/address", "02:5e:c4:a1:9d:01\n") ||
        mount(net.c_str(), "/sys/class/net", nullptr, MS_BIND, nullptr) != 0) {
        return failed("the changed sysfs tree");
    }
    return "";
}

class ChangedCurrentAddress : public HardenedService {
  protected:
    std::string work, adapter;

    void SetUp() override {
        HardenedService::SetUp();
        work = make_scratch_dir("vesk-hardened");
        ASSERT_NE(work, "");
        adapter = first_adapter();
        ASSERT_NE(adapter, "") << "the host has no hardware-backed adapter";
    }

    void TearDown() override { EXPECT_TRUE(remove_scratch_dir(work)) << work; }
};

/* In the host's network the driver answers for the adapter: its permanent
 * address gives the M, whatever the current one has become. */
TEST_F(ChangedCurrentAddress, KeepsThePermanentM) {
    ChildAnswer answer = answer_in_child([this] { return change_current_address(work, adapter); });
    ASSERT_EQ(answer.setup_error, "");
    EXPECT_EQ(answer.primary, primary.substr(0, primary.find('\n') + 1));
}

/* In a network namespace of its own the driver cannot be asked (the device
 * is not there): no M from the changed current address, but a failure. */
TEST_F(ChangedCurrentAddress, InAPrivateNetworkFailsInsteadOfMoving) {
    ChildAnswer answer = answer_in_child([this] {
        std::string error = change_current_address(work, adapter);
        if (error.empty() && unshare(CLONE_NEWNET) != 0) {
            error = failed("a network namespace");
        }
        return error;
    });
    ASSERT_EQ(answer.setup_error, "");
    EXPECT_EQ(answer.primary, "FAILURE");
}

/* ---- A hosts line of more than a megabyte ----------------------------------- */

/* The host's name on a line with aliases enough to pass a megabyte: its
 * address is still read, as getent would. */
TEST_F(HardenedService, HostsLineOverAMegabyteIsRead) {
    const std::string work = make_scratch_dir("vesk-hosts");
    ASSERT_NE(work, "");
    ChildAnswer answer = answer_in_child([&work] {
        std::string line = "127.0.0.1 localhost\n10.61.7.9 vesk-big-host";
        for (int i = 0; line.size() < (1u << 20) + 4096; i++) {
            line += " vesk-alias-" + std::to_string(i);
        }
        line += "\n";
        std::string hosts = work + "/hosts", error = private_mounts();
        if (error.empty() && (unshare(CLONE_NEWUTS) != 0 || !write_text_file(hosts, line) ||
                              mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) != 0 ||
                              sethostname("vesk-big-host", 13) != 0)) {
            error = failed("the hosts file");
        }
        return error;
    });
    EXPECT_TRUE(remove_scratch_dir(work)) << work;
    ASSERT_EQ(answer.setup_error, "");
    const unsigned char address[4] = {10, 61, 7, 9};
    char text[VESK_HOSTID_TEXT_LENGTH + 1];
    ASSERT_EQ(vesk_hostid_encode(address, 4, VESK_HOSTID_KIND_IPV4, text), SUCCESS);
    EXPECT_NE(answer.all.find(std::string("I:") + text + "\n"), std::string::npos) << answer.all;
}

} // namespace
