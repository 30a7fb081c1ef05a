/*
 * test_hash_walk.cpp - positions, the apply family with its nesting guard,
 * and the graceful destroys.
 */
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

/* Every element holds a number: inline (pointer-sized) or, for block data, in
 * the first field of a larger record.  The destructor logs that number. */
struct BlockData {
    intptr_t value;
    intptr_t padding;
};

HashTable *g_table;

void add_string(HashTable *ht, const std::string &key, intptr_t value, bool block = false) {
    BlockData d = {value, 0};
    ASSERT_EQ(SUCCESS,
              vesk_hash_add_or_update(ht, key.data(), (uint32_t)key.size(), &d,
                                      block ? sizeof d : sizeof value, nullptr, HASH_MODE_ADD));
}

void add_index(HashTable *ht, uint32_t key, intptr_t value, bool block = false) {
    BlockData d = {value, 0};
    ASSERT_EQ(SUCCESS, vesk_hash_index_update_or_next_insert(
                           ht, key, &d, block ? sizeof d : sizeof value, nullptr, HASH_MODE_ADD));
}

HashBucket *bucket_of(HashTable *ht, const std::string &key) {
    for (HashBucket *b = ht->list_head; b; b = b->list_next) {
        if (b->key_length == key.size() && memcmp(b->key, key.data(), key.size()) == 0) {
            return b;
        }
    }
    return nullptr;
}

/* The logged table, also reachable from callbacks through g_table. */
class WalkTable : public LoggedTable {
  protected:
    void SetUp() override {
        g_table = &ht;
        LoggedTable::SetUp();
    }
    /* Keys "a", "b", "c" holding 1, 2, 3; "b" in a separate block. */
    void fill_abc() {
        add_string(&ht, "a", 1);
        add_string(&ht, "b", 2, true);
        add_string(&ht, "c", 3);
    }
};

int count_calls;
int count_and_keep(void *) {
    count_calls++;
    return APPLY_KEEP;
}

/* ---- Empty table ------------------------------------------------------------------------- */

class HashWalkEmpty : public WalkTable {};

// Nothing to stand on: positions become null, stepping fails, reading writes nothing.
TEST_F(HashWalkEmpty, PositionsStayNullAndReadNothing) {
    HashPosition pos = (HashPosition)&ht; /* any non-null value */
    vesk_hash_internal_pointer_reset_ex(&ht, &pos);
    EXPECT_EQ(nullptr, pos);
    pos = (HashPosition)&ht;
    vesk_hash_internal_pointer_end_ex(&ht, &pos);
    EXPECT_EQ(nullptr, pos);
    vesk_hash_internal_pointer_end_ex(&ht, nullptr);
    EXPECT_EQ(nullptr, ht.cursor);

    EXPECT_EQ(FAILURE, vesk_hash_move_forward_ex(&ht, &pos));
    EXPECT_EQ(FAILURE, vesk_hash_move_backwards_ex(&ht, nullptr));
    EXPECT_EQ(nullptr, pos);

    char *key = (char *)"untouched";
    uint32_t length = 77, index = 88;
    void *data = &pos;
    EXPECT_EQ(KEY_TYPE_NONE, vesk_hash_get_current_key_ex(&ht, &key, &length, &index, 1, &pos));
    EXPECT_EQ(KEY_TYPE_NONE, vesk_hash_get_current_key_type_ex(&ht, nullptr));
    EXPECT_EQ(FAILURE, vesk_hash_get_current_data_ex(&ht, &data, nullptr));
    EXPECT_STREQ("untouched", key);
    EXPECT_EQ(77u, length);
    EXPECT_EQ(88u, index);
    EXPECT_EQ((void *)&pos, data);
}

// The applies call nothing; the graceful destroys free only the slot array.
TEST_F(HashWalkEmpty, ApplyAndGracefulDestroys) {
    count_calls = 0;
    vesk_hash_apply(&ht, count_and_keep);
    vesk_hash_reverse_apply(&ht, count_and_keep);
    EXPECT_EQ(0, count_calls);
    EXPECT_EQ(0, ht.apply_depth);

    vesk_hash_graceful_destroy(&ht);
    EXPECT_TRUE(g_destroyed.empty());
    ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, log_destroyed, 0));
    vesk_hash_graceful_reverse_destroy(&ht);
    EXPECT_TRUE(g_destroyed.empty());
    alive = false;
}

