/*
 * report.cpp - the command words, the usage banner and the identifier report.
 *
 * All console output of a run comes from here.  Repeated texts are dropped by
 * inserting every text into a hash table used as a set, before the kind is
 * looked at, so a text printed once is never printed again in the same run.
 */
#include <stdio.h>
#include <string.h>

#include "hostid_private.h"

void print_usage(void) {
    printf("Vesk HostID Utility v.%s\n"
           "Usage:\n"
           "    veskid [<command>]\n"
           "    Commands are:\n"
           "    id                - get host ID\n"
           "    allid             - get list of all host IDs\n"
           "If no command is given, 'id' command is executed.\n",
           "1.0");
}

void dispatch_command(int argc, const char *const *argv) {
    if (argc < 2 || strcmp(argv[1], "id") == 0) {
        report_host_ids(0);
    } else if (strcmp(argv[1], "allid") == 0) {
        report_host_ids(1);
    } else {
        print_usage();
    }
}

/* The letter in front of an identifier of the given kind. */
static char host_id_letter(HostIdKind kind) {
    switch (kind) {
    case HOST_ID_KIND_IPV4:
        return 'I';
    case HOST_ID_KIND_ADAPTER:
        return 'M';
    case HOST_ID_KIND_C:
        return 'C';
    case HOST_ID_KIND_VOLUME:
        return 'H';
    case HOST_ID_KIND_L:
        return 'L';
    default:
        return 'U';
    }
}

/* Adapters (and kind C) are the primary identifiers, the only ones that "id"
 * prints. */
static int host_id_is_primary(HostIdKind kind) {
    return kind == HOST_ID_KIND_ADAPTER || kind == HOST_ID_KIND_C;
}

/* Nonzero when the record's text was not met before.  With a set the text is
 * inserted, and a failed insertion counts as seen; without one the earlier
 * records of the list are compared. */
static int text_is_new(HashTable *set, const HostIdRecord *head, const HostIdRecord *record) {
    if (set != NULL) {
        return vesk_hash_add_empty_element(set, record->text, (uint32_t)strlen(record->text)) ==
               SUCCESS;
    }
    for (const HostIdRecord *earlier = head; earlier != record; earlier = earlier->next) {
        if (strcmp(earlier->text, record->text) == 0) {
            return 0;
        }
    }
    return 1;
}

int report_host_id_list(const HostIdRecord *head, int all_kinds, HashTable *set) {
    int printed_any = 0;
    for (const HostIdRecord *record = head; record != NULL; record = record->next) {
        if (!text_is_new(set, head, record)) {
            continue;
        }
        if (!all_kinds && !host_id_is_primary(record->kind)) {
            continue;
        }
        printed_any = 1;
        printf("%c:%s\n", host_id_letter(record->kind), record->text);
    }
    return printed_any;
}

int report_host_ids(int all_kinds) {
    HostIdRecord *head = collect_host_ids();
    if (head == NULL) {
        fprintf(stderr, "Cannot get ID!");
        return -1;
    }

    /* The set is never destroyed: its storage stays until the process exits.
     * Static, so that it stays reachable until then. */
    static HashTable set;
    int set_ready = vesk_hash_init(&set, 2, NULL, NULL, 0) == SUCCESS;

    int printed_any = report_host_id_list(head, all_kinds, set_ready ? &set : NULL);
    if (!all_kinds && !printed_any) {
        printf("No primary IDs was detected. Try option 'allid' to see secondary IDs.");
    }
    free_host_id_list(head);
    return 0;
}
