/*
 * Copy, merge, merge under a checker, sort, comparison and min/max of whole
 * tables.  Values are pointer-sized integers stored inline; callbacks record
 * what they saw in the globals below.
 */
#include "logged_table.h"
#include "table_check.h"
#include "table_helpers.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<void *, intptr_t>> constructed; // pointer and value seen by the ctor
std::vector<std::pair<intptr_t, intptr_t>> checked;   // (target, source) seen by the checker
std::vector<int> depths_seen;
const HashTable *watched = nullptr;

void record_constructed(void *data) {
    constructed.push_back({data, value_of(data)});
}

/* Replaces when the source value exceeds the target's by more than 15. */
vesk_bool check_far_larger(void *target_data, void *source_data) {
    checked.push_back({value_of(target_data), value_of(source_data)});
    return value_of(source_data) > value_of(target_data) + 15;
}

int data_difference(const void *a, const void *b) {
    return (int)(value_of(a) - value_of(b));
}

int data_equal_recording_depth(const void *a, const void *b) {
    depths_seen.push_back(watched->apply_depth);
    return data_difference(a, b);
}

int by_value_descending(const void *a, const void *b) {
    const intptr_t x = value_of(bucket_at(a)->data);
    const intptr_t y = value_of(bucket_at(b)->data);
    return (y > x) - (y < x);
}

/* Equal when the values agree in their tens, so equal elements stay distinguishable. */
int by_tens(const void *a, const void *b) {
    const intptr_t x = value_of(bucket_at(a)->data) / 10;
    const intptr_t y = value_of(bucket_at(b)->data) / 10;
    return (x > y) - (x < y);
}

int sort_calls = 0;
int blocked_during_sort = -1;

void counting_qsort(void *base, size_t count, size_t width, compare_func_t compare) {
    sort_calls++;
    blocked_during_sort = g_hooks.depth;
    qsort(base, count, width, compare);
}

void put(HashTable *ht, const std::string &key, intptr_t v) {
    ASSERT_EQ(SUCCESS, vesk_hash_add_or_update(ht, key.data(), (uint32_t)key.size(), &v, sizeof v,
                                               nullptr, HASH_MODE_UPDATE));
}

void put_index(HashTable *ht, uint32_t key, intptr_t v) {
    ASSERT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(ht, key, &v, sizeof v, nullptr,
                                                             HASH_MODE_UPDATE));
}

/* Stores through the quick insert: the key stays a string key whatever its bytes. */
void put_quick(HashTable *ht, const std::string &key, intptr_t v) {
    const uint32_t len = (uint32_t)key.size();
    ASSERT_EQ(SUCCESS,
              vesk_hash_quick_add_or_update(ht, key.data(), len, vesk_hash_func(key.data(), len),
                                            &v, sizeof v, nullptr, HASH_MODE_UPDATE));
}

HashBucket *string_bucket(const HashTable *ht, const std::string &key) {
    for (HashBucket *b = ht->list_head; b; b = b->list_next) {
        if (b->key_length == key.size() && memcmp(b->key, key.data(), key.size()) == 0) {
            return b;
        }
    }
    return nullptr;
}

HashBucket *index_bucket(const HashTable *ht, uint32_t key) {
    for (HashBucket *b = ht->list_head; b; b = b->list_next) {
        if (b->key_length == 0 && b->hash == key) {
            return b;
        }
    }
    return nullptr;
}

std::vector<intptr_t> values(const HashTable *ht) {
    std::vector<intptr_t> out;
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        out.push_back(value_of(b->data));
    }
    return out;
}

/* Every chain, slot by slot, as bucket addresses. */
std::vector<std::vector<const HashBucket *>> chains(const HashTable *ht) {
    std::vector<std::vector<const HashBucket *>> out(ht->table_size);
    for (uint32_t i = 0; i < ht->table_size; i++) {
        for (const HashBucket *b = ht->slots[i]; b; b = b->chain_next) {
            out[i].push_back(b);
        }
    }
    return out;
}

/* Two tables: t (the target, or the first table), the logged table with the
 * C allocator's storage, and s (the source, or the second table) without a
 * destructor, through the hooks. */
class WholeTable : public LoggedTable {
  protected:
    WholeTable() : LoggedTable(log_destroyed, 1) {}
    HashTable &t = ht;
    HashTable s;

