/*
 * verdicts.cpp - check and match: what the checker says of each text, and a
 * licence's lines against this host, for a person reading a terminal.
 *
 * A faulty text is shown as it was given, with a caret under the character
 * at fault.  The checker's position counts bytes; the caret's column counts
 * characters (a byte that continues a UTF-8 sequence takes no column), so it
 * stands under a non-breaking space or a look-alike letter, not beside it.
 */
#include <getopt.h>
#include <stdlib.h>
#include <string.h>

#include "commands.h"
#include "kinds.h"
#include "vesk_hostid.h"

char *read_whole_file(const char *path, size_t *length) {
    bool from_stdin = path == NULL || strcmp(path, "-") == 0;
    FILE *file = from_stdin ? stdin : fopen(path, "rb");
    if (file == NULL) {
        fprintf(stderr, "vesk-hostid: cannot open %s\n", path);
        return NULL;
    }
    size_t size = 0, capacity = 4096;
    char *data = (char *)malloc(capacity);
    size_t got = 0;
    while (data != NULL && (got = fread(data + size, 1, capacity - size, file)) > 0) {
        size += got;
        if (size == capacity) {
            char *larger = capacity <= SIZE_MAX / 2 ? (char *)realloc(data, capacity * 2) : NULL;
            if (larger == NULL) {
                free(data);
                data = NULL;
            }
            data = larger;
            capacity *= 2;
        }
    }
    bool failed = data == NULL || ferror(file);
    if (!from_stdin) {
        fclose(file);
    }
    if (failed) {
        fprintf(stderr, "vesk-hostid: cannot read %s\n", from_stdin ? "standard input" : path);
        free(data);
        return NULL;
    }
    *length = size;
    return data;
}

/* Writes the bytes as given, each control character as '?' so that the
 * terminal shows them in their place. */
static void print_shown(const char *text, size_t length) {
    for (size_t i = 0; i < length; i++) {
        unsigned char c = (unsigned char)text[i];
        putchar(c < 0x20 || c == 0x7F ? '?' : c);
    }
}

/* The columns that bytes [0, position) take. */
static size_t columns_before(const char *text, size_t position) {
    size_t columns = 0;
    for (size_t i = 0; i < position; i++) {
        columns += ((unsigned char)text[i] & 0xC0) != 0x80;
    }
    return columns;
}

/* Prints a faulty text (the cursor is where it starts, the indent's width
 * from the line's start) and what follows it on its line, then a caret under
 * its fault with the fault's group, and the checker's sentence. */
static void print_fault(const char *indent, const char *text, size_t length, const char *after,
                        const vesk_hostid_check *check) {
    print_shown(text, length);
    printf("%s\n", after);
    if (check->fault != VESK_HOSTID_FAULT_EMPTY && check->fault != VESK_HOSTID_FAULT_NULL) {
        printf("%s%*s^", indent, (int)columns_before(text, check->position), "");
        if (check->group > 0) {
            printf(" group %d", check->group);
        }
        putchar('\n');
    }
    printf("%s%s\n", indent, vesk_hostid_fault_message(check->fault));
}

#define VERDICT_INDENT "          " /* under the text, after the verdict's word */

/* One text's verdict; true when it is well formed. */
static bool check_one(const char *text, size_t length) {
    /* A line's CR (pasted from Windows) and its other trailing blanks are the
     * checker's to take; only the shown text leaves out the CR. */
    size_t shown = length;
    while (shown > 0 && (text[shown - 1] == '\r' || text[shown - 1] == '\n')) {
        shown--;
    }
    vesk_hostid_check check;
    if (vesk_hostid_check_text(text, length, &check) == SUCCESS) {
        printf("ok        %c:%s  %s\n", check.letter, check.text,
               host_id_kind_description(check.kind));
        return true;
    }
    fputs("faulty    ", stdout);
    print_fault(VERDICT_INDENT, text, shown, "", &check);
    return false;
}

