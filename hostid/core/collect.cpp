/*
 * collect.cpp - reading the host's identifiers into a list.
 *
 * Three sources, always in this order, each through the caller's platform:
 *
 *   1. the volume serial number of "C:\"             -> one kind-4 record,
 *      unless the serial could not be read or is 0
 *   2. NCBENUM, then per LANA NCBRESET and NCBASTAT  -> kind-2 records
 *   3. WSAStartup, gethostname, gethostbyname        -> kind-1 records,
 *      then WSACleanup after every successful start
 *
 * A caller may ask for some of them only; those asked for keep this order.
 * Each source read opens a platform session of its own and closes it when
 * done, so nothing of one collection is seen by another, on any thread.
 *
 * The list is built through a tail link: the address of the pointer that
 * receives the next record, at first the address of the head.  A source that
 * fails only leaves its records out, and says so: each source ends with its
 * identifiers, with none, or as could not be read (a service that could not
 * answer, a record that memory could not be had for), and the library's
 * calls fail on the last rather than answer from part of the host.  The
 * collector prints nothing.
 */
#include <stdlib.h>
#include <string.h>

#include "collect.h"

/* ---- Filters ------------------------------------------------------------ */

bool ip_address_is_usable(const unsigned char *raw, int32_t raw_length) {
    (void)raw_length;
    static const unsigned char loopback[4] = {0x7F, 0x00, 0x00, 0x01};
    static const unsigned char all_zero[4] = {0x00, 0x00, 0x00, 0x00};
    return memcmp(raw, loopback, 4) != 0 && memcmp(raw, all_zero, 4) != 0;
}

/* True when each of the count bytes equals value. */
static bool bytes_all_equal(const unsigned char *raw, int32_t count, unsigned char value) {
    for (int32_t i = 0; i < count; i++) {
        if (raw[i] != value) {
            return false;
        }
    }
    return true;
}

bool adapter_address_is_usable(const unsigned char *raw, int32_t raw_length) {
    return !bytes_all_equal(raw, raw_length, 0x00) && !bytes_all_equal(raw, raw_length, 0xFF);
}

static bool host_id_is_usable(const unsigned char *raw, int32_t raw_length, HostIdKind kind) {
    switch (kind) {
    case VESK_HOSTID_KIND_IPV4:
        return ip_address_is_usable(raw, raw_length);
    case VESK_HOSTID_KIND_ADAPTER:
        return adapter_address_is_usable(raw, raw_length);
    default:
        return true;
    }
}

/* ---- The list ----------------------------------------------------------- */

HostIdRecord **add_host_id(HostIdRecord **tail, const unsigned char *raw, int32_t raw_length,
                           HostIdKind kind) {
    if (raw_length < 0 || !host_id_is_usable(raw, raw_length, kind)) {
        return tail;
    }
    HostIdRecord *record = (HostIdRecord *)malloc(sizeof *record);
    if (record == NULL) {
        return tail;
    }
    memset(record, 0, sizeof *record);
    /* At least one byte, so that an empty identifier is not mistaken for an
     * allocation failure. */
    record->raw = (unsigned char *)malloc(raw_length > 0 ? (size_t)raw_length : 1);
    if (record->raw == NULL) {
        free(record);
        return tail;
    }
    if (raw_length > 0) {
        memcpy(record->raw, raw, (size_t)raw_length);
    }
    record->raw_length = raw_length;
    record->kind = kind;
    record->next = NULL;
    if (digest_host_id(record->raw, raw_length, kind, record->digest) != SUCCESS) {
        free(record->raw);
        free(record);
        return tail;
    }
    encode_host_id(record->digest, record->text, kind);

    /* Attached only once complete: a failed append leaves the list as it was. */
    *tail = record;
    return &record->next;
}

void free_host_id_list(HostIdRecord *head) {
    while (head != NULL) {
        HostIdRecord *next = head->next;
        free(head->raw);
        free(head);
        head = next;
    }
}

