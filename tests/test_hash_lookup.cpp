/*
 * test_hash_lookup.cpp - lookup by string and integer key, deletion of one
 * element, emptying and destruction of the table.
 */
#include "hash_storage.h" /* the chains' summary, read by the tests below */
#include "logged_table.h"
#include "table_check.h"
#include "table_helpers.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

/* The pointer-sized value found under a string key, or 0xdead when absent. */
void *found(const HashTable *ht, const std::string &k) {
    void *data = P(0xdead);
    if (vesk_hash_find(ht, k.data(), (uint32_t)k.size(), &data) == FAILURE) {
        return data;
    }
    return *(void **)data;
}

/* Destructor calls are logged (log_destroyed); with g_table set, also what a
 * lookup of the element's own key and the element count told from inside the
 * destructor. */
HashTable *g_table;
std::vector<int> g_dtor_exists;
std::vector<uint32_t> g_dtor_counts;

void probing_dtor(void *data) {
    log_destroyed(data);
    if (g_table) {
        /* the elements of these tests hold their own integer key + 100 */
        g_dtor_exists.push_back(vesk_hash_index_exists(g_table, (uint32_t)value_of(data) - 100));
        g_dtor_counts.push_back(g_table->element_count);
    }
}

class RecordingTable : public LoggedTable {
  protected:
    RecordingTable() : LoggedTable(probing_dtor) {}
    void SetUp() override {
        g_table = nullptr;
        g_dtor_exists.clear();
        g_dtor_counts.clear();
        LoggedTable::SetUp();
    }
};

class HashLookup : public RecordingTable {};
class HashDelete : public RecordingTable {};
class HashTeardown : public RecordingTable {};

} // namespace

/* ---- Routing of string keys ---------------------------------------------- */

/* Integer and string elements whose keys look alike; every string key must
 * land on exactly the element the numeric-key rule names. */
TEST_F(HashLookup, StringKeysRouteByTheNumericKeyRule) {
    ASSERT_EQ(put(&ht, KEY("10\0"), P(1)), SUCCESS); /* integer 10 */
    void *data = nullptr;
    ASSERT_EQ(vesk_hash_index_find(&ht, 10, &data), SUCCESS);
    EXPECT_EQ(*(void **)data, P(1));
    EXPECT_EQ(found(&ht, std::string("10", 2)), P(0xdead));
    EXPECT_EQ(vesk_hash_exists(&ht, KEY("10")), 0);
    EXPECT_EQ(vesk_hash_del_key_or_index(&ht, KEY("10"), 10, DELETE_BY_KEY), FAILURE);

    ASSERT_EQ(put_index(&ht, 0, P(2)), SUCCESS);
    ASSERT_EQ(put_index(&ht, 5, P(3)), SUCCESS);
    ASSERT_EQ(put_index(&ht, 2147483646, P(4)), SUCCESS);
    ASSERT_EQ(put_index(&ht, 2147483647, P(5)), SUCCESS);
    /* key looked up, value of the element it must reach, that element */
    const struct {
        std::string key;
        uintptr_t value;
        std::string element;
    } rows[] = {
        {std::string("10", 2), 11, skey("10")},
        {std::string("05\0", 3), 12, skey(std::string("05\0", 3))},
        {std::string("-5\0", 3), 13, skey(std::string("-5\0", 3))},
        {std::string("2147483647\0", 11), 14, skey(std::string("2147483647\0", 11))},
        {std::string("4294967296\0", 11), 15, skey(std::string("4294967296\0", 11))},
        {std::string("10\0", 3), 1, ikey(10)},
        {std::string("0\0", 2), 2, ikey(0)},
        {std::string("5\0", 2), 3, ikey(5)},
        {std::string("2147483646\0", 11), 4, ikey(2147483646)},
    };
    for (const auto &r : rows) {
        if (r.value > 10) {
            ASSERT_EQ(put_string(&ht, r.key, P(r.value)), SUCCESS);
        }
    }
    ASSERT_EQ(ht.element_count, 10u);
    for (const auto &r : rows) {
        SCOPED_TRACE(r.key);
        EXPECT_EQ(found(&ht, r.key), P(r.value));
        EXPECT_EQ(vesk_hash_exists(&ht, r.key.data(), (uint32_t)r.key.size()), 1);
    }
    /* deletion by key removes exactly the routed element, once */
    auto del = [this](const std::string &k) {
        return vesk_hash_del_key_or_index(&ht, k.data(), (uint32_t)k.size(), 0, DELETE_BY_KEY);
    };
    std::vector<std::string> left = table_keys(&ht);
    for (const auto &r : rows) {
        SCOPED_TRACE(r.key);
        ASSERT_EQ(del(r.key), SUCCESS);
        EXPECT_EQ(g_destroyed.back(), (intptr_t)r.value);
        EXPECT_EQ(del(r.key), FAILURE);
        EXPECT_EQ(vesk_hash_exists(&ht, r.key.data(), (uint32_t)r.key.size()), 0);
        left.erase(std::find(left.begin(), left.end(), r.element));
        EXPECT_EQ(table_keys(&ht), left);
        EXPECT_TRUE(table_is_consistent(&ht));
    }
    EXPECT_EQ(table_keys(&ht), std::vector<std::string>{ikey(2147483647)});
}