/* ---- Positions ----------------------------------------------------------------------------- */

class HashWalkPositions : public WalkTable {};

// a <-> b <-> c: forward from a reaches null after c, then fails; backward
// from c reaches null before a, then fails.
TEST_F(HashWalkPositions, SteppingPastEitherEnd) {
    fill_abc();
    HashPosition pos;
    vesk_hash_internal_pointer_reset_ex(&ht, &pos);
    EXPECT_EQ(ht.list_head, pos);
    for (const char *expect : {"b", "c"}) {
        ASSERT_EQ(SUCCESS, vesk_hash_move_forward_ex(&ht, &pos));
        EXPECT_EQ(bucket_of(&ht, expect), pos);
    }
    EXPECT_EQ(SUCCESS, vesk_hash_move_forward_ex(&ht, &pos));
    EXPECT_EQ(nullptr, pos);
    EXPECT_EQ(FAILURE, vesk_hash_move_forward_ex(&ht, &pos));
    EXPECT_EQ(nullptr, pos);

    vesk_hash_internal_pointer_end_ex(&ht, &pos);
    EXPECT_EQ(bucket_of(&ht, "c"), pos);
    for (const char *expect : {"b", "a"}) {
        ASSERT_EQ(SUCCESS, vesk_hash_move_backwards_ex(&ht, &pos));
        EXPECT_EQ(bucket_of(&ht, expect), pos);
    }
    EXPECT_EQ(SUCCESS, vesk_hash_move_backwards_ex(&ht, &pos));
    EXPECT_EQ(nullptr, pos);
    EXPECT_EQ(FAILURE, vesk_hash_move_backwards_ex(&ht, &pos));
    EXPECT_EQ(nullptr, pos);
}

// The cursor and a caller-held position move independently; once the cursor
// ran off the end, the next insertion puts it on the new element.
TEST_F(HashWalkPositions, CursorAndCallerPositionAreIndependent) {
    fill_abc();
    HashPosition pos;
    vesk_hash_internal_pointer_end_ex(&ht, &pos);
    vesk_hash_internal_pointer_reset_ex(&ht, nullptr);
    EXPECT_EQ(bucket_of(&ht, "a"), ht.cursor);
    EXPECT_EQ(bucket_of(&ht, "c"), pos);

    EXPECT_EQ(SUCCESS, vesk_hash_move_forward_ex(&ht, nullptr));
    EXPECT_EQ(bucket_of(&ht, "b"), ht.cursor);
    EXPECT_EQ(bucket_of(&ht, "c"), pos);
    EXPECT_EQ(SUCCESS, vesk_hash_move_backwards_ex(&ht, &pos));
    EXPECT_EQ(bucket_of(&ht, "b"), pos);
    EXPECT_EQ(bucket_of(&ht, "b"), ht.cursor);

    while (ht.cursor) {
        ASSERT_EQ(SUCCESS, vesk_hash_move_forward_ex(&ht, nullptr));
    }
    add_string(&ht, "d", 4);
    EXPECT_EQ(bucket_of(&ht, "d"), ht.cursor);
    EXPECT_EQ(bucket_of(&ht, "b"), pos);
    add_string(&ht, "e", 5);
    EXPECT_EQ(bucket_of(&ht, "d"), ht.cursor);
    EXPECT_TRUE(table_is_consistent(&ht));
}

