/*
 * digest_cng.cpp - MD5 from the system's own cryptography (CNG, bcrypt.dll)
 * on Windows.
 *
 * The hash object's memory is left to the provider (a null buffer of size 0).
 * CNG takes 32-bit lengths; a host identifier's raw bytes number at most
 * 2^31 - 1.
 */
#include <windows.h>

#include <bcrypt.h>

#include "digest.h"

int md5_of_two_parts(const unsigned char *first, size_t first_length, const unsigned char *second,
                     size_t second_length, unsigned char digest[HOST_ID_DIGEST_SIZE]) {
    BCRYPT_ALG_HANDLE algorithm = NULL;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, NULL, 0))) {
        return FAILURE;
    }
    BCRYPT_HASH_HANDLE hash = NULL;
    int ok = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, NULL, 0, NULL, 0, 0));
    if (ok) {
        /* The finish fails unless the output length is the digest's own, 16. */
        ok = BCRYPT_SUCCESS(BCryptHashData(hash, (PUCHAR)first, (ULONG)first_length, 0)) &&
             BCRYPT_SUCCESS(BCryptHashData(hash, (PUCHAR)second, (ULONG)second_length, 0)) &&
             BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, HOST_ID_DIGEST_SIZE, 0));
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return ok ? SUCCESS : FAILURE;
}
