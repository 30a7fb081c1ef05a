/*
 * test_hash_core.cpp - the table hash, initialisation, insertion (string keys,
 * integer keys, the numeric-key rule), element storage, growth and rehash, the
 * interruption hooks and string duplication.
 */
#include "logged_table.h"
#include "table_check.h"
#include "table_helpers.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

/* Every chain lists its elements in the reverse of their list order. */
::testing::AssertionResult chains_reverse_list_order(const HashTable *ht) {
    std::map<const HashBucket *, size_t> pos;
    size_t i = 0;
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        pos[b] = i++;
    }
    for (uint32_t s = 0; s < ht->table_size; s++) {
        size_t prev = SIZE_MAX;
        for (const HashBucket *b = ht->slots[s]; b; b = b->chain_next) {
            if (pos.at(b) >= prev) {
                return ::testing::AssertionFailure() << "chain of slot " << s << " out of order";
            }
            prev = pos.at(b);
        }
    }
    return ::testing::AssertionSuccess();
}

class HashUpdate : public LoggedTable {};

} // namespace

/* ---- The table hash ------------------------------------------------------ */

TEST(HashValue, KnownValuesOverSignedBytes) {
    EXPECT_EQ(vesk_hash_func(KEY("abc")), 193409669u);
    EXPECT_EQ(vesk_hash_func("abc", 4), 2087551781u); /* the terminator counts */
    EXPECT_EQ(vesk_hash_func("", 0), 5381u);
    EXPECT_EQ(vesk_hash_func(KEY("\x80")), 4294789669u);             /* sign-extended, not 177445 */
    EXPECT_EQ(vesk_get_hash_value(nullptr, KEY("abc")), 193409669u); /* table ignored */
}

/* The table hash one byte at a time, as defined: the yardstick for the
 * table's own loop, which takes several bytes a round. */
uint32_t reference_hash(const unsigned char *key, uint32_t length) {
    uint32_t h = 5381;
    for (uint32_t i = 0; i < length; i++) {
        const int32_t s = key[i] < 0x80 ? (int32_t)key[i] : (int32_t)key[i] - 256;
        h = (h * 33) ^ (uint32_t)s;
    }
    return h;
}

/* Every key length from 0 to 64 (every way the length splits into rounds
 * of 8 and a rest of 4, 2 and 1), each key starting at every offset from an
 * 8-byte boundary, over random bytes and the extremes of the signed reading. */
class HashValueOfLength : public ::testing::TestWithParam<uint32_t> {
  protected:
    static constexpr size_t kOffsets = 8;

    /* Fills: three random ones, all 0xFF, all 0x80, all 0x7F and all NUL. */
    static std::vector<std::vector<unsigned char>> fills(uint32_t length) {
        std::vector<std::vector<unsigned char>> out;
        std::mt19937 rng(1000 + length);
        for (int i = 0; i < 3; i++) {
            std::vector<unsigned char> bytes(length);
            for (unsigned char &b : bytes) {
                b = (unsigned char)rng();
            }
            out.push_back(bytes);
        }
        for (unsigned char b : {0xFF, 0x80, 0x7F, 0x00}) {
            out.emplace_back(length, b);
        }
        return out;
    }
};

TEST_P(HashValueOfLength, EqualsTheByteLoopAtEveryAlignment) {
    const uint32_t length = GetParam();
    for (const std::vector<unsigned char> &bytes : fills(length)) {
        const uint32_t expected = reference_hash(bytes.data(), length);
        for (size_t offset = 0; offset < kOffsets; offset++) {
            alignas(8) char buffer[64 + kOffsets];
            if (length > 0) { /* an empty vector's data may be null */
                memcpy(buffer + offset, bytes.data(), length);
            }
            const char *key = buffer + offset;
            EXPECT_EQ(vesk_hash_func(key, length), expected) << "offset " << offset;
            EXPECT_EQ(vesk_get_hash_value(nullptr, key, length), expected) << "offset " << offset;
        }
    }
}

/* Insertion and lookup hash in line, each with its own copy of the loop: the
 * stored hash is the byte loop's, and a lookup under that hash finds it. */