/* Length 0 is absent without the key bytes being read (a null key here). */
TEST_F(HashLookup, KeyLengthZeroIsAbsent) {
    ASSERT_EQ(put_index(&ht, 0, P(1)), SUCCESS);
    void *data = P(0xdead);
    EXPECT_EQ(vesk_hash_find(&ht, nullptr, 0, &data), FAILURE);
    EXPECT_EQ(vesk_hash_quick_find(&ht, nullptr, 0, 5381, &data), FAILURE);
    EXPECT_EQ(data, P(0xdead));
    EXPECT_EQ(vesk_hash_exists(&ht, nullptr, 0), 0);
    EXPECT_EQ(vesk_hash_del_key_or_index(&ht, nullptr, 0, 0, DELETE_BY_KEY), FAILURE);
    EXPECT_EQ(ht.element_count, 1u);
    EXPECT_TRUE(g_destroyed.empty());
}

/* The quick lookup takes the caller's hash and never turns the key into an
 * integer key. */
TEST_F(HashLookup, QuickFindSeesOnlyQuickStoredStrings) {
    const uint32_t h = vesk_hash_func(KEY("10\0"));
    ASSERT_EQ(put_index(&ht, 10, P(1)), SUCCESS);
    void *data = P(0xdead);
    EXPECT_EQ(vesk_hash_quick_find(&ht, KEY("10\0"), h, &data), FAILURE);
    EXPECT_EQ(vesk_hash_quick_find(&ht, KEY("10\0"), 10, &data), FAILURE);
    EXPECT_EQ(data, P(0xdead));
    ASSERT_EQ(put_string(&ht, std::string("10\0", 3), P(2)), SUCCESS);
    ASSERT_EQ(vesk_hash_quick_find(&ht, KEY("10\0"), h, &data), SUCCESS);
    EXPECT_EQ(*(void **)data, P(2));
    /* another hash on the same slot, and another length, find nothing */
    EXPECT_EQ(vesk_hash_quick_find(&ht, KEY("10\0"), h + 8, &data), FAILURE);
    EXPECT_EQ(vesk_hash_quick_find(&ht, "10\0", 2, h, &data), FAILURE);
    EXPECT_EQ(found(&ht, std::string("10\0", 3)), P(1));
}

/* ---- Deletion ------------------------------------------------------------ */

/* Four integer keys share slot 1 (chain 25, 17, 9, 1); deleting the middle,
 * the head and the tail of the chain keeps every link right, and the cursor
 * moves off a deleted element onto its list successor. */
