/*
 * report.cpp - the command words, the usage banner and the identifier report.
 *
 * All console output of a run comes from here.  What is printed is the
 * library's selection (select.cpp): repeated texts are dropped by
 * inserting every text into a hash table used as a set, before the kind is
 * looked at, so a text printed once is never printed again in the same run.
 */
#include "report.h"

#include <stdio.h>
#include <string.h>

#include "select.h"
#include "vesk_hostid.h"

/* A build with LeakSanitizer (gcc's __SANITIZE_ADDRESS__, clang's feature). */
#if defined(__SANITIZE_ADDRESS__)
#define VESK_LEAK_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_LEAK_SANITIZER 1
#endif
#endif
#ifdef VESK_LEAK_SANITIZER
#include <sanitizer/lsan_interface.h>
#endif

void print_usage(void) {
    printf("Vesk HostID Utility v.%s\n"
           "Usage:\n"
           "    veskid [<command>]\n"
           "    Commands are:\n"
           "    id                - get host ID\n"
           "    allid             - get list of all host IDs\n"
           "If no command is given, 'id' command is executed.\n",
           VESKID_VERSION);
}

void dispatch_command_on(const HostPlatform *platform, int argc, const char *const *argv) {
    if (argc < 2 || strcmp(argv[1], "id") == 0) {
        report_host_ids_on(platform, 0);
    } else if (strcmp(argv[1], "allid") == 0) {
        report_host_ids_on(platform, 1);
    } else {
        print_usage();
    }
}

void dispatch_command(int argc, const char *const *argv) {
    dispatch_command_on(&native_host_platform, argc, argv);
}

static void print_host_id(const HostIdRecord *record, void *) {
    printf("%c:%s\n", vesk_hostid_letter(record->kind), record->text);
}

static int selection_of(int all_kinds) {
    return all_kinds ? VESK_HOSTID_ALL : VESK_HOSTID_PRIMARY;
}

bool report_host_id_list(const HostIdRecord *head, int all_kinds, HashTable *set) {
    return select_host_ids(head, selection_of(all_kinds), set, print_host_id, NULL, NULL) > 0;
}

/* The report's set is never destroyed: its storage stays until the process
 * ends, right after the report.  The leak checkers are told so, and of that
 * storage only: the slot array, from which every bucket and key copy of the
 * set is reached.  (valgrind is told by tests/valgrind.supp, which names the
 * set's allocations under this file's functions.) */
static void set_stays_until_exit(const HashTable *set) {
#ifdef VESK_LEAK_SANITIZER
    if (set->slots != NULL) {
        __lsan_ignore_object(set->slots);
    }
#else
    (void)set;
#endif
}

/* Reads what the command needs: every source for allid; for id the adapters
 * alone, and only when they give nothing the volume and then the host's
 * name, to choose between the hint and "Cannot get ID!". */
int report_host_ids_on(const HostPlatform *platform, int all_kinds) {
    bool readable = false;
    HostIdRecord *head = collect_needed_host_ids(
        platform, host_id_sources_of_selection(selection_of(all_kinds)), &readable);
    if (!readable) {
        fprintf(stderr, "Cannot get ID!");
        return -1;
    }

    HashTable set;
    bool set_ready = vesk_hash_init(&set, 2, NULL, NULL, 0) == SUCCESS;
    bool printed_any = report_host_id_list(head, all_kinds, set_ready ? &set : NULL);
    if (set_ready) {
        set_stays_until_exit(&set);
    }
    if (!all_kinds && !printed_any) {
        printf("No primary IDs was detected. Try option 'allid' to see secondary IDs.");
    }
    free_host_id_list(head);
    return 0;
}

int report_host_ids(int all_kinds) {
    return report_host_ids_on(&native_host_platform, all_kinds);
}
