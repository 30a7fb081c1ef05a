/* The volume serial on real filesystems: ext4, xfs and btrfs made with a fixed
 * UUID in an image file, attached to loop devices and mounted.  The serial
 * must be the UUID's fold, the same from another loop device (xfs's own
 * filesystem id is the device number) and from a btrfs subvolume (btrfs's id
 * mixes the subvolume in).  tmpfs and overlay publish no UUID: their serial is
 * their filesystem id's fold, whatever that is.  Read-only images packed from
 * a tree (squashfs, erofs) and ramfs, whose id is a device number, give none,
 * mounted or as the root of a mount namespace; an erofs image with a UUID
 * gives that UUID's fold.
 *
 * Needs root: it makes loop devices and mounts.  Everything it attaches and
 * mounts is undone when each test ends, and its files live in one temporary
 * directory.  Without root or loop devices it fails and says why. */
#include <fcntl.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <errno.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "adapters_linux.h"
#include "platform_linux.h"
#include "volume_linux.h"
#include "scratch_dir.h"

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
        dir = make_scratch_dir("vesk-volume");
        ASSERT_NE(dir, "");
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
            remove_scratch_dir(dir);
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

    /* btrfs is told to forget the device too: a filesystem whose UUID it
     * still knows from a device no longer there is mounted under a
     * temporary UUID of its own (the kernel's clone handling since 6.7),
     * which is another serial. */
    void detach(const std::string &device) {
        must("losetup -d " + device);
        shell("btrfs device scan --forget >/dev/null 2>&1");
        devices.erase(std::find(devices.begin(), devices.end(), device));
    }

    /* A loop device detached a moment ago may still be on its way out, and
     * btrfs may still have it as the device of the image's filesystem (the
     * UUID): a mount that fails is tried again, twice, after btrfs is told
     * to forget the devices no longer there.  The last failure is the
     * test's, with mount's message. */
    void mount(const std::string &what, const std::string &options = "") {
        const std::string command = "mount " + options + " " + what + " '" + mnt + "'";
        for (int tries = 1; tries < 3 && shell(command).status != 0; tries++) {
            shell("btrfs device scan --forget >/dev/null 2>&1; sleep 0.2");
        }
        if (shell("mountpoint -q '" + mnt + "'").status != 0) {
            must(command);
        }
        mounts.push_back(mnt);
    }

    void umount() {
        must("umount '" + mnt + "'");
        mounts.pop_back();
    }

    uint32_t serial() {
        uint32_t value = 0;
        EXPECT_EQ(linux_volume_serial_at(mnt.c_str(), &value), HOST_ANSWER_FOUND);
        return value;
    }

    /* What the serial query answers at the mount point: {result, serial}. */
    std::pair<int, uint32_t> answer() {
        std::pair<int, uint32_t> got(0, 1);
        got.first = linux_volume_serial_at(mnt.c_str(), &got.second);
        return got;
    }

    uint32_t fsid_fold() {
        uint32_t value = 0;
        EXPECT_EQ(linux_fsid_fold(mnt.c_str(), &value), SUCCESS);
        return value;
    }

    /* The UUID fold from one query alone; 0 when that query gives none. */
    uint32_t uuid_fold_from(bool (*query)(int, unsigned char[16])) {
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

/* A copy of a btrfs disk attached and mounted beside the original (a cloned
 * disk, a backup image) is mounted by newer kernels under a temporary UUID,
 * another at each mount.  Its serial stays that of the UUID it was made
 * with, mount after mount, and the original's does not move. */
TEST_P(BtrfsVolume, CloneBesideItsOriginalKeepsTheSerialOfItsOwnUuid) {
    std::string original = attach();
    ASSERT_FALSE(HasFailure());
    mount(original);
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(serial(), fixed_uuid_fold);
    const std::string clone_image = dir + "/clone", clone_mnt = dir + "/clone-mnt";
    must("cp --sparse=always '" + image + "' '" + clone_image + "'");
    must("mkdir '" + clone_mnt + "'");
    std::string clone = must("losetup --find --show '" + clone_image + "'");
    ASSERT_EQ(clone.rfind("/dev/loop", 0), 0u) << clone;
    devices.push_back(clone);
    struct utsname kernel;
    ASSERT_EQ(uname(&kernel), 0);
    int major = 0, minor = 0;
    sscanf(kernel.release, "%d.%d", &major, &minor);
    for (int round = 0; round < 2; round++) {
        must("mount " + clone + " '" + clone_mnt + "'");
        mounts.push_back(clone_mnt);
        int fd = open(clone_mnt.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        unsigned char told[16];
        bool answered = linux_uuid_from_filesystem(fd, told);
        close(fd);
        ASSERT_TRUE(answered);
        if (major > 6 || (major == 6 && minor >= 7)) {
            /* the case is met: the kernel answers another UUID for the clone */
            EXPECT_NE(linux_uuid_fold(told), fixed_uuid_fold) << kernel.release;
        }
        report("btrfs clone's answered UUID fold", linux_uuid_fold(told));
        uint32_t value = 0;
        EXPECT_EQ(linux_volume_serial_at(clone_mnt.c_str(), &value), HOST_ANSWER_FOUND);
        EXPECT_EQ(value, fixed_uuid_fold) << "round " << round;
        EXPECT_EQ(serial(), fixed_uuid_fold) << "the original, round " << round;
        must("umount '" + clone_mnt + "'");
        mounts.pop_back();
    }
}

INSTANTIATE_TEST_SUITE_P(Filesystems, BtrfsVolume, testing::Values(btrfs),
                         [](const testing::TestParamInfo<Filesystem> &info) {
                             return std::string(info.param.name);
                         });

/* An ext4 whose UUID is all zeros publishes none, and its filesystem id is
 * the fold of those zeros: no serial at all, rather than the one serial that
 * every such machine would share. */
TEST_F(MountedVolume, ZeroUuidGivesNoSerial) {
    must("truncate -s 64M '" + image + "'");
    must("mkfs.ext4 -q -F -U clear '" + image + "'");
    mount("-o loop '" + image + "'");
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(uuid_fold_from(linux_uuid_from_kernel), 0u);
    EXPECT_EQ(fsid_fold(), 0u);
    uint32_t value = 1;
    EXPECT_EQ(linux_volume_serial_at(mnt.c_str(), &value), HOST_ANSWER_NONE);
    EXPECT_EQ(value, 0u);
}

/* tmpfs publishes a UUID of its own, new at every mount; its filesystem id
 * is that UUID's fold. */
TEST_F(MountedVolume, TmpfsGivesItsUuidFold) {
    mount("-t tmpfs vesk-tmpfs");
    ASSERT_FALSE(HasFailure());
    uint32_t first = serial();
    EXPECT_EQ(first, fsid_fold());
    report("tmpfs serial", first);
    umount();
    mount("-t tmpfs vesk-tmpfs");
    ASSERT_FALSE(HasFailure());
    report("tmpfs serial, mounted again", serial());
}

/* An overlay over the fixed-UUID ext4: by default it has a UUID of its own,
 * kept with its upper directory, so mounting the same layers again gives
 * the same serial and a new upper directory (a container made anew from
 * the same image) a new one; with uuid=off or uuid=null it gives the serial
 * of the filesystem that holds the upper directory. */
class OverlayVolume : public MountedVolume {
  protected:
    std::string merged;

    void SetUp() override {
        MountedVolume::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        must("truncate -s 64M '" + image + "'");
        must("mkfs.ext4 -q -F -U " FIXED_UUID " '" + image + "'");
        mount("-o loop '" + image + "'");
        merged = dir + "/merged";
        must("mkdir '" + mnt + "/lower' '" + merged + "'");
    }

    /* The serial of an overlay over the lower layer and the named upper
     * directory (made when missing), mounted for the call only. */
    uint32_t overlay_serial(const std::string &upper, const std::string &options = "") {
        must("mkdir -p '" + mnt + "/" + upper + "' '" + mnt + "/work-" + upper + "'");
        must("mount -t overlay vesk-overlay -o lowerdir=" + mnt + "/lower,upperdir=" + mnt + "/" +
             upper + ",workdir=" + mnt + "/work-" + upper + options + " '" + merged + "'");
        mounts.push_back(merged);
        uint32_t value = 0;
        EXPECT_EQ(linux_volume_serial_at(merged.c_str(), &value), HOST_ANSWER_FOUND)
            << upper << options;
        uint32_t fold = 0;
        EXPECT_EQ(linux_fsid_fold(merged.c_str(), &fold), SUCCESS);
        EXPECT_EQ(value, fold) << "the filesystem id is the UUID's fold here too";
        must("umount '" + merged + "'");
        mounts.pop_back();
        return value;
    }
};

TEST_F(OverlayVolume, SameUpperSameSerialNewUpperNewSerialUuidOffTheUppersSerial) {
    ASSERT_FALSE(HasFailure());
    uint32_t first = overlay_serial("upper");
    report("overlay serial", first);
    EXPECT_EQ(overlay_serial("upper"), first) << "the same layers mounted again";
    EXPECT_NE(overlay_serial("upper2"), first) << "a new upper directory";
    EXPECT_NE(first, fixed_uuid_fold);
    EXPECT_EQ(overlay_serial("upper3", ",uuid=off"), fixed_uuid_fold);
    EXPECT_EQ(overlay_serial("upper4", ",uuid=null"), fixed_uuid_fold);
}

/* ---- Where the UUID cannot be asked for -------------------------------------- */

/* The serial of directory as another process finds it: one that runs as
 * nobody, one without a free descriptor, or one that asks for "/" after
 * making directory the root of a private mount namespace of its own (as a
 * system booted from an image sees it).  {result, serial}, or {-1, 0} when
 * the child could not be set up. */
std::pair<int, uint32_t> serial_in_child(const std::string &directory, bool as_nobody,
                                         bool no_descriptor, bool as_root = false) {
    int channel[2];
    if (pipe(channel) != 0) {
        return {-1, 0};
    }
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (as_root && (unshare(CLONE_NEWNS) != 0 ||
                        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                        chroot(directory.c_str()) != 0 || chdir("/") != 0)) {
            fprintf(stderr, "%s as the root of a mount namespace: %s\n", directory.c_str(),
                    strerror(errno));
            _exit(1);
        }
        if (as_nobody && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(1);
        }
        struct rlimit limit = {32, 32};
        if (no_descriptor && setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            _exit(1);
        }
        while (no_descriptor && dup(channel[1]) >= 0) {
        }
        if (no_descriptor && errno != EMFILE) {
            _exit(1);
        }
        uint32_t answer[2] = {0, 0};
        answer[0] = (uint32_t)linux_volume_serial_at(as_root ? "/" : directory.c_str(), &answer[1]);
        _exit(write(channel[1], answer, sizeof answer) == sizeof answer ? 0 : 1);
    }
    close(channel[1]);
    uint32_t answer[2] = {0, 0};
    ssize_t got = child > 0 ? read(channel[0], answer, sizeof answer) : -1;
    close(channel[0]);
    int status = 0;
    if (child > 0) {
        waitpid(child, &status, 0);
    }
    if (got != (ssize_t)sizeof answer || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {-1, 0};
    }
    return {(int)answer[0], answer[1]};
}

/* A root that this user cannot open (mode 0711), or no free descriptor: the
 * UUID is asked of another file of the same filesystem; where none can be
 * opened, ext4's filesystem id (its UUID's fold) serves, but on xfs and
 * btrfs, whose id is not, the serial is one that could not be read: never a
 * different one, and never "none". */
class UnaskedVolume : public FixedUuidVolume {};

TEST_P(UnaskedVolume, SameSerialOrNoneNeverAnother) {
    const bool id_is_the_fold = std::string(GetParam().name) == "ext4";
    std::string device = attach();
    ASSERT_FALSE(HasFailure());
    mount(device);
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(serial(), fixed_uuid_fold);
    must("chmod 0755 '" + dir + "' && chmod 0711 '" + mnt + "'"); /* nobody may pass, not read */

    /* Nothing below the root can be opened either. */
    auto unreadable = serial_in_child(mnt, true, false);
    auto starved = serial_in_child(mnt, false, true);
    for (auto answer : {unreadable, starved}) {
        ASSERT_NE(answer.first, -1) << "the child could not be set up";
        if (id_is_the_fold) {
            EXPECT_EQ(answer, std::make_pair((int)HOST_ANSWER_FOUND, fixed_uuid_fold));
        } else {
            EXPECT_EQ(answer, std::make_pair((int)HOST_ANSWER_UNREADABLE, 0u))
                << hex(answer.second);
        }
    }

    /* A readable directory and file of the same filesystem below it. */
    must("mkdir -m 0755 '" + mnt + "/etc' && echo x > '" + mnt + "/etc/passwd'");
    EXPECT_EQ(serial_in_child(mnt, true, false),
              std::make_pair((int)HOST_ANSWER_FOUND, fixed_uuid_fold));
    must("chmod 0711 '" + mnt + "/etc'");
    EXPECT_EQ(serial_in_child(mnt, true, false),
              std::make_pair((int)HOST_ANSWER_FOUND, fixed_uuid_fold))
        << "from the world-readable file alone";
}

INSTANTIATE_TEST_SUITE_P(Filesystems, UnaskedVolume, testing::Values(ext4, xfs, btrfs),
                         [](const testing::TestParamInfo<Filesystem> &info) {
                             return std::string(info.param.name);
                         });

/* ---- Images that many machines boot from ------------------------------------- */

/* A read-only image packed from a directory tree, as live and embedded
 * systems boot from.  Without a UUID its filesystem id is the number of the
 * loop device it is read from: every machine booted from such an image, and
 * any other image read from the same device, would share that serial.  So
 * there is none; an image with a UUID gives that UUID's fold. */
struct PackedImage {
    const char *name;
    const char *pack;  /* "{tree}" and "{image}" stand for their paths */
    uint32_t expected; /* the serial, 0 for none */
};

void PrintTo(const PackedImage &image, std::ostream *out) {
    *out << image.name;
}

class PackedImageVolume : public MountedVolume, public testing::WithParamInterface<PackedImage> {
  protected:
    /* Two trees that differ in every file, to pack one at a time. */
    void SetUp() override {
        MountedVolume::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        must("mkdir -p '" + dir + "/one/etc' '" + dir + "/two/usr/lib'");
        must("echo one > '" + dir + "/one/etc/hostname'");
        must("echo two > '" + dir + "/two/usr/lib/os-release'");
    }

    /* Packs tree into the image, attaches it and mounts it read-only: the
     * device, or "" with the reason as a failure. */
    std::string mount_packed(const std::string &tree) {
        std::string command = GetParam().pack;
        for (auto place : {std::make_pair(std::string("{tree}"), dir + "/" + tree),
                           std::make_pair(std::string("{image}"), image)}) {
            command.replace(command.find(place.first), place.first.size(),
                            "'" + place.second + "'");
        }
        if (!succeeds("rm -f '" + image + "' && " + command)) {
            return "";
        }
        std::string device = attach();
        if (device.empty() || !succeeds("mount -o ro " + device + " '" + mnt + "'")) {
            return "";
        }
        mounts.push_back(mnt);
        return device;
    }

    bool succeeds(const std::string &command) {
        Shell run = shell(command);
        if (run.status != 0) {
            ADD_FAILURE() << command << "\n" << run.out;
        }
        return run.status == 0;
    }
};

/* Both trees are read from the same loop device, as on every machine that
 * boots an image from its first loop device. */
TEST_P(PackedImageVolume, TwoTreesFromOneLoopDeviceMountedAndAsTheRoot) {
    const std::pair<int, uint32_t> expected(
        GetParam().expected != 0 ? HOST_ANSWER_FOUND : HOST_ANSWER_NONE, GetParam().expected);
    for (const char *tree : {"one", "two"}) {
        SCOPED_TRACE(tree);
        std::string device = mount_packed(tree);
        ASSERT_NE(device, "") << "the image could not be packed and mounted";
        report(std::string(GetParam().name) + " " + tree + " fsid fold from " + device,
               fsid_fold());
        EXPECT_EQ(uuid_fold_from(linux_uuid_from_kernel), GetParam().expected);

        EXPECT_EQ(answer(), expected) << hex(answer().second);
        auto as_root = serial_in_child(mnt, false, false, true);
        ASSERT_NE(as_root.first, -1) << "the child could not be set up (its reason is above)";
        EXPECT_EQ(as_root, expected) << hex(as_root.second);
        umount();
        detach(device);
    }
}

const PackedImage squashfs = {"squashfs", "mksquashfs {tree} {image} -quiet -no-progress", 0};
const PackedImage erofs_zero_uuid = {
    "erofs_zero_uuid", "mkfs.erofs -U 00000000-0000-0000-0000-000000000000 {image} {tree}", 0};
/* The kernel (6.18 measured) publishes an erofs image's UUID through the
 * generic query. */
const PackedImage erofs_uuid = {"erofs_uuid", "mkfs.erofs -U " FIXED_UUID " {image} {tree}",
                                fixed_uuid_fold};

INSTANTIATE_TEST_SUITE_P(Images, PackedImageVolume,
                         testing::Values(squashfs, erofs_zero_uuid, erofs_uuid),
                         [](const testing::TestParamInfo<PackedImage> &info) {
                             return std::string(info.param.name);
                         });

/* ramfs, on which a system can run from its initramfs, has no UUID; its id
 * is the number the kernel gave the mount, which the next machine to mount
 * in the same order gets too.  No serial, mounted or as the root. */
TEST_F(MountedVolume, RamfsGivesNoSerial) {
    mount("-t ramfs vesk-ramfs");
    ASSERT_FALSE(HasFailure());
    must("mkdir '" + mnt + "/etc' && echo x > '" + mnt + "/etc/passwd'");
    report("ramfs fsid fold", fsid_fold());
    EXPECT_EQ(answer(), std::make_pair((int)HOST_ANSWER_NONE, 0u)) << hex(answer().second);
    auto as_root = serial_in_child(mnt, false, false, true);
    ASSERT_NE(as_root.first, -1) << "the child could not be set up (its reason is above)";
    EXPECT_EQ(as_root, std::make_pair((int)HOST_ANSWER_NONE, 0u)) << hex(as_root.second);
}

} // namespace
