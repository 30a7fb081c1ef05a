/*
 * volume_linux.cpp - the volume serial number of "C:\", answered by Linux:
 * the root filesystem's UUID folded to 32 bits.
 *
 * The serial follows the filesystem, not the device it sits on: xfs reports
 * the block device number as its filesystem id and btrfs mixes in the
 * subvolume, so the id alone would change when the same disk comes up in
 * another slot or the root subvolume is rolled back.  The UUID does not.  So
 * where the UUID cannot be asked for (the root is not readable by this user,
 * no descriptor is free), another file of the same filesystem is asked
 * instead.  Where no UUID can be had, the filesystem id serves only on the
 * filesystems whose id is their UUID's fold (ext4, tmpfs, overlay): the same
 * machine never gives two different serials.  Elsewhere there is no serial:
 * the roots that live and image-booted systems run from (squashfs, erofs
 * without a UUID, iso9660, NFS) have an id that is a device number, the
 * same on every machine booted from the same image, and a serial that many
 * machines share identifies none.  A serial of 0 is none: every machine
 * whose filesystem has no UUID would share it.
 */
/* 64-bit file offsets and inode numbers on 32-bit builds too: statfs must
 * not fail with EOVERFLOW on a large or xfs filesystem. */
#define _FILE_OFFSET_BITS 64

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include "volume_linux.h"

/* The generic UUID query of Linux 6.5 and later.  Older kernel headers (6.1,
 * as in Debian 12) lack it, so it is declared here from its numbers. */
struct vesk_fsuuid2 {
    uint8_t len;
    uint8_t uuid[16];
};
#define VESK_FS_IOC_GETFSUUID _IOR(0x15, 0, struct vesk_fsuuid2)

/* btrfs's own filesystem information, unprivileged on every kernel; fsid is
 * the filesystem UUID, the same for every subvolume.  Asked with the
 * metadata flag (Linux 5.5 and later; older kernels leave flags at 0), it
 * also gives the UUID the superblocks are stamped with. */
struct vesk_btrfs_fs_info_args {
    uint64_t max_id;
    uint64_t num_devices;
    uint8_t fsid[16];
    uint32_t nodesize, sectorsize, clone_alignment;
    uint16_t csum_type, csum_size;
    uint64_t flags;
    uint64_t generation;
    uint8_t metadata_uuid[16];
    uint8_t reserved[944];
};
#define VESK_BTRFS_IOC_FS_INFO _IOR(0x94, 31, struct vesk_btrfs_fs_info_args)
#define VESK_BTRFS_FS_INFO_FLAG_METADATA_UUID (1u << 2)
#define VESK_BTRFS_SUPER_MAGIC 0x9123683E

/* btrfs's feature flags, unprivileged; the incompatible flag below marks a
 * filesystem whose UUID was changed without rewriting its metadata. */
struct vesk_btrfs_feature_flags {
    uint64_t compat_flags, compat_ro_flags, incompat_flags;
};
#define VESK_BTRFS_IOC_GET_FEATURES _IOR(0x94, 57, struct vesk_btrfs_feature_flags)
#define VESK_BTRFS_FEATURE_INCOMPAT_METADATA_UUID (1ull << 10)

/* xfs's first geometry query, unprivileged on every kernel.  Its size (and
 * so the request number) differs between 32-bit and 64-bit builds, as the
 * kernel's own declaration does; the kernel answers both. */
struct vesk_xfs_fsop_geom_v1 {
    uint32_t blocksize, rtextsize, agblocks, agcount, logblocks, sectsize, inodesize, imaxpct;
    uint64_t datablocks, rtblocks, rtextents, logstart;
    uint8_t uuid[16];
    uint32_t sunit, swidth;
    int32_t version;
    uint32_t flags, logsectsize, rtsectsize, dirblocksize;
};
#define VESK_XFS_IOC_FSGEOMETRY_V1 _IOR('X', 100, struct vesk_xfs_fsop_geom_v1)
#define VESK_XFS_SUPER_MAGIC 0x58465342

static_assert(sizeof(struct vesk_fsuuid2) == 17, "fsuuid2 is 17 bytes");
static_assert(sizeof(struct vesk_btrfs_fs_info_args) == 1024, "btrfs fs info is 1024 bytes");
static_assert(offsetof(struct vesk_btrfs_fs_info_args, fsid) == 16, "btrfs fsid at 16");
static_assert(offsetof(struct vesk_btrfs_fs_info_args, flags) == 48, "btrfs flags at 48");
static_assert(offsetof(struct vesk_btrfs_fs_info_args, metadata_uuid) == 64,
              "btrfs metadata UUID at 64");
static_assert(offsetof(struct vesk_xfs_fsop_geom_v1, uuid) == 64, "xfs uuid at 64");

