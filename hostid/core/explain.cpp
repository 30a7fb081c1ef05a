/*
 * explain.cpp - vesk_hostid_explain: where each identifier comes from.
 *
 * The identifiers are the collector's records selected as veskid allid
 * selects them, so the IDENTIFIER items are the list's entries, in its
 * order.  The host's name is then resolved once more, to say which of its
 * addresses gave which identifier and which were left out, and the
 * platform's layer adds what it alone can tell.  The items are drafted in
 * any order and packed by what they are: identifiers, left out, sources,
 * host findings, each group in the order it was written.
 */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "explain.h"

#include "collect.h"
#include "select.h"
#include "stability.h"
#include "vesk_hash.h"

/* ---- The draft ------------------------------------------------------------- */

ExplainEntry *explain_add(ExplainDraft *draft, int what, HostIdKind kind) {
    if (draft->count == draft->capacity) {
        size_t capacity = draft->capacity > 0 ? draft->capacity * 2 : 16;
        ExplainEntry *grown =
            (ExplainEntry *)realloc(draft->entries, capacity * sizeof(ExplainEntry));
        if (grown == NULL) {
            draft->lost = true;
            return NULL;
        }
        draft->entries = grown;
        draft->capacity = capacity;
    }
    ExplainEntry *entry = &draft->entries[draft->count++];
    memset(entry, 0, sizeof *entry);
    entry->what = what;
    entry->kind = kind;
    return entry;
}

void explain_draft_free(ExplainDraft *draft) {
    free(draft->entries);
    draft->entries = NULL;
    draft->count = 0;
    draft->capacity = 0;
}

void explain_put(char field[EXPLAIN_FIELD_SIZE], const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int written = vsnprintf(field, EXPLAIN_FIELD_SIZE, format, arguments);
    va_end(arguments);
    if (written < 0) {
        field[0] = '\0';
    }
}

ExplainEntry *explain_find(ExplainDraft *draft, int what, HostIdKind kind, const unsigned char *raw,
                           int32_t raw_length, bool unnamed) {
    for (size_t i = 0; i < draft->count; i++) {
        ExplainEntry *entry = &draft->entries[i];
        if (entry->what == what && entry->kind == kind && entry->raw_length == raw_length &&
            memcmp(entry->raw_bytes, raw, (size_t)raw_length) == 0 &&
            (!unnamed || entry->name[0] == '\0')) {
            return entry;
        }
    }
    return NULL;
}

unsigned explain_ipv4_flags(const unsigned char address[4]) {
    if (address[0] == 127) {
        return VESK_HOSTID_FLAG_LOOPBACK | VESK_HOSTID_FLAG_SHARED;
    }
    if (address[0] == 169 && address[1] == 254) {
        return VESK_HOSTID_FLAG_LINK_LOCAL;
    }
    return 0;
}

void explain_format_raw(HostIdKind kind, const unsigned char *raw, int32_t raw_length,
                        char field[EXPLAIN_FIELD_SIZE]) {
    field[0] = '\0';
    if (kind == VESK_HOSTID_KIND_VOLUME && raw_length == 4) {
        explain_put(field, "0x%02X%02X%02X%02X", raw[3], raw[2], raw[1], raw[0]);
    } else if (kind == VESK_HOSTID_KIND_ADAPTER && raw_length == 6) {
        explain_put(field, "%02x:%02x:%02x:%02x:%02x:%02x", raw[0], raw[1], raw[2], raw[3], raw[4],
                    raw[5]);
    } else if (kind == VESK_HOSTID_KIND_IPV4 && raw_length == 4) {
        explain_put(field, "%u.%u.%u.%u", raw[0], raw[1], raw[2], raw[3]);
    } else {
        size_t used = 0;
        for (int32_t i = 0; i < raw_length && used + 3 <= EXPLAIN_FIELD_SIZE; i++) {
            used += (size_t)snprintf(field + used, EXPLAIN_FIELD_SIZE - used, "%02x", raw[i]);
        }
    }
}