// Reading at a position: string keys in place or copied (embedded NUL kept),
// integer keys through the index out, data pointers of both storage kinds.
TEST_F(HashWalkPositions, CurrentKeyAndData) {
    const std::string nul_key("x\0y", 3);
    add_string(&ht, nul_key, 1);
    add_index(&ht, 42, 2, true);
    HashBucket *str = ht.list_head, *num = ht.list_tail;

    char *key = nullptr;
    uint32_t length = 0, index = 99;
    EXPECT_EQ(KEY_TYPE_STRING,
              vesk_hash_get_current_key_ex(&ht, &key, &length, &index, 0, nullptr));
    EXPECT_EQ(str->key, key);
    EXPECT_EQ(3u, length);
    EXPECT_EQ(99u, index);

    EXPECT_EQ(KEY_TYPE_STRING,
              vesk_hash_get_current_key_ex(&ht, &key, nullptr, &index, 1, nullptr));
    ASSERT_NE(nullptr, key);
    EXPECT_NE(str->key, key);
    EXPECT_EQ(nul_key, std::string(key, 3));
    EXPECT_EQ('\0', key[3]);
    _efree(key);

    HashPosition pos = num;
    key = (char *)"untouched";
    length = 77;
    EXPECT_EQ(KEY_TYPE_INTEGER, vesk_hash_get_current_key_ex(&ht, &key, &length, &index, 1, &pos));
    EXPECT_EQ(42u, index);
    EXPECT_STREQ("untouched", key);
    EXPECT_EQ(77u, length);
    EXPECT_EQ(KEY_TYPE_INTEGER, vesk_hash_get_current_key_type_ex(&ht, &pos));
    EXPECT_EQ(KEY_TYPE_STRING, vesk_hash_get_current_key_type_ex(&ht, nullptr));

    void *data = nullptr;
    EXPECT_EQ(SUCCESS, vesk_hash_get_current_data_ex(&ht, &data, nullptr));
    EXPECT_EQ((void *)&str->inline_data, data);
    EXPECT_EQ(SUCCESS, vesk_hash_get_current_data_ex(&ht, &data, &pos));
    EXPECT_EQ(num->data, data);
    EXPECT_EQ(2, value_of(data));
}

/* ---- Apply results --------------------------------------------------------------------- */

class HashWalkApply : public WalkTable {};

std::vector<intptr_t> g_visited;
std::vector<std::pair<intptr_t, int>> g_answers; /* value -> result; others keep */

int answer(void *data) {
    g_visited.push_back(value_of(data));
    for (const auto &a : g_answers) {
        if (a.first == value_of(data)) {
            return a.second;
        }
    }
    return APPLY_KEEP;
}

// Removing everything: one destructor call per element in insertion order,
// an empty table with a null cursor.
TEST_F(HashWalkApply, RemovingEveryElementEmptiesTheTable) {
    fill_abc();
    add_index(&ht, 7, 4, true);
    vesk_hash_internal_pointer_end_ex(&ht, nullptr);
    g_visited.clear();
    g_answers = {{1, 1}, {2, 1}, {3, 1}, {4, 1}};
    vesk_hash_apply(&ht, answer);
    EXPECT_EQ((std::vector<intptr_t>{1, 2, 3, 4}), g_visited);
    EXPECT_EQ((std::vector<intptr_t>{1, 2, 3, 4}), g_destroyed);
    EXPECT_EQ(0u, ht.element_count);
    EXPECT_EQ(nullptr, ht.list_head);
    EXPECT_EQ(nullptr, ht.list_tail);
    EXPECT_EQ(nullptr, ht.cursor);
    EXPECT_TRUE(table_is_consistent(&ht));
}

// Forward apply reads any non-zero result, even the stop bit, as "remove and
// go on"; a removed element under the cursor hands it to its successor.
TEST_F(HashWalkApply, ForwardTreatsStopAsRemove) {
    fill_abc();
    vesk_hash_internal_pointer_reset_ex(&ht, nullptr);
    ASSERT_EQ(SUCCESS, vesk_hash_move_forward_ex(&ht, nullptr)); /* on b */
    g_visited.clear();
    g_answers = {{2, APPLY_STOP}};
    vesk_hash_apply(&ht, answer);
    EXPECT_EQ((std::vector<intptr_t>{1, 2, 3}), g_visited);
    EXPECT_EQ((std::vector<intptr_t>{2}), g_destroyed);
    EXPECT_EQ((std::vector<std::string>{skey("a"), skey("c")}), table_keys(&ht));
    EXPECT_EQ(bucket_of(&ht, "c"), ht.cursor);
    EXPECT_EQ(0, vesk_hash_exists(&ht, "b", 1));
    EXPECT_TRUE(table_is_consistent(&ht));
}

