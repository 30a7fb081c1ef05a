/* The Linux layer aimed at a fake sysfs network directory: which entries
 * become adapters, in which order, how many, and that hostile entries (dot
 * names, FIFOs, directories, missing files) neither block the walk nor stop
 * it; the walk under a descriptor limit; and the volume query's fallback to
 * the filesystem id where no UUID is published; a tree captured from a real
 * kernel (tests/data); and the running host's own answers.  No root is needed. */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "collect.h"
#include "adapters_linux.h"
#include "platform_linux.h"
#include "volume_linux.h"
#include "scratch_dir.h"
#include "vesk_hostid.h"
#include "veskid_process.h"

namespace {

/* Each fake adapter's current address carries its ifindex in its last two
 * bytes, so the LANA order can be read off the addresses. */
std::string address_of(long ifindex) {
    char text[32];
    snprintf(text, sizeof text, "02:00:00:00:%02lx:%02lx", (ifindex >> 8) & 0xFF, ifindex & 0xFF);
    return text;
}

long ifindex_of(const unsigned char address[6]) {
    return (long)address[4] << 8 | address[5];
}

/* The drivers of the fake adapters, by interface name: a permanent address
 * (FOUND), none (NONE), or a query that could not be made (UNREADABLE).  A
 * name not scripted has no permanent address, as a veth has. */
struct Driver {
    HostAnswer answer;
    std::array<unsigned char, 6> permanent;
};
std::map<std::string, Driver> drivers;

HostAnswer scripted_driver(const char *name, unsigned char address[6]) {
    auto found = drivers.find(name);
    if (found == drivers.end()) {
        return HOST_ANSWER_NONE;
    }
    if (found->second.answer == HOST_ANSWER_FOUND) {
        memcpy(address, found->second.permanent.data(), 6);
    }
    return found->second.answer;
}

/* One collection's session of the Linux layer, over a network directory of
 * the test's choosing, its drivers scripted. */
struct SessionCloser {
    void operator()(void *session) const { linux_close_session(session); }
};
typedef std::unique_ptr<void, SessionCloser> Session;

Session open_at(const char *net_dir) {
    const LinuxHostPaths paths = {"/", net_dir, scripted_driver, NULL, NULL, NULL};
    Session session(linux_open_session(&paths));
    EXPECT_NE(session.get(), nullptr);
    return session;
}

/* NCBENUM into lanas. */
unsigned char enumerate(const Session &session, LANA_ENUM *lanas) {
    NCB ncb;
    memset(&ncb, 0, sizeof ncb);
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = (unsigned char *)lanas;
    ncb.ncb_length = sizeof *lanas;
    return linux_netbios(session.get(), &ncb);
}

/* NCBRESET or NCBASTAT of one LANA number, the status into a 600-byte buffer. */
unsigned char ask(const Session &session, unsigned char command, unsigned char lana,
                  unsigned char status[600]) {
    NCB ncb;
    memset(&ncb, 0, sizeof ncb);
    ncb.ncb_command = command;
    ncb.ncb_lana_num = lana;
    ncb.ncb_buffer = status;
    ncb.ncb_length = 600;
    return linux_netbios(session.get(), &ncb);
}

/* The scratch directory is the fake network directory. */
class FakeSysfs : public ScratchDirTest {
  protected:
    void TearDown() override {
        drivers.clear();
        ScratchDirTest::TearDown();
    }

    /* A hardware Ethernet adapter unless told otherwise; an empty type or
     * ifindex leaves that file out. */
    void add(const std::string &name, long ifindex, const std::string &type = "1",
             bool device = true) {
        std::string entry = dir + "/" + name;
        ASSERT_EQ(mkdir(entry.c_str(), 0755), 0) << entry;
        if (device) {
            ASSERT_EQ(symlink("../../devices/fake", (entry + "/device").c_str()), 0);
        }
        if (!type.empty()) {
            ASSERT_TRUE(write_text_file(entry + "/type", type + "\n")) << entry;
        }
        ASSERT_TRUE(write_text_file(entry + "/ifindex", std::to_string(ifindex) + "\n")) << entry;
        ASSERT_TRUE(write_text_file(entry + "/address", address_of(ifindex) + "\n")) << entry;
    }

