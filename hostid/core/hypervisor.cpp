/*
 * hypervisor.cpp - the hypervisor as the processor names it.
 */
#include "hypervisor.h"

#include <string.h>

#include "stability.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

const char *hypervisor_of_signature(const char signature[12]) {
    static const struct {
        const char *signature;
        const char *name;
    } known[] = {
        {"KVMKVMKVM\0\0\0", "KVM"},  {"Linux KVM Hv", "KVM"},   {"VMwareVMware", "VMware"},
        {"Microsoft Hv", "Hyper-V"}, {"XenVMMXenVMM", "Xen"},   {"VBoxVBoxVBox", "VirtualBox"},
        {"TCGTCGTCGTCG", "QEMU"},    {"bhyve bhyve ", "bhyve"}, {"ACRNACRNACRN", "ACRN"},
    };
    for (const auto &one : known) {
        if (memcmp(signature, one.signature, 12) == 0) {
            return one.name;
        }
    }
    return NULL;
}

void explain_hypervisor_from_cpuid(ExplainDraft *draft) {
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) {
        return;
    }
    ExplainEntry *entry = explain_add_finding(draft, "hypervisor", "cpuid");
    if (entry == NULL) {
        return;
    }
    if ((c & (1u << 31)) == 0) {
        explain_put(entry->reason, "none: the processor reports no hypervisor");
        explain_put(entry->changes, "%s", stability_changes(STABILITY_HOST_BARE_METAL));
        return;
    }
    __cpuid(0x40000000, a, b, c, d);
    char signature[12];
    memcpy(signature, &b, 4);
    memcpy(signature + 4, &c, 4);
    memcpy(signature + 8, &d, 4);
    const char *name = hypervisor_of_signature(signature);
    char printable[13];
    for (int i = 0; i < 12; i++) {
        printable[i] = signature[i] >= ' ' && signature[i] <= '~' ? signature[i] : ' ';
    }
    printable[12] = '\0';
    explain_put(entry->reason, "%s (\"%s\")", name != NULL ? name : "a hypervisor", printable);
    explain_put(entry->changes, "%s", stability_changes(STABILITY_HOST_HYPERVISOR));
#else
    (void)draft;
#endif
}
