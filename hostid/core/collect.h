/*
 * collect.h - the host identifier records and their collection (collect.cpp).
 *
 * A host identifier is one property of the host (a volume serial number, a
 * network adapter address, an IPv4 address of the host's own name) held as raw
 * bytes with its kind.  The collector reads the properties from a platform
 * (platform.h) and returns them as a singly linked list in collection order;
 * the caller owns the list and releases it with free_host_id_list.
 */
#ifndef VESK_HOSTID_COLLECT_H
#define VESK_HOSTID_COLLECT_H

#include <stdbool.h>
#include <stdint.h>

#include "encode.h"
#include "kinds.h" /* HostIdKind, the sources */
#include "platform.h"
#include "vesk_hostid.h"

/* ---- Records ------------------------------------------------------------ */

/* One collected identifier; the record owns its raw copy. */
typedef struct HostIdRecord {
    HostIdKind kind;
    int32_t raw_length;        /* bytes at raw */
    unsigned char *raw;        /* the record's own copy of the raw bytes */
    struct HostIdRecord *next; /* null in the last record */
    unsigned char digest[HOST_ID_DIGEST_SIZE];
    char text[HOST_ID_TEXT_SIZE]; /* VESK_HOSTID_TEXT_LENGTH characters and a NUL */
} HostIdRecord;

/* Appends one record at the tail link (the address of the pointer that is to
 * receive it) when the raw bytes pass the filter of their kind: kind 1 through
 * ip_address_is_usable (which reads 4 bytes), kind 2 through
 * adapter_address_is_usable, every other kind unfiltered.  Returns the address
 * of the new record's next field.  A rejected identifier, a negative count, or
 * a record, raw copy or digest that cannot be made leaves nothing behind and
 * returns the tail link unchanged. */
HostIdRecord **add_host_id(HostIdRecord **tail, const unsigned char *raw, int32_t raw_length,
                           HostIdKind kind);

/* True unless the first 4 bytes are 127.0.0.1 or 0.0.0.0.  raw_length is
 * not used: raw must hold at least 4 bytes. */
bool ip_address_is_usable(const unsigned char *raw, int32_t raw_length);

/* True unless all raw_length bytes are 0x00 or all are 0xFF. */
bool adapter_address_is_usable(const unsigned char *raw, int32_t raw_length);

/* Releases every record of the list and its raw copy; head may be null. */
void free_host_id_list(HostIdRecord *head);

/* ---- Collection --------------------------------------------------------- */

/* Reads the volume serial number, the adapter addresses and the IPv4
 * addresses of the host's name, in that order, from the running host
 * (native_host_platform).  Returns the head of a new list, null when nothing
 * was appended.  The kind-4 record, when there is one, is first. */
HostIdRecord *collect_host_ids(void);

/* Reads the given sources (HOST_SOURCE_* bits, kinds.h) of the platform, in the
 * order volume, adapters, addresses, into a new list; null when they gave
 * nothing.  *unreadable (when not null) receives the bits of the sources
 * that could not be read whole: a service that could not answer, a session
 * that could not be opened, a record that memory could not be had for.
 * Their records may be missing; the other sources' are all there. */
HostIdRecord *collect_host_ids_from(const HostPlatform *platform, unsigned sources,
                                    unsigned *unreadable);

/* What the library's calls read: the given sources of the platform, and
 * only those, into *head.  SUCCESS when each could be read (an empty list
 * then means the host has none of them); FAILURE, with *head null and
 * nothing left allocated, when any could not. */
int collect_readable_host_ids(const HostPlatform *platform, unsigned sources, HostIdRecord **head);

/* What veskid's report reads: the given sources of the platform.  When
 * they give nothing, *readable says whether the host gives anything at all,
 * asking the sources left out cheapest first (the volume, the adapters,
 * then the host's name) and stopping at the first that answers; otherwise
 * *readable is true.  So `veskid id` resolves the host's name only when
 * neither adapters nor volume gave an identifier, to choose between its hint
 * and "Cannot get ID!" exactly as a reading of every source would. */
HostIdRecord *collect_needed_host_ids(const HostPlatform *platform, unsigned sources,
                                      bool *readable);

#endif