/* ---- The identifiers and the sources --------------------------------------- */

static void set_raw(ExplainEntry *entry, const unsigned char *raw, int32_t raw_length) {
    int32_t kept = raw_length < EXPLAIN_RAW_SIZE ? raw_length : EXPLAIN_RAW_SIZE;
    memcpy(entry->raw_bytes, raw, (size_t)kept);
    entry->raw_length = kept;
    explain_format_raw(entry->kind, raw, raw_length, entry->raw);
}

/* What each kind's identifier follows, where no layer says more. */
static const char *portable_changes(HostIdKind kind) {
    switch (kind) {
    case VESK_HOSTID_KIND_VOLUME:
        return stability_changes(STABILITY_VOLUME_OTHER);
    case VESK_HOSTID_KIND_ADAPTER:
        return stability_changes(STABILITY_ADAPTER_CURRENT);
    case VESK_HOSTID_KIND_IPV4:
        return stability_changes(STABILITY_ADDRESS);
    default:
        return "";
    }
}

static void add_identifier(const HostIdRecord *record, void *context) {
    ExplainDraft *draft = (ExplainDraft *)context;
    ExplainEntry *entry = explain_add(draft, VESK_HOSTID_ITEM_IDENTIFIER, record->kind);
    if (entry == NULL) {
        return;
    }
    memcpy(entry->text, record->text, VESK_HOSTID_TEXT_LENGTH);
    entry->text[VESK_HOSTID_TEXT_LENGTH] = '\0';
    set_raw(entry, record->raw, record->raw_length);
    if (record->kind == VESK_HOSTID_KIND_IPV4 && record->raw_length == 4) {
        entry->flags = explain_ipv4_flags(record->raw);
    }
    explain_put(entry->origin, "%s",
                record->kind == VESK_HOSTID_KIND_VOLUME    ? "the volume serial number"
                : record->kind == VESK_HOSTID_KIND_ADAPTER ? "the adapter walk"
                                                           : "the resolver");
    explain_put(entry->changes, "%s", portable_changes(record->kind));
}

static const struct {
    unsigned source;
    HostIdKind kind;
    const char *name;
} explained_sources[] = {
    {HOST_SOURCE_VOLUME, VESK_HOSTID_KIND_VOLUME, "volume"},
    {HOST_SOURCE_ADAPTERS, VESK_HOSTID_KIND_ADAPTER, "adapters"},
    {HOST_SOURCE_ADDRESSES, VESK_HOSTID_KIND_IPV4, "addresses"},
};

static void add_sources(ExplainDraft *draft, const HostIdRecord *head, unsigned unreadable) {
    for (const auto &source : explained_sources) {
        size_t found = 0;
        for (const HostIdRecord *record = head; record != NULL; record = record->next) {
            found += record->kind == source.kind;
        }
        ExplainEntry *entry = explain_add(draft, VESK_HOSTID_ITEM_SOURCE, source.kind);
        if (entry == NULL) {
            return;
        }
        explain_put(entry->name, "%s", source.name);
        if ((unreadable & source.source) != 0) {
            explain_put(entry->reason, "could not be read");
            explain_put(entry->changes, "the list calls fail until it can be read; veskid "
                                        "prints the other sources' lines");
        } else if (found > 0) {
            explain_put(entry->reason, "identifiers");
            explain_put(entry->changes, "%lu read", (unsigned long)found);
        } else {
            explain_put(entry->reason, "none");
            explain_put(entry->changes, "no line of this kind");
        }
    }
}

/* ---- The addresses of the host's name -------------------------------------- */

/* Why an address that the collector passes over is left out; null for one
 * that it keeps. */
