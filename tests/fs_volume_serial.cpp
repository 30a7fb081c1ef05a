/* The volume serial on real filesystems: ext4, xfs and btrfs made with a fixed
 * UUID in an image file, attached to loop devices and mounted.  The serial
 * must be the UUID's fold, the same from another loop device (xfs's own
 * filesystem id is the device number) and from a btrfs subvolume (btrfs's id
 * mixes the subvolume in).  tmpfs and overlay publish no UUID: their serial is
 * their filesystem id's fold, whatever that is.
 *
 * Needs root: it makes loop devices and mounts.  Everything it attaches and
 * mounts is undone when each test ends, and its files live in one temporary
 * directory.  Without root or loop devices it fails and says why. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform_linux.h"

namespace {

#define FIXED_UUID "5f3a9c2e-7b41-4d08-a6e3-19c0f2b8d475"
const uint32_t fixed_uuid_fold = 0x931c2070; /* worked out by hand */

struct Filesystem {
    const char *name;
    const char *mkfs; /* followed by the image's path */
};

void PrintTo(const Filesystem &fs, std::ostream *out) {
    *out << fs.name;
}

/* Runs a shell command; its status and merged output. */
struct Shell {
    int status;
    std::string out;
};

Shell shell(const std::string &command) {
    Shell result{-1, ""};
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char block[1024];
    for (size_t got; (got = fread(block, 1, sizeof block, pipe)) > 0;) {
        result.out.append(block, got);
    }
    result.status = pclose(pipe);
    return result;
}

std::string hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%08x", value);
    return text;
}

class MountedVolume : public testing::Test {
  protected:
    std::string dir, image, mnt;
    std::vector<std::string> devices; /* attached loop devices, to detach */
    std::vector<std::string> mounts;  /* mounted points, innermost last */

    void SetUp() override {
        ASSERT_EQ(geteuid(), 0u) << "needs root: it attaches loop devices and mounts filesystems";
        char pattern[] = "/tmp/vesk-volume-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        image = dir + "/image";
        mnt = dir + "/mnt";
        must("mkdir '" + mnt + "'");
    }

    void TearDown() override {
        while (!mounts.empty()) {
            shell("umount '" + mounts.back() + "'");
            mounts.pop_back();
        }
        for (const std::string &device : devices) {
            shell("losetup -d " + device);
        }
        if (!dir.empty()) {
            shell("rm -rf '" + dir + "'");
        }
    }

    /* Runs a command that must succeed; its output without the line end. */
    std::string must(const std::string &command) {
        Shell run = shell(command);
        EXPECT_EQ(run.status, 0) << command << "\n" << run.out;
        while (!run.out.empty() && run.out.back() == '\n') {
            run.out.pop_back();
        }
        return run.out;
    }

    std::string attach() {
        std::string device = must("losetup --find --show '" + image + "'");
        if (device.rfind("/dev/loop", 0) != 0) {
            ADD_FAILURE() << "no loop device could be had: " << device;
            return "";
        }
        devices.push_back(device);
        return device;
    }

    void detach(const std::string &device) {
        must("losetup -d " + device);
        devices.erase(std::find(devices.begin(), devices.end(), device));
    }

    void mount(const std::string &what, const std::string &options = "") {
        must("mount " + options + " " + what + " '" + mnt + "'");
        mounts.push_back(mnt);
    }

    void umount() {
        must("umount '" + mnt + "'");
        mounts.pop_back();
    }

    uint32_t serial() {
        uint32_t value = 0;
        EXPECT_EQ(linux_volume_serial_at(mnt.c_str(), &value), 1);
        return value;
    }

    uint32_t fsid_fold() {
        uint32_t value = 0;
        EXPECT_EQ(linux_fsid_fold(mnt.c_str(), &value), 1);
        return value;
    }

