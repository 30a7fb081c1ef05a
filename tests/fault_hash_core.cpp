/*
 * Every allocation point of initialisation, insertion, update, growth, the
 * string copies and the duplicating current-key read, failed in turn.
 *
 * The promise: a failed insert or update returns FAILURE and leaves the table
 * as it was (an update also leaves the old data and does not call the
 * destructor); a failed growth is tolerated, the insert returns SUCCESS and
 * the next insert grows; a failed initialisation stores only table_size,
 * table_mask and a null slots.  Each pass also checks that the interruption
 * hooks stay paired and that no block is left behind.
 */
#include "alloc_fail.h"
#include "fault_sweep.h"
#include "table_check.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const uint32_t kPointer = sizeof(void *);
const uint32_t kBlock = 12; /* a separate block on 32- and 64-bit hosts */
const uint32_t kLarger = 40;

int destructor_calls = 0;
void count_destructor(void *) {
    destructor_calls++;
}

/* size bytes, all different from one tag to the next. */
std::string payload(char tag, uint32_t size) {
    std::string bytes(size, '\0');
    for (uint32_t i = 0; i < size; i++) {
        bytes[i] = (char)(tag * 7 + i);
    }
    return bytes;
}

std::string data_bytes(const void *data, uint32_t size) {
    return std::string((const char *)data, size);
}

/* ---- The insert operations ------------------------------------------------- */

enum class Insert { String, Quick, Empty, Integer, Next };

struct InsertKind {
    const char *name;
    Insert kind;
};

const InsertKind insert_kinds[] = {
    {"string", Insert::String},   {"quick", Insert::Quick},      {"empty element", Insert::Empty},
    {"integer", Insert::Integer}, {"next insert", Insert::Next},
};

/* Inserts a new element of the given kind under a key derived from serial;
 * returns the result and describes the key as table_keys does. */
int insert_new(HashTable *ht, Insert kind, int serial, const std::string &data, void **dest,
               std::string *key_description) {
    const std::string key = "new-" + std::to_string(serial);
    const uint32_t index = 1000 + (uint32_t)serial;
    switch (kind) {
    case Insert::String:
        *key_description = skey(key);
        return vesk_hash_add_or_update(ht, key.data(), (uint32_t)key.size(), data.data(),
                                       (uint32_t)data.size(), dest, HASH_MODE_ADD);
    case Insert::Quick:
        *key_description = skey(key);
        return vesk_hash_quick_add_or_update(
            ht, key.data(), (uint32_t)key.size(), vesk_hash_func(key.data(), (uint32_t)key.size()),
            data.data(), (uint32_t)data.size(), dest, HASH_MODE_UPDATE);
    case Insert::Empty:
        *key_description = skey(key);
        return vesk_hash_add_empty_element(ht, key.data(), (uint32_t)key.size());
    case Insert::Integer:
        *key_description = ikey(index);
        return vesk_hash_index_update_or_next_insert(ht, index, data.data(), (uint32_t)data.size(),
                                                     dest, HASH_MODE_ADD);
    case Insert::Next:
        *key_description = ikey(ht->next_free_index);
        return vesk_hash_index_update_or_next_insert(ht, 0, data.data(), (uint32_t)data.size(),
                                                     dest, HASH_MODE_NEXT_INSERT);
    }
    return FAILURE;
}

/* Fills the table with count elements of size-byte data: string keys, and an
 * integer key every third element. */
void fill(HashTable *ht, int count, uint32_t size) {
    for (int i = 0; i < count; i++) {
        const std::string data = payload((char)i, size);
        if (i % 3 == 1) {
            ASSERT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(
                                   ht, 7 + (uint32_t)i, data.data(), size, nullptr, HASH_MODE_ADD));
        } else {
            const std::string key = "old-" + std::to_string(i);
            ASSERT_EQ(SUCCESS, vesk_hash_add_or_update(ht, key.data(), (uint32_t)key.size(),
                                                       data.data(), size, nullptr, HASH_MODE_ADD));
        }
    }
}

/* Runs each scenario on a persistent table (malloc) and on one that
 * allocates through the hooks (_emalloc). */