TEST_P(HashValueOfLength, InsertAndFindHashAsTheByteLoop) {
    const uint32_t length = GetParam();
    HashTable ht;
    ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 0, nullptr, nullptr, 1));
    if (length == 0) { /* refused before any hashing */
        void *data = nullptr;
        EXPECT_EQ(FAILURE, put(&ht, "", 0, P(1)));
        EXPECT_EQ(FAILURE, vesk_hash_quick_find(&ht, "", 0, 5381, &data));
    }
    std::set<std::vector<unsigned char>> seen;
    uintptr_t n = 0;
    for (std::vector<unsigned char> bytes : fills(length)) {
        if (length > 0) {
            bytes[0] |= 0x80; /* never a decimal key */
        }
        if (length == 0 || !seen.insert(bytes).second) {
            continue; /* the fills that |= 0x80 makes equal at length 1 */
        }
        const char *key = (const char *)bytes.data();
        const uint32_t expected = reference_hash(bytes.data(), length);
        ASSERT_EQ(SUCCESS, put(&ht, key, length, P(++n)));
        EXPECT_EQ(ht.list_tail->hash, expected);
        void *data = nullptr;
        ASSERT_EQ(SUCCESS, vesk_hash_find(&ht, key, length, &data));
        EXPECT_EQ(*(void **)data, P(n));
        ASSERT_EQ(SUCCESS, vesk_hash_quick_find(&ht, key, length, expected, &data));
        EXPECT_EQ(*(void **)data, P(n));
    }
    vesk_hash_destroy(&ht);
}

INSTANTIATE_TEST_SUITE_P(Lengths0To64, HashValueOfLength, ::testing::Range(0u, 65u));

/* ---- Initialisation ------------------------------------------------------ */

TEST(HashInit, SizeHintRoundsUpToAPowerOfTwoOfAtLeastEight) {
    const struct {
        uint32_t hint, size;
    } cases[] = {{0, 8}, {2, 8}, {8, 8}, {9, 16}, {16, 16}, {17, 32}, {1000, 1024}};
    for (const auto &c : cases) {
        for (vesk_bool persistent : {0, 1}) {
            HashTable ht;
            memset(&ht, 0xa5, sizeof ht);
            ASSERT_EQ(vesk_hash_init(&ht, c.hint, nullptr, log_destroyed, persistent), SUCCESS);
            EXPECT_EQ(ht.table_size, c.size) << "hint " << c.hint;
            EXPECT_EQ(ht.table_mask, c.size - 1);
            EXPECT_TRUE(table_is_consistent(&ht)); /* every slot null */
            EXPECT_EQ(ht.element_count, 0u);
            EXPECT_EQ(ht.next_free_index, 0u);
            EXPECT_EQ(ht.cursor, nullptr);
            EXPECT_EQ(ht.destructor, log_destroyed);
            EXPECT_EQ(ht.persistent, persistent);
            EXPECT_EQ(ht.apply_depth, 0);
            EXPECT_EQ(ht.apply_protection, 1);
            vesk_hash_destroy(&ht);
        }
    }
}

TEST(HashInit, HintAboveTwoToThe31Fails) {
    for (uint32_t hint : {(1u << 31) + 1, UINT32_MAX}) {
        HashTable ht;
        memset(&ht, 0xa5, sizeof ht);
        EXPECT_EQ(vesk_hash_init(&ht, hint, nullptr, nullptr, 0), FAILURE);
        EXPECT_EQ(ht.slots, nullptr);
        /* the _ex form stores apply protection whatever the result */
        EXPECT_EQ(vesk_hash_init_ex(&ht, hint, nullptr, nullptr, 1, 0), FAILURE);
        EXPECT_EQ(ht.apply_protection, 0);
    }
    HashTable ht;
    ASSERT_EQ(vesk_hash_init_ex(&ht, 0, nullptr, nullptr, 0, 0), SUCCESS);
    EXPECT_EQ(ht.apply_protection, 0);
    vesk_hash_destroy(&ht);
}

/* ---- Growth and rehash --------------------------------------------------- */

/* Eight elements fill the eight slots; the ninth doubles the array, and the
 * chains are rebuilt from the order list without disturbing it. */