static bool uuid_is_set(const uint8_t uuid[16]) {
    for (int i = 0; i < 16; i++) {
        if (uuid[i] != 0) {
            return true;
        }
    }
    return false;
}

uint32_t linux_uuid_fold(const unsigned char uuid[16]) {
    uint32_t fold = 0;
    for (int i = 0; i < 16; i += 4) {
        fold ^= (uint32_t)uuid[i] | (uint32_t)uuid[i + 1] << 8 | (uint32_t)uuid[i + 2] << 16 |
                (uint32_t)uuid[i + 3] << 24;
    }
    return fold;
}

bool linux_uuid_from_kernel(int fd, unsigned char uuid[16]) {
    struct vesk_fsuuid2 answer;
    memset(&answer, 0, sizeof answer);
    answer.len = sizeof answer.uuid;
    if (ioctl(fd, VESK_FS_IOC_GETFSUUID, &answer) != 0) {
        return false;
    }
    if (answer.len != 16 || !uuid_is_set(answer.uuid)) {
        errno = 0;
        return false;
    }
    memcpy(uuid, answer.uuid, 16);
    return true;
}

bool linux_uuid_from_filesystem(int fd, unsigned char uuid[16]) {
    struct statfs info;
    if (fstatfs(fd, &info) != 0) {
        return false;
    }
    const uint8_t *found = NULL;
    struct vesk_btrfs_fs_info_args btrfs;
    struct vesk_xfs_fsop_geom_v1 xfs;
    if ((uint32_t)info.f_type == VESK_BTRFS_SUPER_MAGIC) {
        memset(&btrfs, 0, sizeof btrfs);
        if (ioctl(fd, VESK_BTRFS_IOC_FS_INFO, &btrfs) != 0) {
            return false;
        }
        found = btrfs.fsid;
    } else if ((uint32_t)info.f_type == VESK_XFS_SUPER_MAGIC) {
        memset(&xfs, 0, sizeof xfs);
        if (ioctl(fd, VESK_XFS_IOC_FSGEOMETRY_V1, &xfs) != 0) {
            return false;
        }
        found = xfs.uuid;
    }
    if (found == NULL || !uuid_is_set(found)) {
        errno = 0;
        return false;
    }
    memcpy(uuid, found, 16);
    return true;
}

bool linux_btrfs_own_uuid(int fd, unsigned char uuid[16]) {
    struct vesk_btrfs_fs_info_args info;
    memset(&info, 0, sizeof info);
    info.flags = VESK_BTRFS_FS_INFO_FLAG_METADATA_UUID;
    struct vesk_btrfs_feature_flags features;
    memset(&features, 0, sizeof features);
    if (ioctl(fd, VESK_BTRFS_IOC_FS_INFO, &info) != 0 ||
        (info.flags & VESK_BTRFS_FS_INFO_FLAG_METADATA_UUID) == 0 ||
        !uuid_is_set(info.metadata_uuid) || memcmp(info.fsid, info.metadata_uuid, 16) == 0 ||
        ioctl(fd, VESK_BTRFS_IOC_GET_FEATURES, &features) != 0 ||
        (features.incompat_flags & VESK_BTRFS_FEATURE_INCOMPAT_METADATA_UUID) != 0) {
        return false;
    }
    memcpy(uuid, info.metadata_uuid, 16);
    return true;
}

/* statfs rather than statvfs: statvfs's f_fsid is one unsigned long, which
 * keeps only one of the two words on a 32-bit build. */
int linux_fsid_fold(const char *directory, uint32_t *fold) {
    struct statfs info;
    if (statfs(directory, &info) != 0) {
        return FAILURE;
    }
    uint32_t words[2];
    static_assert(sizeof info.f_fsid == sizeof words, "f_fsid is two 32-bit words");
    memcpy(words, &info.f_fsid, sizeof words);
    *fold = words[0] ^ words[1];
    return SUCCESS;
}

#define VESK_EXT4_SUPER_MAGIC 0xEF53 /* ext2, ext3 and ext4 */
#define VESK_TMPFS_MAGIC 0x01021994
#define VESK_OVERLAYFS_SUPER_MAGIC 0x794C7630

/* Where else the same filesystem may be opened when its root cannot: common
 * directories and world-readable files, relative to the root. */
static const char *const same_filesystem_candidates[] = {
    "etc", "usr", "bin", "lib", "sbin", "var", "opt", "srv", "home", "etc/passwd", "etc/group",
};

/* Opens path for the filesystem queries when it is a directory or a regular
 * file on device; -1 otherwise.  Without blocking: a FIFO in its place is
 * not waited on. */
static int open_on_device(const char *path, dev_t device) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat file;
    if (fstat(fd, &file) != 0 || file.st_dev != device ||
        !(S_ISDIR(file.st_mode) || S_ISREG(file.st_mode))) {
        close(fd);
        return -1;
    }
    return fd;
}

