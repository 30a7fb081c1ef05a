/*
 * encode.h - the digest of a host identifier and its text (encode.cpp).
 *
 * The raw bytes followed by the kind (4 bytes, little endian) are digested
 * with MD5, and the digest is written as a 23-character text: four groups of
 * four data characters and one check character, joined by dashes, over the
 * alphabet "ABCDEFGHJKLMNPQRSTUVWXYZ23456789".
 */
#ifndef VESK_HOSTID_ENCODE_H
#define VESK_HOSTID_ENCODE_H

#include <stdint.h>

#include "digest.h"      /* HOST_ID_DIGEST_SIZE */
#include "kinds.h"       /* HostIdKind */
#include "vesk_hostid.h" /* the kinds, the text length, SUCCESS and FAILURE */

#define HOST_ID_TEXT_SIZE 64 /* room in a record: the text and its NUL, and more */

/* MD5 of the raw bytes followed by the kind as 4 little-endian bytes, into
 * digest.  SUCCESS, or FAILURE when the digest could not be computed (digest
 * is then not to be used). */
int digest_host_id(const unsigned char *raw, int32_t raw_length, HostIdKind kind,
                   unsigned char digest[HOST_ID_DIGEST_SIZE]);

/* Writes the 23-character text of the digest and a NUL into text, which has
 * room for at least 24 bytes.  The check character of each group is the XOR
 * of its four data symbols and the kind, cut to 5 bits. */
void encode_host_id(const unsigned char digest[HOST_ID_DIGEST_SIZE], char *text, HostIdKind kind);

/* The 32 characters of an identifier's text, symbol 0 to 31: A to Z without
 * I and O, then 2 to 9. */
extern const char host_id_alphabet[33];

/* Writes value as 4 bytes, least significant first, whatever the host's order. */
static inline void put_le32(uint32_t value, unsigned char bytes[4]) {
    bytes[0] = (unsigned char)value;
    bytes[1] = (unsigned char)(value >> 8);
    bytes[2] = (unsigned char)(value >> 16);
    bytes[3] = (unsigned char)(value >> 24);
}

#endif
