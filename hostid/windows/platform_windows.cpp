/*
 * platform_windows.cpp - the collector's host services answered by Windows.
 *
 *   volume serial   GetVolumeInformationA, only the serial out-parameter given
 *   NetBIOS         Netbios of netapi32, with the collector's NCB as it is
 *   socket layer    WSAStartup, gethostname, gethostbyname and WSACleanup of
 *                   Windows Sockets 1.1 (wsock32, imported by ordinal)
 *
 * Each operation is one call, and its result goes back unchanged.
 *
 * Many threads may collect at once.  Windows Sockets keeps gethostbyname's
 * answer per thread, and WSAStartup and WSACleanup count their calls, so the
 * socket layer needs nothing more.  NetBIOS state is the process's: one
 * thread's NCBRESET of a LANA would cancel another's NCBASTAT of it.  So an
 * adapter walk, from its NCBENUM to the end of its session, holds one lock
 * of the process, and walks take turns.
 */
#include <stdlib.h>

#include "platform.h"

#include "explain_windows.h"

/* Initialised statically: no call sets it up, and it holds nothing between
 * collections but who is walking now. */
static SRWLOCK adapter_walk_lock = SRWLOCK_INIT;

typedef struct WindowsSession {
    int walking; /* holds adapter_walk_lock */
} WindowsSession;

static void *windows_open_session(const HostPlatform *) {
    return calloc(1, sizeof(WindowsSession));
}

static void windows_close_session(void *session) {
    WindowsSession *windows = (WindowsSession *)session;
    if (windows != NULL && windows->walking) {
        ReleaseSRWLockExclusive(&adapter_walk_lock);
    }
    free(windows);
}

/* A drive that is not there (or holds no medium) has no serial; any other
 * failure (memory, access, a device error) is a serial not read. */
static HostAnswer windows_volume_serial(void *, const char *root_path, uint32_t *serial) {
    DWORD value = 0;
    if (GetVolumeInformationA(root_path, NULL, 0, &value, NULL, NULL, NULL, 0)) {
        *serial = value; /* left as it was when the query fails */
        return HOST_ANSWER_FOUND;
    }
    switch (GetLastError()) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_INVALID_NAME:
        return HOST_ANSWER_NONE;
    default:
        return HOST_ANSWER_UNREADABLE;
    }
}

static unsigned char windows_netbios(void *session, NCB *ncb) {
    WindowsSession *windows = (WindowsSession *)session;
    if (ncb->ncb_command == NCBENUM && !windows->walking) {
        AcquireSRWLockExclusive(&adapter_walk_lock);
        windows->walking = 1;
    }
    return Netbios(ncb);
}

static int windows_wsa_startup(void *, uint16_t version, WSADATA *data) {
    return WSAStartup(version, data);
}

static int windows_get_host_name(void *, char *name, int length) {
    return gethostname(name, length);
}

/* A name that the resolver knows to have no address is none; anything else
 * (a server that does not answer, no buffers) is no answer. */
static struct hostent *windows_get_host_by_name(void *, const char *name, HostAnswer *answer) {
    struct hostent *host = gethostbyname(name);
    if (host != NULL) {
        *answer = HOST_ANSWER_FOUND;
    } else {
        int error = WSAGetLastError();
        *answer = error == WSAHOST_NOT_FOUND || error == WSANO_DATA ? HOST_ANSWER_NONE
                                                                    : HOST_ANSWER_UNREADABLE;
    }
    return host;
}

static void windows_wsa_cleanup(void *) {
    WSACleanup();
}

const HostPlatform native_host_platform = {
    NULL,
    windows_open_session,
    windows_close_session,
    windows_volume_serial,
    windows_netbios,
    windows_wsa_startup,
    windows_get_host_name,
    windows_get_host_by_name,
    windows_wsa_cleanup,
    windows_explain,
};
