/* The Linux layer's explanation over fake trees: a sysfs network directory
 * whose adapters are a bond with two members, a bridge, a VLAN, veth,
 * macvlan, tun, a USB adapter, Wi-Fi with a random current address, an
 * address changed by hand and a virtual function without a permanent address,
 * each with its bus, driver and flags and in the walk's LANA order; DMI
 * directories of the common hypervisors and clouds and of bare metal; a
 * container's marks and WSL's kernel under a fake /proc; the hosts file.
 * And on this host, the IDENTIFIER items against vesk_hostid_list. */
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "explain.h"
#include "explain_linux.h"
#include "lists.h"
#include "platform_linux.h"
#include "scratch_dir.h"
#include "stability_text.h"
#include "volume_linux.h"
#include "vesk_hostid.h"

namespace {

/* The permanent addresses the fake drivers report, by interface. */
struct FakeDriver {
    HostAnswer answer;
    std::array<unsigned char, 6> permanent;
};
std::map<std::string, FakeDriver> fake_drivers;

HostAnswer fake_permanent_address(const char *name, unsigned char address[6]) {
    auto found = fake_drivers.find(name);
    if (found == fake_drivers.end()) {
        return HOST_ANSWER_NONE;
    }
    memcpy(address, found->second.permanent.data(), 6);
    return found->second.answer;
}

std::array<unsigned char, 6> parsed(const std::string &text) {
    std::array<unsigned char, 6> bytes{};
    unsigned b[6];
    EXPECT_EQ(sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]),
              6);
    for (int i = 0; i < 6; i++) {
        bytes[i] = (unsigned char)b[i];
    }
    return bytes;
}

/* One interface of the fake tree. */
struct Interface {
    std::string name;
    long ifindex = 0;
    std::string address;           /* current */
    std::string bus;               /* "": no device link */
    std::string driver;            /* device/driver's target name */
    std::string permanent;         /* "": the driver reports none */
    std::string type = "1";        /* ARPHRD */
    std::vector<std::string> dirs; /* directories in the entry: bridge, bonding, wireless */
    std::string master;            /* the master link's target interface */
    std::string devtype;           /* uevent's DEVTYPE */
    bool physfn = false;           /* device/physfn */
};

Interface interface_of(const std::string &name, long ifindex, const std::string &address,
                       const std::string &bus = "", const std::string &driver = "",
                       const std::string &permanent = "") {
    Interface i;
    i.name = name;
    i.ifindex = ifindex;
    i.address = address;
    i.bus = bus;
    i.driver = driver;
    i.permanent = permanent;
    return i;
}

class ExplainTree : public ScratchDirTest {
  protected:
    std::string net, proc, dmi, hosts, root;
    LinuxHostPaths paths;

    void SetUp() override {
        ScratchDirTest::SetUp();
        net = dir + "/net";
        proc = dir + "/proc";
        dmi = dir + "/dmi";
        hosts = dir + "/hosts";
        root = dir + "/root";
        for (const std::string &d : {net, proc, root, dir + "/devices"}) {
            ASSERT_EQ(mkdir(d.c_str(), 0755), 0) << d;
        }
        paths = {"/",           net.c_str(),  fake_permanent_address,
                 hosts.c_str(), proc.c_str(), dmi.c_str()};
    }

    void TearDown() override {
        fake_drivers.clear();
        ScratchDirTest::TearDown();
    }

    void mkdirs(const std::string &path) {
        std::string partial;
        for (size_t at = 0; at != std::string::npos;) {
            size_t next = path.find('/', at + 1);
            partial = path.substr(0, next);
            mkdir(partial.c_str(), 0755);
            at = next;
        }
    }

