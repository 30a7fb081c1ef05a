/* clang-format off */
/*
 * hash_core.cpp - the table record, the table hash, initialisation, insertion,
 * growth and rehash.
 *
 * One bucket, one allocation (the picture is wider than the formatter's column
 * limit, which is why the formatter is off for this comment):
 *
 *   +------+------------+------+-------------+-----------+-----------+------------+------------+---------+
 *   | hash | key_length | data | inline_data | list_next | list_prev | chain_next | chain_prev | key ... |
 *   +------+------------+--|---+-------------+-----------+-----------+------------+------------+---------+
 *                          |     ^
 *                          +-----+  pointer-sized data lives in inline_data;
 *                                   any other size in a separate block
 *
 *   slots[hash & table_mask] -> bucket <-> bucket <-> ...   (chain, newest first)
 *   list_head -> bucket <-> bucket <-> ... <- list_tail      (insertion order)
 *
 * Invariants kept by every operation:
 *   - table_size is a power of two (8 to 2^31) and table_mask = table_size - 1;
 *   - every element is on the chain its hash selects and on the order list,
 *     both doubly linked; element_count is the length of the list;
 *   - before the table_size slot pointers, in the same allocation, each slot's
 *     summary byte holds the summary bit of every hash on its chain, and no
 *     other (hash_storage.h);
 *   - list_head and list_tail are null together, exactly when the table is empty;
 *   - data == &inline_data exactly when the data is stored inline; inline_data
 *     is zero when the data has a separate block;
 *   - no two elements share a key of the same kind; an integer key has
 *     key_length 0 and is stored in hash.
 */
/* clang-format on */
#include "hash_storage.h"
#include "hash_hooks.h"
#include "hash_key.h"
#include "hash_lookup.h"
#include "vesk_hash.h"

#include <stdlib.h>
#include <string.h>

/* ---- The table hash ----------------------------------------------------------- */

uint32_t vesk_hash_func(const char *key, uint32_t key_length) {
    return hash_bytes(key, key_length);
}

uint32_t vesk_get_hash_value(const HashTable *, const char *key, uint32_t key_length) {
    return hash_bytes(key, key_length);
}

/* ---- Initialisation ----------------------------------------------------------- */

int vesk_hash_init(HashTable *ht, uint32_t size_hint, void *, dtor_func_t destructor,
                   vesk_bool persistent) {
    if (size_hint > (1u << 31)) {
        /* No power of two of at least that size fits in 32 bits. */
        ht->table_size = 0;
        ht->table_mask = 0;
        ht->slots = nullptr;
        return FAILURE;
    }
    uint32_t i = 3;
    while ((1u << i) < size_hint) {
        i++;
    }
    ht->table_size = 1u << i;
    ht->table_mask = ht->table_size - 1;

    size_t bytes;
    void *storage = nullptr;
    if (!slot_storage_bytes(ht->table_size, &bytes)) {
        /* too large for size_t: no storage */
    } else if (persistent) {
        storage = calloc(1, bytes);
    } else {
        storage = _emalloc(bytes);
        if (storage) {
            memset(storage, 0, bytes);
        }
    }
    ht->slots = storage ? slots_in(storage, ht->table_size) : nullptr;
    if (!ht->slots) {
        return FAILURE;
    }

    ht->destructor = destructor;
    ht->cursor = nullptr;
    ht->list_head = nullptr;
    ht->list_tail = nullptr;
    ht->element_count = 0;
    ht->next_free_index = 0;
    ht->persistent = persistent;
    ht->apply_depth = 0;
    ht->apply_protection = 1;
    return SUCCESS;
}

int vesk_hash_init_ex(HashTable *ht, uint32_t size_hint, void *unused, dtor_func_t destructor,
                      vesk_bool persistent, vesk_bool apply_protection) {
    int result = vesk_hash_init(ht, size_hint, unused, destructor, persistent);
    ht->apply_protection = apply_protection;
    return result;
}

