/*
 * adapter_names_windows.cpp - the adapters' names from the IP helper.
 */
#include "adapter_names_windows.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <stdlib.h>
#include <string.h>

typedef ULONG(WINAPI *get_adapters_addresses_t)(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG);

static void utf8_of(const wchar_t *wide, char *out, int size) {
    out[0] = '\0';
    if (wide != NULL && WideCharToMultiByte(CP_UTF8, 0, wide, -1, out, size, NULL, NULL) == 0) {
        out[0] = '\0'; /* too long, or not convertible: no name rather than half of one */
    }
}

size_t windows_adapter_names(WindowsAdapterName *names, size_t capacity) {
    /* From the system folder only: a DLL of that name beside the program is
     * never the one asked. */
    HMODULE helper = LoadLibraryExA("iphlpapi.dll", NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (helper == NULL) {
        return 0;
    }
    get_adapters_addresses_t get_adapters_addresses =
        (get_adapters_addresses_t)(void (*)(void))GetProcAddress(helper, "GetAdaptersAddresses");
    size_t count = 0;
    ULONG size = 16384;
    IP_ADAPTER_ADDRESSES *list = NULL;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    /* The list may grow between the two calls: a few tries. */
    for (int tries = 0;
         get_adapters_addresses != NULL && result == ERROR_BUFFER_OVERFLOW && tries < 4; tries++) {
        free(list);
        list = (IP_ADAPTER_ADDRESSES *)malloc(size);
        if (list == NULL) {
            break;
        }
        result = get_adapters_addresses(
            AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            NULL, list, &size);
    }
    if (list != NULL && result == NO_ERROR) {
        for (IP_ADAPTER_ADDRESSES *adapter = list; adapter != NULL && count < capacity;
             adapter = adapter->Next) {
            if (adapter->PhysicalAddressLength != 6) {
                continue;
            }
            WindowsAdapterName *name = &names[count++];
            memcpy(name->address, adapter->PhysicalAddress, 6);
            utf8_of(adapter->FriendlyName, name->name, (int)sizeof name->name);
            utf8_of(adapter->Description, name->description, (int)sizeof name->description);
            name->if_type = adapter->IfType;
        }
    }
    free(list);
    FreeLibrary(helper);
    return count;
}
