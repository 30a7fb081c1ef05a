/*
 * input.h - how the fuzz target reads its input: bytes, little-endian 32-bit
 * words, and the keys, integers, hashes, data and modes an operation draws.
 * Decoding is total: every byte string is a valid program, and reading past
 * the end yields zeros.
 */
#ifndef VESK_FUZZ_INPUT_H
#define VESK_FUZZ_INPUT_H

#include "model.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

struct Input {
    const uint8_t *data;
    size_t size;
    size_t at;

    bool done() const { return at >= size; }
    uint8_t u8() { return at < size ? data[at++] : 0; }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; i++) {
            v |= (uint32_t)u8() << (8 * i);
        }
        return v;
    }
    std::string bytes(size_t n) {
        std::string s;
        for (size_t i = 0; i < n; i++) {
            s.push_back((char)u8());
        }
        return s;
    }
};

/* A string key: a literal from a list of edge cases, random bytes, an
 * existing element's key (of t or another table), a number written out, or a
 * short key over a small alphabet. */
std::string gen_key(Input &in, const Table &t);

/* An integer key: a literal, near next_free_index, an existing element's, or
 * random. */
uint32_t gen_int(Input &in, const Table &t);

/* A key with the hash a quick operation is given: the right one, a wrong
 * one, one that selects the same slot, an existing element's own, or an
 * existing element's hash with one of its key bytes changed (same hash and
 * length, other bytes: only the byte comparison can tell them apart). */
void gen_quick_key(Input &in, const Table &t, std::string *key, uint32_t *hash);

/* Data bytes; *null_data asks to pass a null pointer (only with size 0). */
std::string gen_data(Input &in, const Table &t, bool *null_data);

/* An insert mode: one of the bits, 0, or a negative value. */
int gen_mode(Input &in);

} // namespace fuzz

#endif
