/*
 * hash_hooks.h - the table's use of the interruption hooks that hash_hooks.cpp
 * defines: entering and leaving a critical section; not exported.
 */
#ifndef VESK_HASH_HOOKS_H
#define VESK_HASH_HOOKS_H

#include "vesk_hash.h"

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

#endif /* VESK_HASH_HOOKS_H */