void vesk_hash_set_apply_protection(HashTable *ht, vesk_bool apply_protection) {
    ht->apply_protection = apply_protection;
}

/* ---- Growth and rehash ---------------------------------------------------------- */

/* Doubles the slot array.  FAILURE (table unchanged) when it cannot be
 * enlarged; SUCCESS without change at 2^31 slots. */
static int hash_grow(HashTable *ht) {
    if (ht->table_size >= (1u << 31)) {
        return SUCCESS;
    }
    const uint32_t new_size = ht->table_size * 2;
    size_t bytes;
    if (!slot_storage_bytes(new_size, &bytes)) {
        return FAILURE;
    }
    void *storage = table_realloc(ht, slot_storage(ht), bytes);
    if (!storage) {
        return FAILURE;
    }
    block_interruptions();
    ht->slots = slots_in(storage, new_size);
    ht->table_size = new_size;
    ht->table_mask = new_size - 1;
    vesk_hash_rehash(ht);
    unblock_interruptions();
    return SUCCESS;
}

int vesk_hash_rehash(HashTable *ht) {
    memset(slot_storage(ht), 0, (size_t)ht->table_size * (sizeof(HashBucket *) + 1));
    for (HashBucket *b = ht->list_head; b; b = b->list_next) {
        HashBucket **slot = slot_of(ht, b->hash);
        chain_link_front(*slot, b);
        *slot = b;
        summary_add(ht, b->hash);
    }
    return SUCCESS;
}

/* ---- Element data ------------------------------------------------------------------ */

/* Fills the data of a new bucket: inline when pointer-sized, else in a new
 * separate block.  FAILURE when the block cannot be allocated. */
static HASH_HOT_INLINE int store_new_data(const HashTable *ht, HashBucket *b, const void *data,
                                          uint32_t data_size) {
    if (data_size == sizeof(void *)) {
        memcpy(&b->inline_data, data, sizeof(void *));
        b->data = &b->inline_data;
        return SUCCESS;
    }
    /* One byte at least, so that a zero-sized block is never null. */
    void *block = table_alloc(ht, data_size ? data_size : 1);
    if (!block) {
        return FAILURE;
    }
    if (data_size) {
        memcpy(block, data, data_size); /* empty data may come as a null pointer */
    }
    b->data = block;
    b->inline_data = nullptr;
    return SUCCESS;
}

/* Replaces the data of an existing element and stores the new data pointer
 * through dest.  Any new block is allocated, and the new data copied into it,
 * before the destructor runs, so a failure leaves the element, its data and
 * the destructor untouched (FAILURE).  A separate block is replaced by one of
 * the new size: the table records no sizes, so it cannot reuse the old one
 * safely. */
static int replace_data(HashTable *ht, HashBucket *b, const void *data, uint32_t data_size,
                        void **dest) {
    void *block = nullptr;
    void *inline_value = nullptr;
    if (data_size == sizeof(void *)) {
        memcpy(&inline_value, data, sizeof(void *));
    } else {
        block = table_alloc(ht, data_size ? data_size : 1);
        if (!block) {
            return FAILURE;
        }
        if (data_size) {
            memcpy(block, data, data_size); /* empty data may come as a null pointer */
        }
    }

    block_interruptions();
    if (ht->destructor) {
        ht->destructor(b->data);
    }
    free_data_block(ht, b);
    if (block) {
        b->data = block;
        b->inline_data = nullptr;
    } else {
        b->inline_data = inline_value;
        b->data = &b->inline_data;
    }
    if (dest) {
        *dest = b->data;
    }
    unblock_interruptions();
    return SUCCESS;
}

/* Publishes a complete, forward-linked bucket: order list, head and cursor,
 * then the slot. */
static HASH_HOT_INLINE void publish_bucket(HashTable *ht, HashBucket *b, HashBucket **slot) {
    block_interruptions();
    list_append(ht, b);
    *slot = b;
    summary_add(ht, b->hash);
    unblock_interruptions();
}

