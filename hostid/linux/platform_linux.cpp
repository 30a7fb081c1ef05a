/*
 * platform_linux.cpp - the collector's host services answered by Linux: the
 * platform record, its sessions and the socket layer.
 *
 *   volume serial   the root filesystem's UUID folded to 32 bits
 *                   (volume_linux.cpp)
 *   NetBIOS         hardware-backed Ethernet-type interfaces of
 *                   /sys/class/net and their addresses (adapters_linux.cpp)
 *   WSAStartup      nothing to start; WSACleanup nothing to release
 *   gethostname     the C library's, cut to the buffer and always terminated
 *   gethostbyname   the C library's gethostbyname_r, into the session, with
 *                   the calling thread's resolver told to skip HOSTALIASES
 *
 * Every answer that outlives one call (the adapters of an enumeration, the
 * resolver's record) lives in the session of one collection: the library is
 * called from many threads at once, beside an application that uses the
 * resolver itself.
 */
#include <errno.h>
#include <netdb.h>
#include <resolv.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "platform_linux.h"

#include "adapters_linux.h"
#include "explain_linux.h"
#include "volume_linux.h"

static const LinuxHostPaths running_host_paths = {"/", LINUX_NET_CLASS_DIR, NULL, NULL, NULL, NULL};

void *linux_open_session(const LinuxHostPaths *paths) {
    LinuxSession *session = (LinuxSession *)calloc(1, sizeof *session);
    if (session != NULL) {
        session->paths = paths != NULL ? *paths : running_host_paths;
    }
    return session;
}

void linux_close_session(void *session) {
    if (session != NULL) {
        free(((LinuxSession *)session)->answer_buffer);
        free(session);
    }
}

/* ---- Socket layer ------------------------------------------------------- */

static int linux_wsa_startup(void *, uint16_t, WSADATA *) {
    return 0;
}

static void linux_wsa_cleanup(void *) {}

int linux_get_host_name(void *, char *name, int length) {
    if (name == NULL || length <= 0) {
        return -1;
    }
    char full[256];
    if (gethostname(full, sizeof full) != 0) {
        return -1;
    }
    full[sizeof full - 1] = '\0';
    size_t used = strnlen(full, (size_t)length - 1); /* a name that does not fit is cut */
    memcpy(name, full, used);
    name[used] = '\0';
    return 0;
}

/* The buffer the resolver writes the answer's names and addresses into
 * starts at this size and doubles while it is too small, for as long as
 * memory can be had: an answer of any size is read, none is cut short. */
#define ANSWER_BUFFER_START 2048

/* The reentrant form of gethostbyname: the same answer in the same order,
 * written into the session instead of the C library's one shared record.
 * A name the resolver knows to have no address is none; a failure of the
 * resolver itself (a server that does not answer, no memory, no descriptor)
 * is no answer at all. */
static struct hostent *linux_get_host_by_name(void *session_pointer, const char *name,
                                              HostAnswer *answer) {
    LinuxSession *session = (LinuxSession *)session_pointer;
    *answer = HOST_ANSWER_UNREADABLE;
    size_t size =
        session->answer_buffer_size > 0 ? session->answer_buffer_size : ANSWER_BUFFER_START;
    for (;; size *= 2) {
        if (size != session->answer_buffer_size) {
            char *buffer = (char *)realloc(session->answer_buffer, size);
            if (buffer == NULL) {
                return NULL;
            }
            session->answer_buffer = buffer;
            session->answer_buffer_size = size;
        }
        struct hostent *result = NULL;
        int resolver_error = 0;
        int status = gethostbyname_r(name, &session->answer, session->answer_buffer, size, &result,
                                     &resolver_error);
        if (status == ERANGE && size <= SIZE_MAX / 2) {
            continue;
        }
        if (status == 0 && result != NULL) {
            *answer = HOST_ANSWER_FOUND;
        } else if (status == 0 && (resolver_error == HOST_NOT_FOUND || resolver_error == NO_DATA)) {
            *answer = HOST_ANSWER_NONE;
        }
        return *answer == HOST_ANSWER_FOUND ? result : NULL;
    }
}

/* HOSTALIASES would let whoever starts the application map the host's name to
 * any name of theirs.  The C library's DNS backend skips that file when
 * RES_NOALIASES is in the calling thread's resolver state (_res is per
 * thread), so the bit is set around the lookup and the thread's own value put
 * back after: no other thread is touched.  The bit must go into a state that
 * is set up and current: setting a state up, or reloading it after
 * resolv.conf changed, takes the options afresh, while a state whose options
 * were changed is not reloaded at all.  So the state is first brought up to
 * date by building a query, which sends nothing.  LOCALDOMAIN and RES_OPTIONS,
 * read when the state is set up, cannot be set aside this way;
 * vesk_hostid_view reports them. */
static struct hostent *linux_get_host_by_name_without_aliases(void *session, const char *name,
                                                              HostAnswer *answer) {
#ifdef __GLIBC__
    unsigned char query[512];
    res_mkquery(QUERY, "localhost", C_IN, T_A, NULL, 0, NULL, query, sizeof query);
    if ((_res.options & RES_INIT) == 0) {
        /* The lookup would set the state up without the bit; a state that
         * cannot be set up (no memory) is a resolver that cannot answer. */
        *answer = HOST_ANSWER_UNREADABLE;
        return NULL;
    }
    unsigned long own_bit = _res.options & RES_NOALIASES;
    _res.options |= RES_NOALIASES;
    struct hostent *result = linux_get_host_by_name(session, name, answer);
    _res.options = (_res.options & ~(unsigned long)RES_NOALIASES) | own_bit;
    return result;
#else
    return linux_get_host_by_name(session, name, answer); /* the per-thread state is glibc's */
#endif
}

static void *linux_open_native_session(const HostPlatform *platform) {
    return linux_open_session((const LinuxHostPaths *)platform->settings);
}

static HostAnswer linux_volume_serial(void *session, const char *root_path, uint32_t *serial) {
    (void)root_path; /* there is no drive C: the root filesystem stands for it */
    return linux_volume_serial_at(((LinuxSession *)session)->paths.root_dir, serial);
}

const HostPlatform native_host_platform = {
    NULL,
    linux_open_native_session,
    linux_close_session,
    linux_volume_serial,
    linux_netbios,
    linux_wsa_startup,
    linux_get_host_name,
    linux_get_host_by_name_without_aliases,
    linux_wsa_cleanup,
    linux_explain,
};

HostPlatform linux_host_platform_at(const LinuxHostPaths *paths) {
    HostPlatform platform = native_host_platform;
    platform.settings = paths;
    return platform;
}
