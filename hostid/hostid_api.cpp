/*
 * hostid_api.cpp - the host identifiers as a library: the selection that
 * veskid prints, lists of it for an application, checking a typed text, and
 * the encoder.
 *
 * The selection is written once, here: veskid's report prints what
 * select_host_ids visits, and the list calls store the same records.  So an
 * application sees exactly the lines of `veskid id` and `veskid allid`.
 */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "hostid_private.h"
#include "platform.h"
#include "vesk_hostid.h"

/* ---- The selection ---------------------------------------------------------- */

char vesk_hostid_letter(int32_t kind) {
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
 * selects. */
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

/* Every text goes into the set before its kind is looked at, so a text is
 * selected at most once whatever kinds are asked for. */
size_t select_host_ids(const HostIdRecord *head, int all_kinds, HashTable *set,
                       host_id_visit_t visit, void *context) {
    size_t selected = 0;
    for (const HostIdRecord *record = head; record != NULL; record = record->next) {
        if (!text_is_new(set, head, record)) {
            continue;
        }
        if (!all_kinds && !host_id_is_primary(record->kind)) {
            continue;
        }
        selected++;
        visit(record, context);
    }
    return selected;
}

/* ---- Lists ------------------------------------------------------------------ */

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

/* The sources a selection reads: the adapters alone for the primary
 * identifiers, every source for all of them. */
static unsigned sources_of_selection(int all_kinds) {
    return all_kinds ? HOST_SOURCES_ALL : HOST_SOURCE_ADAPTERS;
}

/* Collects what the selection needs and selects into the sink; with grow,
 * the sink's array is allocated to the list's length first.  FAILURE when
 * nothing at all could be read from the host or the array cannot be had. */
static int list_host_ids(int all_kinds, ListSink *sink, int grow) {
    int readable = 0;
    HostIdRecord *head = collect_needed_host_ids(sources_of_selection(all_kinds), &readable);
    if (!readable) {
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
    /* Without a set (its slots could not be had) earlier texts decide, as in
     * veskid's report. */
    HashTable set;
    int set_ready = vesk_hash_init(&set, 2, NULL, NULL, 0) == SUCCESS;
    select_host_ids(head, all_kinds, set_ready ? &set : NULL, store_host_id, sink);
    if (set_ready) {
        vesk_hash_destroy(&set);
    }
    free_host_id_list(head);
    return SUCCESS;
}

static int selection_is_known(int selection) {
    return selection == VESK_HOSTID_PRIMARY || selection == VESK_HOSTID_ALL;
}

int vesk_hostid_list(int selection, vesk_hostid **ids, size_t *count) {
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
    if (!selection_is_known(selection) || list_host_ids(selection, &sink, 1) != SUCCESS) {
        return FAILURE;
    }
    *ids = sink.ids;
    *count = sink.count;
    return SUCCESS;
}

void vesk_hostid_list_free(vesk_hostid *ids) {
    free(ids);
}

int vesk_hostid_list_into(int selection, vesk_hostid *ids, size_t capacity, size_t *count) {
    if (count != NULL) {
        *count = 0;
    }
    if (count == NULL || (ids == NULL && capacity > 0)) {
        return FAILURE;
    }
    ListSink sink = {ids, capacity, 0};
    if (!selection_is_known(selection) || list_host_ids(selection, &sink, 0) != SUCCESS) {
        return FAILURE;
    }
    *count = sink.count;
    return sink.count <= capacity ? SUCCESS : FAILURE;
}

/* ---- Checking ------------------------------------------------------------------ */

static int is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

static char upper(char c) {
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

/* The value of an alphabet character, capital or not; -1 for any other. */
static int symbol_value(char c) {
    const char *at = c != '\0' ? strchr(host_id_alphabet, upper(c)) : NULL;
    return at != NULL ? (int)(at - host_id_alphabet) : -1;
}

/* The kind a prefix letter names, or -1 for U (every other kind) and -2 for
 * a letter that names none. */
static int prefix_kind(char letter) {
    switch (upper(letter)) {
    case 'I':
        return HOST_ID_KIND_IPV4;
    case 'M':
        return HOST_ID_KIND_ADAPTER;
    case 'C':
        return HOST_ID_KIND_C;
    case 'H':
        return HOST_ID_KIND_VOLUME;
    case 'L':
        return HOST_ID_KIND_L;
    case 'U':
        return -1;
    default:
        return -2;
    }
}

/* Records the fault; nothing of a text is left in the result. */
static int fail(vesk_hostid_check *result, int fault, int group, size_t position) {
    memset(result, 0, sizeof *result);
    result->fault = fault;
    result->group = group;
    result->position = position;
    return FAILURE;
}

/* The group whose check character is wrong: with a kind to go by, the first
 * group that does not give it; otherwise the one group that disagrees with
 * three others, or 0 when no single group does. */
static int group_at_fault(const int checks[4], int expected) {
    if (expected < 0) {
        for (int candidate = 0; candidate < 4; candidate++) {
            int agreeing = 0;
            for (int g = 0; g < 4; g++) {
                agreeing += checks[g] == checks[candidate];
            }
            if (agreeing == 3) {
                expected = checks[candidate];
                break;
            }
        }
        if (expected < 0) {
            return 0;
        }
    }
    for (int g = 0; g < 4; g++) {
        if (checks[g] != expected) {
            return g + 1;
        }
    }
    return 0;
}

int vesk_hostid_check_text(const char *input, size_t length, vesk_hostid_check *result) {
    if (result == NULL) {
        return FAILURE;
    }
    memset(result, 0, sizeof *result);
    if (input == NULL) {
        return fail(result, VESK_HOSTID_FAULT_NULL, 0, 0);
    }
    /* A length that runs past the end of the address space (SIZE_MAX among
     * them) is no length: the text ends at its first NUL. */
    if (length > UINTPTR_MAX - (uintptr_t)input) {
        length = strlen(input);
    }
    size_t start = 0, end = length;
    while (start < end && is_blank(input[start])) {
        start++;
    }
    while (end > start && is_blank(input[end - 1])) {
        end--;
    }
    if (start == end) {
        return fail(result, VESK_HOSTID_FAULT_EMPTY, 0, 0);
    }
    const char *nul = (const char *)memchr(input + start, '\0', end - start);
    if (nul != NULL) {
        return fail(result, VESK_HOSTID_FAULT_NUL, 0, (size_t)(nul - input));
    }
    /* A byte outside ASCII is part of a character that looks like one of the
     * alphabet, or like nothing, and is counted as several: it is named
     * before the length is, so that whoever sees 23 characters learns why. */
    for (size_t i = start; i < end; i++) {
        if ((unsigned char)input[i] >= 0x80) {
            return fail(result, VESK_HOSTID_FAULT_CHARACTER, 0, i);
        }
    }

    int wanted = -3; /* no prefix */
    if (end - start >= 2 && input[start + 1] == ':') {
        wanted = prefix_kind(input[start]);
        if (wanted == -2) {
            return fail(result, VESK_HOSTID_FAULT_PREFIX, 0, start);
        }
        start += 2;
    }
    if (end - start != VESK_HOSTID_TEXT_LENGTH) {
        return fail(result, VESK_HOSTID_FAULT_LENGTH, 0, start);
    }

    int checks[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < VESK_HOSTID_TEXT_LENGTH; i++) {
        char c = input[start + i];
        int group = (int)(i / 6) + 1;
        if (i % 6 == 5 || c == '-') {
            if (i % 6 != 5 || c != '-') {
                return fail(result, VESK_HOSTID_FAULT_DASH, group, start + i);
            }
            continue;
        }
        int value = symbol_value(c);
        if (value < 0) {
            char u = upper(c);
            int confusable = u == '0' || u == '1' || u == 'I' || u == 'O';
            return fail(result,
                        confusable ? VESK_HOSTID_FAULT_CONFUSABLE : VESK_HOSTID_FAULT_CHARACTER,
                        group, start + i);
        }
        checks[group - 1] ^= value;
        result->text[i] = host_id_alphabet[value];
    }
    result->text[5] = result->text[11] = result->text[17] = '-';

    int expected = wanted >= 0 ? wanted & 0x1F : -1;
    int group = group_at_fault(checks, expected);
    int agree = checks[0] == checks[1] && checks[1] == checks[2] && checks[2] == checks[3];
    if (!agree) {
        return fail(result, VESK_HOSTID_FAULT_CHECK, group,
                    group > 0 ? start + (size_t)(group - 1) * 6 + 4 : start);
    }
    int32_t kind = checks[0];
    if (wanted >= 0 ? kind != wanted
                    : wanted == -1 && prefix_kind(vesk_hostid_letter(kind)) != -1) {
        return fail(result, VESK_HOSTID_FAULT_PREFIX_KIND, 0, start - 2);
    }
    result->kind = kind;
    result->letter = vesk_hostid_letter(kind);
    return SUCCESS;
}

const char *vesk_hostid_fault_message(int fault) {
    switch (fault) {
    case VESK_HOSTID_FAULT_NONE:
        return "The identifier is well formed.";
    case VESK_HOSTID_FAULT_NULL:
        return "No identifier was given, or no place for the answer (a null pointer).";
    case VESK_HOSTID_FAULT_EMPTY:
        return "The identifier is empty.";
    case VESK_HOSTID_FAULT_NUL:
        return "The identifier contains a NUL byte.";
    case VESK_HOSTID_FAULT_PREFIX:
        return "The letter before the colon names no kind of identifier (I, M, C, H, L or U).";
    case VESK_HOSTID_FAULT_LENGTH:
        return "An identifier is 23 characters long: four groups of five joined by dashes.";
    case VESK_HOSTID_FAULT_DASH:
        return "A dash is missing or out of place: the groups are five characters each.";
    case VESK_HOSTID_FAULT_CONFUSABLE:
        return "The digits 0 and 1 and the letters I and O never appear in an identifier; "
               "check the character against the original.";
    case VESK_HOSTID_FAULT_CHARACTER:
        return "A character is not one of A-Z (without I and O) or 2-9; an invisible or "
               "look-alike character (a non-breaking space, a byte-order mark, an en dash, a "
               "Cyrillic or full-width letter) may be there: type the identifier again.";
    case VESK_HOSTID_FAULT_CHECK:
        return "A character is wrong: a group's check character does not match.";
    case VESK_HOSTID_FAULT_PREFIX_KIND:
        return "The letter before the colon does not match the kind of the identifier.";
    case VESK_HOSTID_FAULT_HOST:
        return "This host's identifiers could not be read.";
    default:
        return "Unknown fault.";
    }
}

/* The source whose identifiers have this kind; none for the kinds that no
 * source gives. */
static unsigned sources_of_kind(int32_t kind) {
    switch (kind) {
    case HOST_ID_KIND_VOLUME:
        return HOST_SOURCE_VOLUME;
    case HOST_ID_KIND_ADAPTER:
        return HOST_SOURCE_ADAPTERS;
    case HOST_ID_KIND_IPV4:
        return HOST_SOURCE_ADDRESSES;
    default:
        return 0;
    }
}

int vesk_hostid_has(const char *input, size_t length, int *present, vesk_hostid_check *result) {
    if (present == NULL) {
        return result != NULL ? fail(result, VESK_HOSTID_FAULT_NULL, 0, 0) : FAILURE;
    }
    *present = 0;
    if (vesk_hostid_check_text(input, length, result) != SUCCESS) {
        return FAILURE;
    }
    /* Only the source that can give a text of this kind is read; the others
     * only when it gives nothing, to tell an absent text from a host that
     * could not be read. */
    int readable = 0;
    HostIdRecord *head = collect_needed_host_ids(sources_of_kind(result->kind), &readable);
    if (!readable) {
        return fail(result, VESK_HOSTID_FAULT_HOST, 0, 0);
    }
    for (const HostIdRecord *record = head; record != NULL && !*present; record = record->next) {
        *present = strcmp(record->text, result->text) == 0;
    }
    free_host_id_list(head);
    return SUCCESS;
}

/* ---- Encoding -------------------------------------------------------------------- */

/* The raw length each collected kind has; -1 for kinds the collector does
 * not produce. */
static long raw_length_of(int32_t kind) {
    switch (kind) {
    case HOST_ID_KIND_IPV4:
    case HOST_ID_KIND_VOLUME:
        return 4;
    case HOST_ID_KIND_ADAPTER:
        return 6;
    default:
        return -1;
    }
}

int vesk_hostid_encode(const void *raw, size_t raw_length, int32_t kind,
                       char text[VESK_HOSTID_TEXT_LENGTH + 1]) {
    if (text == NULL) {
        return FAILURE;
    }
    text[0] = '\0';
    long wanted = raw_length_of(kind);
    if ((raw == NULL && raw_length > 0) || raw_length > INT32_MAX ||
        (wanted >= 0 && raw_length != (size_t)wanted)) {
        return FAILURE;
    }
    static const unsigned char nothing[1] = {0};
    unsigned char digest[HOST_ID_DIGEST_SIZE];
    if (digest_host_id(raw != NULL ? (const unsigned char *)raw : nothing, (int32_t)raw_length,
                       kind, digest) != 0) {
        return FAILURE;
    }
    encode_host_id(digest, text, kind);
    return SUCCESS;
}
