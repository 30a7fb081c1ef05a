/*
 * hypervisor.h - the hypervisor as the processor names it (hypervisor.cpp):
 * the cpuid hypervisor bit and the vendor signature of leaf 0x40000000, the
 * same on every system that runs on an x86 processor.
 */
#ifndef VESK_HOSTID_HYPERVISOR_H
#define VESK_HOSTID_HYPERVISOR_H

#include "explain.h"

/* The hypervisor a cpuid vendor signature (leaf 0x40000000, 12 bytes)
 * names; null for one not known. */
const char *hypervisor_of_signature(const char signature[12]);

/* Adds the processor's finding ("hypervisor", found by "cpuid") to the
 * draft: none, or the hypervisor and its signature.  Nothing on a processor
 * without cpuid. */
void explain_hypervisor_from_cpuid(ExplainDraft *draft);

#endif
