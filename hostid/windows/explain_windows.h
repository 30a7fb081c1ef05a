/*
 * explain_windows.h - the Windows layer's details in an explanation
 * (explain_windows.cpp): the volume's file system and label, the adapters'
 * names and kinds, the hypervisor from the processor.
 */
#ifndef VESK_HOSTID_EXPLAIN_WINDOWS_H
#define VESK_HOSTID_EXPLAIN_WINDOWS_H

#include "explain.h"

void windows_explain(const HostPlatform *platform, ExplainDraft *draft);

#endif
