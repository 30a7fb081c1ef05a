/*
 * hostid_private.h - declarations shared inside hostid/ and with its tests.
 */
#ifndef VESK_HOSTID_PRIVATE_H
#define VESK_HOSTID_PRIVATE_H

#include <stddef.h>

#include "hostid.h"
#include "vesk_hash.h"

/* Prints the identifier lines of a list as report_host_ids does, in list
 * order, and returns nonzero when it printed at least one.  A text is new when
 * its insertion into set succeeds; with a null set (one that could not be
 * created) it is new when no earlier record of the list has the same text. */
int report_host_id_list(const HostIdRecord *head, int all_kinds, HashTable *set);

/* Writes value as 4 bytes, least significant first, whatever the host's order. */
static inline void put_le32(uint32_t value, unsigned char bytes[4]) {
    bytes[0] = (unsigned char)value;
    bytes[1] = (unsigned char)(value >> 8);
    bytes[2] = (unsigned char)(value >> 16);
    bytes[3] = (unsigned char)(value >> 24);
}

#endif
