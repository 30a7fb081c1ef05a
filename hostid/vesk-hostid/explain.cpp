/*
 * explain.cpp - explain: where each of this host's identifiers comes from,
 * what was left out and why, and what kind of host this is; a page for a
 * person, or one JSON document (the schema in docs/vesk-hostid-explain.md)
 * for programs.
 */
#include <getopt.h>
#include <stdint.h>
#include <string.h>

#include "commands.h"
#include "kinds.h"
#include "vesk_hostid.h"

#define EXPLAIN_SCHEMA "vesk-hostid-explain/1"

static const struct {
    unsigned flag;
    const char *name;   /* in the JSON document */
    const char *phrase; /* on the page */
} flag_names[] = {
    {VESK_HOSTID_FLAG_LOCALLY_ADMINISTERED, "locally_administered",
     "a locally administered address"},
    {VESK_HOSTID_FLAG_BOND_MEMBER, "bond_member", "a member of a bond or team"},
    {VESK_HOSTID_FLAG_BRIDGE, "bridge", "a bridge"},
    {VESK_HOSTID_FLAG_VLAN, "vlan", "a VLAN"},
    {VESK_HOSTID_FLAG_WIRELESS, "wireless", "wireless"},
    {VESK_HOSTID_FLAG_VIRTUAL_FUNCTION, "virtual_function", "a virtual function"},
    {VESK_HOSTID_FLAG_ADDRESS_DIFFERS, "address_differs",
     "the permanent address differs from the current one"},
    {VESK_HOSTID_FLAG_LOOPBACK, "loopback", "a loopback address"},
    {VESK_HOSTID_FLAG_SHARED, "shared", "shared by many hosts: never one to license"},
    {VESK_HOSTID_FLAG_LINK_LOCAL, "link_local", "a link-local address"},
    {VESK_HOSTID_FLAG_STATFS_ID, "statfs_id", "from the filesystem id, standing in for its UUID"},
};

/* ---- JSON ---------------------------------------------------------------------- */

/* The length of the UTF-8 sequence that starts at text (at most left
 * bytes), or 0 when it is not a whole, shortest one. */
static size_t utf8_sequence(const unsigned char *text, size_t left) {
    size_t length = text[0] < 0xC2   ? 0
                    : text[0] < 0xE0 ? 2
                    : text[0] < 0xF0 ? 3
                    : text[0] < 0xF5 ? 4
                                     : 0;
    if (length == 0 || length > left) {
        return 0;
    }
    for (size_t i = 1; i < length; i++) {
        if ((text[i] & 0xC0) != 0x80) {
            return 0;
        }
    }
    /* No overlong three- or four-byte forms, no surrogates, nothing past U+10FFFF. */
    if ((text[0] == 0xE0 && text[1] < 0xA0) || (text[0] == 0xED && text[1] >= 0xA0) ||
        (text[0] == 0xF0 && text[1] < 0x90) || (text[0] == 0xF4 && text[1] >= 0x90)) {
        return 0;
    }
    return length;
}

/* A JSON string of text; null as JSON's null.  A byte that is not part of
 * a whole UTF-8 character is written as U+FFFD. */
static void json_string(const char *text) {
    if (text == NULL) {
        fputs("null", stdout);
        return;
    }
    putchar('"');
    const unsigned char *p = (const unsigned char *)text;
    size_t left = strlen(text);
    while (left > 0) {
        unsigned char c = *p;
        if (c == '"' || c == '\\') {
            printf("\\%c", c);
        } else if (c == '\n') {
            fputs("\\n", stdout);
        } else if (c == '\t') {
            fputs("\\t", stdout);
        } else if (c < 0x20 || c == 0x7F) {
            printf("\\u%04x", c);
        } else if (c >= 0x80) {
            size_t length = utf8_sequence(p, left);
            if (length == 0) {
                fputs("\\ufffd", stdout);
                length = 1;
            } else {
                fwrite(p, 1, length, stdout);
            }
            p += length;
            left -= length;
            continue;
        } else {
            putchar(c);
        }
        p++;
        left--;
    }
    putchar('"');
}

static void json_flags(unsigned flags) {
    putchar('[');
    const char *separator = "";
    for (const auto &flag : flag_names) {
        if (flags & flag.flag) {
            fputs(separator, stdout);
            json_string(flag.name);
            separator = ", ";
        }
    }
    putchar(']');
}

static const char *section_of(int what) {
    switch (what) {
    case VESK_HOSTID_ITEM_IDENTIFIER:
        return "identifiers";
    case VESK_HOSTID_ITEM_LEFT_OUT:
        return "left_out";
    case VESK_HOSTID_ITEM_SOURCE:
        return "sources";
    default:
        return "host";
    }
}

