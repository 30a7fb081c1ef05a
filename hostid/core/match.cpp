/*
 * match.cpp - a licence's lines against this host: each line checked, the
 * host read once for the kinds the well-formed lines have, each identifier
 * looked up among the host's.
 */
#include "match.h"

#include <stdlib.h>
#include <string.h>

#include "collect.h"
#include "kinds.h"
#include "lines.h"

bool host_id_is_shared(const char *text) {
    /* Debian and its derivatives give the host's own name 127.0.1.1 in
     * /etc/hosts; 127.0.0.1 is every host's. */
    static const unsigned char loopbacks[][4] = {{127, 0, 1, 1}, {127, 0, 0, 1}};
    for (const auto &address : loopbacks) {
        char shared[VESK_HOSTID_TEXT_LENGTH + 1];
        if (vesk_hostid_encode(address, sizeof address, VESK_HOSTID_KIND_IPV4, shared) == SUCCESS &&
            strcmp(shared, text) == 0) {
            return true;
        }
    }
    return false;
}

/* Checks every line into result->lines (allocated here); the sources the
 * well-formed lines need into *sources.  FAILURE when memory ran out. */
static int check_lines(const char *block, size_t end, vesk_hostid_match_result *result,
                       unsigned *sources) {
    size_t capacity = 0;
    for (size_t i = 0; i < end; i++) {
        capacity += block[i] == '\n';
    }
    capacity++;
    result->lines = (vesk_hostid_match_line *)calloc(capacity, sizeof *result->lines);
    if (result->lines == NULL) {
        return FAILURE;
    }
    size_t number = 0;
    for (size_t start = 0;;) {
        size_t stop = end;
        bool more = host_id_line_at(block, end, start, &stop);
        number++;
        if (!host_id_line_is_blank(block + start, stop - start)) {
            vesk_hostid_match_line *line = &result->lines[result->count++];
            line->line = number;
            line->start = start;
            if (vesk_hostid_check_text(block + start, stop - start, &line->check) == SUCCESS) {
                line->shared = host_id_is_shared(line->check.text);
                *sources |= host_id_source_of_kind(line->check.kind);
            } else {
                line->verdict = VESK_HOSTID_MATCH_MALFORMED;
            }
        }
        if (!more) {
            break;
        }
        start = stop + 1;
    }
    return SUCCESS;
}

static bool host_has(const HostIdRecord *head, const char *text) {
    for (const HostIdRecord *record = head; record != NULL; record = record->next) {
        if (strcmp(record->text, text) == 0) {
            return true;
        }
    }
    return false;
}

int host_id_match_on(const HostPlatform *platform, const char *block, size_t length,
                     vesk_hostid_match_result **result) {
    if (result == NULL) {
        return FAILURE;
    }
    *result = NULL;
    if (block == NULL) {
        return FAILURE;
    }
    vesk_hostid_match_result *match = (vesk_hostid_match_result *)calloc(1, sizeof *match);
    unsigned sources = 0;
    if (match == NULL ||
        check_lines(block, host_id_block_end(block, length), match, &sources) != SUCCESS) {
        vesk_hostid_match_free(match);
        return FAILURE;
    }
    /* Once, whatever the number of lines; nothing when no line needs the host. */
    HostIdRecord *head = NULL;
    if (sources != 0 && collect_readable_host_ids(platform, sources, &head) != SUCCESS) {
        vesk_hostid_match_free(match);
        return FAILURE;
    }
    for (size_t i = 0; i < match->count; i++) {
        vesk_hostid_match_line *line = &match->lines[i];
        if (line->verdict != VESK_HOSTID_MATCH_MALFORMED) {
            line->verdict = host_has(head, line->check.text) ? VESK_HOSTID_MATCH_PRESENT
                                                             : VESK_HOSTID_MATCH_ABSENT;
        }
        match->present += line->verdict == VESK_HOSTID_MATCH_PRESENT;
        match->absent += line->verdict == VESK_HOSTID_MATCH_ABSENT;
        match->malformed += line->verdict == VESK_HOSTID_MATCH_MALFORMED;
        match->shared += line->shared != 0;
    }
    free_host_id_list(head);
    *result = match;
    return SUCCESS;
}

int vesk_hostid_match(const char *block, size_t length, vesk_hostid_match_result **result) {
    return host_id_match_on(&native_host_platform, block, length, result);
}

void vesk_hostid_match_free(vesk_hostid_match_result *result) {
    if (result != NULL) {
        free(result->lines);
        free(result);
    }
}
