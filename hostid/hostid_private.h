/*
 * hostid_private.h - declarations shared inside hostid/ and with its tests.
 */
#ifndef VESK_HOSTID_PRIVATE_H
#define VESK_HOSTID_PRIVATE_H

#include <stddef.h>

#include "hostid.h"
#include "vesk_hash.h"

/* Visits, in list order, the records that veskid prints: those whose text is
 * new (its insertion into set succeeds; with a null set, one that could not
 * be created, no earlier record of the list has the same text) and whose kind
 * is selected (every kind when all_kinds is nonzero, else kinds 2 and 3).
 * Returns how many it visited.  (hostid_api.cpp) */
typedef void (*host_id_visit_t)(const HostIdRecord *record, void *context);
size_t select_host_ids(const HostIdRecord *head, int all_kinds, HashTable *set,
                       host_id_visit_t visit, void *context);

/* Prints the identifier lines of a list as report_host_ids does, in list
 * order, and returns nonzero when it printed at least one. */
int report_host_id_list(const HostIdRecord *head, int all_kinds, HashTable *set);

/* MD5 of the bytes of first followed by the bytes of second, into digest;
 * 0, or -1 when the platform's digest failed.  (digest_openssl.cpp, or
 * digest_cng.cpp on Windows) */
int md5_of_two_parts(const unsigned char *first, size_t first_length, const unsigned char *second,
                     size_t second_length, unsigned char digest[HOST_ID_DIGEST_SIZE]);

/* The 32 characters of an identifier's text, symbol 0 to 31: A to Z without
 * I and O, then 2 to 9.  (encode.cpp) */
extern const char host_id_alphabet[33];

/* Writes value as 4 bytes, least significant first, whatever the host's order. */
static inline void put_le32(uint32_t value, unsigned char bytes[4]) {
    bytes[0] = (unsigned char)value;
    bytes[1] = (unsigned char)(value >> 8);
    bytes[2] = (unsigned char)(value >> 16);
    bytes[3] = (unsigned char)(value >> 24);
}

#endif