TEST_F(HashDelete, DeleteUnlinksChainListAndCursor) {
    for (uint32_t k : {1, 9, 17, 25}) {
        ASSERT_EQ(put_index(&ht, k, P(k + 100)), SUCCESS);
    }
    ASSERT_EQ(put(&ht, KEY("s"), P(7)), SUCCESS);
    ASSERT_EQ(ht.slots[1]->hash, 25u);
    HashBucket *b9 = ht.list_head->list_next, *b17 = b9->list_next;
    ht.cursor = b9;
    ASSERT_EQ(vesk_hash_del_key_or_index(&ht, nullptr, 0, 9, DELETE_BY_INDEX), SUCCESS);
    EXPECT_EQ(ht.cursor, b17);
    EXPECT_EQ(ht.list_head->list_next, b17);
    EXPECT_EQ(b17->list_prev, ht.list_head);
    EXPECT_TRUE(table_is_consistent(&ht));
    ASSERT_EQ(vesk_hash_del_key_or_index(&ht, nullptr, 0, 25, 7), SUCCESS); /* any non-zero */
    EXPECT_EQ(ht.slots[1], b17);
    EXPECT_EQ(ht.cursor, b17);
    ASSERT_EQ(vesk_hash_del_key_or_index(&ht, nullptr, 0, 1, DELETE_BY_INDEX), SUCCESS);
    EXPECT_EQ(ht.list_head, b17);
    EXPECT_EQ(b17->list_prev, nullptr);
    EXPECT_EQ(b17->chain_next, nullptr);
    EXPECT_TRUE(table_is_consistent(&ht));

    ht.cursor = ht.list_tail; /* on the last element */
    ASSERT_EQ(vesk_hash_del_key_or_index(&ht, KEY("s"), 0, DELETE_BY_KEY), SUCCESS);
    EXPECT_EQ(ht.cursor, nullptr);
    EXPECT_EQ(ht.list_tail, b17);
    EXPECT_EQ(b17->list_next, nullptr);
    EXPECT_EQ(g_destroyed, (std::vector<intptr_t>{109, 125, 101, 7}));
    EXPECT_EQ(table_keys(&ht), std::vector<std::string>{ikey(17)});
    EXPECT_TRUE(table_is_consistent(&ht));
}

/* Deleting the only element empties the list ends; the number of the
 * highest integer key is not given back. */
TEST_F(HashDelete, DeleteOnlyElementKeepsNextFreeIndex) {
    ASSERT_EQ(put_index(&ht, 5, P(105)), SUCCESS);
    ASSERT_EQ(vesk_hash_del_key_or_index(&ht, KEY("5\0"), 0, DELETE_BY_KEY), SUCCESS);
    EXPECT_EQ(ht.list_head, nullptr);
    EXPECT_EQ(ht.list_tail, nullptr);
    EXPECT_EQ(ht.cursor, nullptr);
    EXPECT_EQ(vesk_hash_num_elements(&ht), 0u);
    EXPECT_EQ(vesk_hash_next_free_element(&ht), 6u);
    EXPECT_EQ(vesk_hash_del_key_or_index(&ht, nullptr, 0, 5, DELETE_BY_INDEX), FAILURE);
    void *v = P(1);
    ASSERT_EQ(
        vesk_hash_index_update_or_next_insert(&ht, 0, &v, sizeof v, nullptr, HASH_MODE_NEXT_INSERT),
        SUCCESS);
    EXPECT_EQ(table_keys(&ht), std::vector<std::string>{ikey(6)});
    EXPECT_TRUE(table_is_consistent(&ht));
}

/* The destructor of a deletion runs once, after the element left the table
 * but before the count drops, inside the interruption hooks. */
