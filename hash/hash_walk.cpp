/*
 * hash_walk.cpp - positions, the apply family with its nesting guard, and the
 * graceful destroys.
 */
#include "hash_walk.h"

#include "hash_storage.h"
#include "hash_hooks.h"
#include "hash_lookup.h"
#include "vesk_hash.h"

#include <assert.h>
#include <stdarg.h>

/* ---- Nesting guard ------------------------------------------------------------------ */

static const unsigned char APPLY_NESTING_LIMIT = 3;

bool apply_guard_enter(HashTable *ht) {
    if (!ht->apply_protection) {
        return false;
    }
    if (ht->apply_depth++ >= APPLY_NESTING_LIMIT) {
        vesk_error(1, "Nesting level too deep - recursive dependency?");
    }
    return true;
}

void apply_guard_leave(HashTable *ht, bool raised) {
    assert(!raised || ht->apply_depth > 0);
    if (raised) {
        ht->apply_depth--;
    }
}

/* ---- The removal step -------------------------------------------------------------------- */

/* Destroyed first: apply and the graceful destroys promise that the destructor still finds it. */
HashBucket *destroy_then_unlink_bucket(HashTable *ht, HashBucket *b) {
    block_interruptions();
    if (ht->destructor) {
        ht->destructor(b->data); /* the element is still linked */
    }
    free_data_block(ht, b);
    HashBucket *next = b->list_next;
    chain_unlink(ht, b);
    list_unlink(ht, b);
    if (ht->cursor == b) {
        ht->cursor = b->list_next;
    }
    table_free(ht, b);
    unblock_interruptions();
    assert(ht->element_count > 0);
    ht->element_count--;
    return next;
}

/* ---- Positions ---------------------------------------------------------------------------- */

/* The position an operation works on: the caller's variable, or the cursor. */
static HashPosition *position_of(HashTable *ht, HashPosition *pos) {
    return pos ? pos : &ht->cursor;
}

/* The element at a position, read without moving anything. */
static HashBucket *element_at(const HashTable *ht, const HashPosition *pos) {
    return pos ? *pos : ht->cursor;
}

void vesk_hash_internal_pointer_reset_ex(HashTable *ht, HashPosition *pos) {
    *position_of(ht, pos) = ht->list_head;
}

void vesk_hash_internal_pointer_end_ex(HashTable *ht, HashPosition *pos) {
    *position_of(ht, pos) = ht->list_tail;
}

int vesk_hash_move_forward_ex(HashTable *ht, HashPosition *pos) {
    HashPosition *p = position_of(ht, pos);
    if (!*p) {
        return FAILURE;
    }
    *p = (*p)->list_next;
    return SUCCESS;
}

int vesk_hash_move_backwards_ex(HashTable *ht, HashPosition *pos) {
    HashPosition *p = position_of(ht, pos);
    if (!*p) {
        return FAILURE;
    }
    *p = (*p)->list_prev;
    return SUCCESS;
}

int vesk_hash_get_current_key_ex(const HashTable *ht, char **key, uint32_t *key_length,
                                 uint32_t *index, vesk_bool duplicate, HashPosition *pos) {
    HashBucket *b = element_at(ht, pos);
    if (!b) {
        return KEY_TYPE_NONE;
    }
    if (b->key_length == 0) {
        *index = b->hash;
        return KEY_TYPE_INTEGER;
    }
    /* A copy always comes through the hooks, whatever the table's allocator,
     * so that the caller can release it with _efree; null when memory ran out. */
    *key = duplicate ? _estrndup(b->key, b->key_length) : b->key;
    if (key_length) {
        *key_length = b->key_length;
    }
    return KEY_TYPE_STRING;
}

int vesk_hash_get_current_key_type_ex(HashTable *ht, HashPosition *pos) {
    HashBucket *b = element_at(ht, pos);
    if (!b) {
        return KEY_TYPE_NONE;
    }
    return b->key_length == 0 ? KEY_TYPE_INTEGER : KEY_TYPE_STRING;
}

