/*
 * vesk_hash.h - the ordered hash table exported by veskid.
 *
 * A chained hash table with two kinds of key in one table: byte strings of an
 * explicit length (1 or more bytes) and unsigned 32-bit integers.  Every element
 * also sits on one doubly linked list in insertion order, which every walk
 * follows.  The table copies keys and element data into storage of its own;
 * data exactly the size of a pointer lives inside the element record.
 *
 * A string key of decimal digits whose length counts exactly one terminating
 * NUL ("10\0", length 3) addresses the integer key of that value, as long as
 * it has no leading zero (except "0") and is below 2147483647 (the
 * numeric-key rule); "10" of length 2 stays a string key.  The slot array
 * doubles when the element count exceeds it.
 *
 * Operations that can fail return SUCCESS (0) or FAILURE (-1); a failed
 * operation leaves the table as it was.  One table is used by one thread at a
 * time.
 */
#ifndef VESK_HASH_H
#define VESK_HASH_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VESK_PRINTF_LIKE(f, a) __attribute__((format(printf, f, a)))
#define VESK_NORETURN __attribute__((noreturn))
#else
#define VESK_PRINTF_LIKE(f, a)
#define VESK_NORETURN
#endif

/* ---- Types and constants ------------------------------------------------ */

typedef unsigned char vesk_bool;

/* Results of the operations that can fail.  Each is defined only where no
 * header before this one has defined it: vesk_hostid.h defines both with the
 * same values, and either header may come first. */
#ifndef SUCCESS
#define SUCCESS (0)
#endif
#ifndef FAILURE
#define FAILURE (-1)
#endif
/* A header before this one that gave them other values would otherwise
 * change, unseen, what the program compares the table's results with. */
#if SUCCESS != 0 || FAILURE != -1
#error "SUCCESS or FAILURE was defined before vesk_hash.h with another value"
#endif

/* Insert modes: single bits, tested one by one.  Mode 0 acts as UPDATE. */
#define HASH_MODE_UPDATE (1 << 0)      /* insert, or replace existing data */
#define HASH_MODE_ADD (1 << 1)         /* insert only; FAILURE if present */
#define HASH_MODE_NEXT_INSERT (1 << 2) /* integer keys: use next_free_index */

#define DELETE_BY_KEY 0
#define DELETE_BY_INDEX 1

#define KEY_TYPE_STRING 1
#define KEY_TYPE_INTEGER 2
#define KEY_TYPE_NONE 3

#define APPLY_KEEP 0
#define APPLY_REMOVE (1 << 0)
#define APPLY_STOP (1 << 1)

/* A destructor gets the element's data pointer: the address of the table's
 * copy of the data, never the stored value itself.  It releases what that
 * data refers to; the copy is the table's to free.  free() is therefore no
 * destructor: for a table of owned pointers, free(*(void **)data). */
typedef void (*dtor_func_t)(void *data);
typedef void (*copy_ctor_func_t)(void *data);
typedef int (*compare_func_t)(const void *a, const void *b);
typedef void (*sort_func_t)(void *base, size_t count, size_t width, compare_func_t compare);
typedef vesk_bool (*merge_checker_func_t)(void *target_data, void *source_data);

/* One element.  The record and its key bytes are one allocation. */
typedef struct HashBucket {
    uint32_t hash;                /* table hash of a string key, or the integer key */
    uint32_t key_length;          /* string key bytes; 0 marks an integer key */
    void *data;                   /* &inline_data, or a separate block */
    void *inline_data;            /* pointer-sized data itself; 0 with a separate block */
    struct HashBucket *list_next; /* insertion order */
    struct HashBucket *list_prev;
    struct HashBucket *chain_next; /* same slot */
    struct HashBucket *chain_prev;
    char key[1]; /* key_length bytes follow in the same allocation */
} HashBucket;

