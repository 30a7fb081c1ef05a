/*
 * kinds.h - what each kind of identifier is (kinds.cpp): its letter, whether
 * `veskid id` selects it, the source that gives it, its raw length there.
 */
#ifndef VESK_HOSTID_KINDS_H
#define VESK_HOSTID_KINDS_H

#include <stdbool.h>
#include <stdint.h>

#include "vesk_hostid.h" /* the kinds' values */

/* The kind of an identifier: the public records' int32_t.  The kinds are
 * the VESK_HOSTID_KIND_* values; any other value is still a kind to the
 * digest, the text and the report (letter U). */
typedef int32_t HostIdKind;

/* The sources of a collection, each giving one kind, read always in this
 * order. */
enum {
    HOST_SOURCE_VOLUME = 1,    /* the volume serial number: kind 4 */
    HOST_SOURCE_ADAPTERS = 2,  /* the NetBIOS adapters: kind 2 */
    HOST_SOURCE_ADDRESSES = 4, /* the addresses of the host's name: kind 1 */
    HOST_SOURCES_ALL = 7
};

/* What host_id_kind_of_letter says of a letter that is no kind's own. */
enum {
    HOST_ID_LETTER_OTHER_KINDS = -1, /* U: every kind without a letter of its own */
    HOST_ID_LETTER_UNKNOWN = -2      /* names no kind */
};

/* The kind a letter names, capital or not, or one of the two above. */
int host_id_kind_of_letter(char letter);

/* True for the primary kinds (2 and 3), the only ones `veskid id` prints. */
bool host_id_is_primary(HostIdKind kind);

/* The collector's source (a HOST_SOURCE_* bit) that gives the kind; 0 when
 * none does. */
unsigned host_id_source_of_kind(HostIdKind kind);

/* The raw length the kind has from its source; -1 when no source gives it. */
long host_id_raw_length_of(HostIdKind kind);

/* The ASCII capital of a letter; any other byte unchanged.  Letters and
 * texts are compared in ASCII only, whatever the C library's locale. */
/* What a kind's identifiers are, for a person: "the volume's serial
 * number"... */
const char *host_id_kind_description(HostIdKind kind);

static inline char ascii_capital(char c) {
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

#endif
