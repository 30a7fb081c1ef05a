/*
 * hash_key.h - the table's keys: the table hash, the numeric-key rule and the
 * comparison of key bytes; not exported.  Insertion, lookup and deletion
 * apply them alike.  Nothing here knows the table or its buckets.
 */
#ifndef VESK_HASH_KEY_H
#define VESK_HASH_KEY_H

#include <stdint.h>
#include <string.h>

/* A helper on a hot path that must not stay a call: the compiler keeps a
 * static helper with several callers out of line.  HASH_NOINLINE keeps a
 * rarely taken continuation out of its caller. */
#if defined(__GNUC__)
#define HASH_HOT_INLINE inline __attribute__((always_inline))
#define HASH_NOINLINE __attribute__((noinline))
#else
#define HASH_HOT_INLINE inline
#define HASH_NOINLINE
#endif

/* ---- The table hash and the numeric-key rule ------------------------------------ */

/* The multiplier of the table hash, as hash_bytes hands it to hash_step.  On
 * x86 the compilers would turn a constant 33 into a shift and an add (with a
 * register copy in front), three instructions a byte where one multiply does;
 * the empty asm hides the constant, so each step is a load, a multiply and an
 * xor.  The multiply's latency is one cycle more than the shift-and-add's,
 * but a lookup is bound by how many of them fit in the processor's window at
 * once, which goes by instructions.  The value stays 33 either way. */
static HASH_HOT_INLINE uint32_t hash_multiplier(void) {
    uint32_t m = 33;
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    __asm__("" : "+r"(m));
#endif
    return m;
}

/* One step of the table hash.  Bytes are read signed: 0x80..0xFF contribute
 * 0xFFFFFF80..0xFFFFFFFF. */
static HASH_HOT_INLINE uint32_t hash_step(uint32_t h, uint32_t multiplier, char byte) {
    return (h * multiplier) ^ (uint32_t)(int32_t)(signed char)byte;
}

/* The table hash: h = h * 33 ^ byte over every byte, from 5381.  Each step
 * needs the one before, so the steps stay in order; only the loop around them
 * is cut, eight steps a round and then 4, 2 and 1 as the length's low bits
 * ask, so that a byte costs its three instructions (load, multiply, xor) and
 * the loop's own three come once a round. */
static HASH_HOT_INLINE uint32_t hash_bytes(const char *key, uint32_t key_length) {
    const uint32_t m = hash_multiplier();
    uint32_t h = 5381;
    const char *p = key;
    for (uint32_t rounds = key_length >> 3; rounds > 0; rounds--, p += 8) {
        h = hash_step(h, m, p[0]);
        h = hash_step(h, m, p[1]);
        h = hash_step(h, m, p[2]);
        h = hash_step(h, m, p[3]);
        h = hash_step(h, m, p[4]);
        h = hash_step(h, m, p[5]);
        h = hash_step(h, m, p[6]);
        h = hash_step(h, m, p[7]);
    }
    if (key_length & 4) {
        h = hash_step(h, m, p[0]);
        h = hash_step(h, m, p[1]);
        h = hash_step(h, m, p[2]);
        h = hash_step(h, m, p[3]);
        p += 4;
    }
    if (key_length & 2) {
        h = hash_step(h, m, p[0]);
        h = hash_step(h, m, p[1]);
        p += 2;
    }
    if (key_length & 1) {
        h = hash_step(h, m, p[0]);
    }
    return h;
}

/* The numeric-key rule: a string key addresses an integer key when it is
 * decimal digits without a leading zero (except "0"), followed by exactly one
 * NUL that the length counts, and its value, saturated at 2147483647 as a
 * 32-bit strtol would, is below 2147483647.  Stores that value in *index. */
static inline bool numeric_key(const char *key, uint32_t key_length, uint32_t *index) {
    if (key_length < 2 || key[key_length - 1] != '\0') {
        return false;
    }
    if (key[0] < '0' || key[0] > '9' || (key[0] == '0' && key_length > 2)) {
        return false;
    }
    uint64_t value = 0;
    const uint32_t digits = key_length - 1;
    for (uint32_t i = 0; i < digits; i++) {
        const unsigned d = (unsigned)(unsigned char)key[i] - '0';
        if (d > 9) {
            return false;
        }
        value = value * 10 + d;
        if (value > 2147483647u) {
            value = 2147483647u; /* saturated: stays a string key */
        }
    }
    if (value == 2147483647u) {
        return false;
    }
    *index = (uint32_t)value;
    return true;
}

/* ---- Key bytes ------------------------------------------------------------------ */

/* Whether the first and the last sizeof(Word) bytes of a and b are equal:
 * the whole of keys from sizeof(Word) to 2 * sizeof(Word) bytes long. */
template <class Word> static inline bool ends_equal(const char *a, const char *b, uint32_t length) {
    Word a0, b0, a1, b1;
    memcpy(&a0, a, sizeof(Word));
    memcpy(&b0, b, sizeof(Word));
    memcpy(&a1, a + length - sizeof(Word), sizeof(Word));
    memcpy(&b1, b + length - sizeof(Word), sizeof(Word));
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
}

/* Sixteen bytes as one value; x86-64 keeps it in one SSE register. */
typedef unsigned char Bytes16 __attribute__((vector_size(16)));

/* Sixteen bytes of a and of b at offset, their difference gathered into diff. */
static inline void gather_difference(Bytes16 *diff, const char *a, const char *b, uint32_t offset) {
    Bytes16 x, y;
    memcpy(&x, a + offset, 16);
    memcpy(&y, b + offset, 16);
    *diff |= x ^ y;
}

/* Whether the 17 to 64 bytes of a and b are equal: up to four 16-byte pieces,
 * the last one ending at the last byte (and overlapping the one before), their
 * differences gathered without a branch on the bytes and tested once. */
static inline bool pieces_equal(const char *a, const char *b, uint32_t length) {
    Bytes16 diff = {0};
    gather_difference(&diff, a, b, 0);
    if (length > 32) {
        gather_difference(&diff, a, b, 16);
    }
    if (length > 48) {
        gather_difference(&diff, a, b, 32);
    }
    gather_difference(&diff, a, b, length - 16);
    uint64_t words[2];
    memcpy(words, &diff, 16);
    return (words[0] | words[1]) == 0;
}

/* Whether keys of the length are compared in line: 4 to 64 bytes. */
static inline bool key_in_line(uint32_t length) {
    return length - 4 <= 60;
}

static inline bool key_in_line_equal(const char *a, const char *b, uint32_t length) {
    if (length > 16) {
        return pieces_equal(a, b, length);
    }
    return length >= 8 ? ends_equal<uint64_t>(a, b, length) : ends_equal<uint32_t>(a, b, length);
}

/* Key bytes of equal length: in line for 4 to 64 bytes, without a call,
 * otherwise through memcmp. */
static inline bool key_bytes_equal(const char *a, const char *b, uint32_t length) {
    return key_in_line(length) ? key_in_line_equal(a, b, length) : memcmp(a, b, length) == 0;
}

#endif /* VESK_HASH_KEY_H */