// Reverse apply visits c, b, a; stop alone keeps the element and ends the
// walk, stop with remove ends it after removing.
TEST_F(HashWalkApply, ReverseHonoursStopAndRemoveSeparately) {
    fill_abc();
    g_visited.clear();
    g_answers = {};
    vesk_hash_reverse_apply(&ht, answer);
    EXPECT_EQ((std::vector<intptr_t>{3, 2, 1}), g_visited);

    g_visited.clear();
    g_answers = {{2, APPLY_STOP}};
    vesk_hash_reverse_apply(&ht, answer);
    EXPECT_EQ((std::vector<intptr_t>{3, 2}), g_visited);
    EXPECT_TRUE(g_destroyed.empty());
    EXPECT_EQ(3u, ht.element_count);

    vesk_hash_internal_pointer_end_ex(&ht, nullptr);
    ASSERT_EQ(SUCCESS, vesk_hash_move_backwards_ex(&ht, nullptr)); /* on b */
    g_visited.clear();
    g_answers = {{3, APPLY_REMOVE}, {2, APPLY_REMOVE | APPLY_STOP}};
    vesk_hash_reverse_apply(&ht, answer);
    EXPECT_EQ((std::vector<intptr_t>{3, 2}), g_visited);
    EXPECT_EQ((std::vector<intptr_t>{3, 2}), g_destroyed);
    EXPECT_EQ((std::vector<std::string>{skey("a")}), table_keys(&ht));
    EXPECT_EQ(nullptr, ht.cursor); /* b was the last element when it left */
    EXPECT_TRUE(table_is_consistent(&ht));
}

int remove_if_argument(void *data, void *argument) {
    return value_of(data) == *(intptr_t *)argument;
}

// The argument reaches every call unchanged.
TEST_F(HashWalkApply, ArgumentPassedThrough) {
    fill_abc();
    intptr_t victim = 3;
    vesk_hash_apply_with_argument(&ht, remove_if_argument, &victim);
    EXPECT_EQ((std::vector<intptr_t>{3}), g_destroyed);
    EXPECT_EQ((std::vector<std::string>{skey("a"), skey("b")}), table_keys(&ht));
    EXPECT_TRUE(table_is_consistent(&ht));
}

/* ---- Apply with arguments ------------------------------------------------------------------ */

class HashWalkApplyArgs : public WalkTable {};

struct SeenCall {
    std::vector<int> args;
    const char *key;
    uint32_t key_length;
    uint32_t hash;
};
std::vector<SeenCall> g_seen;

/* Consumes every extra argument; removes integer-keyed elements. */
int consume_arguments(void *, int num_args, va_list args, HashKeyInfo *info) {
    SeenCall call = {{}, info->key, info->key_length, info->hash};
    for (int i = 0; i < num_args; i++) {
        call.args.push_back(va_arg(args, int));
    }
    g_seen.push_back(call);
    return info->key_length == 0;
}

// Each call sees the arguments from their start and the visited key.
TEST_F(HashWalkApplyArgs, FreshArgumentsAndKeyInfo) {
    add_string(&ht, "ab", 1);
    add_index(&ht, 7, 2);
    add_string(&ht, std::string("10\0", 3), 3, true); /* numeric: integer key 10 */
    HashBucket *ab = ht.list_head;
    g_seen.clear();
    vesk_hash_apply_with_arguments(&ht, consume_arguments, 3, 10, 20, 30);
    ASSERT_EQ(3u, g_seen.size());
    for (const SeenCall &call : g_seen) {
        EXPECT_EQ((std::vector<int>{10, 20, 30}), call.args);
    }
    EXPECT_EQ(ab->key, g_seen[0].key);
    EXPECT_EQ(2u, g_seen[0].key_length);
    EXPECT_EQ(vesk_hash_func("ab", 2), g_seen[0].hash);
    EXPECT_EQ(0u, g_seen[1].key_length);
    EXPECT_EQ(7u, g_seen[1].hash);
    EXPECT_EQ(0u, g_seen[2].key_length);
    EXPECT_EQ(10u, g_seen[2].hash);
    EXPECT_EQ((std::vector<intptr_t>{2, 3}), g_destroyed);
    EXPECT_EQ((std::vector<std::string>{skey("ab")}), table_keys(&ht));
    EXPECT_TRUE(table_is_consistent(&ht));
}

