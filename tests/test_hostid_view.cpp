/* Whose view of the host: the decision from namespace inode numbers on
 * kernels of every age, the reader of a directory of namespace files aimed
 * at fake trees and at /proc, this process's own view against the inodes
 * stat gives for /proc/self/ns and the kernel's fixed numbers of the initial
 * namespaces, and the resolver's environment.  No root is needed; the real
 * namespaces are in ns_hostid_view.cpp. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/personality.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "scratch_dir.h"
#include "vesk_hostid.h"
#include "view_linux.h"

namespace {

/* The kernel's inode numbers of the initial namespaces: PROC_*_INIT_INO of
 * include/linux/proc_ns.h (user, UTS, IPC and PID since 3.8, cgroup since
 * 4.6, time since 5.6), and from 6.18 on NET_NS_INIT_INO and MNT_NS_INIT_INO
 * (include/uapi/linux/nsfs.h) for the network and mount ones.  Every other
 * namespace is numbered from PROC_DYNAMIC_FIRST (0xF0000000) up.  A Linux
 * 6.18 machine in its initial namespaces shows exactly these in
 * /proc/self/ns.  In view_namespaces order: user, mnt, uts, net. */
const uint64_t initial_user = 0xEFFFFFFD, initial_mnt = 0xEFFFFFF8, initial_uts = 0xEFFFFFFE,
               initial_net = 0xEFFFFFF9;
const uint64_t made_later = 0xF0000123; /* any namespace but the initial one */
const uint64_t dynamic_first = 0xF0000000;

/* Each namespace of /proc/self/ns with the kernel's number for its initial
 * one, the release that fixed that number, and the view's bit (0 for the
 * namespaces the view does not report). */
struct KernelNamespace {
    const char *name;
    uint64_t initial;
    int fixed_major, fixed_minor;
    unsigned bit;
};
const KernelNamespace kernel_namespaces[] = {
    {"user", initial_user, 3, 8, VESK_HOSTID_VIEW_USER},
    {"mnt", initial_mnt, 6, 18, VESK_HOSTID_VIEW_MOUNT},
    {"uts", initial_uts, 3, 8, VESK_HOSTID_VIEW_UTS},
    {"net", initial_net, 6, 18, VESK_HOSTID_VIEW_NETWORK},
    {"ipc", 0xEFFFFFFF, 3, 8, 0},
    {"pid", 0xEFFFFFFC, 3, 8, 0},
    {"cgroup", 0xEFFFFFFB, 4, 6, 0},
    {"time", 0xEFFFFFFA, 5, 6, 0},
};

/* The running kernel's release, read here from uname; {0, 0} when it cannot
 * be told. */
struct Release {
    int major, minor;
    bool at_least(int m, int n) const { return major > m || (major == m && minor >= n); }
};
Release running_release() {
    struct utsname name;
    Release release = {0, 0};
    if (uname(&name) != 0 || sscanf(name.release, "%d.%d", &release.major, &release.minor) != 2) {
        return {0, 0};
    }
    return release;
}

/* The inode number of /proc/self/ns/NAME by stat; 0 when it is not there. */
uint64_t stat_inode(const char *name) {
    struct stat file;
    return stat((std::string("/proc/self/ns/") + name).c_str(), &file) == 0 ? (uint64_t)file.st_ino
                                                                            : 0;
}

/* What the view of this process must be on that release, from the inodes
 * stat gives and the kernel's numbers: a reported namespace that is not the
 * initial one is its bit where the release fixes the initial one's number,
 * and unknown where it does not. */
unsigned expected_view(Release release) {
    unsigned expected = 0;
    for (const KernelNamespace &ns : kernel_namespaces) {
        if (ns.bit == 0 || stat_inode(ns.name) == ns.initial) {
            continue;
        }
        expected |=
            release.at_least(ns.fixed_major, ns.fixed_minor) ? ns.bit : VESK_HOSTID_VIEW_UNKNOWN;
    }
    return expected;
}

/* The slot of ViewInodes that holds the namespace of that /proc/self/ns
 * file. */
int slot_of(const char *name) {
    for (int i = 0; i < VIEW_NAMESPACES; i++) {
        if (strcmp(view_namespaces[i].name, name) == 0) {
            return i;
        }
    }
    return -1;
}

struct Decision {
    const char *name;
    ViewInodes inodes;
    int kernel;
    unsigned expected;
};

void PrintTo(const Decision &d, std::ostream *out) {
    *out << d.name;
}