    void SetUp() override {
        constructed.clear();
        checked.clear();
        depths_seen.clear();
        sort_calls = 0;
        blocked_during_sort = -1;
        ASSERT_NO_FATAL_FAILURE(LoggedTable::SetUp());
        ASSERT_EQ(SUCCESS, vesk_hash_init(&s, 8, nullptr, nullptr, 0));
    }

    void TearDown() override {
        LoggedTable::TearDown();
        vesk_hash_destroy(&s);
    }
};

using HashCopy = WholeTable;
using HashMerge = WholeTable;
using HashMergeEx = WholeTable;
using HashSort = WholeTable;
using HashCompare = WholeTable;
using HashMinmax = WholeTable;

} // namespace

/* ---- Copy ------------------------------------------------------------------------------ */

/* Target z, a, 3 with its cursor at the end; source a, q, 3, r.  The shared
 * keys are replaced where they stand (the same buckets, old data destroyed
 * once each), z stays, q and r follow in source order, the cursor comes back
 * to the first element, and the source is untouched. */
TEST_F(HashCopy, IntoNonEmptyTargetReplacesInPlaceAndAppends) {
    put(&t, "z", 1);
    put(&t, "a", 2);
    put_index(&t, 3, 3);
    t.cursor = nullptr;
    HashBucket *a_before = string_bucket(&t, "a");
    HashBucket *three_before = index_bucket(&t, 3);

    put(&s, "a", 10);
    put(&s, "q", 20);
    put_index(&s, 3, 30);
    put(&s, "r", 40);

    vesk_hash_copy(&t, &s, record_constructed, nullptr, sizeof(intptr_t));

    EXPECT_EQ((std::vector<std::string>{skey("z"), skey("a"), ikey(3), skey("q"), skey("r")}),
              table_keys(&t));
    EXPECT_EQ((std::vector<intptr_t>{1, 10, 30, 20, 40}), values(&t));
    EXPECT_EQ(a_before, string_bucket(&t, "a"));
    EXPECT_EQ(three_before, index_bucket(&t, 3));
    EXPECT_EQ((std::vector<intptr_t>{2, 3}), g_destroyed);
    EXPECT_EQ(t.list_head, t.cursor);
    EXPECT_EQ(5u, t.element_count);
    EXPECT_TRUE(table_is_consistent(&t));

    // The constructor saw each stored copy in the target, in source order.
    ASSERT_EQ(4u, constructed.size());
    EXPECT_EQ(string_bucket(&t, "a")->data, constructed[0].first);
    EXPECT_EQ(string_bucket(&t, "q")->data, constructed[1].first);
    EXPECT_EQ(index_bucket(&t, 3)->data, constructed[2].first);
    EXPECT_EQ(string_bucket(&t, "r")->data, constructed[3].first);

    EXPECT_EQ((std::vector<std::string>{skey("a"), skey("q"), ikey(3), skey("r")}), table_keys(&s));
    EXPECT_EQ((std::vector<intptr_t>{10, 20, 30, 40}), values(&s));
    EXPECT_TRUE(table_is_consistent(&s));
}

/* ---- Merge ------------------------------------------------------------------------------ */

/* Without overwrite, target a and 7 win over the source's for both key kinds;
 * only b and 9 are inserted, and only they reach the constructor. */
TEST_F(HashMerge, WithoutOverwriteKeepsTargetElements) {
    put(&t, "a", 1);
    put_index(&t, 7, 2);
    put(&s, "a", 100);
    put_index(&s, 7, 200);
    put(&s, "b", 300);
    put_index(&s, 9, 400);
    t.cursor = t.list_tail;

    vesk_hash_merge(&t, &s, record_constructed, nullptr, sizeof(intptr_t), 0);

    EXPECT_EQ((std::vector<std::string>{skey("a"), ikey(7), skey("b"), ikey(9)}), table_keys(&t));
    EXPECT_EQ((std::vector<intptr_t>{1, 2, 300, 400}), values(&t));
    EXPECT_TRUE(g_destroyed.empty());
    ASSERT_EQ(2u, constructed.size());
    EXPECT_EQ(string_bucket(&t, "b")->data, constructed[0].first);
    EXPECT_EQ(index_bucket(&t, 9)->data, constructed[1].first);
    EXPECT_EQ(t.list_head, t.cursor);
    EXPECT_EQ(10u, t.next_free_index);
    EXPECT_TRUE(table_is_consistent(&t));
}

