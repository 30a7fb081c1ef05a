/*
 * report.cpp - the command words, the usage banner and the identifier report.
 *
 * All console output of a run comes from here.  What is printed is the
 * library's selection (select.cpp): repeated texts are dropped by
 * inserting every text into a hash table used as a set, before the kind is
 * looked at, so a text printed once is never printed again in the same run.
 */
#include <stdio.h>
#include <string.h>

#include "hostid_private.h"
#include "platform.h"
#include "vesk_hostid.h"

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

static void print_host_id(const HostIdRecord *record, void *) {
    printf("%c:%s\n", vesk_hostid_letter(record->kind), record->text);
}

int report_host_id_list(const HostIdRecord *head, int all_kinds, HashTable *set) {
    return select_host_ids(head, all_kinds, set, print_host_id, NULL, NULL) > 0;
}

/* Reads what the command needs: every source for allid; for id the adapters
 * alone, and only when they give nothing the volume and then the host's
 * name, to choose between the hint and "Cannot get ID!". */
int report_host_ids(int all_kinds) {
    int readable = 0;
    HostIdRecord *head =
        collect_needed_host_ids(host_id_sources_of_selection(all_kinds), &readable);
    if (!readable) {
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
