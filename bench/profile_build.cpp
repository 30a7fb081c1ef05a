/*
 * profile_build.cpp - the insertion and the walk of one map, for a cache
 * simulator: what bounds them where the design puts one allocation per
 * element and a linked order list.
 *
 * Usage: vesk_build_profile vesk|tsl|keys KEY_LENGTH COUNT
 *
 * Inserts COUNT random keys of letters and digits into an empty map
 * (phase_insert: vesk_hash, a persistent table with 8-byte inline data as in
 * bench_maps.cpp, growing from its smallest size; tsl:
 * tsl::ordered_map<std::string, uint64_t>, growing likewise), then walks it in
 * insertion order summing the values (phase_walk).  "keys" reads each key's
 * first and last byte instead of inserting it, and walks nothing: the loop's
 * own cost, to subtract.  The run is the same every time:
 *
 *   valgrind --tool=callgrind --cache-sim=yes --callgrind-out-file=cg.out \
 *       vesk_build_profile vesk 15 1000000
 *   callgrind_annotate --inclusive=yes cg.out | grep phase_
 *
 * Dividing a phase's counts by COUNT gives the counts per element.
 */
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <tsl/ordered_map.h>

#include "profile_keys.h"
#include "vesk_hash.h"

namespace {

using TslMap = tsl::ordered_map<std::string, uint64_t>;

PHASE void phase_insert(HashTable *ht, const std::vector<std::string> &keys) {
    for (size_t i = 0; i < keys.size(); i++) {
        uint64_t value = i;
        vesk_hash_add_or_update(ht, keys[i].data(), (uint32_t)keys[i].size(), &value, sizeof value,
                                nullptr, HASH_MODE_ADD);
    }
}

PHASE uint64_t phase_walk(const HashTable *ht) {
    uint64_t sum = 0;
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        sum += *(const uint64_t *)b->data + 1;
    }
    return sum;
}

PHASE void phase_insert(TslMap *map, const std::vector<std::string> &keys) {
    for (size_t i = 0; i < keys.size(); i++) {
        map->try_emplace(keys[i], i);
    }
}

PHASE uint64_t phase_walk(const TslMap *map) {
    uint64_t sum = 0;
    for (const auto &element : *map) {
        sum += element.second + 1;
    }
    return sum;
}

PHASE uint64_t phase_insert_keys_only(const std::vector<std::string> &keys) {
    uint64_t sum = 0;
    for (const std::string &key : keys) {
        sum += (unsigned char)key.front() + (unsigned char)key.back();
    }
    return sum;
}

} // namespace

int main(int argc, char **argv) {
    const std::string map_name = argc == 4 ? argv[1] : "";
    if ((map_name != "vesk" && map_name != "tsl" && map_name != "keys") || atol(argv[2]) <= 0 ||
        atol(argv[3]) <= 0) {
        fprintf(stderr, "usage: vesk_build_profile vesk|tsl|keys KEY_LENGTH COUNT\n");
        return 2;
    }
    const size_t length = (size_t)atol(argv[2]);
    const size_t count = (size_t)atol(argv[3]);
    const std::vector<std::string> keys = random_keys(length, count, length);
    const uint64_t expected = (uint64_t)count * (count + 1) / 2;
    if (map_name == "keys") {
        printf("byte sum %llu\n", (unsigned long long)phase_insert_keys_only(keys));
        return 0;
    }
    uint64_t sum = 0;
    if (map_name == "tsl") {
        TslMap map;
        phase_insert(&map, keys);
        sum = phase_walk(&map);
    } else {
        HashTable ht;
        if (vesk_hash_init(&ht, 0, nullptr, nullptr, 1) != SUCCESS) {
            return 1;
        }
        phase_insert(&ht, keys);
        sum = phase_walk(&ht);
        vesk_hash_destroy(&ht);
    }
    printf("walk sum %llu\n", (unsigned long long)sum);
    return sum == expected ? 0 : 1;
}