    /* Puts a FIFO or a directory where an attribute file belongs. */
    void replace_with(const std::string &name, const std::string &attribute, mode_t kind) {
        std::string path = dir + "/" + name + "/" + attribute;
        unlink(path.c_str());
        ASSERT_EQ(kind == S_IFIFO ? mkfifo(path.c_str(), 0644) : mkdir(path.c_str(), 0755), 0);
    }

    /* Enumerates and asks every adapter's status, as the collector does;
     * the ifindex of each answered adapter in LANA order, -1 for a failed
     * status. */
    std::vector<long> walk() {
        LANA_ENUM lanas;
        memset(&lanas, 0, sizeof lanas);
        Session session = open_at(dir.c_str());
        EXPECT_EQ(enumerate(session, &lanas), NRC_GOODRET);
        std::vector<long> found;
        for (unsigned int i = 0; i < lanas.length; i++) {
            unsigned char status[600];
            bool ok = ask(session, NCBASTAT, lanas.lana[i], status) == NRC_GOODRET;
            found.push_back(ok ? ifindex_of(status) : -1);
        }
        return found;
    }
};

/* Ascending ifindex, whatever the names or the order of creation; a name
 * that begins with a dot is an adapter like any other. */
TEST_F(FakeSysfs, AdaptersComeInIfindexOrderDotNamesIncluded) {
    add("vkz0", 2);
    add(".va", 9);
    add("vka1", 7);
    add("..vb", 3);
    EXPECT_EQ(walk(), (std::vector<long>{2, 3, 7, 9}));
}

/* Only hardware-backed Ethernet-type interfaces with a whole ifindex. */
TEST_F(FakeSysfs, VirtualOtherTypesAndUnreadableEntriesAreLeftOut) {
    add("vketh", 4);
    add("vkveth", 5, "1", false); /* no device link */
    add("vkib", 6, "32");         /* Infiniband */
    add("vknotype", 8, "");
    add("vkjunk", 10, "1x");
    add("vkbadidx", 11);
    ASSERT_TRUE(write_text_file(dir + "/vkbadidx/ifindex", "12 13\n"));
    ASSERT_TRUE(write_text_file(dir + "/vkfile", "not an interface\n"));
    EXPECT_EQ(walk(), (std::vector<long>{4}));
}

/* A FIFO or a directory in place of an attribute counts as absent: the walk
 * neither waits on it (a blocking open would hang here) nor stops at it. */
TEST_F(FakeSysfs, NonRegularAttributesAreAbsentAndNeverBlock) {
    add("vkfifotype", 1);
    replace_with("vkfifotype", "type", S_IFIFO);
    add("vkdirtype", 2);
    replace_with("vkdirtype", "type", S_IFDIR);
    add("vkfifoidx", 3);
    replace_with("vkfifoidx", "ifindex", S_IFIFO);
    add("vkfifoaddr", 4);
    replace_with("vkfifoaddr", "address", S_IFIFO);
    add("vkgood", 5);
    EXPECT_EQ(walk(), (std::vector<long>{-1, 5}));
}

/* More than 255 entries: the 255 lowest ifindexes, in order. */
TEST_F(FakeSysfs, AtMost255AdaptersTheLowestIndexesKept) {
    std::vector<long> indexes;
    for (long i = 1; i <= 300; i++) {
        indexes.push_back(i * 3);
    }
    std::shuffle(indexes.begin(), indexes.end(), std::mt19937(7));
    for (long ifindex : indexes) {
        add("vk" + std::to_string(ifindex), ifindex);
    }
    std::vector<long> expected;
    for (long i = 1; i <= 255; i++) {
        expected.push_back(i * 3);
    }
    EXPECT_EQ(walk(), expected);
}

/* With one free descriptor every adapter is still found and answered: the
 * walk holds at most one descriptor at a time.  Run in a child, whose limit
 * does not reach this process. */
TEST_F(FakeSysfs, OneFreeDescriptorIsEnough) {
    for (long ifindex : {3, 1, 2}) {
        add("vkfd" + std::to_string(ifindex), ifindex);
    }
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!leave_one_free_descriptor()) {
            _exit(99);
        }
        _exit(walk() == std::vector<long>{1, 2, 3} ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(FakeSysfs, MissingDirectoryFailsTheEnumerationWithNoAdapters) {
    LANA_ENUM lanas;
    memset(&lanas, 0xEE, sizeof lanas);
    EXPECT_EQ(enumerate(open_at((dir + "/absent").c_str()), &lanas), NRC_SYSTEM);
    EXPECT_EQ(lanas.length, 0);
}

/* ---- Permanent addresses ---------------------------------------------- */

/* The permanent address where the driver has one, whatever the current one
 * is; the current one only where the driver answers that it has none; and a
 * query that could not be made is NRC_SYSTEM, never the current address. */
TEST_F(FakeSysfs, PermanentAddressOrNoneNeverTheCurrentOneInItsPlace) {
    add("vkburned", 1);
    add("vkplain", 2);
    add("vkrefused", 3);
    drivers["vkburned"] = {HOST_ANSWER_FOUND, {0x00, 0x16, 0x3e, 0x00, 0x00, 0x2a}};
    drivers["vkrefused"] = {HOST_ANSWER_UNREADABLE, {}};
    LANA_ENUM lanas;
    memset(&lanas, 0, sizeof lanas);
    Session session = open_at(dir.c_str());
    ASSERT_EQ(enumerate(session, &lanas), NRC_GOODRET);
    ASSERT_EQ(lanas.length, 3);
    unsigned char status[600];
    ASSERT_EQ(ask(session, NCBASTAT, 0, status), NRC_GOODRET);
    EXPECT_EQ(std::vector<unsigned char>(status, status + 6),
              (std::vector<unsigned char>{0x00, 0x16, 0x3e, 0x00, 0x00, 0x2a}));
    ASSERT_EQ(ask(session, NCBASTAT, 1, status), NRC_GOODRET);
    EXPECT_EQ(ifindex_of(status), 2) << "no permanent address: the current one";
    EXPECT_EQ(ask(session, NCBASTAT, 2, status), NRC_SYSTEM);
}

/* Bond (or team) members all show the bond's address as their current one;
 * each keeps its own permanent M, and the collection of such a host says it
 * was read whole.  A member whose query fails makes the adapters a source
 * that could not be read, rather than a host with one adapter fewer. */
TEST_F(FakeSysfs, BondMembersKeepTheirOwnPermanentIdentifiers) {
    add("vkslave0", 4);
    add("vkslave1", 5);
    for (const char *member : {"vkslave0", "vkslave1"}) {
        ASSERT_TRUE(write_text_file(dir + "/" + member + "/address", "02:b0:00:00:00:01\n"));
    }
    add("vkbond0", 6, "1", false); /* the bond: no device link */
    drivers["vkslave0"] = {HOST_ANSWER_FOUND, {0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x01}};
    drivers["vkslave1"] = {HOST_ANSWER_FOUND, {0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x02}};
    const LinuxHostPaths paths = {"/", dir.c_str(), scripted_driver, NULL, NULL, NULL};
    const HostPlatform platform = linux_host_platform_at(&paths);
    unsigned unreadable = 99;
    HostIdRecord *head = collect_host_ids_from(&platform, HOST_SOURCE_ADAPTERS, &unreadable);
    ASSERT_NE(head, nullptr);
    ASSERT_NE(head->next, nullptr);
    EXPECT_EQ(head->next->next, nullptr);
    EXPECT_STRNE(head->text, head->next->text);
    EXPECT_EQ(head->raw[5], 1);
    EXPECT_EQ(head->next->raw[5], 2);
    EXPECT_EQ(unreadable, 0u);
    free_host_id_list(head);

    drivers["vkslave1"].answer = HOST_ANSWER_UNREADABLE;
    head = collect_host_ids_from(&platform, HOST_SOURCE_ADAPTERS, &unreadable);
    EXPECT_EQ(unreadable, (unsigned)HOST_SOURCE_ADAPTERS);
    free_host_id_list(head);
}

/* ---- Descriptors ------------------------------------------------------- */

/* Without a free descriptor the adapters cannot be listed: the enumeration
 * says the host could not answer, never that it has no adapters; and the
 * library's calls that need the adapters (and the running host's adapters
 * exist: this machine has a hardware-backed one) fail instead of answering
 * "absent".  In children, whose limits do not reach this process. */
TEST_F(FakeSysfs, NoFreeDescriptorIsNoAnswerNeverNoAdapters) {
    add("vkfull", 1);
    vesk_hostid *ids = nullptr;
    size_t count = 0;
    ASSERT_EQ(vesk_hostid_list(VESK_HOSTID_PRIMARY, &ids, &count), SUCCESS);
    ASSERT_GT(count, 0u) << "the running host has no adapter to look up";
    const std::string line = std::string("M:") + ids[0].text;
    vesk_hostid_list_free(ids);

    const std::vector<std::pair<const char *, std::function<bool()>>> calls = {
        {"NCBENUM",
         [&] {
             LANA_ENUM lanas;
             memset(&lanas, 0, sizeof lanas);
             return enumerate(open_at(dir.c_str()), &lanas) == NRC_SYSTEM;
         }},
        {"has(M)",
         [&] {
             int present = 7;
             vesk_hostid_check check;
             return vesk_hostid_has(line.c_str(), line.size(), &present, &check) == FAILURE &&
                    check.fault == VESK_HOSTID_FAULT_HOST && present == 0;
         }},
        {"list(PRIMARY)",
         [] {
             vesk_hostid *none = nullptr;
             size_t got = 9;
             return vesk_hostid_list(VESK_HOSTID_PRIMARY, &none, &got) == FAILURE && got == 0;
         }},
        {"list(ALL)",
         [] {
             vesk_hostid *none = nullptr;
             size_t got = 9;
             return vesk_hostid_list(VESK_HOSTID_ALL, &none, &got) == FAILURE && got == 0;
         }},
    };
    for (const auto &call : calls) {
        fflush(nullptr);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!leave_no_free_descriptor()) {
                _exit(99);
            }
            _exit(call.second() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << call.first;
        EXPECT_NE(WEXITSTATUS(status), 99) << "the limit could not be set";
        EXPECT_EQ(WEXITSTATUS(status), 0) << call.first << " answered as if the host had been read";
    }
}

/* ---- A tree captured from a real kernel ---------------------------------- */

/* tests/data/sysfs-net-6.18, written by scripts/capture-sysfs-net on a
 * Linux 6.18 machine: host/ is that machine's /sys/class/net, netns/ a
 * network namespace of the script's with the virtual interfaces containers
 * use.  What the kernel showed there (TREE/interfaces):
 *   host   lo 1 (type 772), ifb0 2 and ifb1 3 (type 1, no device link),
 *          eth0 4 (type 1, virtio_net, device -> ../../../virtio2),
 *          current address 02:fc:00:00:00:01, addr_assign_type 0;
 *   netns  lo 1, br0 2, ve1 3 (a port of br0), ve0 4, mv0 5 (a macvlan over
 *          ve0), tap0 6: all but lo of type 1, none with a device link.
 * Unlike the hand-written trees, class/net holds symbolic links into
 * devices/, each attribute ends in a line feed, and the device link is
 * relative, as the kernel makes them. */
class CapturedSysfs : public ScratchDirTest {
  protected:
    void TearDown() override {
        drivers.clear();
        ScratchDirTest::TearDown();
    }

    /* Copies the tree into the scratch directory and lays its links (git
     * keeps none): its class/net directory, or "" with a failure. */
    std::string lay(const std::string &tree) {
        namespace fs = std::filesystem;
        const fs::path from = fs::path(VESK_TEST_DATA_DIR) / "sysfs-net-6.18" / tree;
        const fs::path to = fs::path(dir) / tree;
        std::error_code error;
        fs::copy(from, to, fs::copy_options::recursive, error);
        if (error) {
            ADD_FAILURE() << "cannot copy " << from << ": " << error.message();
            return "";
        }
        std::ifstream links(from / "links");
        std::string path, target;
        int laid = 0;
        while (links >> path >> target) {
            fs::create_directories((to / path).parent_path(), error);
            if (error || symlink(target.c_str(), (to / path).c_str()) != 0) {
                ADD_FAILURE() << "cannot lay " << path << " -> " << target;
                return "";
            }
            laid++;
        }
        if (laid == 0) {
            ADD_FAILURE() << "no link is listed in " << (from / "links");
            return "";
        }
        return (to / "class/net").string();
    }

    /* NCBENUM of the tree's class/net: the return code and the LANAs. */
    unsigned char enumerate_tree(const std::string &net_dir, LANA_ENUM *lanas) {
        memset(lanas, 0xEE, sizeof *lanas);
        return enumerate(open_at(net_dir.c_str()), lanas);
    }
};

/* The host's virtio adapter is its one adapter, LANA 0, though lo and two
 * Ethernet-type ifb interfaces come before it by ifindex; with no permanent
 * address from the driver its status is the current address, read from the
 * kernel's "xx:...:xx\n"; and no other LANA number is known. */
TEST_F(CapturedSysfs, HostTreeHasItsDeviceBackedAdapterAlone) {
    const std::string net_dir = lay("host");
    ASSERT_NE(net_dir, "");
    struct stat entry;
    ASSERT_EQ(lstat((net_dir + "/eth0").c_str(), &entry), 0);
    ASSERT_TRUE(S_ISLNK(entry.st_mode)) << "class/net entries are links, as in sysfs";

    LANA_ENUM lanas;
    memset(&lanas, 0, sizeof lanas);
    Session session = open_at(net_dir.c_str());
    ASSERT_EQ(enumerate(session, &lanas), NRC_GOODRET);
    ASSERT_EQ(lanas.length, 1);
    EXPECT_EQ(lanas.lana[0], 0);
    unsigned char status[600];
    ASSERT_EQ(ask(session, NCBASTAT, 0, status), NRC_GOODRET);
    EXPECT_EQ(std::vector<unsigned char>(status, status + 6),
              (std::vector<unsigned char>{0x02, 0xfc, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(ask(session, NCBRESET, 0, status), NRC_GOODRET);
    EXPECT_EQ(ask(session, NCBRESET, 1, status), NRC_BRIDGE);
    EXPECT_EQ(ask(session, NCBASTAT, 1, status), NRC_BRIDGE);
}

/* A bridge, its veth port, the veth's peer, a macvlan over it, a tap and
 * lo: none is an adapter, and a tree of them was still read whole: no
 * adapters, not a failure. */
TEST_F(CapturedSysfs, NamespaceOfVirtualInterfacesHasNoAdapter) {
    const std::string net_dir = lay("netns");
    ASSERT_NE(net_dir, "");
    LANA_ENUM lanas;
    EXPECT_EQ(enumerate_tree(net_dir, &lanas), NRC_GOODRET);
    EXPECT_EQ(lanas.length, 0);
}

/* Through the collector: the host tree gives one adapter identifier, made of
 * eth0's permanent address where the driver reports one (virtio_net
 * reports the address it registered with: addr_assign_type 0), and the
 * namespace none; both were read whole. */
TEST_F(CapturedSysfs, CollectorReadsOneAdapterOnTheHostAndNoneInTheNamespace) {
    const std::string host = lay("host"), netns = lay("netns");
    ASSERT_NE(host, "");
    ASSERT_NE(netns, "");
    drivers["eth0"] = {HOST_ANSWER_FOUND, {0x02, 0xfc, 0x00, 0x00, 0x00, 0x01}};
    for (const std::string *net_dir : {&host, &netns}) {
        const LinuxHostPaths paths = {"/", net_dir->c_str(), scripted_driver, NULL, NULL, NULL};
        const HostPlatform platform = linux_host_platform_at(&paths);
        unsigned unreadable = 99;
        HostIdRecord *head = collect_host_ids_from(&platform, HOST_SOURCE_ADAPTERS, &unreadable);
        EXPECT_EQ(unreadable, 0u) << *net_dir;
        if (net_dir == &host) {
            ASSERT_NE(head, nullptr);
            EXPECT_EQ(head->next, nullptr);
            ASSERT_EQ(head->raw_length, 6);
            EXPECT_EQ(std::vector<unsigned char>(head->raw, head->raw + 6),
                      (std::vector<unsigned char>{0x02, 0xfc, 0x00, 0x00, 0x00, 0x01}));
        } else {
            EXPECT_EQ(head, nullptr);
        }
        free_host_id_list(head);
    }
}

/* ---- The running host ---------------------------------------------------- */

TEST(LinuxPlatform, HostNameIsCutToTheBufferAndTerminated) {
    char full[81], cut[8];
    ASSERT_EQ(linux_get_host_name(nullptr, full, 80), 0);
    memset(cut, '#', sizeof cut);
    ASSERT_EQ(linux_get_host_name(nullptr, cut, 4), 0);
    EXPECT_EQ(std::string(cut), std::string(full).substr(0, 3));
    EXPECT_EQ(cut[7], '#');
    ASSERT_EQ(linux_get_host_name(nullptr, cut, 1), 0);
    EXPECT_STREQ(cut, "");
}

TEST(LinuxPlatform, AdapterCommandsKnowOnlyTheEnumeratedNumbers) {
    LANA_ENUM lanas;
    memset(&lanas, 0xEE, sizeof lanas);
    Session session = open_at(LINUX_NET_CLASS_DIR);
    ASSERT_EQ(enumerate(session, &lanas), 0);
    for (unsigned int i = 0; i < lanas.length; i++) {
        EXPECT_EQ(lanas.lana[i], i);
    }
    unsigned char status[600];
    for (unsigned char command : {NCBRESET, NCBASTAT}) {
        EXPECT_NE(ask(session, command, lanas.length, status), 0) << (int)command;
    }
}

/* ---- Volume serial number ---------------------------------------------- */

TEST(LinuxVolume, UuidFoldIsTheXorOfLittleEndianWords) {
    const unsigned char even[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                    0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    const unsigned char uneven[16] = {0x5f, 0x3a, 0x9c, 0x2e, 0x7b, 0x41, 0x4d, 0x08,
                                      0xa6, 0xe3, 0x19, 0xc0, 0xf2, 0xb8, 0xd4, 0x75};
    EXPECT_EQ(linux_uuid_fold(even), 0xccccccccu);
    EXPECT_EQ(linux_uuid_fold(uneven), 0x931c2070u);
}

/* Whether the filesystem that holds directory publishes a UUID (by either
 * query), and the UUID. */
bool published_uuid(const char *directory, unsigned char uuid[16]) {
    int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << directory;
    bool has_uuid =
        fd >= 0 && (linux_uuid_from_kernel(fd, uuid) || linux_uuid_from_filesystem(fd, uuid));
    if (fd >= 0) {
        close(fd);
    }
    return has_uuid;
}

/* tmpfs and a root whose UUID reads as zeros (ext4 here, whose filesystem id
 * is the fold of its UUID) give the fold of their filesystem id where they
 * publish no UUID; a directory that cannot be asked about gives 0. */
TEST(LinuxVolume, WithoutUuidTheFilesystemIdFoldIsTheSerial) {
    for (const char *directory : {"/dev/shm", "/"}) {
        unsigned char uuid[16];
        bool has_uuid = published_uuid(directory, uuid);
        uint32_t serial = 1, fold = 2;
        ASSERT_EQ(linux_volume_serial_at(directory, &serial), HOST_ANSWER_FOUND) << directory;
        ASSERT_EQ(linux_fsid_fold(directory, &fold), SUCCESS) << directory;
        EXPECT_EQ(serial, has_uuid ? linux_uuid_fold(uuid) : fold) << directory;
    }
    uint32_t serial = 1;
    EXPECT_EQ(linux_volume_serial_at("/nonexistent/vesk", &serial), HOST_ANSWER_UNREADABLE);
    EXPECT_EQ(serial, 0u);
}

/* proc's filesystem id is the number the kernel gave its mount, and sysfs's
 * was on kernels before it had a UUID: the same number on many machines.
 * Each gives its UUID's fold where the kernel publishes one, else no serial. */
TEST(LinuxVolume, AnIdThatIsADeviceNumberGivesNoSerial) {
    for (const char *directory : {"/proc", "/sys"}) {
        unsigned char uuid[16];
        bool has_uuid = published_uuid(directory, uuid);
        uint32_t serial = 1;
        EXPECT_EQ(linux_volume_serial_at(directory, &serial),
                  has_uuid ? HOST_ANSWER_FOUND : HOST_ANSWER_NONE)
            << directory;
        EXPECT_EQ(serial, has_uuid ? linux_uuid_fold(uuid) : 0u) << directory;
    }
}

} // namespace
