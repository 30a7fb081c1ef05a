/*
 * platform_windows.cpp - the collector's host services answered by Windows.
 *
 *   volume serial   GetVolumeInformationA, only the serial out-parameter given
 *   NetBIOS         Netbios of netapi32, with the collector's NCB as it is
 *   socket layer    WSAStartup, gethostname, gethostbyname and WSACleanup of
 *                   Windows Sockets 1.1 (wsock32, imported by ordinal)
 *
 * Each operation is one call, and its result goes back unchanged.
 */
#include "platform.h"

static int windows_volume_serial(const char *root_path, uint32_t *serial) {
    DWORD value = 0;
    BOOL ok = GetVolumeInformationA(root_path, NULL, 0, &value, NULL, NULL, NULL, 0);
    if (ok) {
        *serial = value; /* left as it was when the query fails */
    }
    return ok != 0;
}

static unsigned char windows_netbios(NCB *ncb) {
    return Netbios(ncb);
}

static int windows_wsa_startup(uint16_t version, WSADATA *data) {
    return WSAStartup(version, data);
}

static int windows_get_host_name(char *name, int length) {
    return gethostname(name, length);
}

static struct hostent *windows_get_host_by_name(const char *name) {
    return gethostbyname(name);
}

static void windows_wsa_cleanup(void) {
    WSACleanup();
}

const HostPlatform native_host_platform = {
    windows_volume_serial, windows_netbios,          windows_wsa_startup,
    windows_get_host_name, windows_get_host_by_name, windows_wsa_cleanup,
};
