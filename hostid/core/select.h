/*
 * select.h - the identifiers that veskid prints, chosen from a list
 * (select.cpp): the one selection that the report and the library's lists
 * share.
 */
#ifndef VESK_HOSTID_SELECT_H
#define VESK_HOSTID_SELECT_H

#include <stdbool.h>
#include <stddef.h>

#include "collect.h"
#include "vesk_hash.h"

/* The sources a selection (VESK_HOSTID_PRIMARY or VESK_HOSTID_ALL) reads:
 * the adapters alone for the primary identifiers, every source for all of
 * them. */
unsigned host_id_sources_of_selection(int selection);

/* Visits, in list order, the records that veskid prints: those whose text is
 * new (its insertion into set succeeds; with a null set, one that could not
 * be created, no earlier record of the list has the same text) and whose kind
 * the selection takes (every kind for VESK_HOSTID_ALL, else kinds 2 and 3).
 * Returns how many it visited.  A text whose insertion failed for want of
 * memory is not visited, as veskid does, and sets *lost when lost is not
 * null, so that a list can fail instead of coming out short. */
typedef void (*host_id_visit_t)(const HostIdRecord *record, void *context);
size_t select_host_ids(const HostIdRecord *head, int selection, HashTable *set,
                       host_id_visit_t visit, void *context, bool *lost);

#endif
