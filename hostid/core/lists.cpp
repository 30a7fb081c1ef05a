/*
 * lists.cpp - the calls that read this host: its identifiers as a list,
 * into the caller's array, and the lookup of a typed text among them.
 *
 * Each call reads only the sources its answer needs (collect.cpp) and
 * selects from them as veskid does (select.cpp).
 */
#include <stdlib.h>
#include <string.h>

#include "lists.h"

#include "check.h"
#include "collect.h"
#include "kinds.h"
#include "select.h"
#include "vesk_hostid.h"

/* Where a list goes: the first capacity entries are stored, all are counted. */
typedef struct ListSink {
    vesk_hostid *ids;
    size_t capacity;
    size_t count;
} ListSink;

static void store_host_id(const HostIdRecord *record, void *context) {
    ListSink *sink = (ListSink *)context;
    if (sink->count < sink->capacity) {
        vesk_hostid *id = &sink->ids[sink->count];
        id->letter = vesk_hostid_letter(record->kind);
        id->kind = record->kind;
        memcpy(id->text, record->text, VESK_HOSTID_TEXT_LENGTH);
        id->text[VESK_HOSTID_TEXT_LENGTH] = '\0';
    }
    sink->count++;
}

static size_t list_length(const HostIdRecord *head) {
    size_t length = 0;
    for (; head != NULL; head = head->next) {
        length++;
    }
    return length;
}

/* Collects what the selection needs and selects into the sink; with grow,
 * the sink's array is allocated to the list's length first.  FAILURE when a
 * source the selection needs could not be read, or memory ran out: never a
 * list that is shorter than the host's. */
static int list_host_ids(const HostPlatform *platform, int selection, ListSink *sink, bool grow) {
    HostIdRecord *head = NULL;
    if (collect_readable_host_ids(platform, host_id_sources_of_selection(selection), &head) !=
        SUCCESS) {
        return FAILURE;
    }
    if (grow) {
        size_t length = list_length(head);
        sink->ids = (vesk_hostid *)malloc((length > 0 ? length : 1) * sizeof(vesk_hostid));
        sink->capacity = sink->ids != NULL ? length : 0;
        if (sink->ids == NULL) {
            free_host_id_list(head);
            return FAILURE;
        }
    }
    HashTable set;
    bool lost = vesk_hash_init(&set, 2, NULL, NULL, 0) != SUCCESS;
    if (!lost) {
        select_host_ids(head, selection, &set, store_host_id, sink, &lost);
        vesk_hash_destroy(&set);
    }
    free_host_id_list(head);
    if (lost && grow) {
        free(sink->ids);
        sink->ids = NULL;
    }
    return lost ? FAILURE : SUCCESS;
}

static bool selection_is_known(int selection) {
    return selection == VESK_HOSTID_PRIMARY || selection == VESK_HOSTID_ALL;
}

int host_id_list_on(const HostPlatform *platform, int selection, vesk_hostid **ids, size_t *count) {
    /* Whichever out-pointer is given is cleared, also when the other is null. */
    if (ids != NULL) {
        *ids = NULL;
    }
    if (count != NULL) {
        *count = 0;
    }
    if (ids == NULL || count == NULL) {
        return FAILURE;
    }
    ListSink sink = {NULL, 0, 0};
    if (!selection_is_known(selection) ||
        list_host_ids(platform, selection, &sink, true) != SUCCESS) {
        return FAILURE;
    }
    *ids = sink.ids;
    *count = sink.count;
    return SUCCESS;
}

void vesk_hostid_list_free(vesk_hostid *ids) {
    free(ids);
}

int host_id_list_into_on(const HostPlatform *platform, int selection, vesk_hostid *ids,
                         size_t capacity, size_t *count) {
    if (count != NULL) {
        *count = 0;
    }
    if (count == NULL || (ids == NULL && capacity > 0)) {
        return FAILURE;
    }
    ListSink sink = {ids, capacity, 0};
    if (!selection_is_known(selection) ||
        list_host_ids(platform, selection, &sink, false) != SUCCESS) {
        return FAILURE;
    }
    *count = sink.count;
    return sink.count <= capacity ? SUCCESS : FAILURE;
}

int host_id_has_on(const HostPlatform *platform, const char *input, size_t length, int *present,
                   vesk_hostid_check *result) {
    if (present == NULL) {
        return result != NULL ? host_id_check_fails(result, VESK_HOSTID_FAULT_NULL, 0, 0) : FAILURE;
    }
    *present = 0;
    if (vesk_hostid_check_text(input, length, result) != SUCCESS) {
        return FAILURE;
    }
    /* Only the source that can give a text of this kind is read: an M or H
     * text never asks the resolver.  A kind that no source gives is absent
     * without reading anything. */
    HostIdRecord *head = NULL;
    if (collect_readable_host_ids(platform, host_id_source_of_kind(result->kind), &head) !=
        SUCCESS) {
        return host_id_check_fails(result, VESK_HOSTID_FAULT_HOST, 0, 0);
    }
    for (const HostIdRecord *record = head; record != NULL && !*present; record = record->next) {
        *present = strcmp(record->text, result->text) == 0;
    }
    free_host_id_list(head);
    return SUCCESS;
}

/* ---- The running host ------------------------------------------------------- */

int vesk_hostid_list(int selection, vesk_hostid **ids, size_t *count) {
    return host_id_list_on(&native_host_platform, selection, ids, count);
}

int vesk_hostid_list_into(int selection, vesk_hostid *ids, size_t capacity, size_t *count) {
    return host_id_list_into_on(&native_host_platform, selection, ids, capacity, count);
}

int vesk_hostid_has(const char *input, size_t length, int *present, vesk_hostid_check *result) {
    return host_id_has_on(&native_host_platform, input, length, present, result);
}