int vesk_hash_get_current_data_ex(HashTable *ht, void **data, HashPosition *pos) {
    HashBucket *b = element_at(ht, pos);
    if (!b) {
        return FAILURE;
    }
    *data = b->data;
    return SUCCESS;
}

/* ---- Forward apply ------------------------------------------------------------------------ */

/* Calls one apply callback on an element; the three forward applies differ
 * only in this call. */
typedef int (*visit_func_t)(HashBucket *b, void *context);

/* The forward walk shared by the apply operations: any non-zero result
 * removes the element, and the walk never stops early.  The successor of a
 * kept element is read after its callback, which may have changed the list. */
static void apply_forward(HashTable *ht, visit_func_t visit, void *context) {
    const bool raised = apply_guard_enter(ht);
    HashBucket *b = ht->list_head;
    while (b) {
        b = visit(b, context) ? destroy_then_unlink_bucket(ht, b) : b->list_next;
    }
    apply_guard_leave(ht, raised);
}

struct ApplyPlain {
    apply_func_t apply;
};

static int visit_plain(HashBucket *b, void *context) {
    return ((ApplyPlain *)context)->apply(b->data);
}

void vesk_hash_apply(HashTable *ht, apply_func_t apply) {
    ApplyPlain context = {apply};
    apply_forward(ht, visit_plain, &context);
}

struct ApplyWithArgument {
    apply_func_arg_t apply;
    void *argument;
};

static int visit_with_argument(HashBucket *b, void *context) {
    ApplyWithArgument *c = (ApplyWithArgument *)context;
    return c->apply(b->data, c->argument);
}

void vesk_hash_apply_with_argument(HashTable *ht, apply_func_arg_t apply, void *argument) {
    ApplyWithArgument context = {apply, argument};
    apply_forward(ht, visit_with_argument, &context);
}

struct ApplyWithArguments {
    apply_func_args_t apply;
    int num_args;
    va_list *args; /* positioned at the first extra argument; never read here */
};

static int visit_with_arguments(HashBucket *b, void *context) {
    ApplyWithArguments *c = (ApplyWithArguments *)context;
    HashKeyInfo key_info = {b->key, b->key_length, b->hash};
    /* Reading a passed list may consume the caller's, so every call gets a
     * fresh copy in the starting state. */
    va_list args;
    va_copy(args, *c->args);
    const int result = c->apply(b->data, c->num_args, args, &key_info);
    va_end(args);
    return result;
}

void vesk_hash_apply_with_arguments(HashTable *ht, apply_func_args_t apply, int num_args, ...) {
    va_list args;
    va_start(args, num_args);
    ApplyWithArguments context = {apply, num_args, &args};
    apply_forward(ht, visit_with_arguments, &context);
    va_end(args);
}

/* ---- Reverse apply ------------------------------------------------------------------------ */

void vesk_hash_reverse_apply(HashTable *ht, apply_func_t apply) {
    const bool raised = apply_guard_enter(ht);
    HashBucket *b = ht->list_tail;
    while (b) {
        const int result = apply(b->data);
        HashBucket *prev = b->list_prev;
        if (result & APPLY_REMOVE) {
            /* Unlinked through its own links, in the order of a single
             * deletion: the destructor sees it already gone. */
            unlink_then_destroy_bucket(ht, b);
        }
        if (result & APPLY_STOP) {
            break;
        }
        b = prev;
    }
    apply_guard_leave(ht, raised);
}

/* ---- Graceful destruction ------------------------------------------------------------------ */

/* Each element goes through the removal step, so the table is consistent
 * before every destructor call and a destructor may remove other elements;
 * the next element is therefore read only after the step. */
void vesk_hash_graceful_destroy(HashTable *ht) {
    HashBucket *b = ht->list_head;
    while (b) {
        b = destroy_then_unlink_bucket(ht, b);
    }
    table_free(ht, slot_storage(ht));
}

void vesk_hash_graceful_reverse_destroy(HashTable *ht) {
    while (ht->list_tail) {
        destroy_then_unlink_bucket(ht, ht->list_tail);
    }
    table_free(ht, slot_storage(ht));
}