static const char *address_left_out_because(const unsigned char address[4]) {
    static const unsigned char loopback[4] = {127, 0, 0, 1};
    static const unsigned char zero[4] = {0, 0, 0, 0};
    if (memcmp(address, loopback, 4) == 0) {
        return "127.0.0.1: the loopback address, every host's";
    }
    if (memcmp(address, zero, 4) == 0) {
        return "0.0.0.0: no address";
    }
    return NULL;
}

static void explain_one_address(ExplainDraft *draft, const char *host_name,
                                const unsigned char address[4]) {
    const char *left_out = address_left_out_because(address);
    ExplainEntry *entry = left_out != NULL ? NULL
                                           : explain_find(draft, VESK_HOSTID_ITEM_IDENTIFIER,
                                                          VESK_HOSTID_KIND_IPV4, address, 4, true);
    if (entry == NULL) {
        bool repeated =
            left_out == NULL && explain_find(draft, VESK_HOSTID_ITEM_IDENTIFIER,
                                             VESK_HOSTID_KIND_IPV4, address, 4, false) != NULL;
        if (left_out == NULL && !repeated) {
            return; /* the collection did not see it: the answer changed in between */
        }
        entry = explain_add(draft, VESK_HOSTID_ITEM_LEFT_OUT, VESK_HOSTID_KIND_IPV4);
        if (entry == NULL) {
            return;
        }
        set_raw(entry, address, 4);
        entry->flags = explain_ipv4_flags(address);
        explain_put(entry->reason, "%s",
                    repeated ? "the same address again: its identifier is already listed"
                             : left_out);
        explain_put(entry->changes, "nothing: no address of this kind is ever an identifier");
    }
    explain_put(entry->name, "%s", host_name);
    explain_put(entry->origin, "the resolver");
    if (entry->what == VESK_HOSTID_ITEM_IDENTIFIER &&
        (entry->flags & VESK_HOSTID_FLAG_SHARED) != 0) {
        explain_put(entry->changes, "%s",
                    stability_changes(address[1] == 0 && address[2] == 1 && address[3] == 1
                                          ? STABILITY_ADDRESS_DEBIAN_LOOPBACK
                                          : STABILITY_ADDRESS_LOOPBACK));
    } else if (entry->what == VESK_HOSTID_ITEM_IDENTIFIER &&
               (entry->flags & VESK_HOSTID_FLAG_LINK_LOCAL) != 0) {
        explain_put(entry->changes, "%s", stability_changes(STABILITY_ADDRESS_LINK_LOCAL));
    }
}

#define EXPLAIN_HOST_NAME_SIZE 80 /* as the collector reads it */

/* Resolves the host's name as the collector does and explains each address. */
static void explain_addresses(const HostPlatform *platform, ExplainDraft *draft) {
    void *session = platform->open_session(platform);
    if (session == NULL) {
        return;
    }
    WSADATA wsa_data;
    memset(&wsa_data, 0, sizeof wsa_data);
    if (platform->wsa_startup(session, 0x0101, &wsa_data) == 0) {
        char host_name[EXPLAIN_HOST_NAME_SIZE + 1];
        memset(host_name, 0, sizeof host_name);
        if (platform->get_host_name(session, host_name, EXPLAIN_HOST_NAME_SIZE) != -1) {
            HostAnswer answer = HOST_ANSWER_UNREADABLE;
            struct hostent *host = platform->get_host_by_name(session, host_name, &answer);
            for (char **address = host != NULL ? host->h_addr_list : NULL;
                 address != NULL && *address != NULL; address++) {
                unsigned char raw[4];
                memcpy(raw, *address, sizeof raw);
                explain_one_address(draft, host_name, raw);
            }
        }
        platform->wsa_cleanup(session);
    }
    platform->close_session(session);
}

/* ---- Packing --------------------------------------------------------------- */

static size_t field_bytes(const char *field) {
    return strlen(field) + 1;
}

static const char *pack_field(char **pool, const char *field) {
    size_t length = field_bytes(field);
    char *copy = *pool;
    memcpy(copy, field, length);
    *pool += length;
    return copy;
}

