/*
 * digest_openssl.cpp - the MD5 digest of a host identifier, from OpenSSL's
 * libcrypto (the build for Linux and other Unix hosts).
 *
 * The digested bytes are the raw bytes followed by the kind as 4
 * little-endian bytes; digest_cng.cpp computes the same on Windows.
 *
 * The MD5_* calls are used rather than the EVP interface: an EVP digest makes
 * OpenSSL 3 read its configuration and register every algorithm of its
 * providers on first use, which costs more than the whole rest of a veskid
 * run. The MD5_* calls touch none of that. They belong to the 1.1.1 API,
 * which this file declares it targets, so OpenSSL 3 builds it without
 * deprecation warnings.
 */
#define OPENSSL_API_COMPAT 0x10101000L
#include <openssl/md5.h>

#include "hostid_private.h"

int digest_host_id(const unsigned char *raw, int32_t raw_length, HostIdKind kind,
                   unsigned char digest[HOST_ID_DIGEST_SIZE]) {
    if (raw_length < 0) {
        return -1;
    }
    /* The kind's two's-complement bytes, least significant first, on any host. */
    unsigned char kind_bytes[4];
    put_le32((uint32_t)kind, kind_bytes);

    MD5_CTX context;
    int ok = MD5_Init(&context) == 1 &&
             MD5_Update(&context, raw, (size_t)raw_length) == 1 &&
             MD5_Update(&context, kind_bytes, sizeof kind_bytes) == 1 &&
             MD5_Final(digest, &context) == 1;
    return ok ? 0 : -1;
}