class HashCoreFault : public AllocatorFault {};

} // namespace

/* ---- Initialisation ---------------------------------------------------------- */

TEST_P(HashCoreFault, InitFailsCleanlyAtEveryAllocationPoint) {
    const struct {
        uint32_t hint, slots;
        vesk_bool with_ex;
    } cases[] = {{0, 8, 0}, {100, 128, 0}, {2, 8, 1}};
    for (const auto &c : cases) {
        const std::string name = "init (" + allocator() + ", hint " + std::to_string(c.hint) +
                                 (c.with_ex ? ", _ex" : "") + ")";
        sweep_allocation_points(name, [&](long n) {
            HashTable ht;
            memset(&ht, 0xA5, sizeof ht);
            HashTable untouched = ht;
            int result = SUCCESS;
            const bool hit = run_failing(n, [&] {
                result =
                    c.with_ex
                        ? vesk_hash_init_ex(&ht, c.hint, nullptr, count_destructor, persistent(), 0)
                        : vesk_hash_init(&ht, c.hint, nullptr, count_destructor, persistent());
            });
            EXPECT_EQ(c.slots, ht.table_size);
            EXPECT_EQ(c.slots - 1, ht.table_mask);
            if (hit) {
                EXPECT_EQ(FAILURE, result);
                EXPECT_EQ(nullptr, ht.slots);
                /* No other field is touched, except apply_protection by _ex. */
                untouched.table_size = ht.table_size;
                untouched.table_mask = ht.table_mask;
                untouched.slots = nullptr;
                if (c.with_ex) {
                    untouched.apply_protection = 0;
                }
                EXPECT_EQ(0, memcmp(&untouched, &ht, sizeof ht));
            } else {
                EXPECT_EQ(SUCCESS, result);
                EXPECT_TRUE(table_is_consistent(&ht));
                EXPECT_EQ(c.with_ex ? 0 : 1, ht.apply_protection);
                vesk_hash_destroy(&ht);
            }
            EXPECT_TRUE(g_hooks.paired());
            return hit;
        });
    }
}

/* ---- Insertion of a new element --------------------------------------------------- */

/* Into a table with room: every allocation is the element's own (bucket, data
 * block), so a failure gives FAILURE and the table as it was. */
TEST_P(HashCoreFault, InsertOfEachKindFailsWithTheTableUnchanged) {
    for (const InsertKind &kind : insert_kinds) {
        for (uint32_t size : {kPointer, kBlock}) {
            if (kind.kind == Insert::Empty && size != kPointer) {
                continue; /* its data is always the pointer-sized 1 */
            }
            const std::string name = std::string("insert ") + kind.name + " (" + allocator() +
                                     ", " + std::to_string(size) + "-byte data)";
            sweep_allocation_points(name, [&](long n) {
                HashTable ht;
                vesk_hash_init(&ht, 8, nullptr, count_destructor, persistent());
                fill(&ht, 4, size);
                const TableState before = table_state(&ht, size);
                const std::string data = kind.kind == Insert::Empty
                                             ? std::string("\1\0\0\0\0\0\0\0", kPointer)
                                             : payload('n', size);
                void *dest = &ht; /* a sentinel: untouched on failure */
                std::string key;
                int result = SUCCESS;
                destructor_calls = 0;
                const bool hit = run_failing(
                    n, [&] { result = insert_new(&ht, kind.kind, 1, data, &dest, &key); });
                if (hit) {
                    EXPECT_EQ(FAILURE, result);
                    EXPECT_TRUE(same_table_state(before, table_state(&ht, size)));
                    EXPECT_EQ((void *)&ht, dest);
                } else {
                    EXPECT_EQ(SUCCESS, result);
                    EXPECT_EQ(before.element_count + 1, ht.element_count);
                    EXPECT_EQ(key, table_keys(&ht).back());
                    EXPECT_EQ(data, data_bytes(ht.list_tail->data, size));
                    if (kind.kind != Insert::Empty) {
                        EXPECT_EQ(ht.list_tail->data, dest);
                    }
                }
                EXPECT_EQ(0, destructor_calls);
                EXPECT_TRUE(table_is_consistent(&ht));
                EXPECT_TRUE(g_hooks.paired());
                vesk_hash_destroy(&ht);
                return hit;
            });
        }
    }
}

