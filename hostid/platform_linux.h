/*
 * platform_linux.h - the Linux layer's answers for a root of the caller's
 * choosing.
 *
 * Production asks about "/" and "/sys/class/net"; the tests aim the same code
 * at freshly made filesystems and at fake sysfs trees.  The layer is three
 * files: platform_linux.cpp (the record, its sessions, the socket layer),
 * volume_linux.cpp and adapters_linux.cpp.  Nothing here is
 * exported from veskid or the libraries.
 */
#ifndef VESK_HOSTID_PLATFORM_LINUX_H
#define VESK_HOSTID_PLATFORM_LINUX_H

#include <net/if.h>
#include <stddef.h>
#include <stdint.h>

#include "platform.h"

#define LINUX_NET_CLASS_DIR "/sys/class/net"

/* Asks the driver of the named interface for its permanent (burned-in)
 * address: HOST_ANSWER_FOUND with its 6 bytes in address, HOST_ANSWER_NONE
 * when the driver answers that the adapter has none, HOST_ANSWER_UNREADABLE
 * when it could not be asked (no socket of any family, no such device in
 * this network namespace, the query refused). */
typedef HostAnswer (*linux_permanent_address_t)(const char *name, unsigned char address[6]);

/* What stands for the host: the directory whose filesystem gives the volume
 * serial, the sysfs network directory whose entries are the adapters, and
 * who answers for the adapters' permanent addresses. */
typedef struct LinuxHostPaths {
    const char *root_dir;                        /* "/" */
    const char *net_dir;                         /* LINUX_NET_CLASS_DIR */
    linux_permanent_address_t permanent_address; /* null: the kernel's */
} LinuxHostPaths;

/* One collection's state: the paths it reads, the adapters of its
 * enumeration (the LANA number is the index) and the resolver's answer. */
typedef struct LinuxSession {
    LinuxHostPaths paths;
    unsigned int adapter_count;
    char adapter_names[MAX_LANA + 1][IF_NAMESIZE];
    long adapter_indexes[MAX_LANA + 1];
    struct hostent answer;
    char *answer_buffer; /* what the answer points into */
    size_t answer_buffer_size;
} LinuxSession;

/* The running host's platform reading through other paths; the record keeps
 * the pointer, so paths must outlive it. */
HostPlatform linux_host_platform_at(const LinuxHostPaths *paths);

/* One collection's session over paths (null: the running host's), and its
 * release; null when memory ran out. */
void *linux_open_session(const LinuxHostPaths *paths);
void linux_close_session(void *session);

/* ---- Volume serial number ---------------------------------------------- */

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

/* The UUID from the generic FS_IOC_GETFSUUID query on a descriptor of the
 * filesystem; 1 when it gave 16 bytes that are not all zero.  On 0, errno is
 * the query's error, or 0 when it answered without a UUID. */
int linux_uuid_from_kernel(int fd, unsigned char uuid[16]);

/* The UUID from the filesystem's own query, chosen by its statfs type
 * (btrfs, xfs); 1 when it gave one that is not all zero.  On 0, errno as
 * for linux_uuid_from_kernel (0 also for a type without a query). */
int linux_uuid_from_filesystem(int fd, unsigned char uuid[16]);

/* The two 32-bit words of statfs's f_fsid XORed; 1, or 0 when statfs fails. */
int linux_fsid_fold(const char *directory, uint32_t *fold);

/* The XOR of the UUID's four little-endian 32-bit words: on ext4 the same
 * value as its filesystem id's fold. */
uint32_t linux_uuid_fold(const unsigned char uuid[16]);

/* ---- Adapters ----------------------------------------------------------- */

/* The NetBIOS commands answered from the session's sysfs network directory.
 * NCBRESET and NCBASTAT know the adapters of the session's last NCBENUM.
 * NCBASTAT gives the permanent address; the current one only where the
 * driver answers that there is none, and NRC_SYSTEM where the permanent one
 * could not be asked for: an address that may move never stands in for one
 * that was not read. */
unsigned char linux_netbios(void *session, NCB *ncb);

/* The kernel's answer for an interface of the calling thread's network
 * namespace: SIOCETHTOOL's ETHTOOL_GPERMADDR through a socket of the first
 * family that can be had (AF_UNIX first, which hardened services keep). */
HostAnswer linux_permanent_address(const char *name, unsigned char address[6]);

/* ---- Socket layer -------------------------------------------------------- */

/* The host's name, cut to length - 1 bytes and always terminated. */
int linux_get_host_name(void *session, char *name, int length);

#endif