    void add(const Interface &i) {
        std::string entry = net + "/" + i.name;
        ASSERT_EQ(mkdir(entry.c_str(), 0755), 0);
        ASSERT_TRUE(write_text_file(entry + "/type", i.type + "\n"));
        ASSERT_TRUE(write_text_file(entry + "/ifindex", std::to_string(i.ifindex) + "\n"));
        ASSERT_TRUE(write_text_file(entry + "/address", i.address + "\n"));
        ASSERT_TRUE(write_text_file(entry + "/uevent",
                                    "INTERFACE=" + i.name + "\n" +
                                        (i.devtype.empty() ? "" : "DEVTYPE=" + i.devtype + "\n")));
        for (const std::string &d : i.dirs) {
            ASSERT_EQ(mkdir((entry + "/" + d).c_str(), 0755), 0);
        }
        if (!i.master.empty()) {
            ASSERT_EQ(symlink(("../" + i.master).c_str(), (entry + "/master").c_str()), 0);
        }
        if (!i.bus.empty()) {
            std::string device = dir + "/devices/" + i.name;
            ASSERT_EQ(mkdir(device.c_str(), 0755), 0);
            ASSERT_EQ(symlink(("../../bus/" + i.bus).c_str(), (device + "/subsystem").c_str()), 0);
            ASSERT_EQ(symlink(("../../bus/" + i.bus + "/drivers/" + i.driver).c_str(),
                              (device + "/driver").c_str()),
                      0);
            if (i.physfn) {
                ASSERT_EQ(symlink("../0000:01:00.0", (device + "/physfn").c_str()), 0);
            }
            ASSERT_EQ(symlink(device.c_str(), (entry + "/device").c_str()), 0);
        }
        if (!i.permanent.empty()) {
            fake_drivers[i.name] = FakeDriver{HOST_ANSWER_FOUND, parsed(i.permanent)};
        }
    }

    /* The explanation of a host whose adapters are the fake tree's. */
    std::vector<vesk_hostid_item> explain(unsigned options = 0) {
        HostPlatform platform = linux_host_platform_at(&paths);
        size_t count = 0;
        vesk_hostid_item *items = nullptr;
        EXPECT_EQ(host_id_explain_on(&platform, options, &items, &count), SUCCESS);
        std::vector<vesk_hostid_item> copied(items, items + count);
        held.push_back(items);
        return copied;
    }

    std::vector<std::string> listed_adapters() {
        HostPlatform platform = linux_host_platform_at(&paths);
        vesk_hostid *ids = nullptr;
        size_t count = 0;
        std::vector<std::string> texts;
        if (host_id_list_on(&platform, VESK_HOSTID_ALL, &ids, &count) == SUCCESS) {
            for (size_t i = 0; i < count; i++) {
                if (ids[i].kind == VESK_HOSTID_KIND_ADAPTER) {
                    texts.push_back(ids[i].text);
                }
            }
        }
        vesk_hostid_list_free(ids);
        return texts;
    }

    std::vector<vesk_hostid_item *> held;
    ~ExplainTree() override {
        for (vesk_hostid_item *items : held) {
            vesk_hostid_explain_free(items);
        }
    }
};

const vesk_hostid_item *named(const std::vector<vesk_hostid_item> &items, const std::string &name,
                              int32_t kind = VESK_HOSTID_KIND_ADAPTER) {
    for (const vesk_hostid_item &item : items) {
        if (item.kind == kind && item.what != VESK_HOSTID_ITEM_SOURCE && name == item.name) {
            return &item;
        }
    }
    return nullptr;
}

/* ---- The network directory ---------------------------------------------------- */

/* Every kind of entry a host's /sys/class/net holds, and what each becomes. */
struct AdapterCase {
    Interface interface;
    int what;
    unsigned flags;
    const char *origin; /* exact */
    const char *reason; /* a part of it */
};

const char bond_address[] = "02:aa:bb:cc:dd:01"; /* the bond's, given to its members */

