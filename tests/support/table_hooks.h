/*
 * table_hooks.h - counting interruption hooks for the table suites: what the
 * table's critical sections looked like from outside.
 *
 * A CountingHooks object installs the hooks for its lifetime, from zeroed
 * counts, and puts back whatever hooks were there before.  The hooks allocate
 * nothing unless a table is watched, so the allocation-failure sweeps can
 * count with them too.
 */
#ifndef VESK_TABLE_HOOKS_H
#define VESK_TABLE_HOOKS_H

#include "vesk_hash.h"

#include <cstdint>
#include <vector>

struct HookCounts {
    int blocks = 0;
    int unblocks = 0;
    int depth = 0;       /* critical sections open now */
    bool nested = false; /* a block inside a block, or an unblock outside one */
    const HashTable *watched = nullptr;
    std::vector<uint32_t> count_at_unblock; /* the watched table's element_count */

    bool paired() const { return blocks == unblocks && depth == 0; }
};

inline HookCounts g_hooks;

inline void count_block() {
    g_hooks.blocks++;
    g_hooks.nested |= ++g_hooks.depth != 1;
}

inline void count_unblock() {
    g_hooks.unblocks++;
    g_hooks.nested |= --g_hooks.depth != 0;
    if (g_hooks.watched) {
        g_hooks.count_at_unblock.push_back(g_hooks.watched->element_count);
    }
}

class CountingHooks {
  public:
    CountingHooks()
        : saved_block_(vesk_block_interruptions), saved_unblock_(vesk_unblock_interruptions) {
        g_hooks = HookCounts();
        vesk_block_interruptions = count_block;
        vesk_unblock_interruptions = count_unblock;
    }
    ~CountingHooks() {
        vesk_block_interruptions = saved_block_;
        vesk_unblock_interruptions = saved_unblock_;
    }
    CountingHooks(const CountingHooks &) = delete;
    CountingHooks &operator=(const CountingHooks &) = delete;

  private:
    void (*saved_block_)(void);
    void (*saved_unblock_)(void);
};

#endif