/* ---- Sources ------------------------------------------------------------ */

#define HOST_NAME_BUFFER_SIZE 80

/* What NCBASTAT fills: the adapter status and room for 30 names. */
typedef struct AdapterStatusBuffer {
    ADAPTER_STATUS status;
    NAME_BUFFER names[30];
} AdapterStatusBuffer;

static_assert(sizeof(AdapterStatusBuffer) == 600, "the status buffer is 600 bytes");

/* Where a source's records go, and whether the source was read whole. */
typedef struct SourceReading {
    HostIdRecord **tail;
    bool unreadable; /* set once anything of the source could not be read */
} SourceReading;

/* Appends as add_host_id does.  Bytes that pass their filter and still give
 * no record (no memory for it, no digest) leave the source unreadable: an
 * identifier the host has must never be missing from a list said to be
 * whole. */
static void append_host_id(SourceReading *reading, const unsigned char *raw, int32_t raw_length,
                           HostIdKind kind) {
    HostIdRecord **next = add_host_id(reading->tail, raw, raw_length, kind);
    if (next == reading->tail && raw_length >= 0 && host_id_is_usable(raw, raw_length, kind)) {
        reading->unreadable = true;
    }
    reading->tail = next;
}

/* The NetBIOS return codes that say the host could not answer, rather than
 * that an adapter is not there. */
static bool netbios_could_not_answer(unsigned char code) {
    return code == NRC_SYSTEM || code == NRC_NORESOURCES || code == NRC_OSRESNOTAV;
}

/* A serial that is 0, or that the host has not, gives no record: one
 * identifier for every host whose query fails would let one licence serve
 * them all. */
static void collect_volume(const HostPlatform *platform, void *session, SourceReading *reading) {
    uint32_t serial = 0;
    HostAnswer answer = platform->volume_serial(session, "C:\\", &serial);
    if (answer == HOST_ANSWER_UNREADABLE) {
        reading->unreadable = true;
    }
    if (answer != HOST_ANSWER_FOUND || serial == 0) {
        return;
    }
    unsigned char raw[4];
    put_le32(serial, raw);
    append_host_id(reading, raw, sizeof raw, VESK_HOSTID_KIND_VOLUME);
}

static void collect_adapters(const HostPlatform *platform, void *session, SourceReading *reading) {
    NCB ncb;
    LANA_ENUM lanas;
    AdapterStatusBuffer status;

    /* A failed enumeration leaves the count byte 0: no adapter is walked. */
    memset(&lanas, 0, sizeof lanas);
    memset(&ncb, 0, sizeof ncb);
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = (unsigned char *)&lanas;
    ncb.ncb_length = sizeof lanas;
    if (netbios_could_not_answer(platform->netbios(session, &ncb))) {
        reading->unreadable = true;
    }

    /* The count byte is at most 255, and lana has 255 entries. */
    for (unsigned int i = 0; i < lanas.length; i++) {
        unsigned char lana = lanas.lana[i];

        /* The reset's return code does not matter: the status is asked all the same. */
        memset(&ncb, 0, sizeof ncb);
        ncb.ncb_command = NCBRESET;
        ncb.ncb_lana_num = lana;
        platform->netbios(session, &ncb);

        /* Cleared every time, so that a status that reports success without
         * writing reads as an all-zero address, which the filter rejects. */
        memset(&status, 0, sizeof status);
        memset(&ncb, 0, sizeof ncb);
        ncb.ncb_command = NCBASTAT;
        ncb.ncb_lana_num = lana;
        memcpy(ncb.ncb_callname, "*               ", NCBNAMSZ);
        ncb.ncb_buffer = (unsigned char *)&status;
        ncb.ncb_length = sizeof status;
        unsigned char code = platform->netbios(session, &ncb);
        if (code == NRC_GOODRET) {
            append_host_id(reading, status.status.adapter_address, 6, VESK_HOSTID_KIND_ADAPTER);
        } else if (netbios_could_not_answer(code)) {
            reading->unreadable = true;
        }
    }
}

