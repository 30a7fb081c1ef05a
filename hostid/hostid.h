/*
 * hostid.h - host identifiers: collection, digest, text and report.
 *
 * A host identifier is one property of the host (a volume serial number, a
 * network adapter address, an IPv4 address of the host's own name) held as raw
 * bytes with its kind.  The raw bytes followed by the kind (4 bytes, little
 * endian) are digested with MD5, and the digest is written as a 23-character
 * text: four groups of four data characters and one check character, joined
 * by dashes, over the alphabet "ABCDEFGHJKLMNPQRSTUVWXYZ23456789".
 *
 * The collector returns the identifiers as a singly linked list in collection
 * order; the caller owns the list and releases it with free_host_id_list.
 */
#ifndef VESK_HOSTID_INTERNAL_H
#define VESK_HOSTID_INTERNAL_H

#include <stdint.h>

#include "vesk_hostid.h" /* the kinds and the text length, named once there */

/* ---- Records ------------------------------------------------------------ */

typedef int32_t HostIdKind;

/* The kinds with a letter of their own.  The collector produces kinds 1, 2
 * and 4; kinds 3 and 5 have no source here but keep their letters, and every
 * other value is still a valid kind for the digest, the text and the report
 * (letter U). */
enum {
    HOST_ID_KIND_IPV4 = VESK_HOSTID_KIND_IPV4,       /* I: 4 bytes, network byte order */
    HOST_ID_KIND_ADAPTER = VESK_HOSTID_KIND_ADAPTER, /* M: 6 bytes, as the status has them */
    HOST_ID_KIND_C = 3,                              /* C: primary, no source */
    HOST_ID_KIND_VOLUME = VESK_HOSTID_KIND_VOLUME,   /* H: 4 bytes, the serial little endian */
    HOST_ID_KIND_L = 5                               /* L: no source */
};

#define HOST_ID_DIGEST_SIZE 16
#define HOST_ID_TEXT_LENGTH VESK_HOSTID_TEXT_LENGTH /* characters, without the NUL */
#define HOST_ID_TEXT_SIZE 64

/* One collected identifier; the record owns its raw copy. */
typedef struct HostIdRecord {
    HostIdKind kind;
    int32_t raw_length;        /* bytes at raw */
    unsigned char *raw;        /* the record's own copy of the raw bytes */
    struct HostIdRecord *next; /* null in the last record */
    unsigned char digest[HOST_ID_DIGEST_SIZE];
    char text[HOST_ID_TEXT_SIZE]; /* HOST_ID_TEXT_LENGTH characters and a NUL */
} HostIdRecord;

/* ---- Collection --------------------------------------------------------- */

/* Reads the volume serial number, the adapter addresses and the IPv4
 * addresses of the host's name, in that order, from the current platform
 * (see platform.h).  Returns the head of a new list, null when nothing was
 * appended.  The kind-4 record, when there is one, is first. */
HostIdRecord *collect_host_ids(void);

/* Appends one record at the tail link (the address of the pointer that is to
 * receive it) when the raw bytes pass the filter of their kind: kind 1 through
 * ip_address_is_usable (which reads 4 bytes), kind 2 through
 * adapter_address_is_usable, every other kind unfiltered.  Returns the address
 * of the new record's next field.  A rejected identifier, a negative count, or
 * a record, raw copy or digest that cannot be made leaves nothing behind and
 * returns the tail link unchanged. */
HostIdRecord **add_host_id(HostIdRecord **tail, const unsigned char *raw, int32_t raw_length,
                           HostIdKind kind);

/* Nonzero unless the first 4 bytes are 127.0.0.1 or 0.0.0.0.  raw_length is
 * not used: raw must hold at least 4 bytes. */
int ip_address_is_usable(const unsigned char *raw, int32_t raw_length);

/* Nonzero unless all raw_length bytes are 0x00 or all are 0xFF. */
int adapter_address_is_usable(const unsigned char *raw, int32_t raw_length);

/* Releases every record of the list and its raw copy; head may be null. */
void free_host_id_list(HostIdRecord *head);

/* ---- Digest and text ---------------------------------------------------- */

/* MD5 of the raw bytes followed by the kind as 4 little-endian bytes, into
 * digest.  Returns 0, or -1 when the digest could not be computed (digest is
 * then not to be used). */
int digest_host_id(const unsigned char *raw, int32_t raw_length, HostIdKind kind,
                   unsigned char digest[HOST_ID_DIGEST_SIZE]);

/* Writes the 23-character text of the digest and a NUL into text, which has
 * room for at least 24 bytes.  The check character of each group is the XOR
 * of its four data symbols and the kind, cut to 5 bits. */
void encode_host_id(const unsigned char digest[HOST_ID_DIGEST_SIZE], char *text, HostIdKind kind);

/* ---- Report ------------------------------------------------------------- */

/* Writes the usage banner to standard output. */
void print_usage(void);

/* Collects the identifiers once and prints, one "%c:%s\n" line each, the
 * texts not seen before in this call: every kind when all_kinds is nonzero,
 * otherwise only kinds 2 and 3, followed by a hint when none was printed.
 * Returns 0, or -1 after writing "Cannot get ID!" to standard error when the
 * list was empty. */
int report_host_ids(int all_kinds);

/* Runs the command named by argv[1]: none or "id" reports the primary
 * identifiers, "allid" all of them, any other word prints the usage banner.
 * Further arguments are ignored. */
void dispatch_command(int argc, const char *const *argv);

#endif
