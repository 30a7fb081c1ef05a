/*
 * check_licence.c - an application checks a licence's host identifier on
 * this machine: lists the machine's identifiers as veskid prints them, reads
 * the identifier the licence was issued for, says what is wrong with it if it
 * was mistyped, and whether this machine has it.
 *
 * Usage: check_licence [IDENTIFIER]   (for example "M:TZ38D-4U9R4-8BY5S-NH4HW")
 * Exits 0 when the machine has the identifier (or none was given), 1 when it
 * does not, 2 when the identifier is malformed or the host cannot be read.
 */
#include <stdio.h>
#include <string.h>

#include <vesk_hostid.h>

int main(int argc, char **argv) {
    vesk_hostid *ids = NULL;
    size_t count = 0;
    if (vesk_hostid_list(VESK_HOSTID_ALL, &ids, &count) != SUCCESS) {
        fprintf(stderr, "this machine's identifiers cannot be read\n");
        return 2;
    }
    printf("this machine has %zu identifier(s):\n", count);
    for (size_t i = 0; i < count; i++) {
        printf("  %c:%s\n", ids[i].letter, ids[i].text);
    }
    vesk_hostid_list_free(ids);
    if (argc < 2) {
        return 0;
    }

    const char *licensed = argv[1];
    vesk_hostid_check check;
    int present = 0;
    if (vesk_hostid_has(licensed, strlen(licensed), &present, &check) != SUCCESS) {
        fprintf(stderr, "\"%s\": %s", licensed, vesk_hostid_fault_message(check.fault));
        if (check.group > 0) {
            fprintf(stderr, " (group %d)", check.group);
        }
        fprintf(stderr, "\n");
        return 2;
    }
    printf("%c:%s %s on this machine\n", check.letter, check.text,
           present ? "is present" : "is NOT present");
    return present ? 0 : 1;
}
