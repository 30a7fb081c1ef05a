/*
 * hash_walk.h - the removal step and the nesting guard of hash_walk.cpp, which
 * the whole-table operations share; not exported.
 */
#ifndef VESK_HASH_WALK_H
#define VESK_HASH_WALK_H

#include "vesk_hash.h"

/* The removal step of apply and the graceful destroys: the destructor sees
 * the element still linked.  Returns the element's list successor. */
HashBucket *destroy_then_unlink_bucket(HashTable *ht, HashBucket *b);

/* The nesting guard of the apply operations and compare.  Enter returns
 * whether the depth was raised; pass that to leave. */
bool apply_guard_enter(HashTable *ht);
void apply_guard_leave(HashTable *ht, bool raised);

#endif /* VESK_HASH_WALK_H */