class ViewDecision : public testing::TestWithParam<Decision> {};

TEST_P(ViewDecision, GivesTheBitsOfTheNamespacesThatAreNotTheHosts) {
    EXPECT_EQ(view_differences(&GetParam().inodes, GetParam().kernel), GetParam().expected);
}

const int k6_18 = VIEW_KERNEL(6, 18), k6_17 = VIEW_KERNEL(6, 17), k5_10 = VIEW_KERNEL(5, 10);
const Decision decisions[] = {
    {"host_on_6_18", {{initial_user, initial_mnt, initial_uts, initial_net}}, k6_18, 0},
    /* An older kernel numbers the first network and mount namespaces
     * dynamically: only the fixed value would tell, and it is not there. */
    {"host_on_6_17",
     {{initial_user, made_later, initial_uts, made_later + 1}},
     k6_17,
     VESK_HOSTID_VIEW_UNKNOWN},
    {"fixed_values_on_an_old_kernel_are_the_host",
     {{initial_user, initial_mnt, initial_uts, initial_net}},
     k5_10,
     0},
    {"user_namespace_on_5_10",
     {{made_later, initial_mnt, initial_uts, initial_net}},
     k5_10,
     VESK_HOSTID_VIEW_USER},
    {"uts_namespace_on_5_10",
     {{initial_user, initial_mnt, made_later, initial_net}},
     k5_10,
     VESK_HOSTID_VIEW_UTS},
    {"mount_namespace_on_6_18",
     {{initial_user, made_later, initial_uts, initial_net}},
     k6_18,
     VESK_HOSTID_VIEW_MOUNT},
    {"network_namespace_on_6_18",
     {{initial_user, initial_mnt, initial_uts, made_later}},
     k6_18,
     VESK_HOSTID_VIEW_NETWORK},
    {"every_namespace_on_7_0",
     {{made_later, made_later + 1, made_later + 2, made_later + 3}},
     VIEW_KERNEL(7, 0),
     VESK_HOSTID_VIEW_USER | VESK_HOSTID_VIEW_MOUNT | VESK_HOSTID_VIEW_UTS |
         VESK_HOSTID_VIEW_NETWORK},
    /* Swapped fixed values are not the host's either. */
    {"user_inode_in_the_uts_place",
     {{initial_user, initial_mnt, initial_user, initial_net}},
     k6_18,
     VESK_HOSTID_VIEW_UTS},
    {"one_inode_unread",
     {{0, initial_mnt, initial_uts, initial_net}},
     k6_18,
     VESK_HOSTID_VIEW_UNKNOWN},
    {"user_namespace_and_one_unread",
     {{made_later, initial_mnt, 0, initial_net}},
     k6_18,
     VESK_HOSTID_VIEW_USER | VESK_HOSTID_VIEW_UNKNOWN},
    {"kernel_version_unread",
     {{made_later, made_later, initial_uts, initial_net}},
     0,
     VESK_HOSTID_VIEW_USER | VESK_HOSTID_VIEW_UNKNOWN},
};

INSTANTIATE_TEST_SUITE_P(Inodes, ViewDecision, testing::ValuesIn(decisions),
                         [](const testing::TestParamInfo<Decision> &info) {
                             return std::string(info.param.name);
                         });

/* A fake directory of namespace files: whatever it holds, only files on
 * nsfs count, so a tree of ordinary files (or links to them) tells nothing. */
class ViewDirectory : public ScratchDirTest {
  protected:
    void make_file(const std::string &name) {
        ASSERT_TRUE(write_text_file(dir + "/" + name, "user:[4026531837]\n")) << name;
    }
};

TEST_F(ViewDirectory, FilesNotOnNsfsAreUnread) {
    for (const char *name : {"user", "mnt", "uts"}) {
        make_file(name);
    }
    ASSERT_EQ(symlink((dir + "/user").c_str(), (dir + "/net").c_str()), 0);
    ViewInodes inodes = {{0, 0, 0, 0}};
    view_inodes_from_directory(dir.c_str(), &inodes);
    for (int i = 0; i < VIEW_NAMESPACES; i++) {
        EXPECT_EQ(inodes.inode[i], 0u) << view_namespaces[i].name;
    }
    EXPECT_EQ(view_differences(&inodes, k6_18), VESK_HOSTID_VIEW_UNKNOWN);
    view_inodes_from_directory((dir + "/missing").c_str(), &inodes);
    EXPECT_EQ(inodes.inode[0], 0u);
}

