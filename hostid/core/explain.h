/*
 * explain.h - where each identifier comes from (explain.cpp): the items of
 * an explanation while they are being written, and vesk_hostid_explain over
 * a platform of the caller's choosing.
 *
 * The core writes what every platform gives alike: the identifiers in
 * veskid allid's order, the addresses of the host's name with the ones left
 * out, the sources' outcomes.  A platform layer adds its own details through
 * the record's explain member (platform.h): which file system, which bus and
 * driver, what kind of host.  The items are drafted with fixed fields and
 * packed into one allocation at the end.
 */
#ifndef VESK_HOSTID_EXPLAIN_H
#define VESK_HOSTID_EXPLAIN_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "kinds.h"
#include "platform.h"
#include "vesk_hostid.h"

#define EXPLAIN_FIELD_SIZE 256 /* a drafted string and its NUL; longer ones are cut */
#define EXPLAIN_RAW_SIZE 16    /* raw bytes kept for matching: an address, a serial */

/* One item as it is drafted. */
typedef struct ExplainEntry {
    int what; /* VESK_HOSTID_ITEM_* */
    HostIdKind kind;
    char text[VESK_HOSTID_TEXT_LENGTH + 1];
    unsigned flags;
    int32_t raw_length; /* bytes of raw_bytes that are the property's; 0 when none */
    unsigned char raw_bytes[EXPLAIN_RAW_SIZE];
    char name[EXPLAIN_FIELD_SIZE];
    char origin[EXPLAIN_FIELD_SIZE];
    char reason[EXPLAIN_FIELD_SIZE];
    char changes[EXPLAIN_FIELD_SIZE];
    char raw[EXPLAIN_FIELD_SIZE]; /* given out only with VESK_HOSTID_EXPLAIN_RAW */
} ExplainEntry;

/* The items of one explanation, in the order they were added. */
typedef struct ExplainDraft {
    ExplainEntry *entries;
    size_t count;
    size_t capacity;
    unsigned options; /* VESK_HOSTID_EXPLAIN_* */
    bool lost;        /* an item could not be added for want of memory */
} ExplainDraft;

/* A new item of the kind (0 for a host finding), its strings empty; null,
 * with draft->lost set, when memory ran out.  The pointer holds until the
 * next item is added. */
ExplainEntry *explain_add(ExplainDraft *draft, int what, HostIdKind kind);

/* Releases the draft's items; the draft is then empty. */
void explain_draft_free(ExplainDraft *draft);

/* Adds a finding about the kind of host (VESK_HOSTID_ITEM_HOST) with its name
 * ("hypervisor", "container"...) and where it was found; null when memory
 * ran out (the draft is then lost). */
ExplainEntry *explain_add_finding(ExplainDraft *draft, const char *name, const char *origin);

/* Writes a printf-style string into a field, cut to EXPLAIN_FIELD_SIZE - 1. */
void explain_put(char field[EXPLAIN_FIELD_SIZE], const char *format, ...);

/* The first item of that kind and what whose raw bytes are these; with
 * unnamed, only one whose name is still empty.  Null when there is none. */
ExplainEntry *explain_find(ExplainDraft *draft, int what, HostIdKind kind, const unsigned char *raw,
                           int32_t raw_length, bool unnamed);

/* The flags an IPv4 address (4 bytes, network order) has: LOOPBACK and
 * SHARED for 127.0.0.0/8, which names no one host, LINK_LOCAL for
 * 169.254.0.0/16. */
unsigned explain_ipv4_flags(const unsigned char address[4]);

/* The raw property as a person reads it: H "0x12345678", M "aa:bb:cc:dd:ee:ff",
 * I "10.0.0.1"; other kinds in hex. */
void explain_format_raw(HostIdKind kind, const unsigned char *raw, int32_t raw_length,
                        char field[EXPLAIN_FIELD_SIZE]);

/* vesk_hostid_explain over the platform; its explain member, when not null,
 * adds the layer's details. */
int host_id_explain_on(const HostPlatform *platform, unsigned options, vesk_hostid_item **items,
                       size_t *count);

#endif