/* With overwrite, shared keys are replaced in place (same bucket, same
 * position), the target's destructor runs once per replaced element on its
 * old data, and every source element reaches the constructor. */
TEST_F(HashMerge, WithOverwriteReplacesInPlace) {
    put(&t, "x", 1);
    put(&t, "a", 2);
    put_index(&t, 7, 3);
    HashBucket *a_before = string_bucket(&t, "a");
    HashBucket *seven_before = index_bucket(&t, 7);
    put(&s, "a", 20);
    put_index(&s, 7, 30);
    put(&s, "n", 40);

    vesk_hash_merge(&t, &s, record_constructed, nullptr, sizeof(intptr_t), 1);

    EXPECT_EQ((std::vector<std::string>{skey("x"), skey("a"), ikey(7), skey("n")}), table_keys(&t));
    EXPECT_EQ((std::vector<intptr_t>{1, 20, 30, 40}), values(&t));
    EXPECT_EQ(a_before, string_bucket(&t, "a"));
    EXPECT_EQ(seven_before, index_bucket(&t, 7));
    EXPECT_EQ((std::vector<intptr_t>{2, 3}), g_destroyed);
    EXPECT_EQ(3u, constructed.size());
    EXPECT_EQ(t.list_head, t.cursor);
    EXPECT_TRUE(table_is_consistent(&t));
}

/* The checker runs only for keys in both tables, in source order, with the
 * target's data first; it lets b and 4 through and keeps a.  c is absent from
 * the target and goes in without asking. */
TEST_F(HashMergeEx, CheckerDecidesSharedKeysOnly) {
    put(&t, "a", 1);
    put(&t, "b", 2);
    put_index(&t, 4, 3);
    put(&s, "b", 20);
    put_index(&s, 4, 30);
    put(&s, "c", 50);
    put(&s, "a", 10);
    t.cursor = nullptr;

    vesk_hash_merge_ex(&t, &s, record_constructed, sizeof(intptr_t), check_far_larger);

    EXPECT_EQ((std::vector<std::pair<intptr_t, intptr_t>>{{2, 20}, {3, 30}, {1, 10}}), checked);
    EXPECT_EQ((std::vector<std::string>{skey("a"), skey("b"), ikey(4), skey("c")}), table_keys(&t));
    EXPECT_EQ((std::vector<intptr_t>{1, 20, 30, 50}), values(&t));
    EXPECT_EQ((std::vector<intptr_t>{2, 3}), g_destroyed);
    ASSERT_EQ(3u, constructed.size());
    EXPECT_EQ(20, constructed[0].second);
    EXPECT_EQ(30, constructed[1].second);
    EXPECT_EQ(50, constructed[2].second);
    EXPECT_EQ(t.list_head, t.cursor);
    EXPECT_TRUE(table_is_consistent(&t));
}

/* ---- Keys the numeric-key rule would read as integers ------------------------------------ */

/* The source holds the string key "12\0" (stored by the quick insert) and the
 * integer key 12 side by side.  Every whole-table operation must keep them two
 * elements of different kinds. */
class HashWholeQuickKey : public WholeTable {
  protected:
    const std::string twelve{"12\0", 3};

    void SetUp() override {
        WholeTable::SetUp();
        put_quick(&s, twelve, 1);
        put_index(&s, 12, 2);
    }
};

TEST_F(HashWholeQuickKey, CopyKeepsStringKeyAndComparesEqual) {
    vesk_hash_copy(&t, &s, nullptr, nullptr, sizeof(intptr_t));

    EXPECT_EQ((std::vector<std::string>{skey(twelve), ikey(12)}), table_keys(&t));
    void *data = nullptr;
    ASSERT_EQ(SUCCESS,
              vesk_hash_quick_find(&t, twelve.data(), 3, vesk_hash_func(twelve.data(), 3), &data));
    EXPECT_EQ(1, value_of(data));
    ASSERT_EQ(SUCCESS, vesk_hash_index_find(&t, 12, &data));
    EXPECT_EQ(2, value_of(data));
    EXPECT_TRUE(table_is_consistent(&t));

    EXPECT_EQ(0, vesk_hash_compare(&t, &s, data_difference, 0));
    EXPECT_EQ(0, vesk_hash_compare(&s, &t, data_difference, 0));
    EXPECT_EQ(0, vesk_hash_compare(&t, &s, data_difference, 1));
}

