/*
 * profile_keys.h - what the two profilers (profile_table.cpp and
 * profile_lookup.cpp) share: their keys, made the same way from a seed, and
 * the marker that keeps each measured phase a function of its own in the
 * profile.
 */
#ifndef VESK_BENCH_PROFILE_KEYS_H
#define VESK_BENCH_PROFILE_KEYS_H

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

/* count keys of length characters over letters and digits, from seed. */
inline std::vector<std::string> random_keys(size_t length, size_t count, uint64_t seed) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::mt19937_64 rng(seed);
    std::vector<std::string> keys(count, std::string(length, ' '));
    for (std::string &key : keys) {
        for (char &c : key) {
            c = alphabet[rng() % (sizeof alphabet - 1)];
        }
    }
    return keys;
}

/* A measured phase: never inlined into its caller. */
#define PHASE __attribute__((noinline))

#endif