std::vector<AdapterCase> adapter_cases() {
    const unsigned LA = VESK_HOSTID_FLAG_LOCALLY_ADMINISTERED;
    std::vector<AdapterCase> cases;
    auto add_case = [&](Interface i, int what, unsigned flags, const char *origin,
                        const char *reason) {
        cases.push_back({i, what, flags, origin, reason});
    };
    Interface bond = interface_of("bond0", 30, bond_address);
    bond.dirs = {"bonding"};
    bond.devtype = "bond";
    add_case(bond, VESK_HOSTID_ITEM_LEFT_OUT, LA, "virtual", "a bond");
    Interface eth0 = interface_of("eth0", 3, bond_address, "pci", "e1000e", "00:1b:21:00:00:03");
    eth0.master = "bond0";
    add_case(eth0, VESK_HOSTID_ITEM_IDENTIFIER,
             VESK_HOSTID_FLAG_BOND_MEMBER | VESK_HOSTID_FLAG_ADDRESS_DIFFERS, "pci e1000e",
             "permanent");
    Interface eth1 = interface_of("eth1", 4, bond_address, "pci", "e1000e", "00:1b:21:00:00:04");
    eth1.dirs = {"bonding_slave"};
    add_case(eth1, VESK_HOSTID_ITEM_IDENTIFIER,
             VESK_HOSTID_FLAG_BOND_MEMBER | VESK_HOSTID_FLAG_ADDRESS_DIFFERS, "pci e1000e",
             "permanent");
    Interface bridge = interface_of("br0", 31, "02:42:ac:11:00:01");
    bridge.dirs = {"bridge"};
    bridge.devtype = "bridge";
    add_case(bridge, VESK_HOSTID_ITEM_LEFT_OUT, VESK_HOSTID_FLAG_BRIDGE | LA, "virtual",
             "a bridge");
    Interface vlan = interface_of("eth2.10", 32, "00:1b:21:00:00:05");
    vlan.devtype = "vlan";
    add_case(vlan, VESK_HOSTID_ITEM_LEFT_OUT, VESK_HOSTID_FLAG_VLAN, "virtual", "a VLAN");
    add_case(interface_of("veth1a2b", 33, "e6:11:22:33:44:55"), VESK_HOSTID_ITEM_LEFT_OUT, LA,
             "virtual", "no device link");
    Interface macvlan = interface_of("macvlan0", 34, "5a:00:00:00:00:34");
    macvlan.devtype = "macvlan";
    add_case(macvlan, VESK_HOSTID_ITEM_LEFT_OUT, LA, "virtual", "no device link");
    Interface tun = interface_of("tun0", 35, "00:00:00:00:00:00");
    tun.type = "65534";
    tun.dirs = {"tun_flags"};
    add_case(tun, VESK_HOSTID_ITEM_LEFT_OUT, 0, "virtual", "tun");
    add_case(interface_of("usb0", 6, "0a:3c:5e:00:00:06", "usb", "cdc_ether"),
             VESK_HOSTID_ITEM_IDENTIFIER, LA, "usb cdc_ether", "current address");
    Interface wifi =
        interface_of("wlp2s0", 7, "6a:1f:00:00:00:07", "pci", "iwlwifi", "8c:8d:28:00:00:07");
    wifi.dirs = {"wireless"};
    wifi.devtype = "wlan";
    add_case(wifi, VESK_HOSTID_ITEM_IDENTIFIER,
             VESK_HOSTID_FLAG_WIRELESS | VESK_HOSTID_FLAG_ADDRESS_DIFFERS, "pci iwlwifi",
             "permanent");
    add_case(interface_of("enp5s0", 8, "00:16:3e:99:99:99", "pci", "r8169", "00:e0:4c:00:00:08"),
             VESK_HOSTID_ITEM_IDENTIFIER, VESK_HOSTID_FLAG_ADDRESS_DIFFERS, "pci r8169",
             "not the current one");
    Interface vf = interface_of("enp1s0v0", 9, "02:09:00:00:00:09", "pci", "iavf");
    vf.physfn = true;
    add_case(vf, VESK_HOSTID_ITEM_IDENTIFIER, VESK_HOSTID_FLAG_VIRTUAL_FUNCTION | LA, "pci iavf",
             "no permanent one");
    add_case(
        interface_of("ens3", 2, "52:54:00:12:34:56", "virtio", "virtio_net", "52:54:00:12:34:56"),
        VESK_HOSTID_ITEM_IDENTIFIER, LA, "virtio virtio_net", "permanent address");
    add_case(interface_of("eth9", 10, "00:00:00:00:00:00", "pci", "broken"),
             VESK_HOSTID_ITEM_LEFT_OUT, 0, "pci broken", "all-zero");
    add_case(interface_of("eth8", 11, "ff:ff:ff:ff:ff:ff", "pci", "broken"),
             VESK_HOSTID_ITEM_LEFT_OUT, LA, "pci broken", "all-FF");
    Interface infiniband = interface_of("ib0", 12, "00:00:00:00:00:00", "pci", "mlx5_core");
    infiniband.type = "32";
    add_case(infiniband, VESK_HOSTID_ITEM_LEFT_OUT, 0, "pci mlx5_core", "type 32");
    Interface lo = interface_of("lo", 1, "00:00:00:00:00:00");
    lo.type = "772";
    add_case(lo, VESK_HOSTID_ITEM_LEFT_OUT, 0, "virtual", "loopback");
    return cases;
}

