/*
 * hash_whole.cpp - operations on a table as a whole: copy, merge (plain and
 * under a checker), sort with optional renumbering, comparison, and the
 * minimum or maximum element.
 *
 * Copy and merge carry each source element over under the very key it has:
 * a string key by its bytes and its stored hash (the quick insert and quick
 * lookup), an integer key by number.  The numeric-key rule is never applied
 * here, so a string key such as "12\0" that the quick insert stored stays a
 * string key in the target, and a copy compares equal to its source.
 */
#include "hash_storage.h"
#include "hash_hooks.h"
#include "hash_lookup.h"
#include "hash_walk.h"
#include "vesk_hash.h"

#include <stdint.h>
#include <string.h>

/* ---- Carrying one element into another table ---------------------------------------- */

/* The target's element under the same key as b, or null. */
static HashBucket *find_same_key(const HashTable *ht, const HashBucket *b) {
    if (b->key_length == 0) {
        return find_index_bucket(ht, b->hash);
    }
    return find_string_bucket(ht, b->key, b->key_length, b->hash);
}

/* Inserts data_size bytes of b's data into the target under b's key and, on
 * success, calls ctor on the stored copy.  A failed insertion (present key
 * under HASH_MODE_ADD, memory exhausted) leaves the element out silently. */
static void carry_element(HashTable *target, const HashBucket *b, copy_ctor_func_t ctor,
                          uint32_t data_size, int mode) {
    void *stored = nullptr;
    int result;
    if (b->key_length == 0) {
        result = vesk_hash_index_update_or_next_insert(target, b->hash, b->data, data_size, &stored,
                                                       mode);
    } else {
        result = vesk_hash_quick_add_or_update(target, b->key, b->key_length, b->hash, b->data,
                                               data_size, &stored, mode);
    }
    if (result == SUCCESS && ctor) {
        ctor(stored);
    }
}

/* ---- Copy and merge --------------------------------------------------------------------- */

/* Each walk reads the source's successor only after the insertion and the
 * constructor call, which may have touched the tables.  Every operation ends
 * with the target's cursor on its first element. */

void vesk_hash_copy(HashTable *target, HashTable *source, copy_ctor_func_t ctor, void *,
                    uint32_t data_size) {
    for (HashBucket *b = source->list_head; b; b = b->list_next) {
        carry_element(target, b, ctor, data_size, HASH_MODE_UPDATE);
    }
    target->cursor = target->list_head;
}

/* Without overwrite both insert paths refuse a present key under
 * HASH_MODE_ADD and change nothing, so the target's element wins for string
 * and integer keys alike and no constructor runs for it. */
void vesk_hash_merge(HashTable *target, HashTable *source, copy_ctor_func_t ctor, void *,
                     uint32_t data_size, int overwrite) {
    const int mode = overwrite ? HASH_MODE_UPDATE : HASH_MODE_ADD;
    for (HashBucket *b = source->list_head; b; b = b->list_next) {
        carry_element(target, b, ctor, data_size, mode);
    }
    target->cursor = target->list_head;
}

/* The checker decides only for keys present in both tables, and sees the
 * target's data first. */
void vesk_hash_merge_ex(HashTable *target, HashTable *source, copy_ctor_func_t ctor,
                        uint32_t data_size, merge_checker_func_t checker) {
    for (HashBucket *b = source->list_head; b; b = b->list_next) {
        HashBucket *present = find_same_key(target, b);
        if (!present || checker(present->data, b->data)) {
            carry_element(target, b, ctor, data_size, HASH_MODE_UPDATE);
        }
    }
    target->cursor = target->list_head;
}

/* ---- Sort ---------------------------------------------------------------------------------- */

/* Sorts an array of the elements and relinks the order list after it; the
 * buckets themselves do not move.  With renumber the keys become 0..n-1 in
 * the new order and the chains are rebuilt for them. */
