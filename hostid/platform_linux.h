/*
 * platform_linux.h - the Linux layer's answers for a root of the caller's
 * choosing.
 *
 * Production asks about "/" and "/sys/class/net"; the tests aim the same code
 * at freshly made filesystems and at fake sysfs trees.  Nothing here is
 * exported from veskid or the libraries.
 */
#ifndef VESK_HOSTID_PLATFORM_LINUX_H
#define VESK_HOSTID_PLATFORM_LINUX_H

#include <stdint.h>

#include "platform.h"

#define LINUX_NET_CLASS_DIR "/sys/class/net"

/* ---- Volume serial number ---------------------------------------------- */

/* The serial of the filesystem that holds directory: the fold of its UUID
 * (the generic query, else the filesystem's own), else the fold of its
 * statfs filesystem id.  Returns 1, or 0 with *serial 0 when nothing could
 * be learnt. */
int linux_volume_serial_at(const char *directory, uint32_t *serial);

/* The UUID from the generic FS_IOC_GETFSUUID query on a descriptor of the
 * filesystem; 1 when it gave 16 bytes that are not all zero. */
int linux_uuid_from_kernel(int fd, unsigned char uuid[16]);

/* The UUID from the filesystem's own query, chosen by its statfs type
 * (btrfs, xfs); 1 when it gave one that is not all zero. */
int linux_uuid_from_filesystem(int fd, unsigned char uuid[16]);

/* The two 32-bit words of statfs's f_fsid XORed; 1, or 0 when statfs fails. */
int linux_fsid_fold(const char *directory, uint32_t *fold);

/* The XOR of the UUID's four little-endian 32-bit words: on ext4 the same
 * value as its filesystem id's fold. */
uint32_t linux_uuid_fold(const unsigned char uuid[16]);

/* ---- Adapters ----------------------------------------------------------- */

/* The NetBIOS commands answered from the sysfs network directory net_dir.
 * NCBASTAT reads the adapters of the last NCBENUM, from the same directory. */
unsigned char linux_netbios_at(const char *net_dir, NCB *ncb);

#endif
