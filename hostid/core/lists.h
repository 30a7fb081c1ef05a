/*
 * lists.h - the library's lists and lookup over a platform of the caller's
 * choosing (lists.cpp).  vesk_hostid_list, vesk_hostid_list_into and
 * vesk_hostid_has are these over native_host_platform; the tests pass the
 * scripted host instead.
 */
#ifndef VESK_HOSTID_LISTS_H
#define VESK_HOSTID_LISTS_H

#include <stddef.h>

#include "platform.h"
#include "vesk_hostid.h"

int host_id_list_on(const HostPlatform *platform, int selection, vesk_hostid **ids, size_t *count);
int host_id_list_into_on(const HostPlatform *platform, int selection, vesk_hostid *ids,
                         size_t capacity, size_t *count);
int host_id_has_on(const HostPlatform *platform, const char *text, size_t length, int *present,
                   vesk_hostid_check *result);

#endif
