/*
 * hash_lookup.cpp - lookup by string or integer key, deletion of one element,
 * emptying and destruction, and the two counters.
 *
 * String keys go through the numeric-key rule exactly as insertion does
 * (resolve_string_key), so "10\0" finds what integer key 10 stored.
 */
#include "hash_internal.h"

/* ---- Lookup ----------------------------------------------------------------------- */

int vesk_hash_find(const HashTable *ht, const char *key, uint32_t key_length, void **data) {
    HashBucket *b = resolve_string_key(ht, key, key_length);
    if (!b) {
        return FAILURE;
    }
    *data = b->data;
    return SUCCESS;
}

int vesk_hash_quick_find(const HashTable *ht, const char *key, uint32_t key_length, uint32_t hash,
                         void **data) {
    if (key_length == 0) {
        return FAILURE;
    }
    HashBucket *b = find_string_bucket(ht, key, key_length, hash);
    if (!b) {
        return FAILURE;
    }
    *data = b->data;
    return SUCCESS;
}

int vesk_hash_exists(const HashTable *ht, const char *key, uint32_t key_length) {
    return resolve_string_key(ht, key, key_length) != nullptr;
}

int vesk_hash_index_find(const HashTable *ht, uint32_t index, void **data) {
    HashBucket *b = find_index_bucket(ht, index);
    if (!b) {
        return FAILURE;
    }
    *data = b->data;
    return SUCCESS;
}

int vesk_hash_index_exists(const HashTable *ht, uint32_t index) {
    return find_index_bucket(ht, index) != nullptr;
}

/* ---- Deletion ---------------------------------------------------------------------- */

void delete_bucket(HashTable *ht, HashBucket *b) {
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

int vesk_hash_del_key_or_index(HashTable *ht, const char *key, uint32_t key_length,
                               uint32_t index, int flag) {
    HashBucket *b = flag == DELETE_BY_KEY ? resolve_string_key(ht, key, key_length)
                                          : find_index_bucket(ht, index);
    if (!b) {
        return FAILURE;
    }
    delete_bucket(ht, b);
    return SUCCESS;
}

/* ---- Emptying and destruction ----------------------------------------------------------- */

void free_all_buckets(HashTable *ht) {
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
    free_all_buckets(ht);
    table_free(ht, ht->slots);
}

void vesk_hash_clean(HashTable *ht) {
    free_all_buckets(ht);
    memset(ht->slots, 0, (size_t)ht->table_size * sizeof(HashBucket *));
    ht->list_head = nullptr;
    ht->list_tail = nullptr;
    ht->cursor = nullptr;
    ht->element_count = 0;
    ht->next_free_index = 0;
}

/* ---- Counters ------------------------------------------------------------------------ */

uint32_t vesk_hash_num_elements(const HashTable *ht) { return ht->element_count; }

uint32_t vesk_hash_next_free_element(const HashTable *ht) { return ht->next_free_index; }
