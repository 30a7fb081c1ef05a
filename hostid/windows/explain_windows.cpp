/*
 * explain_windows.cpp - what the Windows layer can say of each identifier:
 * the volume of "C:\" with its file system and label (GetVolumeInformationA,
 * as the serial was read), each adapter's name and kind as the IP helper
 * gives them for the address NetBIOS reported, and the hypervisor the
 * processor names.
 */
#include "explain_windows.h"

#include <windows.h>

#include "adapter_names_windows.h"
#include "encode.h"
#include "hypervisor.h"
#include "stability.h"

static void explain_volume(ExplainDraft *draft) {
    char label[MAX_PATH + 1] = "", file_system[MAX_PATH + 1] = "";
    DWORD serial = 0;
    if (!GetVolumeInformationA("C:\\", label, sizeof label, &serial, NULL, NULL, file_system,
                               sizeof file_system)) {
        return; /* the core's items say what the serial query answered */
    }
    unsigned char raw[4];
    put_le32(serial, raw);
    ExplainEntry *entry =
        explain_find(draft, VESK_HOSTID_ITEM_IDENTIFIER, VESK_HOSTID_KIND_VOLUME, raw, 4, true);
    if (entry == NULL) {
        return;
    }
    explain_put(entry->name, "C:\\");
    explain_put(entry->origin, "GetVolumeInformationA on C:\\ of %s, labelled \"%s\"",
                file_system[0] != '\0' ? file_system : "an unnamed file system", label);
    explain_put(entry->changes, "%s", stability_changes(STABILITY_VOLUME_WINDOWS));
}

#define WINDOWS_ADAPTERS_MAX 64

static void explain_adapters(ExplainDraft *draft) {
    WindowsAdapterName names[WINDOWS_ADAPTERS_MAX];
    size_t count = windows_adapter_names(names, WINDOWS_ADAPTERS_MAX);
    for (size_t i = 0; i < count; i++) {
        ExplainEntry *entry = explain_find(draft, VESK_HOSTID_ITEM_IDENTIFIER,
                                           VESK_HOSTID_KIND_ADAPTER, names[i].address, 6, true);
        if (entry == NULL) {
            continue;
        }
        explain_put(entry->name, "%s", names[i].name[0] != '\0' ? names[i].name : "an adapter");
        explain_put(entry->origin, "GetAdaptersAddresses: %s", names[i].description);
        if (names[i].if_type == 71) { /* IEEE 802.11 */
            entry->flags |= VESK_HOSTID_FLAG_WIRELESS;
        }
        if (names[i].address[0] & 0x02) {
            entry->flags |= VESK_HOSTID_FLAG_LOCALLY_ADMINISTERED;
        }
        explain_put(entry->changes, "%s", stability_changes(STABILITY_ADAPTER_WINDOWS));
    }
}

void windows_explain(const HostPlatform *, ExplainDraft *draft) {
    explain_volume(draft);
    explain_adapters(draft);
    explain_hypervisor_from_cpuid(draft);
}
