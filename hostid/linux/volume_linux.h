/*
 * volume_linux.h - the volume serial number of a directory's filesystem
 * (volume_linux.cpp).
 */
#ifndef VESK_HOSTID_VOLUME_LINUX_H
#define VESK_HOSTID_VOLUME_LINUX_H

#include <stdbool.h>
#include <stdint.h>

#include "platform.h"    /* HostAnswer */
#include "vesk_hostid.h" /* SUCCESS and FAILURE */

/* The serial of the filesystem that holds directory: the fold of its UUID
 * (the generic query, else the filesystem's own), asked of directory or,
 * when that cannot be opened, of another file on the same device below it.
 * Without a UUID, the fold of its statfs filesystem id, but only on ext4,
 * tmpfs and overlay, whose id is their UUID's fold; on any other type
 * (squashfs, erofs without a UUID, iso9660, NFS, FUSE, xfs, btrfs...) none,
 * whether or not a file could be asked.  HOST_ANSWER_FOUND with a nonzero
 * *serial; HOST_ANSWER_NONE (*serial 0) when the filesystem has no serial
 * or it is 0; HOST_ANSWER_UNREADABLE (*serial 0) when it could not be asked
 * for: the directory cannot be looked at, nothing of its filesystem can be
 * opened where the id cannot stand in, or a query failed for want of
 * descriptors or memory or with an I/O error. */
HostAnswer linux_volume_serial_at(const char *directory, uint32_t *serial);

/* Which query gave linux_volume_serial_told's serial. */
typedef enum LinuxVolumeQuery {
    LINUX_VOLUME_NO_QUERY, /* none answered */
    LINUX_VOLUME_GENERIC,  /* FS_IOC_GETFSUUID */
    LINUX_VOLUME_OWN,      /* the filesystem's own UUID query (btrfs, xfs) */
    LINUX_VOLUME_STATFS_ID /* the statfs id, standing in for the UUID's fold */
} LinuxVolumeQuery;

/* What linux_volume_serial_told tells beside the serial. */
typedef struct LinuxVolumeAnswer {
    LinuxVolumeQuery query;
    uint32_t type;          /* statfs's f_type; 0 when the directory could not be looked at */
    bool opened;            /* a file of the filesystem could be opened for the queries */
    unsigned char uuid[16]; /* the UUID, when a query gave one; else zeros */
    bool temporary_uuid;    /* btrfs's temporary UUID set aside for the one it was made with */
} LinuxVolumeAnswer;

/* linux_volume_serial_at's answer and serial, and how they were found. */
HostAnswer linux_volume_serial_told(const char *directory, uint32_t *serial,
                                    LinuxVolumeAnswer *told);

/* The UUID from the generic FS_IOC_GETFSUUID query on a descriptor of the
 * filesystem; true when it gave 16 bytes that are not all zero.  On false,
 * errno is the query's error, or 0 when it answered without a UUID. */
bool linux_uuid_from_kernel(int fd, unsigned char uuid[16]);

/* The UUID from the filesystem's own query, chosen by its statfs type
 * (btrfs, xfs); true when it gave one that is not all zero.  On false, errno
 * as for linux_uuid_from_kernel (0 also for a type without a query). */
bool linux_uuid_from_filesystem(int fd, unsigned char uuid[16]);

/* The UUID a btrfs filesystem was made with, into uuid, where the kernel
 * mounted it under a temporary one (a clone mounted beside its original):
 * true when the UUID it answers differs from the one its metadata carries
 * and that is not because its UUID was changed in place (the
 * metadata-UUID feature); false for every other filesystem and mount. */
bool linux_btrfs_own_uuid(int fd, unsigned char uuid[16]);

/* The two 32-bit words of statfs's f_fsid XORed into *fold: SUCCESS, or
 * FAILURE when statfs fails. */
int linux_fsid_fold(const char *directory, uint32_t *fold);

/* The XOR of the UUID's four little-endian 32-bit words: on ext4 the same
 * value as its filesystem id's fold. */
uint32_t linux_uuid_fold(const unsigned char uuid[16]);

#endif