static void collect_ip_addresses(const HostPlatform *platform, void *session,
                                 SourceReading *reading) {
    WSADATA wsa_data;
    memset(&wsa_data, 0, sizeof wsa_data);
    if (platform->wsa_startup(session, 0x0101, &wsa_data) != 0) {
        reading->unreadable = true;
        return;
    }

    /* One byte more than the platform may fill, so that the name is always
     * terminated, even when all 80 bytes are name. */
    char host_name[HOST_NAME_BUFFER_SIZE + 1];
    memset(host_name, 0, sizeof host_name);
    if (platform->get_host_name(session, host_name, HOST_NAME_BUFFER_SIZE) != -1) {
        host_name[HOST_NAME_BUFFER_SIZE] = '\0';
        HostAnswer answer = HOST_ANSWER_UNREADABLE;
        struct hostent *host = platform->get_host_by_name(session, host_name, &answer);
        if (host == NULL && answer != HOST_ANSWER_NONE) {
            reading->unreadable = true;
        }
        if (host != NULL && host->h_addr_list != NULL) {
            for (char **address = host->h_addr_list; *address != NULL; address++) {
                unsigned char raw[4];
                memcpy(raw, *address, sizeof raw);
                append_host_id(reading, raw, sizeof raw, VESK_HOSTID_KIND_IPV4);
            }
        }
    } else {
        reading->unreadable = true;
    }
    platform->wsa_cleanup(session);
}

/* ---- Collection --------------------------------------------------------- */

typedef void (*source_reader_t)(const HostPlatform *platform, void *session,
                                SourceReading *reading);

/* The sources in collection order, which is also cheapest first. */
static const struct {
    unsigned source;
    source_reader_t read;
} sources_in_order[] = {
    {HOST_SOURCE_VOLUME, collect_volume},
    {HOST_SOURCE_ADAPTERS, collect_adapters},
    {HOST_SOURCE_ADDRESSES, collect_ip_addresses},
};

HostIdRecord *collect_host_ids_from(const HostPlatform *platform, unsigned sources,
                                    unsigned *unreadable) {
    HostIdRecord *head = NULL;
    SourceReading reading = {&head, false};
    unsigned failed = 0;
    for (const auto &source : sources_in_order) {
        if ((sources & source.source) == 0) {
            continue;
        }
        reading.unreadable = false;
        void *session = platform->open_session(platform);
        if (session != NULL) {
            source.read(platform, session, &reading);
            platform->close_session(session);
        } else {
            reading.unreadable = true;
        }
        if (reading.unreadable) {
            failed |= source.source;
        }
    }
    if (unreadable != NULL) {
        *unreadable = failed;
    }
    return head;
}

HostIdRecord *collect_host_ids(void) {
    return collect_host_ids_from(&native_host_platform, HOST_SOURCES_ALL, NULL);
}

int collect_readable_host_ids(const HostPlatform *platform, unsigned sources, HostIdRecord **head) {
    unsigned unreadable = 0;
    *head = collect_host_ids_from(platform, sources, &unreadable);
    if (unreadable != 0) {
        free_host_id_list(*head);
        *head = NULL;
        return FAILURE;
    }
    return SUCCESS;
}

HostIdRecord *collect_needed_host_ids(const HostPlatform *platform, unsigned sources,
                                      bool *readable) {
    HostIdRecord *head = collect_host_ids_from(platform, sources, NULL);
    *readable = head != NULL;
    for (size_t i = 0; !*readable && i < sizeof sources_in_order / sizeof sources_in_order[0];
         i++) {
        unsigned other = sources_in_order[i].source;
        if ((sources & other) == 0) {
            HostIdRecord *found = collect_host_ids_from(platform, other, NULL);
            *readable = found != NULL;
            free_host_id_list(found);
        }
    }
    return head;
}