TEST_F(HashDelete, DestructorRunsAfterUnlinkingInsideTheHooks) {
    g_table = &ht;
    for (uint32_t k : {3, 11, 4}) {
        ASSERT_EQ(put_index(&ht, k, P(k + 100)), SUCCESS);
    }
    int del, find;
    {
        CountingHooks hooks;
        g_hooks.watched = &ht;
        del = vesk_hash_del_key_or_index(&ht, KEY("11\0"), 0, DELETE_BY_KEY);
        void *data;
        find = vesk_hash_index_find(&ht, 3, &data);
        g_table = nullptr;
        vesk_hash_clean(&ht); /* no hooks while tearing down */
    }

    EXPECT_EQ(del, SUCCESS);
    EXPECT_EQ(find, SUCCESS);
    EXPECT_EQ(g_hooks.blocks, 1);
    EXPECT_TRUE(g_hooks.paired());
    EXPECT_EQ(g_hooks.count_at_unblock,
              std::vector<uint32_t>{3}); /* lowered after the unblock hook */
    EXPECT_EQ(g_destroyed, (std::vector<intptr_t>{111, 103, 104}));
    EXPECT_EQ(g_destroyed_depth, (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(g_dtor_exists[0], 0);  /* already out of its chain */
    EXPECT_EQ(g_dtor_counts[0], 3u); /* but still counted */
}

/* ---- Emptying and destruction -------------------------------------------- */

/* Clean calls the destructor once per element in order, keeps the grown
 * slot array and leaves a table that works as a new one. */
TEST_F(HashTeardown, CleanEmptiesAndStaysUsable) {
    for (uint32_t k = 20; k > 0; k--) {
        ASSERT_EQ(put_index(&ht, k, P(k)), SUCCESS);
    }
    ASSERT_EQ(put(&ht, KEY("null"), nullptr), SUCCESS);
    uint64_t block[4] = {21, 0, 0, 0};
    ASSERT_EQ(vesk_hash_add_or_update(&ht, KEY("block"), block, sizeof block, nullptr, 0), SUCCESS);
    ASSERT_EQ(ht.table_size, 32u);
    vesk_hash_clean(&ht);
    std::vector<intptr_t> order;
    for (intptr_t k = 20; k > 0; k--) {
        order.push_back(k);
    }
    order.push_back(0);
    order.push_back(21);
    EXPECT_EQ(g_destroyed, order);
    EXPECT_EQ(vesk_hash_num_elements(&ht), 0u);
    EXPECT_EQ(vesk_hash_next_free_element(&ht), 0u);
    EXPECT_EQ(ht.table_size, 32u);
    EXPECT_EQ(ht.cursor, nullptr);
    EXPECT_EQ(vesk_hash_index_exists(&ht, 20), 0);
    EXPECT_EQ(vesk_hash_exists(&ht, KEY("block")), 0);
    EXPECT_TRUE(table_is_consistent(&ht));

    void *v = P(0);
    for (uint32_t i = 0; i < 40; i++) { /* grows to 64 */
        ASSERT_EQ(vesk_hash_index_update_or_next_insert(&ht, 99, &v, sizeof v, nullptr,
                                                        HASH_MODE_NEXT_INSERT),
                  SUCCESS);
    }
    EXPECT_EQ(ht.list_head->hash, 0u);
    EXPECT_EQ(ht.cursor, ht.list_head);
    EXPECT_EQ(ht.table_size, 64u);
    EXPECT_EQ(vesk_hash_exists(&ht, KEY("39\0")), 1); /* exists ignores the stored value */
    EXPECT_TRUE(table_is_consistent(&ht));
}

/* Destroy calls the destructor once per element in order and frees every
 * block and bucket (the leak checker proves it), inline NULL included. */
TEST_F(HashTeardown, DestroyCallsDestructorInOrder) {
    for (vesk_bool persistent : {0, 1}) {
        HashTable t;
        ASSERT_EQ(vesk_hash_init(&t, 8, nullptr, probing_dtor, persistent), SUCCESS);
        clear_destroyed();
        ASSERT_EQ(put(&t, KEY("a"), P(1)), SUCCESS);
        ASSERT_EQ(put_index(&t, 7, nullptr), SUCCESS);
        uint64_t block[3] = {3, 0, 0};
        ASSERT_EQ(vesk_hash_add_or_update(&t, KEY("c"), block, sizeof block, nullptr, 0), SUCCESS);
        ASSERT_EQ(put(&t, KEY("a"), P(4)), SUCCESS); /* replaced: 1 goes now */
        vesk_hash_destroy(&t);
        EXPECT_EQ(g_destroyed, (std::vector<intptr_t>{1, 4, 0, 3}));
    }
}

/* ---- The chains' summary ---------------------------------------------------------------- */

namespace {

/* Whether every slot's summary is exactly what its chain gives: over-full
 * would be allowed by the invariant, but the table keeps it exact, so that
 * misses stay cheap however many elements came and went. */
::testing::AssertionResult summaries_exact(const HashTable *ht) {
    for (uint32_t i = 0; i < ht->table_size; i++) {
        uint8_t bits = 0;
        for (const HashBucket *b = ht->slots[i]; b; b = b->chain_next) {
            bits |= summary_bit(b->hash);
        }
        if (*slot_summary(ht, i) != bits) {
            return ::testing::AssertionFailure()
                   << "slot " << i << " summary " << (int)*slot_summary(ht, i) << ", chain "
                   << (int)bits;
        }
    }
    return ::testing::AssertionSuccess();
}

int remove_odd(void *data) {
    return (uintptr_t)data % 2 ? APPLY_REMOVE : APPLY_KEEP;
}

int remove_every_fifth(void *data) {
    return (uintptr_t)data % 5 == 0 ? APPLY_REMOVE : APPLY_KEEP;
}

int by_data_descending(const void *a, const void *b) {
    uintptr_t p = (uintptr_t)bucket_at(a)->inline_data, q = (uintptr_t)bucket_at(b)->inline_data;
    return p < q ? 1 : p > q ? -1 : 0;
}

} // namespace

/* A key that is not there is answered from its slot's summary byte alone,
 * nine times in ten at the table's fullest: its chain is not walked. */
TEST(ChainSummary, MostMissesAreDecidedWithoutTheChain) {
    HashTable ht;
    ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 0, nullptr, nullptr, 1));
    const uint32_t n = 131072; /* the slot count: one element a slot on average */
    for (uint32_t i = 0; i < n; i++) {
        const std::string key = "present-" + std::to_string(i);
        ASSERT_EQ(SUCCESS, put(&ht, key.c_str(), (uint32_t)key.size(), P(i), HASH_MODE_ADD));
    }
    ASSERT_EQ(n, ht.table_size);
    uint32_t decided = 0, empty_slots = 0;
    for (uint32_t i = 0; i < n; i++) {
        const std::string key = "absent-" + std::to_string(i);
        const uint32_t h = vesk_hash_func(key.c_str(), (uint32_t)key.size());
        decided += !summary_may_hold(&ht, h);
        empty_slots += ht.slots[h & ht.table_mask] == nullptr;
        void *data = nullptr;
        EXPECT_EQ(FAILURE, vesk_hash_find(&ht, key.c_str(), (uint32_t)key.size(), &data));
    }
    /* An empty slot (about 37% of them) and a full one whose chain lacks the
     * key's bit (7 in 8 for a chain of one) alike. */
    EXPECT_GT(decided, n * 85 / 100) << "decided by the summary; empty slots " << empty_slots;
    EXPECT_GT(decided, empty_slots + n / 4);
    vesk_hash_destroy(&ht);
}