int check_command(int argc, char **argv) {
    static const struct option options[] = {{"help", no_argument, NULL, 'h'}, {NULL, 0, NULL, 0}};
    int option;
    while ((option = getopt_long(argc, argv, "h", options, NULL)) != -1) {
        if (option == 'h') {
            print_command_usage("check", stdout);
            return EXIT_HOLDS;
        }
        print_command_usage("check", stderr);
        return EXIT_USAGE;
    }
    bool all_well_formed = true;
    if (optind < argc) {
        for (int i = optind; i < argc; i++) {
            all_well_formed &= check_one(argv[i], strlen(argv[i]));
        }
        return all_well_formed ? EXIT_HOLDS : EXIT_FAULTY;
    }
    size_t length = 0;
    char *input = read_whole_file(NULL, &length);
    if (input == NULL) {
        return EXIT_USAGE;
    }
    /* A line each; blank lines say nothing. */
    for (size_t start = 0; start < length;) {
        const char *newline = (const char *)memchr(input + start, '\n', length - start);
        size_t stop = newline != NULL ? (size_t)(newline - input) : length;
        bool blank = true;
        for (size_t i = start; i < stop && blank; i++) {
            blank = strchr(" \t\r\v\f", input[i]) != NULL && input[i] != '\0';
        }
        if (!blank) {
            all_well_formed &= check_one(input + start, stop - start);
        }
        start = stop + 1;
    }
    free(input);
    return all_well_formed ? EXIT_HOLDS : EXIT_FAULTY;
}

/* Parses a count of at least 1; false for anything else. */
static bool parse_count(const char *text, size_t *count) {
    char *end = NULL;
    if (text[0] < '0' || text[0] > '9') {
        return false;
    }
    unsigned long long value = strtoull(text, &end, 10);
    if (*end != '\0' || value == 0 || value > SIZE_MAX) {
        return false;
    }
    *count = (size_t)value;
    return true;
}

int match_command(int argc, char **argv) {
    static const struct option options[] = {{"min", required_argument, NULL, 'n'},
                                            {"all", no_argument, NULL, 'a'},
                                            {"help", no_argument, NULL, 'h'},
                                            {NULL, 0, NULL, 0}};
    size_t minimum = 1;
    bool all = false, minimum_given = false;
    int option;
    while ((option = getopt_long(argc, argv, "h", options, NULL)) != -1) {
        switch (option) {
        case 'n':
            if (!parse_count(optarg, &minimum)) {
                fprintf(stderr, "vesk-hostid match: --min takes a count of at least 1, not '%s'\n",
                        optarg);
                return EXIT_USAGE;
            }
            minimum_given = true;
            break;
        case 'a':
            all = true;
            break;
        case 'h':
            print_command_usage("match", stdout);
            return EXIT_HOLDS;
        default:
            print_command_usage("match", stderr);
            return EXIT_USAGE;
        }
    }
    if ((all && minimum_given) || argc - optind > 1) {
        fputs("vesk-hostid match: one licence, and --min or --all, not both\n", stderr);
        print_command_usage("match", stderr);
        return EXIT_USAGE;
    }
    size_t length = 0;
    char *licence = read_whole_file(optind < argc ? argv[optind] : NULL, &length);
    if (licence == NULL) {
        return EXIT_USAGE;
    }
    vesk_hostid_match_result *match = NULL;
    if (vesk_hostid_match(licence, length, &match) != SUCCESS) {
        fprintf(stderr, "vesk-hostid match: %s\n",
                vesk_hostid_fault_message(VESK_HOSTID_FAULT_HOST));
        free(licence);
        return EXIT_UNREADABLE;
    }
    for (size_t i = 0; i < match->count; i++) {
        const vesk_hostid_match_line *line = &match->lines[i];
        const char *text = licence + line->start;
        const char *newline = (const char *)memchr(text, '\n', length - line->start);
        size_t line_length = newline != NULL ? (size_t)(newline - text) : length - line->start;
        while (line_length > 0 && text[line_length - 1] == '\r') {
            line_length--;
        }
        char where[32];
        snprintf(where, sizeof where, "  line %zu", line->line);
        if (line->verdict == VESK_HOSTID_MATCH_MALFORMED) {
            fputs("malformed ", stdout);
            print_fault(VERDICT_INDENT, text, line_length, where, &line->check);
            continue;
        }
        printf("%-9s %c:%s%s\n", line->verdict == VESK_HOSTID_MATCH_PRESENT ? "present" : "absent",
               line->check.letter, line->check.text, where);
        if (line->shared) {
            fputs(VERDICT_INDENT "shared by many hosts (a loopback address of the host's name): "
                                 "never one to license\n",
                  stdout);
        }
    }
    size_t wanted = all ? match->count : minimum;
    bool holds = match->count > 0 && match->present >= wanted;
    printf("%zu of %zu present (%zu absent, %zu malformed); %s %zu: %s\n", match->present,
           match->count, match->absent, match->malformed, all ? "all, that is" : "at least", wanted,
           holds ? "holds" : "does not hold");
    vesk_hostid_match_free(match);
    free(licence);
    return holds ? EXIT_HOLDS : EXIT_FAULTY;
}