/* Counts a published bucket and grows the table when it is over-full. */
static void count_new_bucket(HashTable *ht) {
    ht->element_count++;
    if (ht->element_count > ht->table_size) {
        hash_grow(ht); /* a failed growth leaves longer chains; the next insert retries */
    }
}

/* ---- Insertion ---------------------------------------------------------------------- */

/* The string-key insert shared by add_or_update and quick_add_or_update. */
static int string_insert(HashTable *ht, const char *key, uint32_t key_length, uint32_t h,
                         const void *data, uint32_t data_size, void **dest, int mode) {
    HashBucket **slot = slot_of(ht, h);
    HashBucket *b = find_string_bucket(ht, key, key_length, h);
    if (b) {
        if (mode & HASH_MODE_ADD) {
            return FAILURE;
        }
        return replace_data(ht, b, data, data_size, dest);
    }

    b = (HashBucket *)table_alloc(ht, bucket_size(key_length));
    if (!b) {
        return FAILURE;
    }
    memcpy(b->key, key, key_length);
    b->key_length = key_length;
    if (store_new_data(ht, b, data, data_size) != SUCCESS) {
        table_free(ht, b);
        return FAILURE;
    }
    b->hash = h;
    chain_link_front(*slot, b);
    if (dest) {
        *dest = b->data;
    }
    publish_bucket(ht, b, slot);
    count_new_bucket(ht);
    return SUCCESS;
}

int vesk_hash_add_or_update(HashTable *ht, const char *key, uint32_t key_length, const void *data,
                            uint32_t data_size, void **dest, int mode) {
    if (key_length == 0) {
        return FAILURE;
    }
    uint32_t index;
    if (numeric_key(key, key_length, &index)) {
        return vesk_hash_index_update_or_next_insert(ht, index, data, data_size, dest, mode);
    }
    return string_insert(ht, key, key_length, hash_bytes(key, key_length), data, data_size, dest,
                         mode);
}

int vesk_hash_quick_add_or_update(HashTable *ht, const char *key, uint32_t key_length,
                                  uint32_t hash, const void *data, uint32_t data_size, void **dest,
                                  int mode) {
    if (key_length == 0) {
        return FAILURE;
    }
    return string_insert(ht, key, key_length, hash, data, data_size, dest, mode);
}

int vesk_hash_add_empty_element(HashTable *ht, const char *key, uint32_t key_length) {
    void *one = (void *)1;
    return vesk_hash_add_or_update(ht, key, key_length, &one, sizeof(void *), nullptr,
                                   HASH_MODE_ADD);
}

int vesk_hash_index_update_or_next_insert(HashTable *ht, uint32_t index, const void *data,
                                          uint32_t data_size, void **dest, int mode) {
    if (mode & HASH_MODE_NEXT_INSERT) {
        index = ht->next_free_index;
    }
    HashBucket **slot = slot_of(ht, index);
    HashBucket *b = find_index_bucket(ht, index);
    if (b) {
        if (mode & (HASH_MODE_NEXT_INSERT | HASH_MODE_ADD)) {
            return FAILURE;
        }
        if (replace_data(ht, b, data, data_size, dest) != SUCCESS) {
            return FAILURE;
        }
        if (index >= ht->next_free_index) {
            ht->next_free_index = index + 1;
        }
        return SUCCESS;
    }

    b = (HashBucket *)table_alloc(ht, bucket_size(0));
    if (!b) {
        return FAILURE;
    }
    b->key_length = 0;
    b->hash = index;
    if (store_new_data(ht, b, data, data_size) != SUCCESS) {
        table_free(ht, b);
        return FAILURE;
    }
    if (dest) {
        *dest = b->data;
    }
    chain_link_front(*slot, b);
    publish_bucket(ht, b, slot);
    if (index >= ht->next_free_index) {
        ht->next_free_index = index + 1;
    }
    count_new_bucket(ht);
    return SUCCESS;
}