/* Every way out of a chain leaves the slot's summary what stays on it, and
 * every way in adds its bit: deletion by key and by index, apply's and
 * reverse apply's removals, a renumbering sort, growth, clean. */
TEST(ChainSummary, StaysExactAsElementsComeAndGo) {
    HashTable ht;
    ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, nullptr, 0));
    for (uint32_t i = 0; i < 3000; i++) {
        const std::string key = "k" + std::to_string(i);
        ASSERT_EQ(SUCCESS, i % 3 == 0 ? put_index(&ht, i, P(i))
                                      : put(&ht, key.c_str(), (uint32_t)key.size(), P(i)));
    }
    ASSERT_TRUE(summaries_exact(&ht)) << "after growth";
    for (uint32_t i = 0; i < 3000; i += 7) {
        const std::string key = "k" + std::to_string(i);
        vesk_hash_del_key_or_index(&ht, key.c_str(), (uint32_t)key.size(), 0, DELETE_BY_KEY);
        vesk_hash_del_key_or_index(&ht, nullptr, 0, i, DELETE_BY_INDEX);
    }
    ASSERT_TRUE(summaries_exact(&ht)) << "after deletions by key and by index";
    vesk_hash_apply(&ht, remove_odd);
    ASSERT_TRUE(summaries_exact(&ht)) << "after apply's removals";
    vesk_hash_reverse_apply(&ht, remove_every_fifth);
    ASSERT_TRUE(summaries_exact(&ht)) << "after reverse apply's removals";
    ASSERT_EQ(SUCCESS, vesk_hash_sort(&ht, qsort, by_data_descending, 1));
    ASSERT_TRUE(summaries_exact(&ht)) << "after a renumbering sort";
    EXPECT_TRUE(table_is_consistent(&ht));
    vesk_hash_clean(&ht);
    ASSERT_TRUE(summaries_exact(&ht)) << "after clean";
    for (uint32_t i = 0; i < ht.table_size; i++) {
        EXPECT_EQ(0, *slot_summary(&ht, i));
    }
    vesk_hash_destroy(&ht);
}