TEST_F(HashWholeQuickKey, MergeAndMergeExMatchByExactKey) {
    put_quick(&t, twelve, 5);

    vesk_hash_merge(&t, &s, nullptr, nullptr, sizeof(intptr_t), 0);
    EXPECT_EQ((std::vector<std::string>{skey(twelve), ikey(12)}), table_keys(&t));
    EXPECT_EQ((std::vector<intptr_t>{5, 2}), values(&t));

    // The checker sees the string key's pair only; integer 12 is now shared too.
    vesk_hash_merge_ex(&t, &s, nullptr, sizeof(intptr_t), check_far_larger);
    EXPECT_EQ((std::vector<std::pair<intptr_t, intptr_t>>{{5, 1}, {2, 2}}), checked);
    EXPECT_EQ((std::vector<intptr_t>{5, 2}), values(&t));
    EXPECT_TRUE(table_is_consistent(&t));
}

/* The string key "12\0" is not the integer key 12: an unordered compare finds
 * it missing. */
TEST_F(HashWholeQuickKey, UnorderedCompareDoesNotApplyNumericRule) {
    HashTable only_string;
    HashTable only_integer;
    ASSERT_EQ(SUCCESS, vesk_hash_init(&only_string, 8, nullptr, nullptr, 1));
    ASSERT_EQ(SUCCESS, vesk_hash_init(&only_integer, 8, nullptr, nullptr, 1));
    put_quick(&only_string, twelve, 1);
    put_index(&only_integer, 12, 1);

    EXPECT_EQ(1, vesk_hash_compare(&only_string, &only_integer, data_difference, 0));
    EXPECT_EQ(1, vesk_hash_compare(&only_integer, &only_string, data_difference, 0));

    vesk_hash_destroy(&only_string);
    vesk_hash_destroy(&only_integer);
}

/* ---- Sort ---------------------------------------------------------------------------------- */

/* One element: nothing changes even with renumbering, and the sort routine is
 * not called.  next_free_index was raised to 42 by a deleted integer key. */
TEST_F(HashSort, SingleElementWithRenumberChangesNothing) {
    put_index(&t, 41, 0x41);
    ASSERT_EQ(SUCCESS, vesk_hash_del_key_or_index(&t, nullptr, 0, 41, DELETE_BY_INDEX));
    put(&t, "solo", 1);
    t.cursor = nullptr;

    EXPECT_EQ(SUCCESS, vesk_hash_sort(&t, counting_qsort, by_key_bytes, 1));

    EXPECT_EQ(0, sort_calls);
    EXPECT_EQ((std::vector<std::string>{skey("solo")}), table_keys(&t));
    EXPECT_EQ(42u, t.next_free_index);
    EXPECT_EQ(nullptr, t.cursor);
    EXPECT_EQ(SUCCESS, vesk_hash_sort(&s, counting_qsort, by_key_bytes, 1)); // empty
    EXPECT_EQ(0, sort_calls);
}

/* b, a, c sorted by key bytes and renumbered: a, b, c under 0, 1, 2, on the
 * chains of their new keys; the text keys are gone and the next append is 3. */
TEST_F(HashSort, RenumberGivesConsecutiveIntegerKeys) {
    put(&t, "b", 'b');
    put(&t, "a", 'a');
    put(&t, "c", 'c');
    t.cursor = t.list_tail;

    EXPECT_EQ(SUCCESS, vesk_hash_sort(&t, qsort, by_key_bytes, 1));

    EXPECT_EQ((std::vector<std::string>{ikey(0), ikey(1), ikey(2)}), table_keys(&t));
    EXPECT_EQ((std::vector<intptr_t>{'a', 'b', 'c'}), values(&t));
    EXPECT_EQ('c', value_of(t.list_tail->data));
    EXPECT_EQ(t.list_head, t.cursor);
    EXPECT_TRUE(table_is_consistent(&t)); // both list directions and chain membership

    void *data = nullptr;
    EXPECT_EQ(FAILURE, vesk_hash_find(&t, "a", 1, &data));
    EXPECT_EQ(FAILURE, vesk_hash_find(&t, "b", 1, &data));
    EXPECT_EQ(FAILURE, vesk_hash_find(&t, "c", 1, &data));
    ASSERT_EQ(SUCCESS, vesk_hash_index_find(&t, 2, &data));
    EXPECT_EQ('c', value_of(data));

    EXPECT_EQ(3u, t.next_free_index);
    intptr_t v = 'd';
    ASSERT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(&t, 0, &v, sizeof v, nullptr,
                                                             HASH_MODE_NEXT_INSERT));
    EXPECT_EQ(ikey(3), table_keys(&t).back());
}

