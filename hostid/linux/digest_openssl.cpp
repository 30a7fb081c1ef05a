/*
 * digest_openssl.cpp - MD5 from OpenSSL's libcrypto (the build for Linux and
 * other Unix hosts).
 *
 * The MD5_* calls are used rather than the EVP interface: an EVP digest makes
 * OpenSSL 3 read its configuration and register every algorithm of its
 * providers on first use, which costs more than the whole rest of a veskid
 * run.  The MD5_* calls touch none of that and allocate nothing.  They belong
 * to the 1.1.1 API, which this file declares it targets, so OpenSSL 3 builds
 * it without deprecation warnings.
 */
#define OPENSSL_API_COMPAT 0x10101000L
#include <openssl/md5.h>

#include "digest.h"

int md5_of_two_parts(const unsigned char *first, size_t first_length, const unsigned char *second,
                     size_t second_length, unsigned char digest[HOST_ID_DIGEST_SIZE]) {
    MD5_CTX context;
    int ok = MD5_Init(&context) == 1 && MD5_Update(&context, first, first_length) == 1 &&
             MD5_Update(&context, second, second_length) == 1 && MD5_Final(digest, &context) == 1;
    return ok ? SUCCESS : FAILURE;
}
