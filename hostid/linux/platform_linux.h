/*
 * platform_linux.h - the Linux layer's answers for a root of the caller's
 * choosing.
 *
 * Production asks about "/" and "/sys/class/net"; the tests aim the same code
 * at freshly made filesystems and at fake sysfs trees.  The layer is
 * platform_linux.cpp (the record, its sessions, the socket layer: this
 * header), the records of a session (session_linux.h), volume_linux.cpp
 * (volume_linux.h), adapters_linux.cpp (adapters_linux.h), view_linux.cpp
 * (view_linux.h), explain_linux.cpp (explain_linux.h) and the digest
 * (digest_openssl.cpp, digest.h).  Nothing
 * here is exported from veskid or the libraries.
 */
#ifndef VESK_HOSTID_PLATFORM_LINUX_H
#define VESK_HOSTID_PLATFORM_LINUX_H

#include <stdint.h>

#include "platform.h"
#include "session_linux.h"

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
