/*
 * profile_lookup.cpp - lookups of one map, for a cache simulator or counters.
 *
 * Usage: vesk_lookup_profile vesk|std|tsl|keys KEY_LENGTH COUNT
 *
 * Fills one map (vesk_hash: a persistent table with 8-byte inline data, as in
 * bench_maps.cpp; std: std::unordered_map<std::string, uint64_t>; tsl:
 * tsl::ordered_map<std::string, uint64_t>) with COUNT
 * random keys of letters and digits, then looks each of them up in a shuffled
 * order (phase_hit) and looks up COUNT absent keys of the same length
 * (phase_miss).  As in bench_maps.cpp the probe keys are copied in the order
 * they are looked up, so they are read sequentially.  "keys" fills the same
 * map as vesk but replaces each lookup by a read of the probe key's first and
 * last byte: the cost of the loop and of the probe keys alone, to subtract.
 * Each phase is a function of its own, so that a profiler attributes
 * instructions and cache misses to it; the run is the same every time:
 *
 *   valgrind --tool=callgrind --cache-sim=yes --callgrind-out-file=cg.out \
 *       vesk_lookup_profile vesk 15 1000000
 *   callgrind_annotate --inclusive=yes cg.out | grep phase_
 *
 * Dividing a phase's counts by COUNT gives the counts per lookup.
 */
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include <tsl/ordered_map.h>

#include "profile_keys.h"
#include "vesk_hash.h"

namespace {

using StdMap = std::unordered_map<std::string, uint64_t>;
using TslMap = tsl::ordered_map<std::string, uint64_t>;

PHASE uint64_t phase_hit(const HashTable *ht, const std::vector<std::string> &keys) {
    uint64_t sum = 0;
    for (const std::string &key : keys) {
        void *data;
        if (vesk_hash_find(ht, key.data(), (uint32_t)key.size(), &data) == SUCCESS) {
            sum += *(const uint64_t *)data + 1;
        }
    }
    return sum;
}

PHASE uint64_t phase_miss(const HashTable *ht, const std::vector<std::string> &keys) {
    uint64_t found = 0;
    for (const std::string &key : keys) {
        void *data;
        found += vesk_hash_find(ht, key.data(), (uint32_t)key.size(), &data) == SUCCESS;
    }
    return found;
}

/* The peers' lookups, written once for both. */
template <class Map> uint64_t peer_hits(const Map &map, const std::vector<std::string> &keys) {
    uint64_t sum = 0;
    for (const std::string &key : keys) {
        auto it = map.find(key);
        if (it != map.end()) {
            sum += it->second + 1;
        }
    }
    return sum;
}

template <class Map> uint64_t peer_misses(const Map &map, const std::vector<std::string> &keys) {
    uint64_t found = 0;
    for (const std::string &key : keys) {
        found += map.find(key) != map.end();
    }
    return found;
}

PHASE uint64_t phase_hit(const StdMap &map, const std::vector<std::string> &keys) {
    return peer_hits(map, keys);
}

PHASE uint64_t phase_miss(const StdMap &map, const std::vector<std::string> &keys) {
    return peer_misses(map, keys);
}

PHASE uint64_t phase_hit(const TslMap &map, const std::vector<std::string> &keys) {
    return peer_hits(map, keys);
}

PHASE uint64_t phase_miss(const TslMap &map, const std::vector<std::string> &keys) {
    return peer_misses(map, keys);
}

/* The baseline: the probe keys' bytes touched as a hash would begin and end. */
struct KeysOnly {};

PHASE uint64_t phase_hit(KeysOnly, const std::vector<std::string> &keys) {
    uint64_t sum = 0;
    for (const std::string &key : keys) {
        sum += (unsigned char)key.front() + (unsigned char)key.back();
    }
    return sum;
}

PHASE uint64_t phase_miss(KeysOnly, const std::vector<std::string> &keys) {
    uint64_t sum = 0;
    for (const std::string &key : keys) {
        sum += (unsigned char)key.front() + (unsigned char)key.back();
    }
    return sum;
}

/* Both phases over one map; true when every key was found and no absent one. */
template <class Map>
bool run(const Map &map, const std::vector<std::string> &hits,
         const std::vector<std::string> &misses) {
    const uint64_t sum = phase_hit(map, hits);
    const uint64_t found = phase_miss(map, misses);
    const uint64_t n = hits.size();
    printf("hit sum %llu, misses found %llu\n", (unsigned long long)sum, (unsigned long long)found);
    return sum == n * (n + 1) / 2 && found == 0;
}

bool run(KeysOnly keys_only, const std::vector<std::string> &hits,
         const std::vector<std::string> &misses) {
    printf("byte sums %llu, %llu\n", (unsigned long long)phase_hit(keys_only, hits),
           (unsigned long long)phase_miss(keys_only, misses));
    return true;
}

} // namespace

int main(int argc, char **argv) {
    const std::string map_name = argc == 4 ? argv[1] : "";
    if ((map_name != "vesk" && map_name != "std" && map_name != "tsl" && map_name != "keys") ||
        atol(argv[2]) <= 0 || atol(argv[3]) <= 0) {
        fprintf(stderr, "usage: vesk_lookup_profile vesk|std|tsl|keys KEY_LENGTH COUNT\n");
        return 2;
    }
    const size_t length = (size_t)atol(argv[2]);
    const size_t count = (size_t)atol(argv[3]);
    const std::vector<std::string> keys = random_keys(length, count, length);
    const std::vector<std::string> absent = random_keys(length, count, length + 1000);
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; i++) {
        order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), std::mt19937_64(7));
    std::vector<std::string> hits;
    hits.reserve(count);
    for (size_t i : order) {
        hits.push_back(keys[i]);
    }

    if (map_name == "std") {
        StdMap map;
        for (size_t i = 0; i < count; i++) {
            map.try_emplace(keys[i], i);
        }
        return run(map, hits, absent) ? 0 : 1;
    }
    if (map_name == "tsl") {
        TslMap map;
        for (size_t i = 0; i < count; i++) {
            map.try_emplace(keys[i], i);
        }
        return run(map, hits, absent) ? 0 : 1;
    }
    HashTable ht;
    if (vesk_hash_init(&ht, 0, nullptr, nullptr, 1) != SUCCESS) {
        return 1;
    }
    for (size_t i = 0; i < count; i++) {
        uint64_t value = i;
        vesk_hash_add_or_update(&ht, keys[i].data(), (uint32_t)keys[i].size(), &value, sizeof value,
                                nullptr, HASH_MODE_ADD);
    }
    const bool ok = map_name == "keys" ? run(KeysOnly{}, hits, absent) : run(&ht, hits, absent);
    vesk_hash_destroy(&ht);
    return ok ? 0 : 1;
}