class ExplainAdapters : public ExplainTree {
  protected:
    void SetUp() override {
        ExplainTree::SetUp();
        for (const AdapterCase &c : adapter_cases()) {
            add(c.interface);
        }
    }
};

TEST_F(ExplainAdapters, EachEntryGivesItsItem) {
    std::vector<vesk_hostid_item> items = explain();
    for (const AdapterCase &c : adapter_cases()) {
        SCOPED_TRACE(c.interface.name);
        const vesk_hostid_item *item = named(items, c.interface.name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->what, c.what);
        EXPECT_EQ(item->flags, c.flags);
        EXPECT_STREQ(item->origin, c.origin);
        EXPECT_NE(strstr(item->reason, c.reason), nullptr) << item->reason;
        EXPECT_EQ(strlen(item->text), c.what == VESK_HOSTID_ITEM_IDENTIFIER ? 23u : 0u);
        if (c.what == VESK_HOSTID_ITEM_IDENTIFIER) {
            EXPECT_TRUE(is_stability_text(item->changes)) << item->changes;
        }
    }
}

TEST_F(ExplainAdapters, IdentifiersAreTheListsInLanaOrder) {
    std::vector<vesk_hostid_item> items = explain();
    std::vector<std::string> texts, names;
    for (const vesk_hostid_item &item : items) {
        if (item.what == VESK_HOSTID_ITEM_IDENTIFIER && item.kind == VESK_HOSTID_KIND_ADAPTER) {
            texts.push_back(item.text);
            names.push_back(item.name);
        }
    }
    EXPECT_EQ(texts, listed_adapters());
    /* By ifindex, not by name. */
    EXPECT_EQ(names, (std::vector<std::string>{"ens3", "eth0", "eth1", "usb0", "wlp2s0", "enp5s0",
                                               "enp1s0v0"}));
}

TEST_F(ExplainAdapters, RawShowsThePermanentAndTheCurrentAddress) {
    std::vector<vesk_hostid_item> items = explain(VESK_HOSTID_EXPLAIN_RAW);
    const vesk_hostid_item *moved = named(items, "enp5s0");
    ASSERT_NE(moved, nullptr);
    EXPECT_STREQ(moved->raw, "00:e0:4c:00:00:08 (current 00:16:3e:99:99:99)");
    const vesk_hostid_item *same = named(items, "ens3");
    ASSERT_NE(same, nullptr);
    EXPECT_STREQ(same->raw, "52:54:00:12:34:56");
    const vesk_hostid_item *veth = named(items, "veth1a2b");
    ASSERT_NE(veth, nullptr);
    EXPECT_STREQ(veth->raw, "e6:11:22:33:44:55");
    EXPECT_EQ(named(explain(), "enp5s0")->raw, nullptr);
}

