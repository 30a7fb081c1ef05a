/*
 * Sizes that depend on the host's pointer width, written to mean the same on
 * 32- and 64-bit builds (the m32 preset runs them natively, or under qemu-i386):
 *
 *   - data of exactly sizeof(void *) bytes lives in the bucket (4 bytes on a
 *     32-bit host, 8 on a 64-bit one), any other size in a separate block;
 *   - a slot array whose byte size does not fit in size_t is never asked of
 *     the allocator: initialisation fails cleanly and growth does not happen.
 *     Where the size fits, the allocator is asked for exactly that many bytes
 *     (and made to fail here, so that no test really allocates gigabytes).
 */
#include "alloc_fail.h"
#include "fault_sweep.h"
#include "table_check.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

/* The byte size of n slot pointers and the n summary bytes kept with them,
 * false when it overflows size_t. */
bool slot_bytes(uint64_t n, size_t *bytes) {
    return !__builtin_mul_overflow(n, sizeof(void *) + 1, bytes);
}

class HashSizes : public ::testing::TestWithParam<int> {
  protected:
    vesk_bool persistent() const { return (vesk_bool)GetParam(); }
    void TearDown() override { alloc_fail_reset(); }
};

} // namespace

/* One allocation (the bucket) for pointer-sized data, two (bucket and block)
 * for any other size, whichever width a pointer has here; an update between
 * the two sizes moves the data in and out of the bucket without a leak. */
TEST_P(HashSizes, ExactlyPointerSizedDataLivesInTheBucket) {
    HashTable ht;
    ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, nullptr, persistent()));
    const unsigned char bytes[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    uint32_t key = 0;
    for (uint32_t size : {4u, 8u, 12u, (uint32_t)sizeof(void *)}) {
        SCOPED_TRACE("data of " + std::to_string(size) + " bytes, pointers of " +
                     std::to_string(sizeof(void *)));
        const bool fits = size == sizeof(void *);
        alloc_track_begin();
        void *dest = nullptr;
        ASSERT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(&ht, key, bytes, size, &dest, 0));
        HashBucket *b = ht.list_tail;
        EXPECT_EQ(fits ? 1 : 2, alloc_track_end());
        EXPECT_EQ(fits, b->data == &b->inline_data);
        EXPECT_EQ(b->data, dest);
        EXPECT_EQ(0, memcmp(b->data, bytes, size));
        if (!fits) {
            EXPECT_EQ(nullptr, b->inline_data);
        }

        /* To the other kind of storage and back. */
        const uint32_t other = fits ? 12u : (uint32_t)sizeof(void *);
        alloc_track_begin();
        ASSERT_EQ(SUCCESS,
                  vesk_hash_index_update_or_next_insert(&ht, key, bytes + 1, other, &dest, 0));
        EXPECT_EQ(other == sizeof(void *), b->data == &b->inline_data);
        EXPECT_EQ(0, memcmp(b->data, bytes + 1, other));
        ASSERT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(&ht, key, bytes, size, &dest, 0));
        EXPECT_EQ(fits, b->data == &b->inline_data);
        EXPECT_EQ(0, memcmp(b->data, bytes, size));
        /* The block of the first update is gone; the element's own is new. */
        EXPECT_EQ(fits ? 0 : 1, alloc_track_end());
        key++;
    }
    EXPECT_TRUE(table_is_consistent(&ht));
    vesk_hash_destroy(&ht);
}

/* Hints of 2^29 to 2^31 slots, and above: where the byte size of the slot
 * array overflows size_t (2^30 and 2^31 slots on a 32-bit host), init fails
 * without calling the allocator; otherwise the allocator is asked for exactly
 * that size (and fails here). */
TEST_P(HashSizes, InitNeverAsksForASlotArrayWhoseSizeOverflows) {
    const uint64_t hints[] = {1u << 29, (1u << 29) + 1,   1u << 30,
                              1u << 31, (1ull << 31) + 1, UINT32_MAX};
    for (uint64_t hint : hints) {
        SCOPED_TRACE("size hint " + std::to_string(hint));
        HashTable ht;
        memset(&ht, 0xA5, sizeof ht);
        alloc_fail_after(1);
        EXPECT_EQ(FAILURE, vesk_hash_init(&ht, (uint32_t)hint, nullptr, nullptr, persistent()));
        const bool asked = !alloc_fail_pending();
        alloc_fail_reset();
        EXPECT_EQ(nullptr, ht.slots);

        size_t bytes = 0;
        if (hint > (1u << 31)) {
            EXPECT_FALSE(asked) << "no power of two of 32 bits is large enough";
            continue;
        }
        uint64_t slots = 8;
        while (slots < hint) {
            slots *= 2;
        }
        EXPECT_EQ(slots, ht.table_size);
        EXPECT_EQ(slots - 1, ht.table_mask);
        if (slot_bytes(slots, &bytes)) {
            EXPECT_TRUE(asked);
            EXPECT_EQ(bytes, alloc_last_request());
        } else {
            EXPECT_FALSE(asked) << "the byte size overflows size_t";
        }
    }
}

/* Growth from 2^28 to 2^31 slots, with the element count at the slot count so
 * that the next insert grows.  The record claims the large size while its
 * slot array has only 8 entries; integer keys below 8 stay within them (and
 * within their summary bytes, counted back from the slots), and the test
 * fails every growth it allows, so nothing reads beyond them. */
TEST_P(HashSizes, GrowthNeverAsksForASlotArrayWhoseSizeOverflows) {
    for (uint32_t size : {1u << 28, 1u << 29, 1u << 30, 1u << 31}) {
        SCOPED_TRACE("table of " + std::to_string(size) + " slots");
        HashTable ht;
        ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, nullptr, persistent()));
        HashBucket **slots = ht.slots;
        ht.table_size = size;
        ht.table_mask = size - 1;
        ht.element_count = size;

        void *value = &ht;
        alloc_fail_after(2); /* the bucket is the first allocation, growth the second */
        EXPECT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(&ht, 3, &value, sizeof value,
                                                                 nullptr, HASH_MODE_ADD));
        const bool grew_or_tried = !alloc_fail_pending();
        alloc_fail_reset();

        size_t bytes = 0;
        const bool fits =
            (uint64_t)size * 2 <= (1ull << 31) && slot_bytes((uint64_t)size * 2, &bytes);
        EXPECT_EQ(fits, grew_or_tried);
        if (fits) {
            EXPECT_EQ(bytes, alloc_last_request());
        }
        EXPECT_EQ(size, ht.table_size);
        EXPECT_EQ(size - 1, ht.table_mask);
        EXPECT_EQ(slots, ht.slots);
        EXPECT_EQ(size + 1, ht.element_count);
        EXPECT_EQ(ht.list_head, slots[3]);

        /* Back to the real size before the table is released. */
        ht.table_size = 8;
        ht.table_mask = 7;
        ht.element_count = 1;
        EXPECT_TRUE(table_is_consistent(&ht));
        vesk_hash_destroy(&ht);
    }
}

INSTANTIATE_TEST_SUITE_P(Allocators, HashSizes, ::testing::Values(1, 0), allocator_name);
