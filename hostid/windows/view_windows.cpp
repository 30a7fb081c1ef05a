/*
 * view_windows.cpp - vesk_hostid_view on Windows: a process there has no
 * namespaces, so its view is always the host's own.
 */
#include "vesk_hostid.h"

int vesk_hostid_view(unsigned *differences) {
    if (differences == NULL) {
        return FAILURE;
    }
    *differences = 0;
    return SUCCESS;
}
