/* vesk_hostid_view in real namespaces: a child process per case unshares
 * one namespace (as root), or a user namespace as an ordinary user, and
 * reports what the call says; the parent compares it with its own view.
 * Inside a user and mount namespace of an ordinary user, /proc is replaced
 * (by a tmpfs, or by files of the host's own namespaces bound in its place),
 * which fools a reader of /proc but not the call.
 *
 * Needs root for the namespaces other than the user one.  Everything happens
 * in children whose namespaces go away with them: nothing on the machine
 * changes.  Without root, or where the kernel refuses an unprivileged user
 * namespace, it fails and says why. */
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <stdio.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "vesk_hostid.h"
#include "view_linux.h"

namespace {

const uid_t nobody = 65534;

/* What a child reports: the call's answer and what /proc alone would say. */
struct ChildView {
    int status;         /* the call's result */
    unsigned view;      /* its bits */
    unsigned from_proc; /* the bits /proc/thread-self/ns gives */
    char failed[256];   /* the step that failed, else empty */
};

/* A step that fails in the child: recorded with errno, and the child ends. */
bool step(bool ok, const char *what, ChildView *report) {
    if (!ok && report->failed[0] == '\0') {
        snprintf(report->failed, sizeof report->failed, "%s: %s", what, strerror(errno));
    }
    return ok;
}

/* Runs setup in a child, then the call there; what the child saw. */
ChildView view_in_child(bool (*setup)(ChildView *)) {
    ChildView report;
    memset(&report, 0, sizeof report);
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) {
        snprintf(report.failed, sizeof report.failed, "pipe: %s", strerror(errno));
        return report;
    }
    pid_t child = fork();
    if (child == 0) {
        close(pipe_fds[0]);
        if (setup(&report)) {
            report.status = vesk_hostid_view(&report.view);
            ViewInodes inodes = {{0, 0, 0, 0}};
            view_inodes_from_directory("/proc/thread-self/ns", &inodes);
            report.from_proc = view_differences(&inodes, view_kernel_version());
        }
        ssize_t written = write(pipe_fds[1], &report, sizeof report);
        _exit(written == (ssize_t)sizeof report ? 0 : 1);
    }
    close(pipe_fds[1]);
    ssize_t got = child > 0 ? read(pipe_fds[0], &report, sizeof report) : -1;
    close(pipe_fds[0]);
    int status = -1;
    if (child > 0) {
        waitpid(child, &status, 0);
    }
    if (got != (ssize_t)sizeof report || status != 0) {
        snprintf(report.failed, sizeof report.failed, "the child did not report (status %d)",
                 status);
    }
    return report;
}

/* The test process's own view, which each case is compared with. */
unsigned own_view() {
    unsigned view = 0;
    EXPECT_EQ(vesk_hostid_view(&view), SUCCESS);
    return view;
}

/* ---- One namespace, unshared by root ---------------------------------------- */

struct Unshared {
    const char *name;
    int flag;
    unsigned bit;
};

void PrintTo(const Unshared &u, std::ostream *out) {
    *out << u.name;
}

class ViewInNamespace : public testing::TestWithParam<Unshared> {
  protected:
    void SetUp() override {
        ASSERT_EQ(geteuid(), 0u) << "needs root: it unshares UTS, network and mount namespaces";
    }
};

int unshare_flag; /* the flag the child unshares; set before each fork */

/* Each namespace gives its own bit and no other. */
TEST_P(ViewInNamespace, GivesItsBitAlone) {
    unsigned base = own_view();
    ASSERT_EQ(base & GetParam().bit, 0u)
        << "the tests already run outside the host's " << GetParam().name << " namespace";
    unshare_flag = GetParam().flag;
    ChildView child = view_in_child(
        [](ChildView *report) { return step(unshare(unshare_flag) == 0, "unshare", report); });
    ASSERT_STREQ(child.failed, "");
    EXPECT_EQ(child.status, SUCCESS);
    EXPECT_EQ(child.view, base | GetParam().bit);
}

const Unshared unshared[] = {
    {"uts", CLONE_NEWUTS, VESK_HOSTID_VIEW_UTS},
    {"network", CLONE_NEWNET, VESK_HOSTID_VIEW_NETWORK},
    {"mount", CLONE_NEWNS, VESK_HOSTID_VIEW_MOUNT},
};

INSTANTIATE_TEST_SUITE_P(Root, ViewInNamespace, testing::ValuesIn(unshared),
                         [](const testing::TestParamInfo<Unshared> &info) {
                             return std::string(info.param.name);
                         });

/* ---- A user namespace of an ordinary user ------------------------------------ */

/* Becomes the ordinary user nobody, then enters a user namespace of its own
 * (with a mount namespace when mounts follow), mapped to root inside. */
