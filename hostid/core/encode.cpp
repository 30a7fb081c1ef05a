/*
 * encode.cpp - the digest of a host identifier and its text.
 *
 * The digest is MD5 (the platform layer's, digest.h) over
 * the raw bytes followed by the kind as 4 little-endian bytes.  The text
 * keeps 80 of the 128 digest bits: each pair of digest bytes (a, b) gives two
 * 5-bit symbols, the low 5 bits of a, then the top 3 bits of a with the low 2
 * bits of b above them.
 * Two pairs make the four data symbols of a group; the group's check symbol
 * makes the XOR of all five equal the kind's low 5 bits.
 *
 *   digest   d0 d1 d2 d3 | d4 d5 d6 d7 | d8 .. d11 | d12 .. d15
 *   text     s s s s c - s s s s c - s s s s c - s s s s c
 */
#include <stdint.h>

#include "encode.h"

#include "kinds.h"

const char host_id_alphabet[33] = "ABCDEFGHJKLMNPQRSTUVWXYZ23456789";

int digest_host_id(const unsigned char *raw, int32_t raw_length, HostIdKind kind,
                   unsigned char digest[HOST_ID_DIGEST_SIZE]) {
    if (raw_length < 0) {
        return FAILURE;
    }
    /* The kind's two's-complement bytes, least significant first, on any host. */
    unsigned char kind_bytes[4];
    put_le32((uint32_t)kind, kind_bytes);
    return md5_of_two_parts(raw, (size_t)raw_length, kind_bytes, sizeof kind_bytes, digest);
}

void encode_host_id(const unsigned char digest[HOST_ID_DIGEST_SIZE], char *text, HostIdKind kind) {
    char *out = text;
    for (int group = 0; group < 4; group++) {
        unsigned int check = 0; /* starts afresh in every group */
        for (int pair = 0; pair < 2; pair++) {
            unsigned int a = digest[group * 4 + pair * 2];
            unsigned int b = digest[group * 4 + pair * 2 + 1];
            unsigned int first = a & 0x1F;
            unsigned int second = (a >> 5) | ((b & 0x03) << 3);
            *out++ = host_id_alphabet[first];
            *out++ = host_id_alphabet[second];
            check ^= first ^ second;
        }
        *out++ = host_id_alphabet[(check ^ (uint32_t)kind) & 0x1F];
        if (group < 3) {
            *out++ = '-';
        }
    }
    *out = '\0';
}

int vesk_hostid_encode(const void *raw, size_t raw_length, int32_t kind,
                       char text[VESK_HOSTID_TEXT_LENGTH + 1]) {
    if (text == NULL) {
        return FAILURE;
    }
    text[0] = '\0';
    long wanted = host_id_raw_length_of(kind);
    if ((raw == NULL && raw_length > 0) || raw_length > INT32_MAX ||
        (wanted >= 0 && raw_length != (size_t)wanted)) {
        return FAILURE;
    }
    static const unsigned char nothing[1] = {0};
    unsigned char digest[HOST_ID_DIGEST_SIZE];
    if (digest_host_id(raw != NULL ? (const unsigned char *)raw : nothing, (int32_t)raw_length,
                       kind, digest) != SUCCESS) {
        return FAILURE;
    }
    encode_host_id(digest, text, kind);
    return SUCCESS;
}
