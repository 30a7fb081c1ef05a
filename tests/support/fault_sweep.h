/*
 * fault_sweep.h - failing every allocation point of a scenario in turn
 * (fault_tests only; see alloc_fail.h).
 *
 * A scenario is one pass function, pass(n): it builds its tables, runs the
 * operation under test through run_failing(n, ...) so that the nth allocation
 * of that operation fails, checks what the operation promises, and releases
 * everything.  sweep_allocation_points calls it for n = 1, 2, ... until a pass
 * in which the nth allocation never came (the operation completed without a
 * failure), and checks after every pass that no block allocated during it is
 * still held.
 */
#ifndef VESK_FAULT_SWEEP_H
#define VESK_FAULT_SWEEP_H

#include "alloc_fail.h"
#include "table_hooks.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

/* Allocation points of one scenario: how many were failed, and after how many
 * of those every check held. */
struct SweepFigures {
    long failed = 0;
    long survived = 0;
};

/* Runs op with the nth allocation it makes failing; true when that
 * allocation came (and failed), false when op made fewer than n. */
template <class Op> bool run_failing(long n, Op op) {
    alloc_fail_after(n);
    op();
    const bool hit = !alloc_fail_pending();
    alloc_fail_reset();
    return hit;
}

/* Failed assertions of the running test so far. */
inline int failed_test_parts() {
    const testing::TestResult *result =
        testing::UnitTest::GetInstance()->current_test_info()->result();
    int failed = 0;
    for (int i = 0; i < result->total_part_count(); i++) {
        failed += result->GetTestPartResult(i).failed();
    }
    return failed;
}

/* Calls pass(n) (which returns what run_failing returned) for n = 1, 2, ...
 * until it reports that the operation completed without the failure; expects
 * no block of any pass to be left.  Prints and returns the figures. */
template <class Pass> SweepFigures sweep_allocation_points(const std::string &scenario, Pass pass) {
    SweepFigures figures;
    const long limit = 10000; /* far beyond any scenario here */
    for (long n = 1; n <= limit; n++) {
        SCOPED_TRACE(scenario + ", allocation " + std::to_string(n) + " failing");
        const int failed_before = failed_test_parts();
        alloc_track_begin();
        const bool hit = pass(n);
        EXPECT_EQ(0, alloc_track_end()) << "blocks left behind";
        if (!hit) {
            break;
        }
        figures.failed++;
        figures.survived += failed_test_parts() == failed_before;
        if (n == limit) {
            ADD_FAILURE() << "the scenario never completed";
        }
    }
    printf("[ fault    ] %s: %ld allocation points failed, %ld survived\n", scenario.c_str(),
           figures.failed, figures.survived);
    return figures;
}

/* ---- Table state ------------------------------------------------------------ */

/* Everything a failed operation must leave as it was: the record's fields,
 * the slot heads, and each element's key, data pointer, storage kind and data
 * bytes (block_size bytes for data in a separate block). */
struct TableState {
    uint32_t table_size, table_mask, element_count, next_free_index;
    const void *cursor, *list_head, *list_tail, *slots;
    std::vector<const void *> slot_heads;
    std::vector<std::string> elements; /* "key|data pointer|inline|bytes as hex" */
};

inline std::string hex_bytes(const void *data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; i++) {
        const unsigned char byte = ((const unsigned char *)data)[i];
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    return out;
}

inline TableState table_state(const HashTable *ht, size_t block_size) {
    TableState s{ht->table_size,
                 ht->table_mask,
                 ht->element_count,
                 ht->next_free_index,
                 ht->cursor,
                 ht->list_head,
                 ht->list_tail,
                 ht->slots,
                 {},
                 {}};
    if (ht->slots) {
        s.slot_heads.assign(ht->slots, ht->slots + ht->table_size);
    }
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        const bool is_inline = b->data == &b->inline_data;
        const std::string key = b->key_length ? "s:" + std::string(b->key, b->key_length)
                                              : "i:" + std::to_string(b->hash);
        char pointer[32];
        snprintf(pointer, sizeof pointer, "%p", b->data);
        s.elements.push_back(key + "|" + pointer + (is_inline ? "|inline|" : "|block|") +
                             hex_bytes(b->data, is_inline ? sizeof(void *) : block_size));
    }
    return s;
}

inline ::testing::AssertionResult same_table_state(const TableState &a, const TableState &b) {
    auto differs = [](const char *what) {
        return ::testing::AssertionFailure() << what << " differs";
    };
    if (a.table_size != b.table_size)
        return differs("table_size");
    if (a.table_mask != b.table_mask)
        return differs("table_mask");
    if (a.element_count != b.element_count)
        return differs("element_count");
    if (a.next_free_index != b.next_free_index)
        return differs("next_free_index");
    if (a.cursor != b.cursor)
        return differs("cursor");
    if (a.list_head != b.list_head)
        return differs("list_head");
    if (a.list_tail != b.list_tail)
        return differs("list_tail");
    if (a.slots != b.slots)
        return differs("slots");
    if (a.slot_heads != b.slot_heads)
        return differs("a slot head");
    if (a.elements != b.elements) {
        ::testing::AssertionResult result = ::testing::AssertionFailure();
        result << "elements differ:";
        for (const std::string &e : a.elements)
            result << "\n  before " << e;
        for (const std::string &e : b.elements)
            result << "\n  after  " << e;
        return result;
    }
    return ::testing::AssertionSuccess();
}

/* ---- Both allocators --------------------------------------------------------- */

/* A fixture whose parameter is the table's allocator: 1 persistent (malloc),
 * 0 through the hooks (_emalloc); it counts the interruption hooks (g_hooks,
 * table_hooks.h). */
class AllocatorFault : public ::testing::TestWithParam<int> {
  protected:
    vesk_bool persistent() const { return (vesk_bool)GetParam(); }
    std::string allocator() const { return GetParam() ? "persistent" : "hooks"; }

    void TearDown() override { alloc_fail_reset(); }
    CountingHooks hooks_;
};

/* The allocator's name in the parameterised tests' names. */
inline std::string allocator_name(const ::testing::TestParamInfo<int> &info) {
    return info.param ? "persistent" : "hooks";
}

#endif