TEST(HashGrowth, NinthElementDoublesTheSlotsAndKeepsOrder) {
    HashTable ht;
    ASSERT_EQ(vesk_hash_init(&ht, 2, nullptr, nullptr, 0), SUCCESS);
    std::vector<std::string> expected;
    for (uint32_t i = 0; i < 17; i++) {
        if (i % 2) {
            ASSERT_EQ(put_index(&ht, i * 8, P(i)), SUCCESS); /* all on slot 0 before growth */
            expected.push_back(ikey(i * 8));
        } else {
            const std::string k = "key" + std::to_string(i);
            ASSERT_EQ(put(&ht, k.data(), (uint32_t)k.size(), P(i)), SUCCESS);
            expected.push_back(skey(k));
        }
        const uint32_t n = i + 1;
        EXPECT_EQ(ht.table_size, n <= 8 ? 8u : n <= 16 ? 16u : 32u) << n;
        EXPECT_EQ(ht.element_count, n);
        EXPECT_TRUE(table_is_consistent(&ht));
        EXPECT_TRUE(chains_reverse_list_order(&ht));
    }
    EXPECT_EQ(table_keys(&ht), expected);
    vesk_hash_destroy(&ht);
}

/* ---- The numeric-key rule ------------------------------------------------ */

/* Digits with exactly one counted NUL, no leading zero except "0", and a
 * value below 2147483647 (saturating as a 32-bit strtol would) make an
 * integer key; anything else stays a string key of exactly those bytes. */
TEST(HashNumericKey, DigitsWithOneCountedNulAreIntegerKeys) {
    const struct {
        std::string key;
        bool numeric;
        uint32_t value;
    } cases[] = {
        {std::string("7\0", 2), true, 7},
        {std::string("0\0", 2), true, 0},
        {std::string("5\0", 2), true, 5},
        {std::string("2147483646\0", 11), true, 2147483646},
        {std::string("05\0", 3), false, 0},
        {std::string("00\0", 3), false, 0},
        {std::string("-5\0", 3), false, 0},
        {std::string(" 5\0", 3), false, 0},
        {std::string("5a\0", 3), false, 0},
        {std::string("\xb5\0", 2), false, 0},
        {std::string("5", 1), false, 0},
        {std::string("\0", 1), false, 0},
        {std::string("12\0\0", 4), false, 0},
        {std::string("2147483647\0", 11), false, 0},
        {std::string("2147483648\0", 11), false, 0},
        {std::string("4294967296\0", 11), false, 0}, /* not integer 0 */
        {std::string("4294967303\0", 11), false, 0}, /* not integer 7 */
        {std::string("99999999999\0", 12), false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.key);
        HashTable ht;
        ASSERT_EQ(vesk_hash_init(&ht, 8, nullptr, nullptr, 0), SUCCESS);
        ASSERT_EQ(put(&ht, c.key.data(), (uint32_t)c.key.size(), P(1)), SUCCESS);
        ASSERT_NE(ht.list_head, nullptr);
        if (c.numeric) {
            EXPECT_EQ(table_keys(&ht), std::vector<std::string>{ikey(c.value)});
            EXPECT_EQ(ht.list_head->key_length, 0u);
            EXPECT_EQ(ht.next_free_index, c.value + 1);
        } else {
            EXPECT_EQ(table_keys(&ht), std::vector<std::string>{skey(c.key)});
            EXPECT_EQ(ht.list_head->hash, vesk_hash_func(c.key.data(), (uint32_t)c.key.size()));
            EXPECT_EQ(ht.next_free_index, 0u);
        }
        EXPECT_TRUE(table_is_consistent(&ht));
        vesk_hash_destroy(&ht);
    }
}

/* The quick insert never applies the rule; add_or_update hands its whole
 * mode word to the integer path. */
