/*
 * Whole-table operations when memory runs out, with allocations failed on
 * purpose through alloc_fail (this binary only).
 */
#include "alloc_fail.h"
#include "fault_sweep.h"
#include "table_check.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int sort_calls = 0;
int constructed = 0;

void counting_qsort(void *base, size_t count, size_t width, compare_func_t compare) {
    sort_calls++;
    qsort(base, count, width, compare);
}

int by_key_bytes(const void *a, const void *b) {
    const HashBucket *x = *(HashBucket *const *)a;
    const HashBucket *y = *(HashBucket *const *)b;
    return std::string(x->key, x->key_length).compare(std::string(y->key, y->key_length));
}

void count_constructed(void *) {
    constructed++;
}

void put(HashTable *ht, const char *key, intptr_t v) {
    ASSERT_EQ(SUCCESS, vesk_hash_add_or_update(ht, key, 1, &v, sizeof v, nullptr, HASH_MODE_ADD));
}

/* Runs each case on a persistent table (malloc) and on one that allocates
 * through the hooks (_emalloc). */
class HashWholeFault : public ::testing::TestWithParam<int> {
  protected:
    HashTable ht;

    void SetUp() override {
        sort_calls = 0;
        constructed = 0;
        ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, nullptr, (vesk_bool)GetParam()));
    }

    void TearDown() override {
        alloc_fail_reset();
        vesk_hash_destroy(&ht);
    }
};

} // namespace

/* The temporary array cannot be had: FAILURE before the sort routine runs,
 * with order, keys, cursor, chains and next_free_index as they were. */
TEST_P(HashWholeFault, SortWithoutMemoryLeavesTableUnchanged) {
    put(&ht, "b", 2);
    put(&ht, "a", 1);
    put(&ht, "c", 3);
    HashBucket *middle = ht.list_head->list_next;
    ht.cursor = middle;
    std::vector<HashBucket *> slots(ht.slots, ht.slots + ht.table_size);

    alloc_fail_after(1);
    EXPECT_EQ(FAILURE, vesk_hash_sort(&ht, counting_qsort, by_key_bytes, 1));
    alloc_fail_reset();

    EXPECT_EQ(0, sort_calls);
    EXPECT_EQ((std::vector<std::string>{skey("b"), skey("a"), skey("c")}), table_keys(&ht));
    EXPECT_EQ(middle, ht.cursor);
    EXPECT_EQ(0u, ht.next_free_index);
    EXPECT_EQ(slots, std::vector<HashBucket *>(ht.slots, ht.slots + ht.table_size));
    EXPECT_TRUE(table_is_consistent(&ht));

    // The same call succeeds once memory is back.
    EXPECT_EQ(SUCCESS, vesk_hash_sort(&ht, counting_qsort, by_key_bytes, 1));
    EXPECT_EQ((std::vector<std::string>{ikey(0), ikey(1), ikey(2)}), table_keys(&ht));
}

/* The second source element cannot be stored: it is left out without a
 * constructor call and the walk goes on with the third. */
TEST_P(HashWholeFault, CopySkipsElementThatCannotBeStored) {
    HashTable source;
    ASSERT_EQ(SUCCESS, vesk_hash_init(&source, 8, nullptr, nullptr, 1));
    put(&source, "x", 1);
    put(&source, "y", 2);
    put(&source, "z", 3);

    alloc_fail_after(2); // one bucket per new element with inline data
    vesk_hash_copy(&ht, &source, count_constructed, nullptr, sizeof(intptr_t));
    alloc_fail_reset();

    EXPECT_EQ((std::vector<std::string>{skey("x"), skey("z")}), table_keys(&ht));
    EXPECT_EQ(2, constructed);
    EXPECT_EQ(ht.list_head, ht.cursor);
    EXPECT_TRUE(table_is_consistent(&ht));
    vesk_hash_destroy(&source);
}

INSTANTIATE_TEST_SUITE_P(Allocators, HashWholeFault, ::testing::Values(1, 0), allocator_name);