/* The table record: placed by its user, for example as a local variable. */
typedef struct HashTable {
    uint32_t table_size; /* slots: a power of two, 8 to 2^31 */
    uint32_t table_mask; /* table_size - 1 */
    uint32_t element_count;
    uint32_t next_free_index; /* integer key of the next HASH_MODE_NEXT_INSERT */
    HashBucket *cursor;       /* the table's own position */
    HashBucket *list_head;
    HashBucket *list_tail;
    HashBucket **slots;
    dtor_func_t destructor; /* gets the data pointer of data replaced or removed */
    vesk_bool persistent;   /* storage from malloc/free, else through the hooks */
    unsigned char apply_depth;
    vesk_bool apply_protection;
} HashTable;

typedef HashBucket *HashPosition;

/* Passed to the callback of vesk_hash_apply_with_arguments; valid during the call. */
typedef struct HashKeyInfo {
    const char *key;     /* key bytes; not to be read for an integer key */
    uint32_t key_length; /* 0 for an integer key */
    uint32_t hash;       /* the key's hash, or the integer key */
} HashKeyInfo;

typedef int (*apply_func_t)(void *data);
typedef int (*apply_func_arg_t)(void *data, void *argument);
typedef int (*apply_func_args_t)(void *data, int num_args, va_list args, HashKeyInfo *key_info);

/* ---- Record, hashing and insertion -------------------------------------- */

/* Initialises an empty table of the smallest power of two >= size_hint slots
 * (at least 8).  FAILURE when the slot array cannot be allocated or the hint
 * exceeds 2^31: only table_size, table_mask and a null slots are stored. */
int vesk_hash_init(HashTable *ht, uint32_t size_hint, void *unused, dtor_func_t destructor,
                   vesk_bool persistent);

/* As vesk_hash_init; apply_protection is then set from the last argument
 * whatever the result. */
int vesk_hash_init_ex(HashTable *ht, uint32_t size_hint, void *unused, dtor_func_t destructor,
                      vesk_bool persistent, vesk_bool apply_protection);

/* Turns the nesting guard of the apply operations and compare on or off. */
void vesk_hash_set_apply_protection(HashTable *ht, vesk_bool apply_protection);

/* Inserts or replaces the element under a string key (an integer key by the
 * numeric-key rule), copying data_size bytes of data.  *dest, when given,
 * receives the element's data pointer.  FAILURE for key length 0, a present
 * key under HASH_MODE_ADD, or allocation failure; the table is then unchanged.
 * An insertion into a table whose cursor is null puts the cursor on it. */
int vesk_hash_add_or_update(HashTable *ht, const char *key, uint32_t key_length, const void *data,
                            uint32_t data_size, void **dest, int mode);

/* As vesk_hash_add_or_update with the key's table hash given by the caller;
 * the key always stays a string key. */
int vesk_hash_quick_add_or_update(HashTable *ht, const char *key, uint32_t key_length,
                                  uint32_t hash, const void *data, uint32_t data_size, void **dest,
                                  int mode);

/* Adds the key with the pointer-sized value 1 as data: SUCCESS if it was new,
 * FAILURE if it was present (nothing changes), its length is 0, or memory ran out. */
int vesk_hash_add_empty_element(HashTable *ht, const char *key, uint32_t key_length);

/* Inserts or replaces the element under an integer key; with
 * HASH_MODE_NEXT_INSERT the key is next_free_index instead.  Storing key n
 * raises next_free_index to n + 1 when n is not below it.  FAILURE for a
 * present key under ADD or NEXT_INSERT, or allocation failure. */
int vesk_hash_index_update_or_next_insert(HashTable *ht, uint32_t index, const void *data,
                                          uint32_t data_size, void **dest, int mode);

/* Rebuilds every chain from the insertion-order list.  Always SUCCESS. */
int vesk_hash_rehash(HashTable *ht);

/* The table hash: h = h * 33 ^ (signed) byte from 5381, over every byte. */
uint32_t vesk_hash_func(const char *key, uint32_t key_length);

/* The same value as vesk_hash_func; the table argument is ignored. */
uint32_t vesk_get_hash_value(const HashTable *ht, const char *key, uint32_t key_length);