int vesk_hash_sort(HashTable *ht, sort_func_t sort, compare_func_t compare, int renumber) {
    const uint32_t count = ht->element_count;
    if (count <= 1) {
        return SUCCESS;
    }
    size_t bytes;
    if (!slot_array_bytes(count, &bytes)) {
        return FAILURE;
    }
    HashBucket **order = (HashBucket **)table_alloc(ht, bytes);
    if (!order) {
        return FAILURE;
    }
    uint32_t n = 0;
    for (HashBucket *b = ht->list_head; b; b = b->list_next) {
        order[n++] = b;
    }

    sort(order, count, sizeof(HashBucket *), compare);

    block_interruptions();
    ht->list_head = nullptr;
    ht->list_tail = nullptr;
    for (uint32_t i = 0; i < count; i++) {
        list_append(ht, order[i]);
    }
    ht->cursor = ht->list_head;
    table_free(ht, order);
    unblock_interruptions();

    if (renumber) {
        uint32_t key = 0;
        for (HashBucket *b = ht->list_head; b; b = b->list_next) {
            b->key_length = 0; /* a former string key's bytes are simply dropped */
            b->hash = key++;
        }
        ht->next_free_index = count;
        vesk_hash_rehash(ht);
    }
    return SUCCESS;
}

/* ---- Comparison ------------------------------------------------------------------------------ */

/* The key difference of two elements in ordered mode: integer keys by value,
 * otherwise by length (an integer key counts as length 0, so it is the
 * smaller) and then by bytes. */
static int key_difference(const HashBucket *a, const HashBucket *b) {
    if (a->key_length == 0 && b->key_length == 0) {
        return (int32_t)(a->hash - b->hash);
    }
    const int32_t by_length = (int32_t)(a->key_length - b->key_length);
    if (by_length != 0) {
        return by_length;
    }
    return memcmp(a->key, b->key, a->key_length);
}

/* The ordered pass: the elements of both tables pairwise in list order, each
 * pair by key and then by data.  The partner's successor is read after the
 * data comparison. */
static int compare_in_order(const HashTable *ht1, const HashTable *ht2, compare_func_t compare) {
    const HashBucket *partner = ht2->list_head;
    for (const HashBucket *b = ht1->list_head; b; b = b->list_next) {
        if (!partner) {
            return 1;
        }
        const int by_key = key_difference(b, partner);
        if (by_key != 0) {
            return by_key;
        }
        const int by_data = compare(b->data, partner->data);
        if (by_data != 0) {
            return by_data;
        }
        partner = partner->list_next;
    }
    return 0;
}

/* The unordered pass: each element of the first table against the second
 * table's element under the very same key, by data. */
static int compare_by_key(const HashTable *ht1, const HashTable *ht2, compare_func_t compare) {
    for (const HashBucket *b = ht1->list_head; b; b = b->list_next) {
        const HashBucket *partner = find_same_key(ht2, b);
        if (!partner) {
            return 1;
        }
        const int by_data = compare(b->data, partner->data);
        if (by_data != 0) {
            return by_data;
        }
    }
    return 0;
}

/* The comparison proper, between the guards of both tables: the counts, then
 * one of the two passes. */
static int compare_tables(const HashTable *ht1, const HashTable *ht2, compare_func_t compare,
                          bool ordered) {
    const int32_t by_count = (int32_t)(ht1->element_count - ht2->element_count);
    if (by_count != 0) {
        return by_count;
    }
    return ordered ? compare_in_order(ht1, ht2, compare) : compare_by_key(ht1, ht2, compare);
}

int vesk_hash_compare(HashTable *ht1, HashTable *ht2, compare_func_t compare, vesk_bool ordered) {
    const bool raised1 = apply_guard_enter(ht1);
    const bool raised2 = apply_guard_enter(ht2);
    const int result = compare_tables(ht1, ht2, compare, ordered != 0);
    apply_guard_leave(ht2, raised2);
    apply_guard_leave(ht1, raised1);
    return result;
}

/* ---- Minimum and maximum ------------------------------------------------------------------- */

/* A later element replaces the candidate only when strictly beyond it, so the
 * earliest of equal elements wins in both directions. */
int vesk_hash_minmax(const HashTable *ht, compare_func_t compare, int flag, void **data) {
    if (ht->element_count == 0) {
        *data = nullptr;
        return FAILURE;
    }
    HashBucket *candidate = ht->list_head;
    for (HashBucket *b = candidate->list_next; b; b = b->list_next) {
        const int result = compare(&candidate, &b);
        if (flag ? result < 0 : result > 0) {
            candidate = b;
        }
    }
    *data = candidate->data;
    return SUCCESS;
}