/* ---- Nesting guard ----------------------------------------------------------------------- */

class HashWalkNesting : public WalkTable {};

const char NESTING_MESSAGE[] = "Nesting level too deep - recursive dependency?";

int g_level, g_target;
std::vector<int> g_visits_per_level;
std::vector<int> g_depth_seen;

/* Descends into a new apply of the same table from the first visit of each
 * level until g_target runs are active. */
int nest(void *) {
    g_visits_per_level[g_level - 1]++;
    g_depth_seen.push_back(g_table->apply_depth);
    if (g_level < g_target && g_visits_per_level[g_level - 1] == 1) {
        g_level++;
        vesk_hash_apply(g_table, nest);
        g_level--;
    }
    return APPLY_KEEP;
}

std::string run_nested(int target) {
    g_level = 1;
    g_target = target;
    g_visits_per_level.assign(target, 0);
    g_depth_seen.clear();
    ::testing::internal::CaptureStderr();
    vesk_hash_apply(g_table, nest);
    return ::testing::internal::GetCapturedStderr();
}

// Up to three runs are quiet; the fourth and every deeper one report once
// each and still visit every element; the depth returns to 0.
TEST_F(HashWalkNesting, ProtectedTableReportsFromTheFourthRun) {
    fill_abc();
    EXPECT_EQ("", run_nested(3));
    EXPECT_EQ(NESTING_MESSAGE, run_nested(4));
    EXPECT_EQ((std::vector<int>{3, 3, 3, 3}), g_visits_per_level);
    EXPECT_EQ(4, *std::max_element(g_depth_seen.begin(), g_depth_seen.end()));
    EXPECT_EQ(0, ht.apply_depth);
    EXPECT_EQ(std::string(NESTING_MESSAGE) + NESTING_MESSAGE, run_nested(5));
    EXPECT_EQ(0, ht.apply_depth);
    EXPECT_EQ(3u, ht.element_count);
}

// Without protection nothing is counted or reported at any depth.
TEST_F(HashWalkNesting, UnprotectedTableNeverCounts) {
    vesk_hash_destroy(&ht);
    ASSERT_EQ(SUCCESS, vesk_hash_init_ex(&ht, 8, nullptr, log_destroyed, 0, 0));
    fill_abc();
    EXPECT_EQ("", run_nested(6));
    EXPECT_EQ((std::vector<int>{3, 3, 3, 3, 3, 3}), g_visits_per_level);
    EXPECT_EQ((std::vector<int>(18, 0)), g_depth_seen);
    EXPECT_EQ(0, ht.apply_depth);
}

int record_depth(void *) {
    g_depth_seen.push_back(g_table->apply_depth);
    return APPLY_KEEP;
}
int record_depth_arg(void *data, void *) {
    return record_depth(data);
}
int record_depth_args(void *data, int, va_list, HashKeyInfo *) {
    return record_depth(data);
}

// Every member of the apply family is guarded.
TEST_F(HashWalkNesting, EveryApplyRaisesTheDepth) {
    add_string(&ht, "a", 1);
    g_depth_seen.clear();
    vesk_hash_apply(&ht, record_depth);
    vesk_hash_reverse_apply(&ht, record_depth);
    vesk_hash_apply_with_argument(&ht, record_depth_arg, nullptr);
    vesk_hash_apply_with_arguments(&ht, record_depth_args, 0);
    EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), g_depth_seen);
    EXPECT_EQ(0, ht.apply_depth);
}

/* ---- Destructors and the removal step -------------------------------------------------------- */

class HashWalkDestructor : public WalkTable {};

std::vector<int> g_self_found;
std::vector<bool> g_consistent;