/* ---- Hooks --------------------------------------------------------------- */

/* Allocation hooks: malloc, free and realloc (the flag is ignored). */
void *_emalloc(size_t size);
void _efree(void *ptr);
void *_erealloc(void *ptr, size_t size, int allow_failure);

/* A NUL-terminated copy of length bytes through _emalloc; null on failure. */
char *_estrndup(const char *s, size_t length);
char *_estrdup(const char *s);

/* Writes the formatted text to standard error as is; the type is ignored. */
void vesk_error(int type, const char *format, ...) VESK_PRINTF_LIKE(2, 3);

/* Ends the process with status 1. */
void _vesk_bailout(void) VESK_NORETURN;

/* There is no configuration: writes nothing and returns 0. */
int vesk_get_configuration_directive(const char *name, uint32_t name_length, void *value);

/* Null unless another module stores into them; when set, the table calls them
 * on entering and on leaving each stretch in which its links are inconsistent. */
extern void (*vesk_block_interruptions)(void);
extern void (*vesk_unblock_interruptions)(void);

/* ---- Lookup, deletion and destruction ------------------------------------ */

/* Stores the data pointer of the element under the key in *data and returns
 * SUCCESS; FAILURE (and *data untouched) when absent or the length is 0. */
int vesk_hash_find(const HashTable *ht, const char *key, uint32_t key_length, void **data);

/* As vesk_hash_find with the caller's hash; the key always stays a string key. */
int vesk_hash_quick_find(const HashTable *ht, const char *key, uint32_t key_length, uint32_t hash,
                         void **data);

/* 1 when an element with the key exists, else 0. */
int vesk_hash_exists(const HashTable *ht, const char *key, uint32_t key_length);

/* Integer-key lookup: SUCCESS with *data set, or FAILURE. */
int vesk_hash_index_find(const HashTable *ht, uint32_t index, void **data);

/* 1 when the integer key exists, else 0. */
int vesk_hash_index_exists(const HashTable *ht, uint32_t index);

/* Deletes the element under the string key (DELETE_BY_KEY) or the integer key
 * (any other flag).  The destructor runs after the element has left the table;
 * the cursor moves to the next element if it stood on it.  SUCCESS, or
 * FAILURE when nothing matched. */
int vesk_hash_del_key_or_index(HashTable *ht, const char *key, uint32_t key_length, uint32_t index,
                               int flag);

/* Calls the destructor on every element in order and frees all storage.  The
 * table must be initialised again before further use. */
void vesk_hash_destroy(HashTable *ht);

/* Empties the table and keeps its slot array: ready for new insertions, the
 * next append gets integer key 0. */
void vesk_hash_clean(HashTable *ht);

uint32_t vesk_hash_num_elements(const HashTable *ht);

/* The integer key that the next HASH_MODE_NEXT_INSERT will use. */
uint32_t vesk_hash_next_free_element(const HashTable *ht);

/* ---- Traversal and apply -------------------------------------------------- */
/* Position operations use *pos, or the table's cursor when pos is null.
 *
 * The apply operations and vesk_hash_compare count their nesting per table
 * (unless apply protection is off): from the fourth nested level on,
 * "Nesting level too deep - recursive dependency?" goes through vesk_error
 * and the work goes on. */

/* Puts the position on the first (reset) or last (end) element; null when empty. */
void vesk_hash_internal_pointer_reset_ex(HashTable *ht, HashPosition *pos);
void vesk_hash_internal_pointer_end_ex(HashTable *ht, HashPosition *pos);

/* Steps the position; SUCCESS (null after the last or before the first
 * element), or FAILURE when it stood on no element. */
int vesk_hash_move_forward_ex(HashTable *ht, HashPosition *pos);
int vesk_hash_move_backwards_ex(HashTable *ht, HashPosition *pos);

/* The kind of key at the position.  For a string key *key receives the bytes
 * in the bucket, or a NUL-terminated copy through _estrndup when duplicate is
 * set (free it with _efree; null when the copy cannot be allocated, the kind
 * is still returned); for an integer key *index receives it.  key_length may
 * be null.  KEY_TYPE_NONE writes nothing. */