bool become_nobody_in_user_namespace(ChildView *report, int more) {
    if (!step(setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0,
              "becoming nobody", report)) {
        return false;
    }
    /* A change of user makes the process undumpable, and its /proc files
     * root's: it could not write its own maps. */
    if (!step(prctl(PR_SET_DUMPABLE, 1) == 0, "dumpable again", report)) {
        return false;
    }
    if (unshare(CLONE_NEWUSER | more) != 0) {
        FILE *sysctl = fopen("/proc/sys/kernel/unprivileged_userns_clone", "r");
        int allowed = sysctl == nullptr || fgetc(sysctl) != '0';
        if (sysctl != nullptr) {
            fclose(sysctl);
        }
        return step(false,
                    allowed ? "unshare of a user namespace as nobody, which the kernel allows"
                            : "unshare as nobody (kernel.unprivileged_userns_clone is 0)",
                    report);
    }
    const char *maps[][2] = {{"/proc/self/setgroups", "deny"},
                             {"/proc/self/uid_map", "0 65534 1"},
                             {"/proc/self/gid_map", "0 65534 1"}};
    for (const auto &map : maps) {
        int fd = open(map[0], O_WRONLY | O_CLOEXEC);
        bool written = fd >= 0 && write(fd, map[1], strlen(map[1])) == (ssize_t)strlen(map[1]);
        if (fd >= 0) {
            close(fd);
        }
        if (!step(written, map[0], report)) {
            return false;
        }
    }
    return true;
}

class ViewInUserNamespace : public testing::Test {
  protected:
    unsigned base = 0;

    void SetUp() override {
        ASSERT_EQ(geteuid(), 0u) << "needs root, to become the ordinary user nobody";
        base = own_view();
        ASSERT_EQ(base & VESK_HOSTID_VIEW_USER, 0u)
            << "the tests already run outside the host's user namespace";
    }
};

TEST_F(ViewInUserNamespace, AnOrdinaryUsersOwnIsSeen) {
    ChildView child =
        view_in_child([](ChildView *report) { return become_nobody_in_user_namespace(report, 0); });
    ASSERT_STREQ(child.failed, "");
    EXPECT_EQ(child.status, SUCCESS);
    EXPECT_EQ(child.view, base | VESK_HOSTID_VIEW_USER);
}

/* A tmpfs over /proc: the namespace files are gone, and the call still
 * sees the user namespace (and the mount namespace that made it possible). */
TEST_F(ViewInUserNamespace, IsSeenUnderATmpfsOverProc) {
    ChildView child = view_in_child([](ChildView *report) {
        return become_nobody_in_user_namespace(report, CLONE_NEWNS) &&
               step(mount("none", "/proc", "tmpfs", 0, nullptr) == 0, "tmpfs over /proc", report);
    });
    ASSERT_STREQ(child.failed, "");
    EXPECT_EQ(child.view, base | VESK_HOSTID_VIEW_USER | VESK_HOSTID_VIEW_MOUNT);
    EXPECT_EQ(child.from_proc & VESK_HOSTID_VIEW_UNKNOWN, VESK_HOSTID_VIEW_UNKNOWN)
        << "the tmpfs did not hide /proc's namespace files";
}

/* The host's own namespace files, opened before leaving them and bound over
 * a fake /proc's: a reader of /proc sees the host's user, UTS and network
 * namespaces, on nsfs and with their fixed numbers.  (The kernel refuses to
 * bind an older mount namespace's file, so the fake one is an empty file.)
 * The call does not read /proc. */
int host_namespace_fds[VIEW_NAMESPACES];

TEST_F(ViewInUserNamespace, IsSeenUnderTheHostsNamespaceFilesBoundOverProc) {
    ChildView child = view_in_child([](ChildView *report) {
        for (int i = 0; i < VIEW_NAMESPACES; i++) {
            std::string path = std::string("/proc/self/ns/") + view_namespaces[i].name;
            host_namespace_fds[i] = open(path.c_str(), O_RDONLY);
            if (!step(host_namespace_fds[i] >= 0, "opening the host's namespace files", report)) {
                return false;
            }
        }
        if (!become_nobody_in_user_namespace(report, CLONE_NEWNS) ||
            !step(mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0, "private mounts",
                  report) ||
            !step(mount("none", "/tmp", "tmpfs", 0, nullptr) == 0, "tmpfs over /tmp", report)) {
            return false;
        }
        for (const char *dir : {"/tmp/proc", "/tmp/proc/self", "/tmp/proc/self/ns",
                                "/tmp/proc/thread-self", "/tmp/proc/thread-self/ns"}) {
            if (!step(mkdir(dir, 0755) == 0, dir, report)) {
                return false;
            }
        }
        for (const char *ns_dir : {"/tmp/proc/self/ns/", "/tmp/proc/thread-self/ns/"}) {
            for (int i = 0; i < VIEW_NAMESPACES; i++) {
                std::string file = ns_dir + std::string(view_namespaces[i].name);
                std::string source = "/proc/self/fd/" + std::to_string(host_namespace_fds[i]);
                int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                if (!step(fd >= 0, "a fake namespace file", report)) {
                    return false;
                }
                close(fd);
                if (view_namespaces[i].bit != VESK_HOSTID_VIEW_MOUNT &&
                    !step(mount(source.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) == 0,
                          "binding a host namespace file", report)) {
                    return false;
                }
            }
        }
        return step(mount("/tmp/proc", "/proc", nullptr, MS_BIND | MS_REC, nullptr) == 0,
                    "the fake /proc over /proc", report);
    });
    ASSERT_STREQ(child.failed, "");
    ASSERT_EQ(child.from_proc, VESK_HOSTID_VIEW_UNKNOWN)
        << "the fake /proc did not show the host's user, UTS and network namespaces";
    EXPECT_EQ(child.status, SUCCESS);
    EXPECT_EQ(child.view, base | VESK_HOSTID_VIEW_USER | VESK_HOSTID_VIEW_MOUNT);
}

} // namespace
