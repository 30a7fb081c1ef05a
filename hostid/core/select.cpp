/*
 * select.cpp - the identifiers that veskid prints, chosen from a list.
 *
 * The selection is written once, here: veskid's report prints what
 * select_host_ids visits, and the library's lists store the same records.
 * So an application sees exactly the lines of `veskid id` and `veskid allid`.
 */
#include <string.h>

#include "select.h"

#include "kinds.h"

unsigned host_id_sources_of_selection(int selection) {
    return selection == VESK_HOSTID_ALL ? HOST_SOURCES_ALL : HOST_SOURCE_ADAPTERS;
}

/* True when the record's text was not met before.  With a set the text is
 * inserted, and a failed insertion counts as seen; when the text is not in
 * the set after it, memory ran out, and *lost (when not null) is set.
 * Without a set the earlier records of the list are compared. */
static bool text_is_new(HashTable *set, const HostIdRecord *head, const HostIdRecord *record,
                        bool *lost) {
    if (set != NULL) {
        uint32_t length = (uint32_t)strlen(record->text);
        if (vesk_hash_add_empty_element(set, record->text, length) == SUCCESS) {
            return true;
        }
        if (lost != NULL && !vesk_hash_exists(set, record->text, length)) {
            *lost = true;
        }
        return false;
    }
    for (const HostIdRecord *earlier = head; earlier != record; earlier = earlier->next) {
        if (strcmp(earlier->text, record->text) == 0) {
            return false;
        }
    }
    return true;
}

/* Every text goes into the set before its kind is looked at, so a text is
 * selected at most once whatever kinds are asked for. */
size_t select_host_ids(const HostIdRecord *head, int selection, HashTable *set,
                       host_id_visit_t visit, void *context, bool *lost) {
    size_t selected = 0;
    for (const HostIdRecord *record = head; record != NULL; record = record->next) {
        if (!text_is_new(set, head, record, lost)) {
            continue;
        }
        if (selection != VESK_HOSTID_ALL && !host_id_is_primary(record->kind)) {
            continue;
        }
        selected++;
        visit(record, context);
    }
    return selected;
}