/* The reader fills only what is still unknown: an answer of the kernel's is
 * never replaced by a file. */
TEST_F(ViewDirectory, KnownInodesAreKept) {
    ViewInodes inodes = {{made_later, 0, 0, 0}};
    view_inodes_from_directory("/proc/self/ns", &inodes);
    EXPECT_EQ(inodes.inode[0], made_later);
    for (int i = 1; i < VIEW_NAMESPACES; i++) {
        EXPECT_EQ(inodes.inode[i], stat_inode(view_namespaces[i].name)) << view_namespaces[i].name;
    }
}

/* The kernel's numbers on this kernel: each namespace of /proc/self/ns is
 * either its initial one, with the number above, or one made later, from
 * PROC_DYNAMIC_FIRST up (so are the initial network and mount namespaces
 * before 6.18); a number in between would mean the table above, and the
 * decision's cases, do not know this kernel. */
TEST(ViewOfThisProcess, NamespaceNumbersAreTheKernelsFixedOnesOrLater) {
    const Release release = running_release();
    ASSERT_TRUE(release.at_least(3, 8)) << "the kernel's release cannot be read";
    for (const KernelNamespace &ns : kernel_namespaces) {
        const uint64_t inode = stat_inode(ns.name);
        if (inode == 0 && ns.bit == 0) {
            continue; /* a namespace this kernel was built without */
        }
        EXPECT_TRUE(inode == ns.initial || inode >= dynamic_first)
            << ns.name << " namespace 0x" << std::hex << inode;
    }
}

/* This process, as the tests run it: the kernel's queries (on a kernel that
 * has them) and the reader of a namespace directory give the inodes stat
 * gives, and the call reports what they mean by the kernel's numbers.  In
 * the host's initial namespaces on 6.18 or later that is nothing; in a
 * container, its namespaces' bits; before 6.18, unknown for network and
 * mount namespaces whatever they are. */
TEST(ViewOfThisProcess, IsWhatTheNamespacesInodesSay) {
    const Release release = running_release();
    ASSERT_TRUE(release.at_least(3, 8)) << "the kernel's release cannot be read";
    ViewInodes by_directory = {{0, 0, 0, 0}}, by_pidfd = {{0, 0, 0, 0}};
    view_inodes_from_directory("/proc/self/ns", &by_directory);
    EXPECT_EQ(view_inodes_from_pidfd(&by_pidfd), SUCCESS);
    for (const KernelNamespace &ns : kernel_namespaces) {
        if (ns.bit == 0) {
            continue;
        }
        const int slot = slot_of(ns.name);
        ASSERT_GE(slot, 0) << ns.name << " is not one of the view's namespaces";
        const uint64_t inode = stat_inode(ns.name);
        ASSERT_NE(inode, 0u) << ns.name;
        EXPECT_EQ(by_directory.inode[slot], inode) << ns.name;
        if (release.at_least(6, 11)) {
            EXPECT_EQ(by_pidfd.inode[slot], inode) << ns.name;
        }
        EXPECT_EQ(view_namespaces[slot].bit, ns.bit) << ns.name;
    }
    unsigned differences = 0x5555;
    ASSERT_EQ(vesk_hostid_view(&differences), SUCCESS);
    EXPECT_EQ(differences & ~VESK_HOSTID_VIEW_RESOLVER, expected_view(release));
    EXPECT_EQ(vesk_hostid_view(nullptr), FAILURE);
}

/* A process that has uname report a 2.6 kernel (UNAME26) gets no version,
 * so that an old kernel's /proc is not taken on its word; on a kernel with
 * the queries the call answers as before.  In a child: a personality is the
 * process's. */