TEST(HashNumericKey, QuickInsertKeepsStringAndModeIsHandedOver) {
    HashTable ht;
    ASSERT_EQ(vesk_hash_init(&ht, 8, nullptr, nullptr, 0), SUCCESS);
    void *one = P(1);
    ASSERT_EQ(vesk_hash_quick_add_or_update(&ht, KEY("7\0"), vesk_hash_func(KEY("7\0")), &one,
                                            sizeof one, nullptr, HASH_MODE_ADD),
              SUCCESS);
    ASSERT_EQ(put(&ht, KEY("7\0"), P(2), HASH_MODE_ADD), SUCCESS);
    EXPECT_EQ(put(&ht, KEY("7\0"), P(3), HASH_MODE_ADD), FAILURE); /* integer 7 is present */
    EXPECT_EQ(ht.next_free_index, 8u);
    ASSERT_EQ(put(&ht, KEY("5\0"), P(4), HASH_MODE_NEXT_INSERT), SUCCESS); /* key 8, not 5 */
    EXPECT_EQ(table_keys(&ht),
              (std::vector<std::string>{skey(std::string("7\0", 2)), ikey(7), ikey(8)}));
    EXPECT_EQ(ht.list_head->key_length, 2u);
    EXPECT_TRUE(table_is_consistent(&ht));
    vesk_hash_destroy(&ht);
}

/* ---- next_free_index ----------------------------------------------------- */

TEST(HashNextFreeIndex, RaisedByStoresAndWrapsAtTheTop) {
    HashTable ht;
    ASSERT_EQ(vesk_hash_init(&ht, 8, nullptr, nullptr, 0), SUCCESS);
    for (uint32_t i = 0; i < 3; i++) {
        ASSERT_EQ(put_index(&ht, 99, P(i), HASH_MODE_NEXT_INSERT), SUCCESS);
    }
    EXPECT_EQ(table_keys(&ht), (std::vector<std::string>{ikey(0), ikey(1), ikey(2)}));
    ASSERT_EQ(put_index(&ht, 10, P(10)), SUCCESS);
    EXPECT_EQ(ht.next_free_index, 11u);
    ASSERT_EQ(put_index(&ht, 5, P(5)), SUCCESS);
    EXPECT_EQ(ht.next_free_index, 11u);
    ASSERT_EQ(put_index(&ht, 0, P(0), HASH_MODE_NEXT_INSERT), SUCCESS);
    EXPECT_EQ(ht.list_tail->hash, 11u);
    EXPECT_EQ(ht.next_free_index, 12u);

    ASSERT_EQ(put_index(&ht, 4294967295u, P(7)), SUCCESS);
    EXPECT_EQ(ht.next_free_index, 0u); /* wraps */
    void *out = P(0xdead);
    EXPECT_EQ(put_index(&ht, 77, P(8), HASH_MODE_NEXT_INSERT, &out), FAILURE); /* 0 present */
    EXPECT_EQ(out, P(0xdead));
    EXPECT_EQ(ht.next_free_index, 0u);
    /* an update of a key not below next_free_index raises it too */
    ASSERT_EQ(put_index(&ht, 2, P(22)), SUCCESS);
    EXPECT_EQ(ht.next_free_index, 3u);
    EXPECT_EQ(ht.element_count, 7u);
    EXPECT_TRUE(table_is_consistent(&ht));
    vesk_hash_destroy(&ht);
}

/* ---- Adding and updating ------------------------------------------------- */

/* A present key under the ADD bit (or NEXT_INSERT) changes nothing: data,
 * destructor and out-parameter untouched.  Key length 0 always fails. */
TEST_F(HashUpdate, AddOnPresentKeyFails) {
    ASSERT_EQ(put(&ht, KEY("k"), P(1)), SUCCESS);
    ASSERT_EQ(put_index(&ht, 3, P(3)), SUCCESS);
    void *out = P(0xdead);
    EXPECT_EQ(put(&ht, KEY("k"), P(2), HASH_MODE_ADD, &out), FAILURE);
    EXPECT_EQ(put(&ht, KEY("k"), P(2), HASH_MODE_ADD | HASH_MODE_UPDATE, &out), FAILURE);
    EXPECT_EQ(put_index(&ht, 3, P(4), HASH_MODE_ADD, &out), FAILURE);
    EXPECT_EQ(put_index(&ht, 3, P(4), HASH_MODE_ADD | HASH_MODE_UPDATE, &out), FAILURE);
    EXPECT_EQ(put(&ht, "", 0, P(5), HASH_MODE_UPDATE, &out), FAILURE);
    EXPECT_EQ(vesk_hash_quick_add_or_update(&ht, "", 0, 5381, &out, sizeof out, &out, 0), FAILURE);
    EXPECT_EQ(vesk_hash_add_empty_element(&ht, "", 0), FAILURE);
    EXPECT_EQ(out, P(0xdead));
    EXPECT_TRUE(g_destroyed_at.empty());
    EXPECT_EQ(inline_value(ht.list_head), P(1));
    EXPECT_EQ(inline_value(ht.list_tail), P(3));
    EXPECT_EQ(ht.element_count, 2u);
}

