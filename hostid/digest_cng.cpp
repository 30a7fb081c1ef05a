/*
 * digest_cng.cpp - the MD5 digest of a host identifier, from the system's own
 * cryptography (CNG, bcrypt.dll) on Windows.
 *
 * The digested bytes are the raw bytes followed by the kind as 4
 * little-endian bytes, exactly as digest_openssl.cpp digests them elsewhere.
 * The hash object's memory is left to the provider (a null buffer of size 0).
 */
#include <windows.h>

#include <bcrypt.h>

#include "hostid_private.h"

int digest_host_id(const unsigned char *raw, int32_t raw_length, HostIdKind kind,
                   unsigned char digest[HOST_ID_DIGEST_SIZE]) {
    if (raw_length < 0) {
        return -1;
    }
    /* The kind's two's-complement bytes, least significant first, on any host. */
    unsigned char kind_bytes[4];
    put_le32((uint32_t)kind, kind_bytes);

    BCRYPT_ALG_HANDLE algorithm = NULL;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, NULL, 0))) {
        return -1;
    }
    BCRYPT_HASH_HANDLE hash = NULL;
    int ok = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, NULL, 0, NULL, 0, 0));
    if (ok) {
        /* The finish fails unless the output length is the digest's own, 16. */
        ok = BCRYPT_SUCCESS(BCryptHashData(hash, (PUCHAR)raw, (ULONG)raw_length, 0)) &&
             BCRYPT_SUCCESS(BCryptHashData(hash, kind_bytes, sizeof kind_bytes, 0)) &&
             BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, HOST_ID_DIGEST_SIZE, 0));
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return ok ? 0 : -1;
}
