/* vesk_hostid_explain over real devices: a child in network and mount
 * namespaces of its own, with a sysfs mounted for that network namespace,
 * makes a bridge, a veth pair with one end a port of the bridge, a macvlan
 * over the other end and a tun device with `ip`, and explains the host.
 * None of them is backed by hardware, so none gives an M line: each is left
 * out with what the kernel's sysfs says it is.  Needs root; the devices go
 * away with the child's network namespace. */
#include <errno.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "vesk_hostid.h"

namespace {

/* What the child saw, one line an adapter item: "what name reason|flags";
 * or "failed: step". */
std::string explained_in_child(const char *const *commands) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::string("failed: pipe: ") + strerror(errno);
    }
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        std::string report;
        if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0) {
            report = std::string("failed: namespaces and sysfs: ") + strerror(errno);
        }
        for (const char *const *command = commands; report.empty() && *command != nullptr;
             command++) {
            if (system(*command) != 0) {
                report = std::string("failed: ") + *command;
            }
        }
        vesk_hostid_item *items = nullptr;
        size_t count = 0;
        if (report.empty() && vesk_hostid_explain(0, &items, &count) != SUCCESS) {
            report = "failed: vesk_hostid_explain";
        }
        for (size_t i = 0; report.rfind("failed", 0) != 0 && i < count; i++) {
            const vesk_hostid_item &item = items[i];
            if (item.kind != VESK_HOSTID_KIND_ADAPTER) {
                continue;
            }
            static const char *const words[] = {"?", "identifier", "left_out", "source", "host"};
            char line[600];
            snprintf(line, sizeof line, "%s %s %s|%#x\n", words[item.what], item.name, item.reason,
                     item.flags);
            report += line;
        }
        vesk_hostid_explain_free(items);
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

bool has_line(const std::string &report, const std::string &line) {
    return ("\n" + report).find("\n" + line + "\n") != std::string::npos;
}

TEST(ExplainRealDevices, VirtualDevicesAreLeftOutAsWhatTheyAre) {
    static const char *const commands[] = {
        "ip link add vkbr0 type bridge",  "ip link add vkve0 type veth peer name vkve1",
        "ip link set vkve1 master vkbr0", "ip link add vkmv0 link vkve0 type macvlan",
        "ip tuntap add vktun0 mode tun",  nullptr,
    };
    const std::string report = explained_in_child(commands);
    ASSERT_EQ(report.rfind("failed", 0), std::string::npos) << report;
    /* Each with its kind, from sysfs: the bridge's bridge folder, tun_flags;
     * the flags as the kernel set them (a made-up address is local). */
    const unsigned local = VESK_HOSTID_FLAG_LOCALLY_ADMINISTERED;
    char bridge[160];
    snprintf(bridge, sizeof bridge,
             "left_out vkbr0 no device link: a bridge, backed by no hardware|%#x",
             VESK_HOSTID_FLAG_BRIDGE | local);
    EXPECT_TRUE(has_line(report, bridge)) << report;
    EXPECT_TRUE(has_line(report,
                         "left_out vktun0 no device link: a tun or tap device, backed by no "
                         "hardware|0"))
        << report;
    for (const char *name : {"vkve0", "vkve1", "vkmv0"}) {
        char line[160];
        snprintf(line, sizeof line,
                 "left_out %s no device link: a virtual interface (veth, macvlan, dummy...), "
                 "backed by no hardware|%#x",
                 name, local);
        EXPECT_TRUE(has_line(report, line)) << report;
    }
    EXPECT_TRUE(has_line(
        report, "left_out lo no device link: the loopback interface, backed by no hardware|0"))
        << report;
    /* No identifier, and the adapters' source says it read them and found none. */
    EXPECT_EQ(("\n" + report).find("\nidentifier "), std::string::npos) << report;
    EXPECT_TRUE(has_line(report, "source adapters none|0")) << report;
}

} // namespace
