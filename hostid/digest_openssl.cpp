/*
 * digest_openssl.cpp - the MD5 digest of a host identifier, from OpenSSL's
 * libcrypto (the build for Linux and other Unix hosts).
 *
 * The digested bytes are the raw bytes followed by the kind as 4
 * little-endian bytes; digest_cng.cpp computes the same on Windows.
 */
#include <openssl/evp.h>

#include "hostid_private.h"

int digest_host_id(const unsigned char *raw, int32_t raw_length, HostIdKind kind,
                   unsigned char digest[HOST_ID_DIGEST_SIZE]) {
    if (raw_length < 0) {
        return -1;
    }
    /* The kind's two's-complement bytes, least significant first, on any host. */
    unsigned char kind_bytes[4];
    put_le32((uint32_t)kind, kind_bytes);

    EVP_MD_CTX *context = EVP_MD_CTX_new();
    if (context == NULL) {
        return -1;
    }
    unsigned int digest_length = 0;
    int ok = EVP_DigestInit_ex(context, EVP_md5(), NULL) == 1 &&
             EVP_DigestUpdate(context, raw, (size_t)raw_length) == 1 &&
             EVP_DigestUpdate(context, kind_bytes, sizeof kind_bytes) == 1 &&
             EVP_DigestFinal_ex(context, digest, &digest_length) == 1 &&
             digest_length == HOST_ID_DIGEST_SIZE;
    EVP_MD_CTX_free(context);
    return ok ? 0 : -1;
}
