/*
 * hash_storage.h - the table record's storage, element data, chains and order
 * list, shared by the table's source files; not exported.
 *
 * Linking and unlinking are written once here; insertion, deletion, the
 * removal step, sort and rehash are built from them.  Their asserts state the
 * link invariants (both directions of every link agree, the list ends match
 * the table's head and tail); they are active in the Debug and sanitizer
 * builds.  The layout and the invariants are drawn in hash_core.cpp.
 */
#ifndef VESK_HASH_STORAGE_H
#define VESK_HASH_STORAGE_H

#include "vesk_hash.h"

#include <assert.h>
#include <stdint.h>
#include <stdlib.h>

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

/* ---- The chains' summary --------------------------------------------------------
 * The slot array's allocation holds, before the n slot pointers, one summary
 * byte per slot, the last slot's first: the OR of one bit chosen by each hash
 * on the slot's chain.  Counted back from the slots, a slot's byte does not
 * move with the table's size.
 * A key whose bit is clear on its slot is on no chain, which a lookup knows
 * from one byte in an array an eighth the size of the slots, without reading
 * the slot or any bucket.  The records do not show it; the table keeps it
 * exact: a link sets the element's bit, an unlink gives the slot the OR of
 * what stays on its chain, a rehash and an emptying start it afresh. */

/* Byte size of n summary bytes and n slot pointers; false when it does not
 * fit in size_t. */
static inline bool slot_storage_bytes(uint32_t n, size_t *bytes) {
    if ((size_t)n > SIZE_MAX / (sizeof(HashBucket *) + 1)) {
        return false;
    }
    *bytes = (size_t)n * (sizeof(HashBucket *) + 1);
    return true;
}

/* The allocation that holds the summaries and the slots. */
static inline void *slot_storage(const HashTable *ht) {
    return (uint8_t *)ht->slots - ht->table_size;
}

/* The slots of a slot storage of n slots. */
static inline HashBucket **slots_in(void *storage, uint32_t n) {
    return (HashBucket **)((uint8_t *)storage + n);
}

/* The summary byte of slot i. */
static inline uint8_t *slot_summary(const HashTable *ht, uint32_t i) {
    return (uint8_t *)ht->slots - 1 - (size_t)i;
}

/* The summary bit of a hash: three of its bits that the slot index (its low
 * bits) does not decide, mixed from all of it so that integer keys, whose
 * hash is their value, spread too. */
static inline uint8_t summary_bit(uint32_t hash) {
    return (uint8_t)(1u << ((hash * 0x9E3779B1u) >> 29));
}

/* Whether the chain hash selects may hold an element with that hash: false
 * means it holds none. */
static inline bool summary_may_hold(const HashTable *ht, uint32_t hash) {
    return (*slot_summary(ht, hash & ht->table_mask) & summary_bit(hash)) != 0;
}

static inline void summary_add(HashTable *ht, uint32_t hash) {
    *slot_summary(ht, hash & ht->table_mask) |= summary_bit(hash);
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

/* Takes b out of its chain and gives the slot's summary what stays on it:
 * the rest of a chain is short, and the buckets in front of b and after it
 * were just written anyway. */
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
    /* What stays is reached from b's neighbours, whose links were just
     * written: the slot itself is not read again. */
    uint8_t summary = 0;
    for (const HashBucket *c = b->chain_prev; c; c = c->chain_prev) {
        summary |= summary_bit(c->hash);
    }
    for (const HashBucket *c = b->chain_next; c; c = c->chain_next) {
        summary |= summary_bit(c->hash);
    }
    *slot_summary(ht, b->hash & ht->table_mask) = summary;
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

#endif /* VESK_HASH_STORAGE_H */
