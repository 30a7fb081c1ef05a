/* vesk_hostid_explain over real devices and a real container root.
 * - A child in network and mount namespaces of its own, with a sysfs mounted
 *   for that network namespace, makes a bridge, a veth pair with one end a
 *   port of the bridge, a macvlan over the other end and a tun device with
 *   `ip`, and explains the host.  None of them is backed by hardware, so none
 *   gives an M line: each is left out with what the kernel's sysfs says it is.
 * - A child in a mount namespace of its own makes an overlay over the host's
 *   root, enters it as its root (chroot, with /proc and /sys mounted there),
 *   and explains the host: a container, by its overlay root, whose H comes
 *   from the overlay and changes with its upper directory.
 * Needs root; the devices and mounts go away with the children's
 * namespaces, the scratch folders with the test. */
#include <errno.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "scratch_dir.h"

#include <gtest/gtest.h>

#include "vesk_hostid.h"

namespace {

/* The lines a child writes for the items of a kind (every kind for kind 0):
 * "what name origin|reason|flags". */
std::string items_report(int32_t kind) {
    std::string report;
    vesk_hostid_item *items = nullptr;
    size_t count = 0;
    if (vesk_hostid_explain(0, &items, &count) != SUCCESS) {
        return "failed: vesk_hostid_explain";
    }
    static const char *const words[] = {"?", "identifier", "left_out", "source", "host"};
    for (size_t i = 0; i < count; i++) {
        const vesk_hostid_item &item = items[i];
        if (kind == 0 || item.kind == kind) {
            char line[1100];
            snprintf(line, sizeof line, "%s %s %s|%s|%#x\n", words[item.what], item.name,
                     item.origin, item.reason, item.flags);
            report += line;
        }
    }
    vesk_hostid_explain_free(items);
    return report;
}

/* Runs body in a child and returns what it reported. */
std::string in_child(std::string (*body)(const void *), const void *argument) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::string("failed: pipe: ") + strerror(errno);
    }
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const std::string report = body(argument);
        ssize_t written = write(fds[1], report.data(), report.size());
        _exit(written == (ssize_t)report.size() ? 0 : 1);
    }
    close(fds[1]);
    std::string report;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0) {
        report.append(buffer, (size_t)got);
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return report;
}

/* In the child: network and mount namespaces of its own, a sysfs of that
 * network namespace, the devices the commands make, then the explanation of
 * the adapters. */
std::string explain_made_devices(const void *argument) {
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0) {
        return std::string("failed: namespaces and sysfs: ") + strerror(errno);
    }
    for (const char *const *command = (const char *const *)argument; *command != nullptr;
         command++) {
        if (system(*command) != 0) {
            return std::string("failed: ") + *command;
        }
    }
    return items_report(VESK_HOSTID_KIND_ADAPTER);
}

bool has_line(const std::string &report, const std::string &line) {
    return ("\n" + report).find("\n" + line + "\n") != std::string::npos;
}

TEST(ExplainRealDevices, VirtualDevicesAreLeftOutAsWhatTheyAre) {
    static const char *const commands[] = {
        "ip link add vkbr0 type bridge",  "ip link add vkve0 type veth peer name vkve1",
        "ip link set vkve1 master vkbr0", "ip link add vkmv0 link vkve0 type macvlan",
        "ip tuntap add vktun0 mode tun",  nullptr,
    };
    const std::string report = in_child(explain_made_devices, commands);
    ASSERT_EQ(report.rfind("failed", 0), std::string::npos) << report;
    /* Each with its kind, from sysfs: the bridge's bridge folder, tun_flags;
     * the flags as the kernel set them (a made-up address is local). */
    const unsigned local = VESK_HOSTID_FLAG_LOCALLY_ADMINISTERED;
    char bridge[160];
    snprintf(bridge, sizeof bridge,
             "left_out vkbr0 virtual|no device link: a bridge, backed by no hardware|%#x",
             VESK_HOSTID_FLAG_BRIDGE | local);
    EXPECT_TRUE(has_line(report, bridge)) << report;
    EXPECT_TRUE(has_line(
        report, "left_out vktun0 virtual|no device link: a tun or tap device, backed by no "
                "hardware|0"))
        << report;
    for (const char *name : {"vkve0", "vkve1", "vkmv0"}) {
        char line[160];
        snprintf(
            line, sizeof line,
            "left_out %s virtual|no device link: a virtual interface (veth, macvlan, dummy...), "
            "backed by no hardware|%#x",
            name, local);
        EXPECT_TRUE(has_line(report, line)) << report;
    }
    EXPECT_TRUE(has_line(
        report,
        "left_out lo virtual|no device link: the loopback interface, backed by no hardware|0"))
        << report;
    /* No identifier, and the adapters' source says it read them and found none. */
    EXPECT_EQ(("\n" + report).find("\nidentifier "), std::string::npos) << report;
    EXPECT_TRUE(has_line(report, "source adapters |none|0")) << report;
}

/* In the child: an overlay over the host's root as the root, then the
 * explanation of every item. */
std::string explain_in_overlay_root(const void *argument) {
    const std::string dir = *(const std::string *)argument;
    const std::string upper = dir + "/upper", work = dir + "/work", merged = dir + "/merged";
    const std::string options = "lowerdir=/,upperdir=" + upper + ",workdir=" + work;
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mkdir(upper.c_str(), 0755) != 0 || mkdir(work.c_str(), 0755) != 0 ||
        mkdir(merged.c_str(), 0755) != 0 ||
        mount("overlay", merged.c_str(), "overlay", 0, options.c_str()) != 0 ||
        mount("proc", (merged + "/proc").c_str(), "proc", 0, nullptr) != 0 ||
        mount("sysfs", (merged + "/sys").c_str(), "sysfs", 0, nullptr) != 0 ||
        chroot(merged.c_str()) != 0 || chdir("/") != 0) {
        return std::string("failed: the overlay root: ") + strerror(errno);
    }
    return items_report(0);
}

class ExplainRealContainer : public ScratchDirTest {};

TEST_F(ExplainRealContainer, AnOverlayRootIsAContainerWhoseHGoesWithItsUpper) {
    const std::string report = in_child(explain_in_overlay_root, &dir);
    ASSERT_EQ(report.rfind("failed", 0), std::string::npos) << report;
    /* The H item: the root asked, found on the overlay. */
    EXPECT_NE(("\n" + report).find("\nidentifier / "), std::string::npos) << report;
    EXPECT_NE(report.find(" of overlay on overlay"), std::string::npos) << report;
    /* The container, by its overlay root, and what it means for H. */
    const size_t container = ("\n" + report).find("\nhost container ");
    ASSERT_NE(container, std::string::npos) << report;
    EXPECT_NE(report.find("an overlay root", container), std::string::npos) << report;
}

} // namespace