class ExplainAdapterFaults : public ExplainTree {};

TEST_F(ExplainAdapterFaults, TheSameAddressTwiceIsOneIdentifier) {
    add(interface_of("eth0", 2, "00:1b:21:00:00:02", "pci", "e1000e", "00:1b:21:00:00:02"));
    add(interface_of("eth1", 3, "00:1b:21:00:00:09", "pci", "e1000e", "00:1b:21:00:00:02"));
    std::vector<vesk_hostid_item> items = explain();
    const vesk_hostid_item *first = named(items, "eth0");
    const vesk_hostid_item *second = named(items, "eth1");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->what, VESK_HOSTID_ITEM_IDENTIFIER);
    EXPECT_EQ(second->what, VESK_HOSTID_ITEM_LEFT_OUT);
    EXPECT_NE(strstr(second->reason, "the same address as eth0"), nullptr) << second->reason;
}

TEST_F(ExplainAdapterFaults, ARefusedQueryIsLeftOutAndTheSourceUnread) {
    add(interface_of("eth0", 2, "00:1b:21:00:00:02", "pci", "e1000e"));
    fake_drivers["eth0"] = FakeDriver{HOST_ANSWER_UNREADABLE, {}};
    std::vector<vesk_hostid_item> items = explain();
    const vesk_hostid_item *item = named(items, "eth0");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->what, VESK_HOSTID_ITEM_LEFT_OUT);
    EXPECT_NE(strstr(item->reason, "could not be asked"), nullptr) << item->reason;
    bool unread = false;
    for (const vesk_hostid_item &one : items) {
        unread |= one.what == VESK_HOSTID_ITEM_SOURCE && strcmp(one.name, "adapters") == 0 &&
                  strcmp(one.reason, "could not be read") == 0;
    }
    EXPECT_TRUE(unread);
}

TEST_F(ExplainAdapterFaults, NoPermanentAndNoCurrentAddressIsLeftOut) {
    add(interface_of("eth0", 2, "not an address", "pci", "e1000e"));
    const std::vector<vesk_hostid_item> items = explain();
    const vesk_hostid_item *item = named(items, "eth0");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->what, VESK_HOSTID_ITEM_LEFT_OUT);
    EXPECT_NE(strstr(item->reason, "no current address"), nullptr) << item->reason;
}

/* ---- The kind of host ---------------------------------------------------------- */

struct DmiCase {
    const char *label;
    const char *vendor;
    const char *product;
    const char *asset_tag;
    const char *hypervisor; /* the reason's start */
    const char *cloud;      /* null: no cloud item */
};

class ExplainDmi : public ExplainTree, public testing::WithParamInterface<DmiCase> {};

/* The host findings alone, as drafted. */
void host_findings(const LinuxHostPaths &paths, std::vector<ExplainEntry> *entries) {
    ExplainDraft draft = {nullptr, 0, 0, 0, false};
    linux_explain_host(&paths, &draft);
    EXPECT_FALSE(draft.lost);
    entries->assign(draft.entries, draft.entries + draft.count);
    explain_draft_free(&draft);
}

const ExplainEntry *finding(const std::vector<ExplainEntry> &entries, const char *name,
                            const std::string &origin) {
    for (const ExplainEntry &entry : entries) {
        EXPECT_EQ(entry.what, VESK_HOSTID_ITEM_HOST);
        if (strcmp(entry.name, name) == 0 && origin == entry.origin) {
            return &entry;
        }
    }
    return nullptr;
}