/* ---- Update of an existing element ---------------------------------------------- */

/* inline -> block and block -> larger block, on the string-key path (plain
 * and quick) and the integer-key path: a failure leaves the old data in place
 * and the destructor uncalled. */
TEST_P(HashCoreFault, UpdateThatNeedsANewBlockKeepsTheOldDataOnFailure) {
    const struct {
        const char *name;
        uint32_t old_size, new_size;
    } storage[] = {{"inline to block", kPointer, kBlock},
                   {"block to larger block", kBlock, kLarger}};
    const char *paths[] = {"string", "quick", "integer"};
    for (const auto &s : storage) {
        for (const char *path : paths) {
            const std::string name =
                std::string("update ") + s.name + ", " + path + " key (" + allocator() + ")";
            sweep_allocation_points(name, [&](long n) {
                HashTable ht;
                vesk_hash_init(&ht, 8, nullptr, count_destructor, persistent());
                fill(&ht, 3, s.old_size); /* old-0, integer 8, old-2 */
                const std::string data = payload('u', s.new_size);
                const TableState before = table_state(&ht, s.old_size);
                void *dest = &ht;
                int result = SUCCESS;
                destructor_calls = 0;
                const bool hit = run_failing(n, [&] {
                    if (strcmp(path, "integer") == 0) {
                        result = vesk_hash_index_update_or_next_insert(
                            &ht, 8, data.data(), s.new_size, &dest, HASH_MODE_UPDATE);
                    } else if (strcmp(path, "quick") == 0) {
                        result = vesk_hash_quick_add_or_update(&ht, "old-2", 5,
                                                               vesk_hash_func("old-2", 5),
                                                               data.data(), s.new_size, &dest, 0);
                    } else {
                        result = vesk_hash_add_or_update(&ht, "old-2", 5, data.data(), s.new_size,
                                                         &dest, HASH_MODE_UPDATE);
                    }
                });
                HashBucket *updated =
                    strcmp(path, "integer") == 0 ? ht.list_head->list_next : ht.list_tail;
                if (hit) {
                    EXPECT_EQ(FAILURE, result);
                    EXPECT_EQ(0, destructor_calls);
                    EXPECT_EQ((void *)&ht, dest);
                    EXPECT_TRUE(same_table_state(before, table_state(&ht, s.old_size)));
                } else {
                    EXPECT_EQ(SUCCESS, result);
                    EXPECT_EQ(1, destructor_calls);
                    EXPECT_EQ(updated->data, dest);
                    EXPECT_NE(updated->data, &updated->inline_data);
                    EXPECT_EQ(data, data_bytes(updated->data, s.new_size));
                    EXPECT_EQ(before.elements.size(), table_keys(&ht).size());
                }
                EXPECT_TRUE(table_is_consistent(&ht));
                EXPECT_TRUE(g_hooks.paired());
                vesk_hash_destroy(&ht);
                return hit;
            });
        }
    }
}

/* ---- Growth ------------------------------------------------------------------------ */

/* The ninth insert into eight slots: a failure of the element's own storage
 * gives FAILURE and the table as it was; a failure of the growth is tolerated
 * (SUCCESS, eight slots, nine consistent elements) and the next insert grows. */
