/*
 * digest.h - MD5, as the platform's library computes it: defined by the
 * platform layer that is linked in (linux/digest_openssl.cpp with
 * libcrypto, windows/digest_cng.cpp with the system's CNG).
 */
#ifndef VESK_HOSTID_DIGEST_H
#define VESK_HOSTID_DIGEST_H

#include <stddef.h>

#include "vesk_hostid.h" /* SUCCESS and FAILURE */

#define HOST_ID_DIGEST_SIZE 16 /* bytes of an MD5 digest */

/* MD5 of the bytes of first followed by the bytes of second, into digest:
 * SUCCESS, or FAILURE when the platform's digest failed. */
int md5_of_two_parts(const unsigned char *first, size_t first_length, const unsigned char *second,
                     size_t second_length, unsigned char digest[HOST_ID_DIGEST_SIZE]);

#endif