TEST_P(ExplainDmi, NamesTheHypervisorAndTheCloud) {
    const DmiCase &c = GetParam();
    ASSERT_EQ(mkdir(dmi.c_str(), 0755), 0);
    ASSERT_TRUE(write_text_file(dmi + "/sys_vendor", std::string(c.vendor) + "\n"));
    ASSERT_TRUE(write_text_file(dmi + "/product_name", std::string(c.product) + "\n"));
    ASSERT_TRUE(write_text_file(dmi + "/chassis_asset_tag", std::string(c.asset_tag) + "\n"));
    std::vector<ExplainEntry> entries;
    host_findings(paths, &entries);
    const ExplainEntry *hypervisor = finding(entries, "hypervisor", dmi);
    ASSERT_NE(hypervisor, nullptr);
    EXPECT_EQ(strncmp(hypervisor->reason, c.hypervisor, strlen(c.hypervisor)), 0)
        << hypervisor->reason;
    EXPECT_NE(strstr(hypervisor->reason, c.product), nullptr) << hypervisor->reason;
    for (const ExplainEntry &entry : entries) {
        EXPECT_TRUE(is_stability_text(entry.changes)) << entry.name << ": " << entry.changes;
    }
    const ExplainEntry *cloud = finding(entries, "cloud", dmi);
    if (c.cloud == nullptr) {
        EXPECT_EQ(cloud, nullptr) << cloud->reason;
    } else {
        ASSERT_NE(cloud, nullptr);
        EXPECT_EQ(strncmp(cloud->reason, c.cloud, strlen(c.cloud)), 0) << cloud->reason;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, ExplainDmi,
    testing::Values(
        DmiCase{"kvm", "QEMU", "Standard PC (Q35 + ICH9, 2009)", "", "KVM", nullptr},
        DmiCase{"vmware", "VMware, Inc.", "VMware Virtual Platform", "No Asset Tag", "VMware",
                nullptr},
        DmiCase{"hyperv", "Microsoft Corporation", "Virtual Machine", "None", "Hyper-V", nullptr},
        DmiCase{"azure", "Microsoft Corporation", "Virtual Machine",
                "7783-7084-3265-9085-8269-3286-77", "Hyper-V", "Microsoft Azure"},
        DmiCase{"azure_tag_elsewhere", "Microsoft Corporation", "Surface Laptop",
                "7783-7084-3265-9085-8269-3286-77", "none: bare metal", nullptr},
        DmiCase{"virtualbox", "innotek GmbH", "VirtualBox", "", "VirtualBox", nullptr},
        DmiCase{"xen", "Xen", "HVM domU", "", "Xen", nullptr},
        DmiCase{"ec2", "Amazon EC2", "m5.large", "Amazon EC2", "KVM", "Amazon EC2"},
        DmiCase{"ec2_metal", "Amazon EC2", "m5.metal", "Amazon EC2", "none: bare metal",
                "Amazon EC2"},
        DmiCase{"gce", "Google", "Google Compute Engine", "", "KVM", "Google Compute Engine"},
        DmiCase{"bare_metal", "Dell Inc.", "PowerEdge R640", "", "none: bare metal", nullptr}),
    [](const testing::TestParamInfo<DmiCase> &info) { return std::string(info.param.label); });

class ExplainHostMarks : public ExplainTree {};

TEST_F(ExplainHostMarks, NoDmiTablesNoDmiFinding) {
    paths.root_dir = root.c_str();
    std::vector<ExplainEntry> entries;
    host_findings(paths, &entries);
    EXPECT_EQ(finding(entries, "hypervisor", dmi), nullptr);
    EXPECT_EQ(finding(entries, "container", dmi), nullptr);
    for (const ExplainEntry &entry : entries) {
        EXPECT_STRNE(entry.name, "container");
        EXPECT_STRNE(entry.name, "wsl");
    }
}

TEST_F(ExplainHostMarks, AContainerByItsMarks) {
    paths.root_dir = root.c_str();
    ASSERT_TRUE(write_text_file(root + "/.dockerenv", ""));
    mkdirs(proc + "/1");
    ASSERT_TRUE(write_text_file(proc + "/1/cgroup", "0::/kubepods/besteffort/pod1234\n"));
    std::vector<ExplainEntry> entries;
    host_findings(paths, &entries);
    const ExplainEntry *container = finding(entries, "container", root + "/.dockerenv");
    ASSERT_NE(container, nullptr);
    EXPECT_NE(strstr(container->reason, "docker"), nullptr) << container->reason;
    EXPECT_NE(strstr(container->reason, "kubepods"), nullptr) << container->reason;
    EXPECT_TRUE(is_stability_text(container->changes)) << container->changes;
}

TEST_F(ExplainHostMarks, APodmanContainerAndAPlainCgroup) {
    paths.root_dir = root.c_str();
    mkdirs(root + "/run");
    ASSERT_TRUE(write_text_file(root + "/run/.containerenv", ""));
    mkdirs(proc + "/1");
    ASSERT_TRUE(write_text_file(proc + "/1/cgroup", "0::/init.scope\n"));
    std::vector<ExplainEntry> entries;
    host_findings(paths, &entries);
    const ExplainEntry *container = finding(entries, "container", root + "/run/.containerenv");
    ASSERT_NE(container, nullptr);
    EXPECT_STREQ(container->reason, "podman (/run/.containerenv)");
}

TEST_F(ExplainHostMarks, WslByItsKernel) {
    mkdirs(proc + "/sys/kernel");
    for (const char *release : {"5.15.153.1-microsoft-standard-WSL2", "4.4.0-19041-Microsoft"}) {
        ASSERT_TRUE(write_text_file(proc + "/sys/kernel/osrelease", std::string(release) + "\n"));
        std::vector<ExplainEntry> entries;
        host_findings(paths, &entries);
        const ExplainEntry *wsl = finding(entries, "wsl", proc + "/sys/kernel/osrelease");
        ASSERT_NE(wsl, nullptr) << release;
        EXPECT_NE(strstr(wsl->reason, release), nullptr);
        EXPECT_TRUE(is_stability_text(wsl->changes)) << wsl->changes;
    }
    ASSERT_TRUE(write_text_file(proc + "/sys/kernel/osrelease", "6.1.0-18-amd64\n"));
    std::vector<ExplainEntry> entries;
    host_findings(paths, &entries);
    EXPECT_EQ(finding(entries, "wsl", proc + "/sys/kernel/osrelease"), nullptr);
}

/* ---- The hosts file -------------------------------------------------------------- */

class ExplainHostsFile : public ExplainTree {};

TEST_F(ExplainHostsFile, OnlyALineGivingTheNameThatAddress) {
    ASSERT_TRUE(write_text_file(hosts, "127.0.0.1 localhost\n"
                                       "10.0.0.5\tother   MyHost.example MYHOST # comment\n"
                                       "#10.0.0.6 myhost\n"
                                       "10.0.0.7 myhost-two\n"
                                       "10.0.0.8 # myhost\n"));
    ExplainDraft draft = {nullptr, 0, 0, 0, false};
    const unsigned char addresses[][4] = {
        {10, 0, 0, 5}, {10, 0, 0, 6}, {10, 0, 0, 7}, {10, 0, 0, 8}};
    for (const auto &address : addresses) {
        ExplainEntry *entry =
            explain_add(&draft, VESK_HOSTID_ITEM_IDENTIFIER, VESK_HOSTID_KIND_IPV4);
        ASSERT_NE(entry, nullptr);
        memcpy(entry->raw_bytes, address, 4);
        entry->raw_length = 4;
        explain_put(entry->name, "myhost");
        explain_put(entry->origin, "the resolver");
    }
    linux_explain_hosts_file(&paths, &draft);
    std::vector<std::string> origins;
    for (size_t i = 0; i < draft.count; i++) {
        origins.push_back(draft.entries[i].origin);
    }
    explain_draft_free(&draft);
    EXPECT_EQ(origins,
              (std::vector<std::string>{hosts, "the resolver", "the resolver", "the resolver"}));
}

/* ---- The volume and this host ------------------------------------------------------- */

TEST(ExplainVolume, ToldAnswersAsTheSerialQuery) {
    for (const char *directory : {"/", "/tmp", "/proc", "/sys", "/dev", "/no/such/directory"}) {
        uint32_t serial = 1, told_serial = 2;
        LinuxVolumeAnswer told;
        HostAnswer answer = linux_volume_serial_at(directory, &serial);
        EXPECT_EQ(linux_volume_serial_told(directory, &told_serial, &told), answer) << directory;
        EXPECT_EQ(told_serial, serial) << directory;
        if (answer == HOST_ANSWER_FOUND) {
            EXPECT_NE(told.query, LINUX_VOLUME_NO_QUERY) << directory;
        }
    }
}

/* The rows stand at their own index, each in a table, with a "changes"
 * text of its own: a text two rows shared would say nothing of which. */
TEST(StabilityRows, EachAtItsIndexWithATextOfItsOwn) {
    for (int i = 0; i < STABILITY_CASES; i++) {
        const StabilityRow &row = stability_rows[i];
        EXPECT_EQ(row.which, i);
        EXPECT_NE(strchr("HMIK", row.table), nullptr) << i;
        EXPECT_NE(row.changes[0], '\0') << i;
        EXPECT_EQ(row.table == 'K', row.keeps[0] == '\0') << i;
        EXPECT_STREQ(stability_changes((StabilityCase)i), row.changes);
        for (int j = 0; j < i; j++) {
            EXPECT_STRNE(stability_rows[j].changes, row.changes) << j << " and " << i;
        }
    }
    EXPECT_STREQ(stability_changes(STABILITY_CASES), "");
}

TEST(ExplainThisHost, IdentifiersAreTheListsEntries) {
    vesk_hostid *ids = nullptr;
    size_t id_count = 0;
    vesk_hostid_item *items = nullptr;
    size_t item_count = 0;
    ASSERT_EQ(vesk_hostid_explain(VESK_HOSTID_EXPLAIN_RAW, &items, &item_count), SUCCESS);
    int listed = vesk_hostid_list(VESK_HOSTID_ALL, &ids, &id_count);
    std::vector<std::string> explained, expected;
    for (size_t i = 0; i < item_count; i++) {
        if (items[i].what == VESK_HOSTID_ITEM_IDENTIFIER) {
            explained.push_back(std::string(1, items[i].letter) + ":" + items[i].text);
            EXPECT_NE(items[i].name[0], '\0') << explained.back();
            EXPECT_NE(items[i].raw, nullptr);
        }
        if (items[i].what == VESK_HOSTID_ITEM_IDENTIFIER ||
            items[i].what == VESK_HOSTID_ITEM_HOST) {
            EXPECT_TRUE(is_stability_text(items[i].changes))
                << items[i].name << ": " << items[i].changes;
        }
    }
    for (size_t i = 0; i < id_count; i++) {
        expected.push_back(std::string(1, ids[i].letter) + ":" + ids[i].text);
    }
    if (listed == SUCCESS) {
        EXPECT_EQ(explained, expected);
    }
    const vesk_hostid_item *volume = nullptr;
    for (size_t i = 0; i < item_count; i++) {
        if (items[i].kind == VESK_HOSTID_KIND_VOLUME && items[i].what != VESK_HOSTID_ITEM_SOURCE) {
            volume = &items[i];
        }
    }
    ASSERT_NE(volume, nullptr) << "the volume is an identifier or left out";
    EXPECT_STREQ(volume->name, "/");
    EXPECT_NE(strstr(volume->origin, " on / of "), nullptr) << volume->origin;
    vesk_hostid_list_free(ids);
    vesk_hostid_explain_free(items);
}

TEST(ExplainThisHost, NullPointersFail) {
    vesk_hostid_item *items = nullptr;
    size_t count = 3;
    EXPECT_EQ(vesk_hostid_explain(0, nullptr, &count), FAILURE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(vesk_hostid_explain(0, &items, nullptr), FAILURE);
    EXPECT_EQ(items, nullptr);
    vesk_hostid_explain_free(nullptr);
}

} // namespace
