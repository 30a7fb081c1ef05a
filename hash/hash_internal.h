/*
 * hash_internal.h - helpers shared by the table's source files; not exported.
 *
 * Linking and unlinking are written once here; insertion, deletion, the
 * removal step, sort and rehash are built from them.  Their asserts state the
 * link invariants (both directions of every link agree, the list ends match
 * the table's head and tail); they are active in the Debug and sanitizer
 * builds.
 */
#ifndef VESK_HASH_INTERNAL_H
#define VESK_HASH_INTERNAL_H

#include "hash_key.h"
#include "vesk_hash.h"

#include <assert.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* ---- Storage through the table's allocator -------------------------------- */

/* A persistent table takes its storage straight from the C allocator, any
 * other through the allocation hooks. */
static inline void *table_alloc(const HashTable *ht, size_t size) {
    return ht->persistent ? malloc(size) : _emalloc(size);
}

static inline void table_free(const HashTable *ht, void *ptr) {
    if (ht->persistent) {
        free(ptr);
    } else {
        _efree(ptr);
    }
}

static inline void *table_realloc(const HashTable *ht, void *ptr, size_t size) {
    return ht->persistent ? realloc(ptr, size) : _erealloc(ptr, size, 1);
}

/* Bytes of a bucket with key_length key bytes; never below sizeof(HashBucket). */
static inline size_t bucket_size(uint32_t key_length) {
    size_t size = offsetof(HashBucket, key) + (size_t)key_length;
    return size < sizeof(HashBucket) ? sizeof(HashBucket) : size;
}

/* Byte size of an array of n slot pointers; false when it does not fit in
 * size_t (possible on 32-bit hosts). */
static inline bool slot_array_bytes(uint32_t n, size_t *bytes) {
    if ((size_t)n > SIZE_MAX / sizeof(HashBucket *)) {
        return false;
    }
    *bytes = (size_t)n * sizeof(HashBucket *);
    return true;
}

/* ---- Critical sections ------------------------------------------------------ */

static inline void block_interruptions(void) {
    if (vesk_block_interruptions) {
        vesk_block_interruptions();
    }
}

static inline void unblock_interruptions(void) {
    if (vesk_unblock_interruptions) {
        vesk_unblock_interruptions();
    }
}

/* ---- Element data ------------------------------------------------------------ */

/* The storage kind is told by where data points, so pointer-sized data of
 * value zero (a NULL pointer) is still inline. */
static inline bool data_is_inline(const HashBucket *b) {
    return b->data == &b->inline_data;
}

/* Releases the element's separate data block, if it has one. */
static inline void free_data_block(const HashTable *ht, HashBucket *b) {
    if (!data_is_inline(b) && b->data) {
        table_free(ht, b->data);
    }
}

/* ---- Chains ------------------------------------------------------------------- */

static inline HashBucket **slot_of(const HashTable *ht, uint32_t hash) {
    return &ht->slots[hash & ht->table_mask];
}

/* Links b in front of the chain whose first element is head (null for an
 * empty chain): b's own links first, then head's link back to b.  The slot
 * itself is stored by the caller (inside its critical section). */
static inline void chain_link_front(HashBucket *head, HashBucket *b) {
    assert(!head || head->chain_prev == nullptr);
    b->chain_next = head;
    b->chain_prev = nullptr;
    if (head) {
        head->chain_prev = b;
    }
}

static inline void chain_unlink(HashTable *ht, HashBucket *b) {
    assert(b->chain_prev ? b->chain_prev->chain_next == b : *slot_of(ht, b->hash) == b);
    assert(!b->chain_next || b->chain_next->chain_prev == b);
    if (b->chain_prev) {
        b->chain_prev->chain_next = b->chain_next;
    } else {
        *slot_of(ht, b->hash) = b->chain_next;
    }
    if (b->chain_next) {
        b->chain_next->chain_prev = b->chain_prev;
    }
}

/* ---- The insertion-order list ------------------------------------------------ */

/* Appends b at the tail; a null head or cursor becomes b. */
static inline void list_append(HashTable *ht, HashBucket *b) {
    assert((ht->list_head == nullptr) == (ht->list_tail == nullptr));
    assert(!ht->list_tail || ht->list_tail->list_next == nullptr);
    b->list_prev = ht->list_tail;
    b->list_next = nullptr;
    if (ht->list_tail) {
        ht->list_tail->list_next = b;
    }
    ht->list_tail = b;
    if (!ht->list_head) {
        ht->list_head = b;
    }
    if (!ht->cursor) {
        ht->cursor = b;
    }
}

static inline void list_unlink(HashTable *ht, HashBucket *b) {
    assert(b->list_prev ? b->list_prev->list_next == b : ht->list_head == b);
    assert(b->list_next ? b->list_next->list_prev == b : ht->list_tail == b);
    if (b->list_prev) {
        b->list_prev->list_next = b->list_next;
    } else {
        ht->list_head = b->list_next;
    }
    if (b->list_next) {
        b->list_next->list_prev = b->list_prev;
    } else {
        ht->list_tail = b->list_prev;
    }
}

/* ---- Chain search --------------------------------------------------------------- */

/* The first element from b on along its chain with hash h and the length, or
 * null. */
static HASH_HOT_INLINE HashBucket *next_candidate(HashBucket *b, uint32_t h, uint32_t key_length) {
    while (b && (b->hash != h || b->key_length != key_length)) {
        b = b->chain_next;
    }
    return b;
}

/* The chain search from b on, for when a candidate's key bytes differed.
 * (hash_lookup.cpp) */
HashBucket *find_string_bucket_from(HashBucket *b, const char *key, uint32_t key_length,
                                    uint32_t h);

/* The element under the string key (stored hash, length, then bytes), or null.
 * Two keys of one length rarely share a hash, so the first candidate decides;
 * the search after a candidate whose bytes differ is a call.  The walk to the
 * candidate thereby calls nothing, and a miss or a short key's hit saves no
 * registers on the way in and restores none on the way out. */
static HASH_HOT_INLINE HashBucket *find_string_bucket(const HashTable *ht, const char *key,
                                                      uint32_t key_length, uint32_t h) {
    HashBucket *b = next_candidate(*slot_of(ht, h), h, key_length);
    if (!b || key_bytes_equal(b->key, key, key_length)) {
        return b;
    }
    return find_string_bucket_from(b->chain_next, key, key_length, h);
}

/* The element under the integer key, or null. */
static HASH_HOT_INLINE HashBucket *find_index_bucket(const HashTable *ht, uint32_t index) {
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

/* ---- Shared steps of other files ------------------------------------------------ */

/* Deletion of one element in the order of a single delete: block hook, out of
 * its chain and the order list, cursor moved on, destructor, data block,
 * bucket, unblock hook, count.  (hash_lookup.cpp) */
void delete_bucket(HashTable *ht, HashBucket *b);

/* Frees every element (destructor, data block, bucket) in list order without
 * unlinking.  (hash_lookup.cpp) */
void free_all_buckets(HashTable *ht);

/* The removal step of apply and the graceful destroys: the destructor sees
 * the element still linked.  Returns the element's list successor.
 * (hash_walk.cpp) */
HashBucket *remove_bucket(HashTable *ht, HashBucket *b);

/* The nesting guard of the apply operations and compare.  Enter returns
 * whether the depth was raised; pass that to leave.  (hash_walk.cpp) */
bool apply_guard_enter(HashTable *ht);
void apply_guard_leave(HashTable *ht, bool raised);

#endif /* VESK_HASH_INTERNAL_H */
