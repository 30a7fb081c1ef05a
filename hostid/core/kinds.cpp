/*
 * kinds.cpp - what each kind of identifier is: its letter, whether `id`
 * selects it, the source that gives it and the raw length it has there.
 *
 * One table, read both ways: from a kind to its letter (what veskid prints)
 * and from a letter to its kind (the prefix of a typed text).
 */
#include <stddef.h>

#include "kinds.h"

typedef struct KindFacts {
    HostIdKind kind;
    char letter;
    const char *description;
    bool primary;    /* selected by `veskid id` */
    unsigned source; /* the HOST_SOURCE_* that gives it; 0 for none */
    long raw_length; /* its raw bytes from that source; -1 for none */
} KindFacts;

static const KindFacts kind_facts[] = {
    {VESK_HOSTID_KIND_IPV4, 'I', "an IPv4 address of the host's name", false, HOST_SOURCE_ADDRESSES,
     4},
    {VESK_HOSTID_KIND_ADAPTER, 'M', "a network adapter's address", true, HOST_SOURCE_ADAPTERS, 6},
    {VESK_HOSTID_KIND_C, 'C', NULL, true, 0, -1},
    {VESK_HOSTID_KIND_VOLUME, 'H', "the volume's serial number", false, HOST_SOURCE_VOLUME, 4},
    {VESK_HOSTID_KIND_L, 'L', NULL, false, 0, -1},
};

/* The letter of every kind not in the table. */
#define OTHER_KINDS_LETTER 'U'

static const KindFacts *facts_of(HostIdKind kind) {
    for (const KindFacts &facts : kind_facts) {
        if (facts.kind == kind) {
            return &facts;
        }
    }
    return NULL;
}

char vesk_hostid_letter(int32_t kind) {
    const KindFacts *facts = facts_of(kind);
    return facts != NULL ? facts->letter : OTHER_KINDS_LETTER;
}

int host_id_kind_of_letter(char letter) {
    char capital = ascii_capital(letter);
    if (capital == OTHER_KINDS_LETTER) {
        return HOST_ID_LETTER_OTHER_KINDS;
    }
    for (const KindFacts &facts : kind_facts) {
        if (facts.letter == capital) {
            return facts.kind;
        }
    }
    return HOST_ID_LETTER_UNKNOWN;
}

bool host_id_is_primary(HostIdKind kind) {
    const KindFacts *facts = facts_of(kind);
    return facts != NULL && facts->primary;
}

unsigned host_id_source_of_kind(HostIdKind kind) {
    const KindFacts *facts = facts_of(kind);
    return facts != NULL ? facts->source : 0;
}

const char *host_id_kind_description(HostIdKind kind) {
    const KindFacts *facts = facts_of(kind);
    return facts != NULL && facts->description != NULL
               ? facts->description
               : "a kind that no source of this system gives";
}

long host_id_raw_length_of(HostIdKind kind) {
    const KindFacts *facts = facts_of(kind);
    return facts != NULL ? facts->raw_length : -1;
}