/* Replacing data calls the destructor once, with the old data pointer while
 * the old data is still there; the element keeps its place; mode 0 updates. */
TEST_F(HashUpdate, UpdateCallsDestructorOnceAndKeepsPosition) {
    ASSERT_EQ(put(&ht, KEY("a"), P(1)), SUCCESS);
    ASSERT_EQ(put(&ht, KEY("b"), P(2)), SUCCESS);
    ASSERT_EQ(put_index(&ht, 9, P(3)), SUCCESS);
    HashBucket *b = ht.list_head->list_next;
    void *out = nullptr;
    ASSERT_EQ(put(&ht, KEY("b"), P(20), 0, &out), SUCCESS);
    EXPECT_EQ(g_destroyed_at, std::vector<void *>{&b->inline_data});
    EXPECT_EQ(g_destroyed, std::vector<intptr_t>{2});
    EXPECT_EQ(out, b->data);
    EXPECT_EQ(inline_value(b), P(20));

    /* an integer-keyed element in a separate block */
    uint64_t big[2] = {0x1111, 0x2222};
    ASSERT_EQ(vesk_hash_index_update_or_next_insert(&ht, 9, big, sizeof big, nullptr, 0), SUCCESS);
    void *old_block = ht.list_tail->data;
    big[0] = 0x3333;
    ASSERT_EQ(
        vesk_hash_index_update_or_next_insert(&ht, 9, big, sizeof big, &out, HASH_MODE_UPDATE),
        SUCCESS);
    ASSERT_EQ(g_destroyed_at.size(), 3u);
    EXPECT_EQ(g_destroyed_at[2], old_block);
    EXPECT_EQ(g_destroyed[2], 0x1111);
    EXPECT_EQ(out, ht.list_tail->data);
    EXPECT_EQ(memcmp(ht.list_tail->data, big, sizeof big), 0);

    EXPECT_EQ(table_keys(&ht), (std::vector<std::string>{skey("a"), skey("b"), ikey(9)}));
    EXPECT_EQ(ht.element_count, 3u);
    EXPECT_TRUE(table_is_consistent(&ht));
}

/* The storage kind follows the new data size both ways, and a separate
 * block always fits the new data (a larger update must not overflow). */
TEST_F(HashUpdate, StorageKindFollowsDataSize) {
    for (vesk_bool persistent : {0, 1}) {
        HashTable table;
        ASSERT_EQ(vesk_hash_init(&table, 8, nullptr, nullptr, persistent), SUCCESS);
        unsigned char bytes[64];
        for (unsigned i = 0; i < sizeof bytes; i++) {
            bytes[i] = (unsigned char)(i + 1);
        }
        void *out = nullptr;
        ASSERT_EQ(vesk_hash_add_or_update(&table, KEY("k"), bytes, 16, &out, 0), SUCCESS);
        HashBucket *b = table.list_head;
        EXPECT_NE(b->data, &b->inline_data);
        EXPECT_EQ(b->inline_data, nullptr);
        EXPECT_EQ(out, b->data);

        ASSERT_EQ(put(&table, KEY("k"), P(0x1234), 0, &out), SUCCESS); /* block released */
        EXPECT_EQ(b->data, &b->inline_data);
        EXPECT_EQ(b->inline_data, P(0x1234));
        EXPECT_EQ(out, &b->inline_data);

        /* Half a pointer: a block on 32- and 64-bit hosts alike. */
        for (uint32_t size : {24u, 64u, (uint32_t)sizeof(void *) / 2, 64u}) {
            ASSERT_EQ(vesk_hash_add_or_update(&table, KEY("k"), bytes, size, &out, 0), SUCCESS);
            EXPECT_NE(b->data, &b->inline_data);
            EXPECT_EQ(b->inline_data, nullptr);
            EXPECT_EQ(out, b->data);
            EXPECT_EQ(memcmp(b->data, bytes, size), 0) << size;
        }
        EXPECT_EQ(table.element_count, 1u);
        EXPECT_TRUE(table_is_consistent(&table));
        vesk_hash_destroy(&table);
    }
}

