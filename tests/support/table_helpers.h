/*
 * table_helpers.h - small helpers that every table suite uses: key literals,
 * inserts of pointer-sized data, reading that data back, a destructor that
 * logs what it is given, and the key order for sort callbacks.
 */
#ifndef VESK_TABLE_HELPERS_H
#define VESK_TABLE_HELPERS_H

#include "table_hooks.h"
#include "vesk_hash.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

/* A key literal with its exact byte count: KEY("7\0") is "7\0", 2. */
#define KEY(lit) lit, (uint32_t)(sizeof(lit) - 1)

/* A number as the pointer-sized data of an element. */
inline void *P(uintptr_t v) {
    return (void *)v;
}

/* Inserts pointer-sized data (stored inline) under a string key, the
 * numeric-key rule applying. */
inline int put(HashTable *ht, const char *key, uint32_t len, void *value,
               int mode = HASH_MODE_UPDATE, void **out = nullptr) {
    return vesk_hash_add_or_update(ht, key, len, &value, sizeof value, out, mode);
}

inline int put_index(HashTable *ht, uint32_t n, void *value, int mode = HASH_MODE_UPDATE,
                     void **out = nullptr) {
    return vesk_hash_index_update_or_next_insert(ht, n, &value, sizeof value, out, mode);
}

/* Inserts under the string key as it stands: the quick insert with the table
 * hash, so that a numeric-looking key stays a string key. */
inline int put_string(HashTable *ht, const std::string &k, void *value,
                      int mode = HASH_MODE_UPDATE) {
    return vesk_hash_quick_add_or_update(ht, k.data(), (uint32_t)k.size(),
                                         vesk_hash_func(k.data(), (uint32_t)k.size()), &value,
                                         sizeof value, nullptr, mode);
}

/* The number at data: pointer-sized data, or the first field of a block. */
inline intptr_t value_of(const void *data) {
    intptr_t v;
    memcpy(&v, data, sizeof v);
    return v;
}

/* The pointer-sized data an element holds. */
inline void *inline_value(const HashBucket *b) {
    return *(void **)b->data;
}

/* The element behind one entry of the array that sort and minmax compare. */
inline const HashBucket *bucket_at(const void *entry) {
    return *(HashBucket *const *)entry;
}

/* Sort comparison: string keys by their bytes. */
inline int by_key_bytes(const void *a, const void *b) {
    const HashBucket *x = bucket_at(a);
    const HashBucket *y = bucket_at(b);
    return std::string(x->key, x->key_length).compare(std::string(y->key, y->key_length));
}

/* What log_destroyed saw, call by call: the number at data, the data
 * pointer itself, and how many critical sections were open (g_hooks,
 * table_hooks.h).  clear_destroyed() empties the log before a test. */
inline std::vector<intptr_t> g_destroyed;
inline std::vector<void *> g_destroyed_at;
inline std::vector<int> g_destroyed_depth;

inline void clear_destroyed() {
    g_destroyed.clear();
    g_destroyed_at.clear();
    g_destroyed_depth.clear();
}

/* Logs one destructor call with the number given for it. */
inline void log_destroyed_as(void *data, intptr_t value) {
    g_destroyed.push_back(value);
    g_destroyed_at.push_back(data);
    g_destroyed_depth.push_back(g_hooks.depth);
}

/* A destructor that logs what it is given. */
inline void log_destroyed(void *data) {
    log_destroyed_as(data, value_of(data));
}

/* The same for data that may be shorter than a number (empty data, say):
 * nothing is read, and the number logged is 0. */
inline void log_destroyed_unread(void *data) {
    log_destroyed_as(data, 0);
}

#endif
