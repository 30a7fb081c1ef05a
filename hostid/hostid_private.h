/*
 * hostid_private.h - declarations shared inside hostid/ and with its tests.
 */
#ifndef VESK_HOSTID_PRIVATE_H
#define VESK_HOSTID_PRIVATE_H

#include <stddef.h>

#include "hostid.h"
#include "vesk_hash.h"
#include "vesk_hostid.h"

/* ---- Kinds (kinds.cpp) ---------------------------------------------------- */

/* What host_id_kind_of_letter says of a letter that is no kind's own. */
enum {
    HOST_ID_LETTER_OTHER_KINDS = -1, /* U: every kind without a letter of its own */
    HOST_ID_LETTER_UNKNOWN = -2      /* names no kind */
};

/* The kind a letter names, capital or not, or one of the two above. */
int host_id_kind_of_letter(char letter);

/* Nonzero for the primary kinds (2 and 3), the only ones `veskid id` prints. */
int host_id_is_primary(HostIdKind kind);

/* The collector's source (a HOST_SOURCE_* bit) that gives the kind; 0 when
 * none does. */
unsigned host_id_source_of_kind(HostIdKind kind);

/* The raw length the kind has from its source; -1 when no source gives it. */
long host_id_raw_length_of(HostIdKind kind);

/* ---- Selection, lists and checks ------------------------------------------ */

/* The sources a selection reads: the adapters alone for the primary
 * identifiers, every source for all of them.  (select.cpp) */
unsigned host_id_sources_of_selection(int all_kinds);

/* Records a check's fault, its group and its position in result, leaving
 * nothing of a text there; returns FAILURE.  (check.cpp) */
int host_id_check_fails(vesk_hostid_check *result, int fault, int group, size_t position);

/* Visits, in list order, the records that veskid prints: those whose text is
 * new (its insertion into set succeeds; with a null set, one that could not
 * be created, no earlier record of the list has the same text) and whose kind
 * is selected (every kind when all_kinds is nonzero, else kinds 2 and 3).
 * Returns how many it visited.  A text whose insertion failed for want of
 * memory is not visited, as veskid does, and sets *lost when lost is not
 * null, so that a list can fail instead of coming out short.  (select.cpp) */
typedef void (*host_id_visit_t)(const HostIdRecord *record, void *context);
size_t select_host_ids(const HostIdRecord *head, int all_kinds, HashTable *set,
                       host_id_visit_t visit, void *context, int *lost);

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
