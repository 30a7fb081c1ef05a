/*
 * hash_lookup.h - the chain search that lookup, insertion and the whole-table
 * operations share, and the deletion and emptying steps of hash_lookup.cpp;
 * not exported.
 */
#ifndef VESK_HASH_LOOKUP_H
#define VESK_HASH_LOOKUP_H

#include "hash_storage.h"
#include "hash_key.h"
#include "vesk_hash.h"

/* ---- Chain search --------------------------------------------------------------- */

/* The first element from b on along its chain with hash h and the length, or
 * null. */
static HASH_HOT_INLINE HashBucket *next_candidate(HashBucket *b, uint32_t h, uint32_t key_length) {
    while (b && (b->hash != h || b->key_length != key_length)) {
        b = b->chain_next;
    }
    return b;
}

/* The chain search from b on, for when a candidate's key bytes differed. */
HashBucket *find_string_bucket_from(HashBucket *b, const char *key, uint32_t key_length,
                                    uint32_t h);

/* The element under the string key (stored hash, length, then bytes), or null.
 * Two keys of one length rarely share a hash, so the first candidate decides;
 * the search after a candidate whose bytes differ is a call.  The walk to the
 * candidate thereby calls nothing, and a miss or a short key's hit saves no
 * registers on the way in and restores none on the way out. */
static HASH_HOT_INLINE HashBucket *find_string_bucket(const HashTable *ht, const char *key,
                                                      uint32_t key_length, uint32_t h) {
    if (!summary_may_hold(ht, h)) {
        return nullptr;
    }
    HashBucket *b = next_candidate(*slot_of(ht, h), h, key_length);
    if (!b || key_bytes_equal(b->key, key, key_length)) {
        return b;
    }
    return find_string_bucket_from(b->chain_next, key, key_length, h);
}

/* The element under the integer key, or null. */
static HASH_HOT_INLINE HashBucket *find_index_bucket(const HashTable *ht, uint32_t index) {
    if (!summary_may_hold(ht, index)) {
        return nullptr;
    }
    for (HashBucket *b = *slot_of(ht, index); b; b = b->chain_next) {
        if (b->hash == index && b->key_length == 0) {
            return b;
        }
    }
    return nullptr;
}

/* The element a string key addresses, by the numeric-key rule; null for an
 * absent key or a key of length 0 (whose bytes are never read). */
static HASH_HOT_INLINE HashBucket *resolve_string_key(const HashTable *ht, const char *key,
                                                      uint32_t key_length) {
    if (key_length == 0) {
        return nullptr;
    }
    uint32_t index;
    if (numeric_key(key, key_length, &index)) {
        return find_index_bucket(ht, index);
    }
    return find_string_bucket(ht, key, key_length, hash_bytes(key, key_length));
}

/* ---- Deletion and emptying ------------------------------------------------------- */

/* Deletion of one element in the order of a single delete: block hook, out of
 * its chain and the order list, cursor moved on, destructor, data block,
 * bucket, unblock hook, count. */
void unlink_then_destroy_bucket(HashTable *ht, HashBucket *b);

/* Frees every element (destructor, data block, bucket) in list order without
 * unlinking. */
void destroy_buckets_without_unlinking(HashTable *ht);

#endif /* VESK_HASH_LOOKUP_H */