TEST_P(HashCoreFault, FailedGrowthIsToleratedAndTheNextInsertGrows) {
    for (const InsertKind &kind : insert_kinds) {
        const uint32_t size = kind.kind == Insert::Empty ? kPointer : kBlock;
        const std::string name =
            std::string("growth on the 9th insert, ") + kind.name + " (" + allocator() + ")";
        long tolerated = 0;
        sweep_allocation_points(name, [&](long n) {
            HashTable ht;
            vesk_hash_init(&ht, 8, nullptr, nullptr, persistent());
            fill(&ht, 8, size);
            EXPECT_EQ(8u, ht.table_size);
            const TableState before = table_state(&ht, size);
            const std::string data = kind.kind == Insert::Empty
                                         ? std::string("\1\0\0\0\0\0\0\0", kPointer)
                                         : payload('g', size);
            void *dest = nullptr;
            std::string key;
            int result = FAILURE;
            const bool hit =
                run_failing(n, [&] { result = insert_new(&ht, kind.kind, 9, data, &dest, &key); });
            if (hit && result == FAILURE) {
                EXPECT_TRUE(same_table_state(before, table_state(&ht, size)));
            } else if (hit) {
                tolerated++;
                EXPECT_EQ(8u, ht.table_size);
                EXPECT_EQ(7u, ht.table_mask);
                EXPECT_EQ(before.slots, (const void *)ht.slots);
                EXPECT_EQ(9u, ht.element_count);
                EXPECT_EQ(key, table_keys(&ht).back());
                EXPECT_EQ(data, data_bytes(ht.list_tail->data, size));
                EXPECT_TRUE(table_is_consistent(&ht));
                /* The next insert tries again, and grows. */
                std::string next_key;
                EXPECT_EQ(SUCCESS, insert_new(&ht, kind.kind, 10, data, nullptr, &next_key));
                EXPECT_EQ(16u, ht.table_size);
                EXPECT_EQ(10u, ht.element_count);
            } else {
                EXPECT_EQ(SUCCESS, result);
                EXPECT_EQ(16u, ht.table_size);
                EXPECT_EQ(9u, ht.element_count);
            }
            EXPECT_TRUE(table_is_consistent(&ht));
            EXPECT_TRUE(g_hooks.paired());
            vesk_hash_destroy(&ht);
            return hit;
        });
        EXPECT_EQ(1, tolerated) << "the growth was never failed";
    }
}

/* ---- String copies ------------------------------------------------------------------- */

TEST(HashStringCopyFault, EstrndupAndEstrdupReturnNullWithTheHooksPaired) {
    CountingHooks hooks;
    const char text[] = "copied text";
    for (bool whole : {false, true}) {
        sweep_allocation_points(whole ? "_estrdup" : "_estrndup", [&](long n) {
            char *copy = nullptr;
            g_hooks = HookCounts();
            const bool hit =
                run_failing(n, [&] { copy = whole ? _estrdup(text) : _estrndup(text, 6); });
            EXPECT_EQ(1, g_hooks.blocks);
            EXPECT_EQ(1, g_hooks.unblocks);
            if (hit) {
                EXPECT_EQ(nullptr, copy);
            } else {
                EXPECT_STREQ(whole ? text : "copied", copy);
            }
            _efree(copy);
            return hit;
        });
    }
}

/* The key copy of the current-key read comes through _estrndup: when it
 * cannot be made the key out is null, the kind and length are still told, and
 * the table is unchanged. */
TEST_P(HashCoreFault, CurrentKeyDuplicateReportsNullWithoutTouchingTheTable) {
    sweep_allocation_points(
        "get_current_key_ex with duplication (" + allocator() + ")", [&](long n) {
            HashTable ht;
            vesk_hash_init(&ht, 8, nullptr, nullptr, persistent());
            fill(&ht, 3, kBlock);
            HashPosition pos = ht.list_tail; /* old-2 */
            const TableState before = table_state(&ht, kBlock);
            char *key = (char *)&ht;
            uint32_t length = 0, index = 99;
            int kind = 0;
            const bool hit = run_failing(n, [&] {
                kind = vesk_hash_get_current_key_ex(&ht, &key, &length, &index, 1, &pos);
            });
            EXPECT_EQ(KEY_TYPE_STRING, kind);
            EXPECT_EQ(5u, length);
            EXPECT_EQ(99u, index);
            if (hit) {
                EXPECT_EQ(nullptr, key);
            } else {
                EXPECT_STREQ("old-2", key);
            }
            _efree(key);
            EXPECT_TRUE(same_table_state(before, table_state(&ht, kBlock)));
            EXPECT_TRUE(g_hooks.paired());
            vesk_hash_destroy(&ht);
            return hit;
        });
}

INSTANTIATE_TEST_SUITE_P(Allocators, HashCoreFault, ::testing::Values(1, 0), allocator_name);