/* Without renumbering only the walk changes: every key is still found, the
 * chains are exactly as before and next_free_index stays. */
TEST_F(HashSort, WithoutRenumberOnlyTheWalkChanges) {
    put(&t, "one", 1);
    put_index(&t, 3, 3);
    put(&t, "two", 2);
    put_index(&t, 20, 20);
    put(&t, "ten", 10);
    const auto chains_before = chains(&t);
    t.cursor = t.list_tail;

    EXPECT_EQ(SUCCESS, vesk_hash_sort(&t, qsort, by_value_descending, 0));

    EXPECT_EQ((std::vector<intptr_t>{20, 10, 3, 2, 1}), values(&t));
    EXPECT_EQ((std::vector<std::string>{ikey(20), skey("ten"), ikey(3), skey("two"), skey("one")}),
              table_keys(&t));
    EXPECT_EQ(chains_before, chains(&t));
    EXPECT_EQ(21u, t.next_free_index);
    EXPECT_EQ(t.list_head, t.cursor);
    EXPECT_TRUE(table_is_consistent(&t));
    void *data = nullptr;
    EXPECT_EQ(SUCCESS, vesk_hash_find(&t, "two", 3, &data));
    EXPECT_EQ(2, value_of(data));
    EXPECT_EQ(SUCCESS, vesk_hash_index_find(&t, 3, &data));
    EXPECT_EQ(3, value_of(data));
}

/* The sort routine runs outside the critical section; the relinking is
 * bracketed by exactly one block/unblock pair, renumbering included. */
TEST_F(HashSort, RelinkIsInsideOneInterruptionBracket) {
    put(&t, "b", 2);
    put(&t, "a", 1);
    {
        CountingHooks hooks;
        EXPECT_EQ(SUCCESS, vesk_hash_sort(&t, counting_qsort, by_key_bytes, 1));
    }

    EXPECT_EQ(1, sort_calls);
    EXPECT_EQ(0, blocked_during_sort);
    EXPECT_EQ(1, g_hooks.blocks);
    EXPECT_TRUE(g_hooks.paired());
    EXPECT_EQ((std::vector<intptr_t>{1, 2}), values(&t));
}

/* ---- Compare -------------------------------------------------------------------------------- */

/* The count difference is returned before any element is looked at, and both
 * guards are left. */
TEST_F(HashCompare, CountDifferenceComesFirst) {
    put(&t, "a", 1);
    put(&t, "b", 2);
    put(&t, "c", 3);
    put(&s, "zz", 9);

    EXPECT_EQ(2, vesk_hash_compare(&t, &s, data_equal_recording_depth, 1));
    EXPECT_EQ(-2, vesk_hash_compare(&s, &t, data_equal_recording_depth, 0));
    EXPECT_TRUE(depths_seen.empty());
    EXPECT_EQ(0, t.apply_depth);
    EXPECT_EQ(0, s.apply_depth);
}

/* a, b against b, a: equal as sets, unequal in order ("a" < "b"). */
TEST_F(HashCompare, OrderedAndUnorderedOnSameKeys) {
    put(&t, "a", 1);
    put(&t, "b", 2);
    put(&s, "b", 2);
    put(&s, "a", 1);

    EXPECT_EQ(0, vesk_hash_compare(&t, &s, data_difference, 0));
    EXPECT_LT(vesk_hash_compare(&t, &s, data_difference, 1), 0);
    EXPECT_GT(vesk_hash_compare(&s, &t, data_difference, 1), 0);
}

/* The first table's wxyz (or 3) is missing from the second, which has pq (or
 * 10) instead: unordered gives 1, ordered the key difference at that place. */
