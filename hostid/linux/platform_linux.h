/*
 * platform_linux.h - the Linux layer's answers for a root of the caller's
 * choosing.
 *
 * Production asks about "/" and "/sys/class/net"; the tests aim the same code
 * at freshly made filesystems and at fake sysfs trees.  The layer is
 * platform_linux.cpp (the record, its sessions, the socket layer: this
 * header), volume_linux.cpp (volume_linux.h), adapters_linux.cpp
 * (adapters_linux.h), view_linux.cpp (view_linux.h) and the digest
 * (digest_openssl.cpp).  Nothing here is exported from veskid or the
 * libraries.
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

/* ---- Socket layer -------------------------------------------------------- */

/* The host's name, cut to length - 1 bytes and always terminated. */
int linux_get_host_name(void *session, char *name, int length);

#endif