TEST(ViewOfThisProcess, AFakedKernelVersionIsNoVersion) {
    /* Where the queries are not passed to the kernel (valgrind 3.19 does not
     * know pidfd_open), the call has only /proc, which it does not trust. */
    ViewInodes asked = {{0, 0, 0, 0}};
    const bool queries = running_release().at_least(6, 11) &&
                         view_inodes_from_pidfd(&asked) == SUCCESS && asked.inode[0] != 0;
    /* Without a version the kernel counts as the oldest with namespace
     * numbers (3.8): mount and network namespaces other than the initial
     * ones are unknown rather than different; without the queries, every
     * namespace is. */
    const unsigned expected = expected_view({3, 8});
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        unsigned faked = 0;
        bool ok = personality(PER_LINUX | UNAME26) != -1 && view_kernel_version() == 0 &&
                  vesk_hostid_view(&faked) == SUCCESS &&
                  (queries ? (faked & ~VESK_HOSTID_VIEW_RESOLVER) == expected
                           : (faked & VESK_HOSTID_VIEW_UNKNOWN) != 0);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

/* Two free descriptors are enough for the view's answer; with fewer, the
 * kernel could have told and the call fails, rather than calling the
 * namespaces unknown (or the host's).  In children, whose limits do not
 * reach this process. */
TEST(ViewOfThisProcess, NeedsTwoFreeDescriptorsAndFailsWithFewer) {
    if (view_kernel_version() < VIEW_PIDFD_QUERIES_SINCE) {
        GTEST_SKIP() << "a kernel without the pidfd queries reads /proc instead";
    }
    unsigned own = 0;
    ASSERT_EQ(vesk_hostid_view(&own), SUCCESS);
    /* Under an emulator that passes no namespace query on, the kernel does
     * not tell even with descriptors to spare. */
    const bool kernel_tells = (own & VESK_HOSTID_VIEW_UNKNOWN) == 0;
    for (int free_descriptors : {0, 1, 2}) {
        fflush(nullptr);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int fd = 3; fd < 1024; fd++) {
                close(fd);
            }
            struct rlimit limit = {(rlim_t)(3 + free_descriptors), (rlim_t)(3 + free_descriptors)};
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
                _exit(99);
            }
            unsigned view = 0x5555;
            int status = vesk_hostid_view(&view);
            bool answered = status == SUCCESS && view == own;
            bool ok = free_descriptors >= 2 ? answered
                      : kernel_tells        ? status == FAILURE
                                            : answered || status == FAILURE;
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << free_descriptors << " free descriptors";
    }
}

/* The resolver's environment: a variable the C library reads when it sets up
 * a thread's resolver, and that the lookup of the host's name cannot set
 * aside, is reported; HOSTALIASES is set aside, and a RES_OPTIONS of blanks
 * sets nothing.  (The lookups themselves, under each variable, are in
 * ns_resolver_environment.cpp.) */
struct ResolverVariable {
    const char *name;
    const char *variable;
    const char *value;
    bool reported;
};

void PrintTo(const ResolverVariable &v, std::ostream *out) {
    *out << v.name;
}

class ViewOfTheResolver : public testing::TestWithParam<ResolverVariable> {
  protected:
    const char *const variables[3] = {"HOSTALIASES", "LOCALDOMAIN", "RES_OPTIONS"};
    std::string saved[3];
    bool was_set[3] = {false, false, false};

    void SetUp() override {
        for (int i = 0; i < 3; i++) {
            const char *value = getenv(variables[i]);
            was_set[i] = value != nullptr;
            saved[i] = value != nullptr ? value : "";
            unsetenv(variables[i]);
        }
    }
    void TearDown() override {
        for (int i = 0; i < 3; i++) {
            if (was_set[i]) {
                setenv(variables[i], saved[i].c_str(), 1);
            } else {
                unsetenv(variables[i]);
            }
        }
    }
};

TEST_P(ViewOfTheResolver, ReportsWhatTheLookupFollows) {
    unsigned before = 0, differences = 0;
    ASSERT_EQ(vesk_hostid_view(&before), SUCCESS);
    ASSERT_EQ(before & VESK_HOSTID_VIEW_RESOLVER, 0u) << "with none of the variables set";
    ASSERT_EQ(setenv(GetParam().variable, GetParam().value, 1), 0);
    ASSERT_EQ(vesk_hostid_view(&differences), SUCCESS);
    EXPECT_EQ(differences, before | (GetParam().reported ? VESK_HOSTID_VIEW_RESOLVER : 0u));
}

const ResolverVariable resolver_variables[] = {
    {"localdomain", "LOCALDOMAIN", "evil.example", true},
    /* Empty, it empties resolv.conf's search list. */
    {"localdomain_empty", "LOCALDOMAIN", "", true},
    {"res_options", "RES_OPTIONS", "ndots:0", true},
    {"res_options_after_blanks", "RES_OPTIONS", " \t rotate", true},
    {"res_options_blank", "RES_OPTIONS", " \t ", false},
    {"res_options_empty", "RES_OPTIONS", "", false},
    {"hostaliases", "HOSTALIASES", "/tmp/aliases", false},
};

INSTANTIATE_TEST_SUITE_P(Environment, ViewOfTheResolver, testing::ValuesIn(resolver_variables),
                         [](const testing::TestParamInfo<ResolverVariable> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
