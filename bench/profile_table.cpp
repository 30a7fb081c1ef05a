/*
 * profile_table.cpp - a fixed run of the table's operations for a profiler.
 *
 * Usage: vesk_profile [KEY_LENGTH [COUNT]]   (defaults 15 and 100000)
 *
 * Each phase is a function of its own, so that a profiler attributes the
 * table's cost to it: insert COUNT random keys, find each of them, find COUNT
 * absent keys, walk in order, delete every key in a random order, and append
 * COUNT integer keys.  The keys come from a fixed seed; the run is the same
 * every time, so instruction counts compare across builds:
 *
 *   valgrind --tool=callgrind --callgrind-out-file=cg.out vesk_profile 15
 *   callgrind_annotate --inclusive=yes cg.out | grep phase_
 *
 * Dividing a phase's instructions by COUNT gives instructions per operation.
 */
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "profile_keys.h"
#include "vesk_hash.h"

namespace {

PHASE size_t phase_insert(HashTable *ht, const std::vector<std::string> &keys) {
    size_t inserted = 0;
    for (size_t i = 0; i < keys.size(); i++) {
        uint64_t value = i;
        inserted += vesk_hash_add_or_update(ht, keys[i].data(), (uint32_t)keys[i].size(), &value,
                                            sizeof value, nullptr, HASH_MODE_ADD) == SUCCESS;
    }
    return inserted;
}

/* Inlined into each lookup phase, so that each has its own count. */
inline __attribute__((always_inline)) size_t count_found(const HashTable *ht,
                                                         const std::vector<std::string> &keys) {
    size_t found = 0;
    for (const std::string &key : keys) {
        void *data;
        found += vesk_hash_find(ht, key.data(), (uint32_t)key.size(), &data) == SUCCESS;
    }
    return found;
}

PHASE size_t phase_find(const HashTable *ht, const std::vector<std::string> &keys) {
    return count_found(ht, keys);
}

/* Returns the keys that were absent. */
PHASE size_t phase_find_miss(const HashTable *ht, const std::vector<std::string> &keys) {
    return keys.size() - count_found(ht, keys);
}

PHASE uint64_t phase_walk(HashTable *ht) {
    uint64_t sum = 0;
    HashPosition pos;
    void *data;
    vesk_hash_internal_pointer_reset_ex(ht, &pos);
    while (vesk_hash_get_current_data_ex(ht, &data, &pos) == SUCCESS) {
        sum += *(const uint64_t *)data;
        vesk_hash_move_forward_ex(ht, &pos);
    }
    return sum;
}

PHASE size_t phase_erase(HashTable *ht, const std::vector<std::string> &keys) {
    size_t erased = 0;
    for (const std::string &key : keys) {
        erased += vesk_hash_del_key_or_index(ht, key.data(), (uint32_t)key.size(), 0,
                                             DELETE_BY_KEY) == SUCCESS;
    }
    return erased;
}

PHASE size_t phase_append(HashTable *ht, size_t count) {
    size_t appended = 0;
    for (size_t i = 0; i < count; i++) {
        uint64_t value = i;
        appended += vesk_hash_index_update_or_next_insert(ht, 0, &value, sizeof value, nullptr,
                                                          HASH_MODE_NEXT_INSERT) == SUCCESS;
    }
    return appended;
}

} // namespace

int main(int argc, char **argv) {
    const size_t length = argc > 1 ? (size_t)atol(argv[1]) : 15;
    const size_t count = argc > 2 ? (size_t)atol(argv[2]) : 100000;
    if (length == 0 || count == 0) {
        fprintf(stderr, "usage: vesk_profile [KEY_LENGTH [COUNT]]\n");
        return 2;
    }
    const std::vector<std::string> keys = random_keys(length, count, length);
    const std::vector<std::string> absent = random_keys(length, count, length + 1000);
    std::vector<std::string> shuffled = keys;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937_64(7));

    HashTable ht;
    if (vesk_hash_init(&ht, 0, nullptr, nullptr, 1) != SUCCESS) {
        return 1;
    }
    const size_t inserted = phase_insert(&ht, keys); /* random keys may repeat */
    const size_t found = phase_find(&ht, shuffled);
    const size_t missed = phase_find_miss(&ht, absent);
    const uint64_t sum = phase_walk(&ht);
    const size_t erased = phase_erase(&ht, shuffled);
    vesk_hash_destroy(&ht);

    if (vesk_hash_init(&ht, 0, nullptr, nullptr, 1) != SUCCESS) {
        return 1;
    }
    const size_t appended = phase_append(&ht, count);
    vesk_hash_destroy(&ht);

    printf("inserted %zu, found %zu, missed %zu, walk sum %llu, erased %zu, appended %zu\n",
           inserted, found, missed, (unsigned long long)sum, erased, appended);
    const bool ok = found == count && erased == inserted && appended == count;
    return ok ? 0 : 1;
}