/* One object an item; the sections in their order, each an array. */
static void print_json(const vesk_hostid_item *items, size_t count) {
    printf("{\n  \"schema\": \"%s\"", EXPLAIN_SCHEMA);
    static const int sections[] = {VESK_HOSTID_ITEM_IDENTIFIER, VESK_HOSTID_ITEM_LEFT_OUT,
                                   VESK_HOSTID_ITEM_SOURCE, VESK_HOSTID_ITEM_HOST};
    for (int what : sections) {
        printf(",\n  \"%s\": [", section_of(what));
        const char *separator = "\n";
        for (size_t i = 0; i < count; i++) {
            const vesk_hostid_item *item = &items[i];
            if (item->what != what) {
                continue;
            }
            printf("%s    {", separator);
            separator = ",\n";
            if (what != VESK_HOSTID_ITEM_HOST) {
                char letter[2] = {item->letter, '\0'};
                fputs("\"letter\": ", stdout);
                json_string(letter);
                printf(", \"kind\": %ld, \"text\": ", (long)item->kind);
                if (item->text[0] != '\0') {
                    json_string(item->text);
                } else {
                    fputs("null", stdout);
                }
                fputs(", ", stdout);
            }
            fputs("\"name\": ", stdout);
            json_string(item->name);
            fputs(", \"origin\": ", stdout);
            json_string(item->origin);
            fputs(", \"reason\": ", stdout);
            json_string(item->reason);
            fputs(", \"changes\": ", stdout);
            json_string(item->changes);
            fputs(", \"flags\": ", stdout);
            json_flags(item->flags);
            fputs(", \"raw\": ", stdout);
            json_string(item->raw);
            putchar('}');
        }
        fputs(*separator == '\n' ? "]" : "\n  ]", stdout);
    }
    fputs("\n}\n", stdout);
}

/* ---- The page ------------------------------------------------------------------- */

static void print_field(const char *label, const char *value) {
    if (value != NULL && value[0] != '\0') {
        printf("    %-10s %s\n", label, value);
    }
}

static void print_flags(unsigned flags) {
    for (const auto &flag : flag_names) {
        if (flags & flag.flag) {
            printf("    %-10s %s\n", "note", flag.phrase);
        }
    }
}

/* The labels of an item's fields on the page, by what the item is. */
typedef struct PageLabels {
    int what;
    const char *heading;
    const char *reason;
    const char *changes;
} PageLabels;

static const PageLabels page_sections[] = {
    {VESK_HOSTID_ITEM_IDENTIFIER, "The lines of veskid allid, one by one:", "note", "changes"},
    {VESK_HOSTID_ITEM_LEFT_OUT, "Seen and not used:", "why", "changes"},
    {VESK_HOSTID_ITEM_SOURCE, "What each source gave:", "outcome", "detail"},
    {VESK_HOSTID_ITEM_HOST, "What kind of host this is:", "what", "means"},
};

static void print_item(const vesk_hostid_item *item, const PageLabels *labels) {
    if (item->what == VESK_HOSTID_ITEM_IDENTIFIER) {
        printf("%c:%s  %s\n", item->letter, item->text, host_id_kind_description(item->kind));
        print_field("from", item->name);
    } else if (item->letter != 0) {
        printf("  %c  %s\n", item->letter, item->name != NULL ? item->name : "");
    } else {
        printf("  %s\n", item->name != NULL ? item->name : "");
    }
    print_field("found by", item->origin);
    print_field(labels->reason, item->reason);
    print_field(labels->changes, item->changes);
    print_flags(item->flags);
    print_field("raw", item->raw);
}

static void print_page(const vesk_hostid_item *items, size_t count) {
    const char *gap = "";
    for (const PageLabels &section : page_sections) {
        printf("%s%s\n", gap, section.heading);
        gap = "\n";
        bool any = false;
        for (size_t i = 0; i < count; i++) {
            if (items[i].what == section.what) {
                print_item(&items[i], &section);
                any = true;
            }
        }
        if (!any) {
            puts("  (none)");
        }
    }
}

int explain_command(int argc, char **argv) {
    static const struct option options[] = {{"json", no_argument, NULL, 'j'},
                                            {"raw", no_argument, NULL, 'r'},
                                            {"help", no_argument, NULL, 'h'},
                                            {NULL, 0, NULL, 0}};
    bool json = false;
    unsigned explain_options = 0;
    int option;
    while ((option = getopt_long(argc, argv, "h", options, NULL)) != -1) {
        switch (option) {
        case 'j':
            json = true;
            break;
        case 'r':
            explain_options |= VESK_HOSTID_EXPLAIN_RAW;
            break;
        case 'h':
            print_command_usage("explain", stdout);
            return EXIT_HOLDS;
        default:
            print_command_usage("explain", stderr);
            return EXIT_USAGE;
        }
    }
    if (optind < argc) {
        fprintf(stderr, "vesk-hostid explain: no arguments are taken, not '%s'\n", argv[optind]);
        print_command_usage("explain", stderr);
        return EXIT_USAGE;
    }
    vesk_hostid_item *items = NULL;
    size_t count = 0;
    if (vesk_hostid_explain(explain_options, &items, &count) != SUCCESS) {
        fputs("vesk-hostid explain: out of memory\n", stderr);
        return EXIT_UNREADABLE;
    }
    if (json) {
        print_json(items, count);
    } else {
        print_page(items, count);
    }
    vesk_hostid_explain_free(items);
    return EXIT_HOLDS;
}