/* A descriptor of a file of the filesystem that holds directory: directory
 * itself, else one of the candidates below it on the same device (a
 * subvolume or anything mounted there is another device and is passed
 * over).  -1 when none can be opened. */
static int open_filesystem(const char *directory, dev_t device) {
    int fd = open_on_device(directory, device);
    for (size_t i = 0; fd < 0 && i < sizeof same_filesystem_candidates / sizeof(char *); i++) {
        char path[PATH_MAX];
        int length = snprintf(path, sizeof path, "%s/%s", directory, same_filesystem_candidates[i]);
        if (length > 0 && (size_t)length < sizeof path) {
            fd = open_on_device(path, device);
        }
    }
    return fd;
}

/* Whether the statfs id of a filesystem of this type may stand for its
 * serial when no UUID could be had: only where the id is the UUID's fold
 * (ext4's from its superblock's UUID, tmpfs's and overlay's from the UUID of
 * their own), so that it gives what the queries give on the same machine.
 * Nowhere else, whether or not the queries could be made: xfs's id is the
 * device number and btrfs's mixes in the subvolume; on squashfs, erofs
 * without a UUID, iso9660, NFS, ramfs and proc it is a device number too,
 * which every machine booted from the same image shares; FUSE and any other
 * type are not known to give their UUID's fold. */
static bool fsid_may_serve(uint32_t type) {
    return type == VESK_EXT4_SUPER_MAGIC || type == VESK_TMPFS_MAGIC ||
           type == VESK_OVERLAYFS_SUPER_MAGIC;
}

/* Whether a failed query could give another answer later: the host is
 * short of something (descriptors, memory) or the device failed, rather than
 * the filesystem having no such query or no UUID. */
static bool failed_for_now(int error) {
    return error == EMFILE || error == ENFILE || error == ENOMEM || error == EIO ||
           error == EINTR || error == EAGAIN || error == ENOBUFS;
}

HostAnswer linux_volume_serial_told(const char *directory, uint32_t *serial,
                                    LinuxVolumeAnswer *told) {
    *serial = 0;
    memset(told, 0, sizeof *told);
    struct stat root;
    struct statfs info;
    if (stat(directory, &root) != 0 || statfs(directory, &info) != 0) {
        return HOST_ANSWER_UNREADABLE;
    }
    told->type = (uint32_t)info.f_type;
    unsigned char uuid[16];
    int fd = open_filesystem(directory, root.st_dev);
    bool found = false, refused = false;
    if (fd >= 0) {
        errno = 0;
        found = linux_uuid_from_kernel(fd, uuid);
        refused = !found && failed_for_now(errno);
        told->query = found ? LINUX_VOLUME_GENERIC : LINUX_VOLUME_NO_QUERY;
        if (!found && !refused) {
            errno = 0;
            found = linux_uuid_from_filesystem(fd, uuid);
            refused = !found && failed_for_now(errno);
            told->query = found ? LINUX_VOLUME_OWN : LINUX_VOLUME_NO_QUERY;
        }
        /* A btrfs filesystem mounted beside another of the same UUID (a
         * cloned disk) is given a temporary UUID by the kernel (Linux 6.7
         * and later), another at each mount, and both queries answer it.
         * Its superblocks still carry the UUID it was made with, the one it
         * shows when mounted alone: that is its serial. */
        if (found && (uint32_t)info.f_type == VESK_BTRFS_SUPER_MAGIC) {
            told->temporary_uuid = linux_btrfs_own_uuid(fd, uuid);
        }
        close(fd);
    }
    told->opened = fd >= 0;
    if (found) {
        memcpy(told->uuid, uuid, sizeof uuid);
        *serial = linux_uuid_fold(uuid);
        return *serial != 0 ? HOST_ANSWER_FOUND : HOST_ANSWER_NONE;
    }
    /* Where the filesystem id is its UUID's fold, it gives the same serial
     * the queries would have given, whether or not they could be asked. */
    if (fsid_may_serve((uint32_t)info.f_type)) {
        told->query = LINUX_VOLUME_STATFS_ID;
        if (linux_fsid_fold(directory, serial) != SUCCESS) {
            return HOST_ANSWER_UNREADABLE;
        }
        return *serial != 0 ? HOST_ANSWER_FOUND : HOST_ANSWER_NONE;
    }
    /* Nothing of the filesystem could be opened, or a query failed for want
     * of something: the serial it has could not be asked for. */
    return fd < 0 || refused ? HOST_ANSWER_UNREADABLE : HOST_ANSWER_NONE;
}

HostAnswer linux_volume_serial_at(const char *directory, uint32_t *serial) {
    LinuxVolumeAnswer told;
    return linux_volume_serial_told(directory, serial, &told);
}
