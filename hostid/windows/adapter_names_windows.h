/*
 * adapter_names_windows.h - the names of the adapters behind the NetBIOS
 * addresses, from the IP helper (adapter_names_windows.cpp).  Apart from
 * the platform layer: the IP helper's headers need Windows Sockets 2, which
 * the NetBIOS and Sockets 1.1 records of platform.h cannot sit beside.
 */
#ifndef VESK_HOSTID_ADAPTER_NAMES_WINDOWS_H
#define VESK_HOSTID_ADAPTER_NAMES_WINDOWS_H

#include <stddef.h>

typedef struct WindowsAdapterName {
    unsigned char address[6];
    char name[128];        /* the adapter's friendly name, UTF-8 */
    char description[128]; /* its driver's description, UTF-8 */
    unsigned long if_type; /* IANA ifType: 6 Ethernet, 71 IEEE 802.11, ... */
} WindowsAdapterName;

/* Up to capacity adapters with a 6-byte hardware address, from
 * GetAdaptersAddresses; how many were written, 0 when the IP helper cannot
 * be loaded from the system folder or does not answer.  iphlpapi.dll is
 * loaded only here, so that veskid.exe imports nothing more. */
size_t windows_adapter_names(WindowsAdapterName *names, size_t capacity);

#endif