/* A NULL pointer is inline data like any other: replacing, deleting and
 * destroying it must never free the bucket's own field. */
TEST_F(HashUpdate, NullPointerDataIsInline) {
    ASSERT_EQ(put(&ht, KEY("n"), nullptr), SUCCESS);
    ASSERT_EQ(put_index(&ht, 4, nullptr), SUCCESS);
    ASSERT_EQ(put(&ht, KEY("m"), nullptr), SUCCESS);
    HashBucket *n = ht.list_head;
    EXPECT_EQ(n->data, &n->inline_data);
    EXPECT_TRUE(table_is_consistent(&ht));

    ASSERT_EQ(put(&ht, KEY("n"), nullptr), SUCCESS); /* NULL over NULL */
    EXPECT_EQ(n->data, &n->inline_data);
    uint64_t big[3] = {1, 2, 3};
    ASSERT_EQ(vesk_hash_add_or_update(&ht, KEY("n"), big, sizeof big, nullptr, 0), SUCCESS);
    ASSERT_EQ(put(&ht, KEY("n"), nullptr), SUCCESS); /* block back to NULL */
    EXPECT_EQ(n->data, &n->inline_data);
    EXPECT_EQ(g_destroyed_at.size(), 3u);

    EXPECT_EQ(vesk_hash_del_key_or_index(&ht, nullptr, 0, 4, DELETE_BY_INDEX), SUCCESS);
    EXPECT_EQ(g_destroyed.back(), 0);
    EXPECT_TRUE(table_is_consistent(&ht));
    vesk_hash_destroy(&ht); /* "n" and "m" still hold NULL */
    alive = false;
    EXPECT_EQ(g_destroyed_at.size(), 6u);
}

/* ---- The cursor ---------------------------------------------------------- */

/* An insertion that finds the cursor null (empty table, or a walk that ran
 * off the end) puts it on the new element; otherwise it stays. */
TEST(HashCursor, InsertionSetsANullCursor) {
    HashTable ht;
    ASSERT_EQ(vesk_hash_init(&ht, 8, nullptr, nullptr, 0), SUCCESS);
    ASSERT_EQ(put(&ht, KEY("a"), P(1)), SUCCESS);
    HashBucket *a = ht.list_head;
    EXPECT_EQ(ht.list_tail, a);
    EXPECT_EQ(ht.cursor, a);
    ASSERT_EQ(put_index(&ht, 1, P(2)), SUCCESS);
    ASSERT_EQ(put(&ht, KEY("z"), P(2)), SUCCESS);
    EXPECT_EQ(ht.cursor, a);
    ht.cursor = nullptr; /* a walk ran past the last element */
    ASSERT_EQ(put_index(&ht, 2, P(3)), SUCCESS);
    EXPECT_EQ(ht.cursor, ht.list_tail);
    ht.cursor = nullptr;
    ASSERT_EQ(put(&ht, KEY("a"), P(4)), SUCCESS); /* an update creates nothing */
    EXPECT_EQ(ht.cursor, nullptr);
    ASSERT_EQ(put(&ht, KEY("b"), P(5)), SUCCESS);
    EXPECT_EQ(ht.cursor, ht.list_tail);
    EXPECT_EQ(ht.list_tail->list_prev->list_next, ht.list_tail);
    EXPECT_TRUE(table_is_consistent(&ht));
    vesk_hash_destroy(&ht);
}

/* ---- The interruption hooks ---------------------------------------------- */

/* Counting hooks for each test, checked to pair and never nest. */
class HashHooks : public LoggedTable {
  protected:
    void TearDown() override {
        EXPECT_FALSE(g_hooks.nested);
        EXPECT_TRUE(g_hooks.paired());
        LoggedTable::TearDown();
    }
    CountingHooks hooks_; /* installed before SetUp initialises the table */
};

