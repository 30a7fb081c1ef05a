/*
 * test_fuzz_regressions.cpp - faults found by the table's fuzz target
 * (fuzz/table_fuzz.cpp), each pinned by the smallest case that showed it.
 */
#include "logged_table.h"
#include "table_check.h"
#include "table_helpers.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

/* The data here may be empty, shorter than the number log_destroyed reads:
 * the destructor logs without reading it, and the case looks at the data
 * pointers (g_destroyed_at). */
class FuzzRegression : public LoggedTable {
  protected:
    FuzzRegression() : LoggedTable(log_destroyed_unread) {}
};

/* Empty data may be passed as a null pointer with data size 0: the table
 * copies no byte of it.  Handing that null pointer to memcpy is undefined
 * even for 0 bytes, and the sanitizer run of this suite stops on it.  Every
 * insert path, for a new element and for an update of inline and of block
 * data. */
TEST_F(FuzzRegression, EmptyDataMayComeAsNullPointer) {
    void *dest = nullptr;
    EXPECT_EQ(SUCCESS, vesk_hash_add_or_update(&ht, "a", 1, nullptr, 0, &dest, HASH_MODE_ADD));
    ASSERT_NE(nullptr, ht.list_tail);
    EXPECT_EQ(ht.list_tail->data, dest);
    EXPECT_NE(&ht.list_tail->inline_data, dest);
    EXPECT_EQ(SUCCESS, vesk_hash_quick_add_or_update(&ht, "b", 1, vesk_hash_func("b", 1), nullptr,
                                                     0, nullptr, HASH_MODE_ADD));
    EXPECT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(&ht, 0, nullptr, 0, nullptr,
                                                             HASH_MODE_NEXT_INSERT));

    /* Inline data replaced by empty data: a block now, the old data destroyed. */
    void *value = &ht;
    void *old = nullptr;
    ASSERT_EQ(SUCCESS,
              vesk_hash_add_or_update(&ht, "c", 1, &value, sizeof value, &old, HASH_MODE_ADD));
    EXPECT_EQ(SUCCESS, vesk_hash_add_or_update(&ht, "c", 1, nullptr, 0, &dest, HASH_MODE_UPDATE));
    EXPECT_NE(old, dest);
    /* Block data replaced by empty data, under the integer key 0. */
    void *block = nullptr;
    ASSERT_EQ(SUCCESS, vesk_hash_index_find(&ht, 0, &block));
    EXPECT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(&ht, 0, nullptr, 0, &dest, 0));
    EXPECT_EQ((std::vector<void *>{old, block}), g_destroyed_at);

    EXPECT_EQ(4u, vesk_hash_num_elements(&ht));
    EXPECT_EQ(1u, vesk_hash_next_free_element(&ht));
    EXPECT_TRUE(table_is_consistent(&ht));
    EXPECT_EQ((std::vector<std::string>{skey("a"), skey("b"), ikey(0), skey("c")}),
              table_keys(&ht));
    vesk_hash_destroy(&ht);
    alive = false;
    EXPECT_EQ(6u, g_destroyed_at.size());
}

} // namespace