int vesk_hash_get_current_key_ex(const HashTable *ht, char **key, uint32_t *key_length,
                                 uint32_t *index, vesk_bool duplicate, HashPosition *pos);

/* The kind of key at the position, writing nothing. */
int vesk_hash_get_current_key_type_ex(HashTable *ht, HashPosition *pos);

/* SUCCESS with the data pointer at the position, or FAILURE (nothing written). */
int vesk_hash_get_current_data_ex(HashTable *ht, void **data, HashPosition *pos);

/* Calls the callback on every element in order; any non-zero result removes
 * the element (its destructor sees it still in the table). */
void vesk_hash_apply(HashTable *ht, apply_func_t apply);
void vesk_hash_apply_with_argument(HashTable *ht, apply_func_arg_t apply, void *argument);

/* As vesk_hash_apply; every call gets the extra arguments from their start and
 * the element's key. */
void vesk_hash_apply_with_arguments(HashTable *ht, apply_func_args_t apply, int num_args, ...);

/* Visits from the last element to the first; APPLY_REMOVE removes the element
 * (its destructor runs after it left the table), APPLY_STOP ends the walk. */
void vesk_hash_reverse_apply(HashTable *ht, apply_func_t apply);

/* Removes the elements one by one from the head (or the tail), keeping the
 * table consistent before every destructor call, then frees the slot array. */
void vesk_hash_graceful_destroy(HashTable *ht);
void vesk_hash_graceful_reverse_destroy(HashTable *ht);

/* ---- Copy, merge, sort and comparison ------------------------------------ */

/* Inserts every source element into the target under its key (replacing
 * same-key elements in place) and calls ctor on each new copy.  An element
 * whose storage cannot be allocated is left out without a ctor call (a
 * replaced one keeps its old data) and the walk goes on; a target that cannot
 * grow keeps its slots.  The source is not changed.  The target's cursor ends
 * on its first element. */
void vesk_hash_copy(HashTable *target, HashTable *source, copy_ctor_func_t ctor, void *unused,
                    uint32_t data_size);

/* As vesk_hash_copy; without overwrite, target elements under shared keys
 * stay (no ctor call for them).  Allocation failures as in vesk_hash_copy. */
void vesk_hash_merge(HashTable *target, HashTable *source, copy_ctor_func_t ctor, void *unused,
                     uint32_t data_size, int overwrite);

/* As vesk_hash_merge; a shared key is replaced when checker(target data,
 * source data) returns non-zero.  Allocation failures as in vesk_hash_copy. */
void vesk_hash_merge_ex(HashTable *target, HashTable *source, copy_ctor_func_t ctor,
                        uint32_t data_size, merge_checker_func_t checker);

/* Reorders the elements with the sort routine (qsort will do); the compare
 * function gets two HashBucket **.  With renumber the keys become 0..n-1.
 * The cursor ends on the first element.  FAILURE (table unchanged) when the
 * temporary array cannot be allocated. */
int vesk_hash_sort(HashTable *ht, sort_func_t sort, compare_func_t compare, int renumber);

/* 0 when the tables hold the same keys (in the same order when ordered) with
 * data that compare (given the two data pointers) finds equal; otherwise the
 * first difference found, non-zero: element counts, then keys, then data.
 * Guarded against nesting like the apply operations.  Allocates nothing. */
int vesk_hash_compare(HashTable *ht1, HashTable *ht2, compare_func_t compare, vesk_bool ordered);

/* The data of the maximum (flag non-zero) or minimum element, the earliest
 * among equals; like sort's, the compare function gets two HashBucket **.
 * SUCCESS with *data set, or FAILURE with *data null on an empty table.
 * Allocates nothing. */
int vesk_hash_minmax(const HashTable *ht, compare_func_t compare, int flag, void **data);

#ifdef __cplusplus
}
#endif

#endif /* VESK_HASH_H */