TEST_F(HashHooks, CalledInPairsAroundEachCriticalSection) {
    g_hooks.watched = &ht;
    EXPECT_EQ(g_hooks.blocks, 0); /* none in the initialisation */
    ASSERT_EQ(put(&ht, KEY("a"), P(1)), SUCCESS);
    ASSERT_EQ(put_index(&ht, 1, P(2)), SUCCESS);
    EXPECT_EQ(g_hooks.blocks, 2);
    EXPECT_EQ(g_hooks.count_at_unblock,
              (std::vector<uint32_t>{0, 1})); /* counted after publishing */

    ASSERT_EQ(put(&ht, KEY("a"), P(3)), SUCCESS); /* the destructor runs inside */
    EXPECT_EQ(g_hooks.blocks, 3);
    ASSERT_EQ(put_index(&ht, 1, P(4)), SUCCESS);
    EXPECT_EQ(g_destroyed_depth, (std::vector<int>{1, 1}));
    EXPECT_EQ(g_hooks.blocks, 4);

    EXPECT_EQ(put(&ht, KEY("a"), P(5), HASH_MODE_ADD), FAILURE);
    EXPECT_EQ(put_index(&ht, 0, P(5), HASH_MODE_NEXT_INSERT), SUCCESS); /* key 2 */
    EXPECT_EQ(g_hooks.blocks, 5);
    EXPECT_EQ(vesk_hash_rehash(&ht), SUCCESS);
    EXPECT_EQ(g_hooks.blocks, 5);

    for (uint32_t i = 3; i < 9; i++) { /* the ninth element also grows the table */
        ASSERT_EQ(put_index(&ht, i, P(i)), SUCCESS);
    }
    EXPECT_EQ(ht.table_size, 16u);
    EXPECT_EQ(g_hooks.blocks, 12);
    EXPECT_EQ(g_hooks.unblocks, 12);
    vesk_hash_destroy(&ht);
    alive = false;
    EXPECT_EQ(g_hooks.blocks, 12);

    char *copy = _estrdup("xyz"); /* around its allocation only */
    EXPECT_STREQ(copy, "xyz");
    EXPECT_EQ(g_hooks.blocks, 13);
    _efree(copy);
}

/* ---- The front end's set ------------------------------------------------- */

/* Hint 2, no destructor, hook storage; texts are added without their NUL, so
 * a text of digits stays a string key. */
TEST(HashFrontEndSet, AddEmptyElementDropsRepeats) {
    HashTable ht;
    ASSERT_EQ(vesk_hash_init(&ht, 2, nullptr, nullptr, 0), SUCCESS);
    EXPECT_EQ(ht.table_size, 8u);
    EXPECT_EQ(vesk_hash_add_empty_element(&ht, KEY("MTQDV-9FLM9-88N4U-S8J97")), SUCCESS);
    EXPECT_EQ(vesk_hash_add_empty_element(&ht, KEY("MTQDV-9FLM9-88N4U-S8J97")), FAILURE);
    EXPECT_EQ(ht.element_count, 1u);
    HashBucket *b = ht.list_head;
    EXPECT_EQ(b->data, &b->inline_data);
    EXPECT_EQ(b->inline_data, P(1));

    std::vector<std::string> expected{skey("MTQDV-9FLM9-88N4U-S8J97")};
    for (int i = 1; i < 9; i++) {
        const std::string text = std::to_string(i * 11111);
        ASSERT_EQ(vesk_hash_add_empty_element(&ht, text.data(), (uint32_t)text.size()), SUCCESS);
        EXPECT_EQ(vesk_hash_add_empty_element(&ht, text.data(), (uint32_t)text.size()), FAILURE);
        expected.push_back(skey(text));
        EXPECT_EQ(ht.table_size, i < 8 ? 8u : 16u);
    }
    EXPECT_EQ(table_keys(&ht), expected);
    EXPECT_TRUE(table_is_consistent(&ht));
    vesk_hash_destroy(&ht);
}

/* ---- String duplication -------------------------------------------------- */

TEST(HashStrndup, CopiesAndTerminatesAndRefusesWrappingLength) {
    char *copy = _estrndup("ab\0cd", 5);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(memcmp(copy, "ab\0cd\0", 6), 0);
    _efree(copy);
    EXPECT_EQ(_estrndup("x", SIZE_MAX), nullptr); /* length + 1 would wrap */
}