/* Keys are "k<value>". */
void probing_destructor(void *data) {
    const std::string key = "k" + std::to_string(value_of(data));
    g_self_found.push_back(vesk_hash_exists(g_table, key.data(), (uint32_t)key.size()));
    g_consistent.push_back(table_is_consistent(g_table));
    log_destroyed(data);
}

void fill_k(HashTable *ht, int n) {
    for (int i = 1; i <= n; i++) {
        add_string(ht, "k" + std::to_string(i), i, i % 2 == 0);
    }
}

int remove_all(void *) {
    return APPLY_REMOVE;
}

// The forward applies and graceful destroys call the destructor with the
// element still in a consistent table; a reverse-apply removal has already
// taken it out.
TEST_F(HashWalkDestructor, WhenTheRemovedElementIsStillFound) {
    ht.destructor = probing_destructor;
    struct Case {
        const char *name;
        void (*run)(HashTable *);
        std::vector<intptr_t> order;
        int found;
        bool destroys;
    };
    const Case cases[] = {
        {"apply", [](HashTable *t) { vesk_hash_apply(t, remove_all); }, {1, 2, 3}, 1, false},
        {"reverse apply",
         [](HashTable *t) { vesk_hash_reverse_apply(t, remove_all); },
         {3, 2, 1},
         0,
         false},
        {"graceful", vesk_hash_graceful_destroy, {1, 2, 3}, 1, true},
        {"graceful reverse", vesk_hash_graceful_reverse_destroy, {3, 2, 1}, 1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (!alive) {
            ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, probing_destructor, 0));
            alive = true;
        }
        fill_k(&ht, 3);
        clear_destroyed();
        g_self_found.clear();
        g_consistent.clear();
        c.run(&ht);
        alive = !c.destroys;
        EXPECT_EQ(c.order, g_destroyed);
        EXPECT_EQ(std::vector<int>(3, c.found), g_self_found);
        if (c.found) {
            EXPECT_EQ(std::vector<bool>(3, true), g_consistent);
        }
        EXPECT_EQ(0u, ht.element_count);
        EXPECT_EQ(nullptr, ht.list_head);
        EXPECT_EQ(nullptr, ht.list_tail);
        EXPECT_EQ(nullptr, ht.cursor);
    }
}

int g_partner_step; /* +1: k1 deletes k2, k3 deletes k4...; -1: k6 deletes k5... */

/* Deletes the partner element of the same table while being destroyed. */
void partner_deleting_destructor(void *data) {
    const intptr_t v = value_of(data);
    log_destroyed(data);
    if ((g_partner_step > 0) == (v % 2 == 1)) {
        const std::string partner = "k" + std::to_string(v + g_partner_step);
        vesk_hash_del_key_or_index(g_table, partner.data(), (uint32_t)partner.size(), 0,
                                   DELETE_BY_KEY);
    }
}

// A destructor that deletes the next element to be removed: both graceful
// destroys carry on past it and every destructor runs exactly once.
TEST_F(HashWalkDestructor, GracefulDestroysSurviveDestructorDeletions) {
    vesk_hash_destroy(&ht);
    ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, partner_deleting_destructor, 0));
    fill_k(&ht, 6);
    g_partner_step = 1;
    vesk_hash_graceful_destroy(&ht);
    EXPECT_EQ((std::vector<intptr_t>{1, 2, 3, 4, 5, 6}), g_destroyed);
    EXPECT_EQ(0u, ht.element_count);
    EXPECT_EQ(nullptr, ht.list_head);

    ASSERT_EQ(SUCCESS, vesk_hash_init(&ht, 8, nullptr, partner_deleting_destructor, 0));
    fill_k(&ht, 6);
    clear_destroyed();
    g_partner_step = -1;
    vesk_hash_graceful_reverse_destroy(&ht);
    EXPECT_EQ((std::vector<intptr_t>{6, 5, 4, 3, 2, 1}), g_destroyed);
    EXPECT_EQ(0u, ht.element_count);
    EXPECT_EQ(nullptr, ht.list_tail);
    alive = false;
}

} // namespace
