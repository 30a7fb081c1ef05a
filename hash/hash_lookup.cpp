/*
 * hash_lookup.cpp - lookup by string or integer key, deletion of one element,
 * emptying and destruction, and the two counters.
 *
 * String keys go through the numeric-key rule exactly as insertion does
 * (resolve_string_key), so "10\0" finds what integer key 10 stored.
 */
#include "hash_lookup.h"

#include "hash_storage.h"
#include "hash_hooks.h"
#include "hash_key.h"
#include "vesk_hash.h"

#include <assert.h>
#include <string.h>

/* ---- Lookup ----------------------------------------------------------------------- */

HashBucket *find_string_bucket_from(HashBucket *b, const char *key, uint32_t key_length,
                                    uint32_t h) {
    for (;;) {
        b = next_candidate(b, h, key_length);
        if (!b || key_bytes_equal(b->key, key, key_length)) {
            return b;
        }
        b = b->chain_next;
    }
}

/* The rest of find_string_data, from the candidate b on. */
static HASH_NOINLINE int find_string_data_from(HashBucket *b, const char *key, uint32_t key_length,
                                               uint32_t h, void **data) {
    if (!key_bytes_equal(b->key, key, key_length)) {
        b = find_string_bucket_from(b->chain_next, key, key_length, h);
        if (!b) {
            return FAILURE;
        }
    }
    *data = b->data;
    return SUCCESS;
}

/* The chain search of a string key with hash h, storing the data pointer of
 * its element.  Up to the first candidate, and for a key of 4 to 64 bytes up
 * to the answer, it calls nothing; anything that needs a call (memcmp, or the
 * chain after a candidate whose bytes differ) is handed to
 * find_string_data_from as the last step.  So no value is kept across a call,
 * and a miss, or a hit of a key of 4 to 64 bytes, saves and restores no
 * registers. */
static HASH_HOT_INLINE int find_string_data(const HashTable *ht, const char *key,
                                            uint32_t key_length, uint32_t h, void **data) {
    if (!summary_may_hold(ht, h)) {
        return FAILURE;
    }
    HashBucket *b = next_candidate(*slot_of(ht, h), h, key_length);
    if (!b) {
        return FAILURE;
    }
    if (key_in_line(key_length) && key_in_line_equal(b->key, key, key_length)) {
        *data = b->data;
        return SUCCESS;
    }
    return find_string_data_from(b, key, key_length, h, data);
}

static HASH_HOT_INLINE int find_index_data(const HashTable *ht, uint32_t index, void **data) {
    HashBucket *b = find_index_bucket(ht, index);
    if (!b) {
        return FAILURE;
    }
    *data = b->data;
    return SUCCESS;
}

int vesk_hash_find(const HashTable *ht, const char *key, uint32_t key_length, void **data) {
    if (key_length == 0) {
        return FAILURE;
    }
    uint32_t index;
    if (numeric_key(key, key_length, &index)) {
        return find_index_data(ht, index, data);
    }
    return find_string_data(ht, key, key_length, hash_bytes(key, key_length), data);
}

int vesk_hash_quick_find(const HashTable *ht, const char *key, uint32_t key_length, uint32_t hash,
                         void **data) {
    if (key_length == 0) {
        return FAILURE;
    }
    return find_string_data(ht, key, key_length, hash, data);
}

int vesk_hash_exists(const HashTable *ht, const char *key, uint32_t key_length) {
    return resolve_string_key(ht, key, key_length) != nullptr;
}

int vesk_hash_index_find(const HashTable *ht, uint32_t index, void **data) {
    return find_index_data(ht, index, data);
}

int vesk_hash_index_exists(const HashTable *ht, uint32_t index) {
    return find_index_bucket(ht, index) != nullptr;
}

/* ---- Deletion ---------------------------------------------------------------------- */

/* Unlinked first: a delete and the reverse apply promise that the destructor finds it gone. */
void unlink_then_destroy_bucket(HashTable *ht, HashBucket *b) {
    block_interruptions();
    chain_unlink(ht, b);
    list_unlink(ht, b);
    if (ht->cursor == b) {
        ht->cursor = b->list_next;
    }
    if (ht->destructor) {
        ht->destructor(b->data); /* the element is already out of the table */
    }
    free_data_block(ht, b);
    table_free(ht, b);
    unblock_interruptions();
    assert(ht->element_count > 0);
    ht->element_count--;
}

int vesk_hash_del_key_or_index(HashTable *ht, const char *key, uint32_t key_length, uint32_t index,
                               int flag) {
    HashBucket *b = flag == DELETE_BY_KEY ? resolve_string_key(ht, key, key_length)
                                          : find_index_bucket(ht, index);
    if (!b) {
        return FAILURE;
    }
    unlink_then_destroy_bucket(ht, b);
    return SUCCESS;
}

/* ---- Emptying and destruction ----------------------------------------------------------- */

/* Not unlinked: destroy and clean reset every link at once afterwards, so it would be waste. */
void destroy_buckets_without_unlinking(HashTable *ht) {
    HashBucket *b = ht->list_head;
    while (b) {
        HashBucket *next = b->list_next;
        if (ht->destructor) {
            ht->destructor(b->data);
        }
        free_data_block(ht, b);
        table_free(ht, b);
        b = next;
    }
}

void vesk_hash_destroy(HashTable *ht) {
    destroy_buckets_without_unlinking(ht);
    table_free(ht, slot_storage(ht));
}

void vesk_hash_clean(HashTable *ht) {
    destroy_buckets_without_unlinking(ht);
    memset(slot_storage(ht), 0, (size_t)ht->table_size * (sizeof(HashBucket *) + 1));
    ht->list_head = nullptr;
    ht->list_tail = nullptr;
    ht->cursor = nullptr;
    ht->element_count = 0;
    ht->next_free_index = 0;
}

/* ---- Counters ------------------------------------------------------------------------ */

uint32_t vesk_hash_num_elements(const HashTable *ht) {
    return ht->element_count;
}

uint32_t vesk_hash_next_free_element(const HashTable *ht) {
    return ht->next_free_index;
}