/* One allocation: the items, then their strings. */
static vesk_hostid_item *pack_draft(const ExplainDraft *draft) {
    bool raw = (draft->options & VESK_HOSTID_EXPLAIN_RAW) != 0;
    size_t strings = 0;
    for (size_t i = 0; i < draft->count; i++) {
        const ExplainEntry *entry = &draft->entries[i];
        strings += field_bytes(entry->name) + field_bytes(entry->origin) +
                   field_bytes(entry->reason) + field_bytes(entry->changes) +
                   (raw ? field_bytes(entry->raw) : 0);
    }
    size_t head = draft->count * sizeof(vesk_hostid_item);
    vesk_hostid_item *items = (vesk_hostid_item *)malloc(head + strings > 0 ? head + strings : 1);
    if (items == NULL) {
        return NULL;
    }
    char *pool = (char *)items + head;
    size_t next = 0;
    for (int what = VESK_HOSTID_ITEM_IDENTIFIER; what <= VESK_HOSTID_ITEM_HOST; what++) {
        for (size_t i = 0; i < draft->count; i++) {
            const ExplainEntry *entry = &draft->entries[i];
            if (entry->what != what) {
                continue;
            }
            vesk_hostid_item *item = &items[next++];
            item->what = entry->what;
            item->kind = entry->kind;
            item->letter = entry->kind != 0 ? vesk_hostid_letter(entry->kind) : '\0';
            memcpy(item->text, entry->text, sizeof item->text);
            item->flags = entry->flags;
            item->name = pack_field(&pool, entry->name);
            item->origin = pack_field(&pool, entry->origin);
            item->reason = pack_field(&pool, entry->reason);
            item->changes = pack_field(&pool, entry->changes);
            item->raw = raw ? pack_field(&pool, entry->raw) : NULL;
        }
    }
    return items;
}

/* ---- The call -------------------------------------------------------------- */

int host_id_explain_on(const HostPlatform *platform, unsigned options, vesk_hostid_item **items,
                       size_t *count) {
    if (items != NULL) {
        *items = NULL;
    }
    if (count != NULL) {
        *count = 0;
    }
    if (items == NULL || count == NULL) {
        return FAILURE;
    }
    ExplainDraft draft = {NULL, 0, 0, options, false};
    unsigned unreadable = 0;
    HostIdRecord *head = collect_host_ids_from(platform, HOST_SOURCES_ALL, &unreadable);
    HashTable set;
    bool lost = vesk_hash_init(&set, 2, NULL, NULL, 0) != SUCCESS;
    if (!lost) {
        select_host_ids(head, VESK_HOSTID_ALL, &set, add_identifier, &draft, &lost);
        vesk_hash_destroy(&set);
    }
    add_sources(&draft, head, unreadable);
    free_host_id_list(head);
    if (!lost && !draft.lost) {
        explain_addresses(platform, &draft);
    }
    if (!lost && !draft.lost && platform->explain != NULL) {
        platform->explain(platform, &draft);
    }
    vesk_hostid_item *packed = lost || draft.lost ? NULL : pack_draft(&draft);
    size_t packed_count = draft.count;
    explain_draft_free(&draft);
    if (packed == NULL) {
        return FAILURE;
    }
    *items = packed;
    *count = packed_count;
    return SUCCESS;
}

int vesk_hostid_explain(unsigned options, vesk_hostid_item **items, size_t *count) {
    return host_id_explain_on(&native_host_platform, options, items, count);
}

void vesk_hostid_explain_free(vesk_hostid_item *items) {
    free(items);
}

ExplainEntry *explain_add_finding(ExplainDraft *draft, const char *name, const char *origin) {
    ExplainEntry *entry = explain_add(draft, VESK_HOSTID_ITEM_HOST, 0);
    if (entry != NULL) {
        explain_put(entry->name, "%s", name);
        explain_put(entry->origin, "%s", origin);
    }
    return entry;
}