TEST_F(HashCompare, MissingKeyUnorderedVersusOrdered) {
    put(&t, "a", 1);
    put(&t, "wxyz", 2);
    put_index(&t, 3, 3);
    put(&s, "a", 1);
    put(&s, "pq", 2);
    put_index(&s, 10, 3);

    EXPECT_EQ(1, vesk_hash_compare(&t, &s, data_difference, 0));
    EXPECT_EQ(2, vesk_hash_compare(&t, &s, data_difference, 1)); // length 4 - 2

    vesk_hash_del_key_or_index(&t, "wxyz", 4, 0, DELETE_BY_KEY);
    vesk_hash_del_key_or_index(&s, "pq", 2, 0, DELETE_BY_KEY);
    EXPECT_EQ(1, vesk_hash_compare(&t, &s, data_difference, 0));
    EXPECT_EQ(-7, vesk_hash_compare(&t, &s, data_difference, 1)); // 3 - 10
    EXPECT_EQ(0, t.apply_depth);
    EXPECT_EQ(0, s.apply_depth);
}

/* In ordered mode an integer key sorts before any string key. */
TEST_F(HashCompare, IntegerKeyBelowStringKeyInOrderedMode) {
    put_index(&t, 5, 1);
    put(&s, "5", 1);

    EXPECT_LT(vesk_hash_compare(&t, &s, data_difference, 1), 0);
    EXPECT_GT(vesk_hash_compare(&s, &t, data_difference, 1), 0);
}

/* Same keys: the first non-zero data comparison is the result, in both
 * modes, and the comparison gets the first table's data first. */
TEST_F(HashCompare, DataDifferenceIsReturned) {
    put(&t, "a", 1);
    put(&t, "b", 10);
    put(&s, "b", 4);
    put(&s, "a", 1);

    EXPECT_EQ(6, vesk_hash_compare(&t, &s, data_difference, 0));
    EXPECT_EQ(0, t.apply_depth);
    EXPECT_EQ(0, s.apply_depth);
}

/* A protected table compared with itself has its depth raised twice during
 * the comparison and back at 0 after it; an unprotected one is not counted. */
TEST_F(HashCompare, TableWithItselfRaisesDepthTwice) {
    put(&t, "a", 1);
    put_index(&t, 2, 2);
    watched = &t;

    EXPECT_EQ(0, vesk_hash_compare(&t, &t, data_equal_recording_depth, 0));
    EXPECT_EQ(0, vesk_hash_compare(&t, &t, data_equal_recording_depth, 1));
    EXPECT_EQ((std::vector<int>{2, 2, 2, 2}), depths_seen);
    EXPECT_EQ(0, t.apply_depth);

    depths_seen.clear();
    vesk_hash_set_apply_protection(&t, 0);
    EXPECT_EQ(0, vesk_hash_compare(&t, &t, data_equal_recording_depth, 1));
    EXPECT_EQ((std::vector<int>{0, 0}), depths_seen);
}

/* ---- Min/max -----------------------------------------------------------------------------------
 */

TEST_F(HashMinmax, EmptyTableFailsWithNull) {
    void *data = &data;
    EXPECT_EQ(FAILURE, vesk_hash_minmax(&t, by_tens, 1, &data));
    EXPECT_EQ(nullptr, data);
    data = &data;
    EXPECT_EQ(FAILURE, vesk_hash_minmax(&t, by_tens, 0, &data));
    EXPECT_EQ(nullptr, data);
}

/* 51 and 52 tie for the maximum, 10 and 11 for the minimum (compared by
 * tens): the first of each in list order wins.  Nothing moves. */
TEST_F(HashMinmax, EarliestOfEqualsWins) {
    const intptr_t vals[] = {20, 51, 10, 52, 11, 30};
    for (intptr_t v : vals) {
        put(&t, "k" + std::to_string(v), v);
    }
    t.cursor = t.list_tail;

    void *data = nullptr;
    ASSERT_EQ(SUCCESS, vesk_hash_minmax(&t, by_tens, 1, &data));
    EXPECT_EQ(string_bucket(&t, "k51")->data, data);
    ASSERT_EQ(SUCCESS, vesk_hash_minmax(&t, by_tens, 0, &data));
    EXPECT_EQ(string_bucket(&t, "k10")->data, data);
    EXPECT_EQ(t.list_tail, t.cursor);
}
