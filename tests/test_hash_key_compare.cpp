/*
 * test_hash_key_compare.cpp - the chain search tells keys apart by stored
 * hash, length and every key byte.
 *
 * The quick operations take the hash from the caller, so two different keys
 * can be given the same hash and the same chain: only the byte comparison
 * can then tell them apart.  Every length from 1 to 80 is tried, with a
 * difference at every position, so that each way of comparing (short keys,
 * word-sized pieces that overlap, long keys) is exercised.
 */
#include "table_check.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

const uint32_t kSharedHash = 0x5EED5EEDu;

/* Key bytes of every kind: letters, a zero byte, bytes above 0x7F. */
std::string key_of_length(uint32_t length) {
    std::string key(length, '\0');
    for (uint32_t i = 0; i < length; i++) {
        key[i] = (char)(unsigned char)((i * 37u + 11u) % 251u);
    }
    return key;
}

int quick_put(HashTable *ht, const std::string &key, uint32_t hash, uintptr_t value) {
    void *data = (void *)value;
    return vesk_hash_quick_add_or_update(ht, key.data(), (uint32_t)key.size(), hash, &data,
                                         sizeof data, nullptr, HASH_MODE_ADD);
}

/* The pointer-sized value under the key and hash, or 0 when absent. */
uintptr_t quick_get(const HashTable *ht, const std::string &key, uint32_t hash) {
    void *data = nullptr;
    if (vesk_hash_quick_find(ht, key.data(), (uint32_t)key.size(), hash, &data) != SUCCESS) {
        return 0;
    }
    return (uintptr_t) * (void **)data;
}

class KeyCompare : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 0, nullptr, nullptr, 1)); }
    void TearDown() override { vesk_hash_destroy(&ht); }
    HashTable ht;
};

/* A key that differs from a stored key in one byte, under the same hash and
 * length, is absent; a copy of the stored key in another buffer is found. */
TEST_F(KeyCompare, OneDifferentByteAtAnyPositionIsAnotherKey) {
    for (uint32_t length = 1; length <= 80; length++) {
        SCOPED_TRACE(length);
        const std::string stored = key_of_length(length);
        ASSERT_EQ(SUCCESS, quick_put(&ht, stored, kSharedHash, 1000 + length));
        const std::string copy(stored.data(), stored.size());
        EXPECT_EQ(1000u + length, quick_get(&ht, copy, kSharedHash));
        for (uint32_t i = 0; i < length; i++) {
            for (unsigned char flip : {0x01, 0x80}) {
                std::string other = stored;
                other[i] = (char)((unsigned char)other[i] ^ flip);
                EXPECT_EQ(0u, quick_get(&ht, other, kSharedHash)) << "byte " << i;
            }
        }
        vesk_hash_clean(&ht);
    }
}

/* Keys that share a hash and a length and differ in a byte or two all live on
 * one chain, and each finds its own element. */
TEST_F(KeyCompare, KeysOnOneChainWithOneHashAndLengthFindTheirOwnElements) {
    const uint32_t lengths[] = {3, 4, 7, 8, 9, 15, 16, 17, 50, 65};
    for (uint32_t length : lengths) {
        SCOPED_TRACE(length);
        for (uint32_t n = 0; n < 8; n++) {
            std::string key = key_of_length(length);
            key[(n * 5) % length] = (char)('A' + n); /* n-th variant */
            key[length - 1] = (char)('a' + n);
            ASSERT_EQ(SUCCESS, quick_put(&ht, key, kSharedHash, 1 + n));
        }
        EXPECT_EQ(8u, vesk_hash_num_elements(&ht));
        for (uint32_t n = 0; n < 8; n++) {
            std::string key = key_of_length(length);
            key[(n * 5) % length] = (char)('A' + n);
            key[length - 1] = (char)('a' + n);
            EXPECT_EQ(1u + n, quick_get(&ht, key, kSharedHash)) << "variant " << n;
        }
        EXPECT_TRUE(table_is_consistent(&ht));
        vesk_hash_clean(&ht);
    }
}

/* The same bytes under another length, or the same hash and length under
 * other bytes, never match: the length is compared with the hash. */
TEST_F(KeyCompare, APrefixUnderTheSameHashIsAnotherKey) {
    const std::string stored = key_of_length(24);
    ASSERT_EQ(SUCCESS, quick_put(&ht, stored, kSharedHash, 7));
    for (uint32_t length = 1; length < 24; length++) {
        EXPECT_EQ(0u, quick_get(&ht, stored.substr(0, length), kSharedHash)) << length;
    }
    EXPECT_EQ(0u, quick_get(&ht, stored + "x", kSharedHash));
    EXPECT_EQ(7u, quick_get(&ht, stored, kSharedHash));
    EXPECT_EQ(0u, quick_get(&ht, stored, kSharedHash + 8)); /* same slot, other hash */
}

/* An integer key equal to a string key's stored hash is another key: the
 * integer search asks for key_length 0 as well. */
TEST_F(KeyCompare, AnIntegerKeyEqualToAStringKeysHashIsAnotherKey) {
    const std::string text = "x";
    ASSERT_EQ(SUCCESS, quick_put(&ht, text, 7, 70));
    void *data = nullptr;
    EXPECT_EQ(FAILURE, vesk_hash_index_find(&ht, 7, &data));
    EXPECT_EQ(0, vesk_hash_index_exists(&ht, 7));
    void *value = (void *)71;
    ASSERT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(&ht, 7, &value, sizeof value, nullptr,
                                                             HASH_MODE_ADD));
    ASSERT_EQ(SUCCESS, vesk_hash_index_find(&ht, 7, &data));
    EXPECT_EQ((void *)71, *(void **)data);
    EXPECT_EQ(70u, quick_get(&ht, text, 7));
    EXPECT_EQ(2u, vesk_hash_num_elements(&ht));
    EXPECT_TRUE(table_is_consistent(&ht));
}

} // namespace