    /* The UUID fold from one query alone; 0 when that query gives none. */
    uint32_t uuid_fold_from(int (*query)(int, unsigned char[16])) {
        int fd = open(mnt.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        unsigned char uuid[16];
        int found = fd >= 0 && query(fd, uuid);
        if (fd >= 0) {
            close(fd);
        }
        return found ? linux_uuid_fold(uuid) : 0;
    }

    void report(const std::string &what, uint32_t value) {
        RecordProperty(what, hex(value));
        printf("    %-40s %s\n", what.c_str(), hex(value).c_str());
    }
};

class FixedUuidVolume : public MountedVolume, public testing::WithParamInterface<Filesystem> {
  protected:
    void SetUp() override {
        MountedVolume::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        must("truncate -s 320M '" + image + "'");
        must(std::string(GetParam().mkfs) + " '" + image + "'");
    }
};

/* The serial is the UUID's fold, and moving the image to another loop
 * device (another device number) does not change it. */
TEST_P(FixedUuidVolume, SerialIsTheUuidFoldFromAnyLoopDevice) {
    std::string first = attach();
    ASSERT_FALSE(HasFailure());
    mount(first);
    ASSERT_FALSE(HasFailure());
    uint32_t on_first = serial();
    EXPECT_EQ(on_first, fixed_uuid_fold);
    report(std::string(GetParam().name) + " serial from " + first, on_first);
    report(std::string(GetParam().name) + " fsid fold from " + first, fsid_fold());

    /* Each query that answers gives the same UUID. */
    uint32_t kernel = uuid_fold_from(linux_uuid_from_kernel);
    uint32_t own = uuid_fold_from(linux_uuid_from_filesystem);
    EXPECT_TRUE(kernel == 0 || kernel == fixed_uuid_fold) << hex(kernel);
    if (std::string(GetParam().name) != "ext4") {
        /* On a kernel without the generic query, xfs and btrfs still answer. */
        EXPECT_EQ(own, fixed_uuid_fold);
    }
    umount();

    std::string second = attach(); /* the first is still attached: another device */
    ASSERT_FALSE(HasFailure());
    EXPECT_NE(first, second);
    detach(first);
    mount(second);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(serial(), on_first);
    report(std::string(GetParam().name) + " serial from " + second, serial());
    report(std::string(GetParam().name) + " fsid fold from " + second, fsid_fold());
}

const Filesystem ext4 = {"ext4", "mkfs.ext4 -q -F -U " FIXED_UUID};
const Filesystem xfs = {"xfs", "mkfs.xfs -q -f -m uuid=" FIXED_UUID};
const Filesystem btrfs = {"btrfs", "mkfs.btrfs -q -f -U " FIXED_UUID};

INSTANTIATE_TEST_SUITE_P(Filesystems, FixedUuidVolume, testing::Values(ext4, xfs, btrfs),
                         [](const testing::TestParamInfo<Filesystem> &info) {
                             return std::string(info.param.name);
                         });

/* A btrfs subvolume mounted as the root gives the top subvolume's serial,
 * though its filesystem id differs: a rollback of the root subvolume keeps
 * the serial. */
class BtrfsVolume : public FixedUuidVolume {};

TEST_P(BtrfsVolume, SubvolumeGivesTheSerialOfTheWholeFilesystem) {
    std::string device = attach();
    ASSERT_FALSE(HasFailure());
    mount(device);
    ASSERT_FALSE(HasFailure());
    uint32_t top = serial();
    report("btrfs top subvolume serial", top);
    report("btrfs top subvolume fsid fold", fsid_fold());
    must("btrfs -q subvolume create '" + mnt + "/root'");
    umount();
    mount(device, "-o subvol=root");
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(serial(), top);
    EXPECT_EQ(serial(), fixed_uuid_fold);
    report("btrfs subvolume root serial", serial());
    report("btrfs subvolume root fsid fold", fsid_fold());
}

INSTANTIATE_TEST_SUITE_P(Filesystems, BtrfsVolume, testing::Values(btrfs),
                         [](const testing::TestParamInfo<Filesystem> &info) {
                             return std::string(info.param.name);
                         });

/* An ext4 whose UUID is all zeros publishes none: the serial falls back to
 * the filesystem id's fold. */
TEST_F(MountedVolume, ZeroUuidFallsBackToTheFilesystemId) {
    must("truncate -s 64M '" + image + "'");
    must("mkfs.ext4 -q -F -U clear '" + image + "'");
    mount("-o loop '" + image + "'");
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(uuid_fold_from(linux_uuid_from_kernel), 0u);
    EXPECT_EQ(serial(), fsid_fold());
    report("ext4 without UUID serial", serial());
}

/* tmpfs and overlay publish no UUID; their serial is their filesystem id's
 * fold, printed so that the documentation can say what it is.  An overlay
 * mounted again over the same layers gives the same one. */
TEST_F(MountedVolume, TmpfsAndOverlayGiveTheirFilesystemIdFold) {
    mount("-t tmpfs vesk-tmpfs");
    ASSERT_FALSE(HasFailure());
    uint32_t first = serial();
    EXPECT_EQ(first, fsid_fold());
    report("tmpfs serial", first);
    umount();
    mount("-t tmpfs vesk-tmpfs");
    ASSERT_FALSE(HasFailure());
    report("tmpfs serial, mounted again", serial());

    must("mkdir '" + mnt + "/lower' '" + mnt + "/upper' '" + mnt + "/work' '" + dir + "/merged'");
    std::string saved = mnt;
    mnt = dir + "/merged";
    uint32_t overlay = 0;
    for (int round = 0; round < 2; round++) { /* the same layers, mounted again */
        mount("-t overlay vesk-overlay -o lowerdir=" + saved + "/lower,upperdir=" + saved +
              "/upper,workdir=" + saved + "/work");
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(serial(), fsid_fold());
        EXPECT_TRUE(round == 0 || serial() == overlay);
        overlay = serial();
        report("overlay on tmpfs serial", overlay);
        umount();
    }
    mnt = saved;
}

} // namespace
