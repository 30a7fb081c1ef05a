/*
 * operations.cpp - the operations a fuzz input is decoded into.  Each reads
 * its parameters from the input, runs the model step (which records the
 * callbacks it predicts), runs the table with the same parameters, and checks
 * the result, the out-parameters and then every live table (check_all).
 */
#include "operations.h"

#include "callbacks.h"
#include "input.h"
#include "model.h"
#include "state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

namespace {

/* What the table prints for each apply nested too deep. */
const char NESTING_MESSAGE[] = "Nesting level too deep - recursive dependency?";

/* ---- Table life ----------------------------------------------------------------------------- */

/* A table for an operation that needs one: a fresh default table if t has
 * none. */
void ensure_live(Table &t) {
    if (t.live) {
        return;
    }
    memset(&t.ht, 0xA5, sizeof t.ht);
    CHECK(vesk_hash_init(&t.ht, 8, nullptr, dtor_recorder, 0) == SUCCESS);
    model_init(t, 8, true, 0, 1, false, -1);
    check_table(t);
}

/* Ends a table's life by one of the three destroys. */
void destroy_table(Table &t, int how) {
    reset_expectations();
    const uint32_t nfi = t.nfi;
    if (how == 0) {
        m_tear_down(t);
        vesk_hash_destroy(&t.ht);
    } else {
        while (!t.el.empty()) {
            if (how == 1) {
                m_remove_step(t, 0, 1);
            } else {
                m_remove_step(t, t.el.size() - 1, 2);
            }
        }
        if (how == 1) {
            vesk_hash_graceful_destroy(&t.ht);
        } else {
            vesk_hash_graceful_reverse_destroy(&t.ht);
        }
        CHECK(t.ht.element_count == 0);
        CHECK(t.ht.list_head == nullptr && t.ht.list_tail == nullptr);
        CHECK(t.ht.cursor == nullptr);
        CHECK(t.ht.next_free_index == nfi);
    }
    t.live = false;
    t.el.clear();
    check_all();
}

const uint32_t HINTS[] = {0, 2, 8, 9, 16, 17, 32, 33, 100, 1000, 0x80000001u, 0xFFFFFFFFu};

void op_init(Input &in, Table &t) {
    const uint32_t hint = HINTS[in.u8() % (sizeof HINTS / sizeof HINTS[0])];
    const uint8_t flags = in.u8();
    const uint8_t how = in.u8() % 3;
    if (t.live) {
        destroy_table(t, how);
    }
    const bool dtor = flags & 1;
    const vesk_bool persistent = (flags >> 1) & 1;
    const bool use_ex = flags & 4;
    const vesk_bool protection = use_ex ? (vesk_bool)((flags >> 3) & 3) : 1;
    const bool side = flags & 0x20;
    const int fixed_choices[] = {-1, 8, 16, 0};
    const int fixed = fixed_choices[(flags >> 6) & 3];

    memset(&t.ht, 0xA5, sizeof t.ht);
    HashTable before = t.ht;
    const dtor_func_t d = dtor ? dtor_recorder : nullptr;
    const int r = use_ex ? vesk_hash_init_ex(&t.ht, hint, &t, d, persistent, protection)
                         : vesk_hash_init(&t.ht, hint, nullptr, d, persistent);
    if (hint > MAX_SLOTS) {
        /* No table: only the size fields and a null slot array are stored. */
        CHECK(r == FAILURE);
        CHECK(t.ht.slots == nullptr);
        CHECK(t.ht.cursor == before.cursor && t.ht.list_head == before.list_head);
        CHECK(t.ht.list_tail == before.list_tail && t.ht.destructor == before.destructor);
        CHECK(t.ht.element_count == before.element_count);
        CHECK(t.ht.next_free_index == before.next_free_index);
        CHECK(t.ht.persistent == before.persistent && t.ht.apply_depth == before.apply_depth);
        CHECK(t.ht.apply_protection == (use_ex ? protection : before.apply_protection));
        t.live = false;
        return;
    }
    CHECK(r == SUCCESS);
    model_init(t, hint, dtor, persistent, protection, side, fixed);
    check_all();
}

/* ---- Operations ----------------------------------------------------------------------------- */

const int SENTINEL_OBJECT = 0;
void *const SENTINEL = (void *)&SENTINEL_OBJECT;

/* Checks an insert's out-parameter once the model has learned the pointers. */
void check_dest(const Table &t, bool with_dest, void *out, int r, uint64_t id) {
    if (!with_dest) {
        return;
    }
    if (r == SUCCESS) {
        const int i = idx_of(t, id);
        CHECK(i >= 0 && out == t.el[i].ptr);
    } else {
        CHECK(out == SENTINEL);
    }
}

const char *key_arg(const std::string &key, bool null_key) {
    return null_key && key.empty() ? nullptr : key.data();
}

/* What an insert draws from the input after its key: the data (or a null
 * pointer for it), the mode, and whether the destination is asked for. */
struct InsertArgs {
    bool null_data;
    std::string data;
    int mode;
    bool with_dest;
    void *out = SENTINEL;

    const void *data_arg() const { return null_data ? nullptr : data.data(); }
    void **dest_arg() { return with_dest ? &out : nullptr; }
};

InsertArgs gen_insert_args(Input &in, const Table &t) {
    InsertArgs a;
    a.data = gen_data(in, t, &a.null_data);
    a.mode = gen_mode(in);
    a.with_dest = in.u8() & 1;
    return a;
}

/* The result of an insert, the whole model, and what reached the destination. */
void check_insert(const Table &t, const InsertArgs &a, int r, int expected, uint64_t id) {
    CHECK(r == expected);
    check_all();
    check_dest(t, a.with_dest, a.out, r, id);
}

void op_add_or_update(Input &in, Table &t) {
    const std::string key = gen_key(in, t);
    const bool null_key = in.u8() & 1;
    InsertArgs a = gen_insert_args(in, t);
    uint64_t id = 0;
    const int expected = m_add_or_update(t, key, a.data, a.mode, &id);
    const int r =
        vesk_hash_add_or_update(&t.ht, key_arg(key, null_key), (uint32_t)key.size(), a.data_arg(),
                                (uint32_t)a.data.size(), a.dest_arg(), a.mode);
    check_insert(t, a, r, expected, id);
}

void op_quick_add_or_update(Input &in, Table &t) {
    std::string key;
    uint32_t hash;
    gen_quick_key(in, t, &key, &hash);
    const bool null_key = in.u8() & 1;
    InsertArgs a = gen_insert_args(in, t);
    uint64_t id = 0;
    const int expected = key.empty() ? FAILURE : m_string_insert(t, key, hash, a.data, a.mode, &id);
    const int r =
        vesk_hash_quick_add_or_update(&t.ht, key_arg(key, null_key), (uint32_t)key.size(), hash,
                                      a.data_arg(), (uint32_t)a.data.size(), a.dest_arg(), a.mode);
    check_insert(t, a, r, expected, id);
}

void op_add_empty(Input &in, Table &t) {
    const std::string key = gen_key(in, t);
    const bool null_key = in.u8() & 1;
    std::string one(PTR_SIZE, '\0');
    const void *one_value = (void *)1;
    memcpy(&one[0], &one_value, PTR_SIZE);
    uint64_t id = 0;
    const int expected = m_add_or_update(t, key, one, HASH_MODE_ADD, &id);
    const int r = vesk_hash_add_empty_element(&t.ht, key_arg(key, null_key), (uint32_t)key.size());
    CHECK(r == expected);
    check_all();
}

void op_index_insert(Input &in, Table &t) {
    const uint32_t n = gen_int(in, t);
    InsertArgs a = gen_insert_args(in, t);
    uint64_t id = 0;
    const int expected = m_index_insert(t, n, a.data, a.mode, &id);
    const int r = vesk_hash_index_update_or_next_insert(
        &t.ht, n, a.data_arg(), (uint32_t)a.data.size(), a.dest_arg(), a.mode);
    check_insert(t, a, r, expected, id);
}

void op_lookup(Input &in, Table &t) {
    const uint8_t sub = in.u8() % 5;
    void *out = SENTINEL;
    int expected_index = -1;
    int r;
    if (sub == 0 || sub == 2) {
        const std::string key = gen_key(in, t);
        const bool null_key = in.u8() & 1;
        expected_index = resolve(t, key);
        if (sub == 0) {
            r = vesk_hash_find(&t.ht, key_arg(key, null_key), (uint32_t)key.size(), &out);
        } else {
            CHECK(vesk_hash_exists(&t.ht, key_arg(key, null_key), (uint32_t)key.size()) ==
                  (expected_index >= 0 ? 1 : 0));
            check_all();
            return;
        }
    } else if (sub == 1) {
        std::string key;
        uint32_t hash;
        gen_quick_key(in, t, &key, &hash);
        expected_index = key.empty() ? -1 : find_str(t, key, hash);
        r = vesk_hash_quick_find(&t.ht, key.data(), (uint32_t)key.size(), hash, &out);
    } else {
        const uint32_t n = gen_int(in, t);
        expected_index = find_int(t, n);
        if (sub == 4) {
            CHECK(vesk_hash_index_exists(&t.ht, n) == (expected_index >= 0 ? 1 : 0));
            check_all();
            return;
        }
        r = vesk_hash_index_find(&t.ht, n, &out);
    }
    if (expected_index >= 0) {
        CHECK(r == SUCCESS && out == t.el[expected_index].ptr);
    } else {
        CHECK(r == FAILURE && out == SENTINEL);
    }
    check_all();
}

void op_delete(Input &in, Table &t) {
    const bool by_key = (in.u8() & 1) == 0;
    int i;
    int r;
    if (by_key) {
        const std::string key = gen_key(in, t);
        const bool null_key = in.u8() & 1;
        const uint32_t ignored = in.u32();
        i = resolve(t, key);
        if (i >= 0) {
            m_delete(t, (size_t)i, true);
        }
        r = vesk_hash_del_key_or_index(&t.ht, key_arg(key, null_key), (uint32_t)key.size(), ignored,
                                       DELETE_BY_KEY);
    } else {
        const uint32_t n = gen_int(in, t);
        const int flags[] = {DELETE_BY_INDEX, 2, -1, 0x40000000};
        const int flag = flags[in.u8() % 4];
        i = find_int(t, n);
        if (i >= 0) {
            m_delete(t, (size_t)i, true);
        }
        r = vesk_hash_del_key_or_index(&t.ht, "zz", 2, n, flag);
    }
    CHECK(r == (i >= 0 ? SUCCESS : FAILURE));
    check_all();
}

/* The position an operation works on, with a caller position whose element
 * is gone put back on the first element first (using it would be the
 * caller's fault). */
HashPosition *choose_position(Input &in, Table &t, int *which) {
    *which = in.u8() % 3;
    if (*which == 0) {
        return nullptr;
    }
    const int k = *which - 1;
    if (t.pos[k] < 0) {
        vesk_hash_internal_pointer_reset_ex(&t.ht, &t.hp[k]);
        t.pos[k] = (int64_t)head_id(t);
    }
    return &t.hp[k];
}

uint64_t model_position(const Table &t, int which) {
    return which == 0 ? t.cursor : (uint64_t)t.pos[which - 1];
}

void set_model_position(Table &t, int which, uint64_t id) {
    if (which == 0) {
        t.cursor = id;
    } else {
        t.pos[which - 1] = (int64_t)id;
    }
}

void op_position(Input &in, Table &t) {
    int which;
    HashPosition *pos = choose_position(in, t, &which);
    const uint8_t action = in.u8() % 4;
    const uint64_t cur = model_position(t, which);
    const int i = cur ? idx_of(t, cur) : -1;
    switch (action) {
    case 0:
        vesk_hash_internal_pointer_reset_ex(&t.ht, pos);
        set_model_position(t, which, head_id(t));
        break;
    case 1:
        vesk_hash_internal_pointer_end_ex(&t.ht, pos);
        set_model_position(t, which, tail_id(t));
        break;
    case 2: {
        const int r = vesk_hash_move_forward_ex(&t.ht, pos);
        CHECK(r == (i >= 0 ? SUCCESS : FAILURE));
        if (i >= 0) {
            set_model_position(t, which, (size_t)i + 1 < t.el.size() ? t.el[(size_t)i + 1].id : 0);
        }
        break;
    }
    default: {
        const int r = vesk_hash_move_backwards_ex(&t.ht, pos);
        CHECK(r == (i >= 0 ? SUCCESS : FAILURE));
        if (i >= 0) {
            set_model_position(t, which, i > 0 ? t.el[(size_t)i - 1].id : 0);
        }
        break;
    }
    }
    check_all();
}

void op_current(Input &in, Table &t) {
    int which;
    HashPosition *pos = choose_position(in, t, &which);
    const uint8_t action = in.u8();
    const uint64_t cur = model_position(t, which);
    const int i = cur ? idx_of(t, cur) : -1;
    const HashBucket *b = pos ? *pos : t.ht.cursor;
    const int kind = i < 0 ? KEY_TYPE_NONE : (t.el[i].is_int ? KEY_TYPE_INTEGER : KEY_TYPE_STRING);
    switch (action % 3) {
    case 0: {
        const vesk_bool duplicate = (vesk_bool)((action >> 2) % 3);
        const bool with_length = action & 0x20;
        char sentinel_key = 0;
        char *key = &sentinel_key;
        uint32_t length = 0xA5A5A5A5u;
        uint32_t index = 0x5A5A5A5Au;
        const int r = vesk_hash_get_current_key_ex(&t.ht, &key, with_length ? &length : nullptr,
                                                   &index, duplicate, pos);
        CHECK(r == kind);
        if (kind != KEY_TYPE_INTEGER) {
            CHECK(index == 0x5A5A5A5Au);
        }
        if (kind != KEY_TYPE_STRING) {
            CHECK(key == &sentinel_key && length == 0xA5A5A5A5u);
        }
        if (kind == KEY_TYPE_INTEGER) {
            CHECK(index == t.el[i].ikey);
        } else if (kind == KEY_TYPE_STRING) {
            const std::string &k = t.el[i].skey;
            CHECK(length == (with_length ? (uint32_t)k.size() : 0xA5A5A5A5u));
            if (duplicate) {
                CHECK(key != nullptr && key != b->key);
                CHECK(memcmp(key, k.data(), k.size()) == 0 && key[k.size()] == '\0');
                _efree(key);
            } else {
                CHECK(key == b->key);
            }
        }
        break;
    }
    case 1:
        CHECK(vesk_hash_get_current_key_type_ex(&t.ht, pos) == kind);
        break;
    default: {
        void *out = SENTINEL;
        const int r = vesk_hash_get_current_data_ex(&t.ht, &out, pos);
        if (i < 0) {
            CHECK(r == FAILURE && out == SENTINEL);
        } else {
            CHECK(r == SUCCESS && out == t.el[i].ptr);
        }
        break;
    }
    }
    check_all();
}

const int APPLY_RESULTS[] = {0, 0, 0, 1, 2, 3, 4, -1, 0x100};

void op_apply(Input &in, Table &t) {
    const uint8_t sub = in.u8() % 4;
    std::vector<int> results(1 + in.u8() % 6);
    for (int &r : results) {
        r = APPLY_RESULTS[in.u8() % (sizeof APPLY_RESULTS / sizeof APPLY_RESULTS[0])];
    }
    const uint8_t nest = in.u8() % 8;
    ex.nest_max = nest >= 5 ? nest - 2 : 0; /* 3 to 5 levels */
    ex.num_args = in.u8() % 4;
    for (int &a : ex.args) {
        a = (int)(int8_t)in.u8();
    }

    const int messages = m_apply(t, sub == 3, results);
    const bool capture = ex.nest_max > 3;
    if (capture) {
        capture_begin();
    }
    switch (sub) {
    case 0:
        vesk_hash_apply(&t.ht, apply_plain);
        break;
    case 1:
        vesk_hash_apply_with_argument(&t.ht, apply_argument, &ex);
        break;
    case 2:
        vesk_hash_apply_with_arguments(&t.ht, apply_arguments, ex.num_args, ex.args[0], ex.args[1],
                                       ex.args[2]);
        break;
    default:
        vesk_hash_reverse_apply(&t.ht, apply_plain);
        break;
    }
    if (capture) {
        const std::string printed = capture_end();
        std::string expected;
        for (int m = 0; m < messages; m++) {
            expected += NESTING_MESSAGE;
        }
        CHECK(printed == expected);
    }
    check_all();
}

void op_clean(Table &t) {
    m_tear_down(t);
    t.nfi = 0;
    vesk_hash_clean(&t.ht);
    check_all();
}

/* The largest data size every source element can supply. */
uint32_t copy_size(Input &in, const Table &s) {
    uint32_t min = PTR_SIZE;
    if (!s.el.empty()) {
        min = UINT32_MAX;
        for (const Elem &e : s.el) {
            min = std::min(min, (uint32_t)e.data.size());
        }
    }
    switch (in.u8() % 3) {
    case 0:
        return min;
    case 1:
        return min >= PTR_SIZE ? PTR_SIZE : min;
    default:
        return 0;
    }
}

void check_ctor_calls(const Table &target) {
    CHECK(ex.ctor_seen.size() == ex.ctor_ids.size());
    for (size_t k = 0; k < ex.ctor_ids.size(); k++) {
        const int i = idx_of(target, ex.ctor_ids[k]);
        CHECK(i >= 0 && ex.ctor_seen[k] == target.el[i].ptr);
    }
}

/* copy, merge and merge_ex of a source into t. */
void op_carry(Input &in, Table &t, Carry kind) {
    Table &s = tables[in.u8() % 3];
    ensure_live(s);
    const bool ctor = in.u8() & 1;
    const uint32_t size = copy_size(in, s);
    const int overwrite_choices[] = {0, 1, 0x100, -1};
    const int overwrite = overwrite_choices[in.u8() % 4];
    std::vector<int> decisions(1 + in.u8() % 4);
    for (int &d : decisions) {
        const uint8_t v = in.u8();
        d = (v & 3) == 0 ? 0 : ((v & 3) == 1 ? 1 : 0xFF);
    }

    m_carry(t, s, kind, ctor, size, overwrite, decisions);
    const copy_ctor_func_t c = ctor ? ctor_recorder : nullptr;
    if (kind == CARRY_COPY) {
        vesk_hash_copy(&t.ht, &s.ht, c, &ex, size);
    } else if (kind == CARRY_MERGE) {
        vesk_hash_merge(&t.ht, &s.ht, c, &ex, size, overwrite);
    } else {
        vesk_hash_merge_ex(&t.ht, &s.ht, c, size, merge_checker);
    }
    check_all();
    check_ctor_calls(t);
}

void op_sort(Input &in, Table &t) {
    const uint8_t routine = in.u8() % 4;
    const bool reversed = in.u8() & 1;
    const int renumber_choices[] = {0, 1, 2, -1};
    const int renumber = renumber_choices[in.u8() % 4];
    /* qsort and the insertion sort both order by the comparison. */
    const sort_func_t routines[] = {qsort, sort_insertion, sort_nothing, sort_reverse};
    const SortRoutine kinds[] = {SORT_BY_COMPARISON, SORT_BY_COMPARISON, SORT_KEEP, SORT_REVERSE};
    m_sort(t, kinds[routine], reversed ? ORDER_KEY_REVERSED : ORDER_KEY, renumber);
    const int r =
        vesk_hash_sort(&t.ht, routines[routine], reversed ? cmp_key_reversed : cmp_key, renumber);
    CHECK(r == SUCCESS);
    check_all();
}

void op_compare(Input &in, Table &t) {
    Table &u = tables[in.u8() % 3];
    ensure_live(u);
    const vesk_bool ordered_choices[] = {0, 1, 2, 0xFF};
    const vesk_bool ordered = ordered_choices[in.u8() % 4];
    const DataAnswer how = (DataAnswer)(in.u8() % 3);
    std::vector<int> answers(1 + in.u8() % 4);
    for (int &a : answers) {
        const int values[] = {0, 0, 0, 1, -1, 7, INT32_MIN};
        a = values[in.u8() % 7];
    }

    bool sign_only = false;
    const int expected = m_compare(t, u, ordered, how, answers, &sign_only);
    const int r = vesk_hash_compare(&t.ht, &u.ht, data_compare, ordered);
    if (sign_only) {
        CHECK((r < 0) == (expected < 0) && (r > 0) == (expected > 0));
    } else {
        CHECK(r == expected);
    }
    check_all();
}

void op_minmax(Input &in, Table &t) {
    const ElemOrder order = (ElemOrder)(in.u8() % 4);
    const int flags[] = {0, 1, -1, 2};
    const int flag = flags[in.u8() % 4];
    /* The table's comparisons of the orders, in ElemOrder's order. */
    const compare_func_t compares[] = {cmp_key, cmp_length, cmp_none, cmp_key_reversed};
    void *out = SENTINEL;
    const int r = vesk_hash_minmax(&t.ht, compares[order], flag, &out);
    const int best = m_minmax(t, order, flag);
    if (best < 0) {
        CHECK(r == FAILURE && out == nullptr);
    } else {
        CHECK(r == SUCCESS && out == t.el[best].ptr);
    }
    check_all();
}

void op_misc(Input &in, Table &t) {
    switch (in.u8() % 4) {
    case 0:
        CHECK(vesk_hash_rehash(&t.ht) == SUCCESS);
        break;
    case 1: {
        const vesk_bool values[] = {0, 1, 2, 0xFF};
        t.protection = values[in.u8() % 4];
        vesk_hash_set_apply_protection(&t.ht, t.protection);
        break;
    }
    case 2:
        CHECK(vesk_hash_num_elements(&t.ht) == t.el.size());
        CHECK(vesk_hash_next_free_element(&t.ht) == t.nfi);
        break;
    default: {
        const std::string key = gen_key(in, t);
        const uint32_t h = ref_hash(key);
        CHECK(vesk_hash_func(key.data(), (uint32_t)key.size()) == h);
        CHECK(vesk_get_hash_value(nullptr, key.data(), (uint32_t)key.size()) == h);
        CHECK(vesk_get_hash_value(&t.ht, key.data(), (uint32_t)key.size()) == h);
        break;
    }
    }
    check_all();
}

void op_hooks(Input &in, Table &t) {
    switch (in.u8() % 4) {
    case 0:
        set_hooks(!hooks_set);
        break;
    case 1: {
        const std::string key = gen_key(in, t);
        char *copy = _estrndup(key.data(), key.size());
        CHECK(copy != nullptr && memcmp(copy, key.data(), key.size()) == 0);
        CHECK(copy[key.size()] == '\0');
        _efree(copy);
        break;
    }
    case 2: {
        const std::string key = gen_key(in, t);
        const std::string text = key.c_str();
        char *copy = _estrdup(text.c_str());
        CHECK(copy != nullptr && text == copy);
        _efree(copy);
        break;
    }
    default: {
        const size_t n = 1 + in.u8() % 64;
        char *p = (char *)_emalloc(n);
        CHECK(p != nullptr);
        memset(p, 0x5C, n);
        p = (char *)_erealloc(p, 2 * n, 1);
        CHECK(p != nullptr && p[n - 1] == 0x5C);
        _efree(p);
        CHECK(vesk_get_configuration_directive("x", 1, nullptr) == 0);
        break;
    }
    }
    check_all();
}

void op_destroy(Input &in, Table &t) {
    destroy_table(t, in.u8() % 3);
}

void op_clean_or_destroy(Input &in, Table &t) {
    if (in.u8() & 1) {
        op_clean(t);
    } else {
        op_destroy(in, t);
    }
}

void op_copy(Input &in, Table &t) {
    op_carry(in, t, CARRY_COPY);
}

void op_merge(Input &in, Table &t) {
    op_carry(in, t, CARRY_MERGE);
}

void op_merge_ex(Input &in, Table &t) {
    op_carry(in, t, CARRY_MERGE_EX);
}

void op_misc_or_hooks(Input &in, Table &t) {
    if (in.u8() & 1) {
        op_misc(in, t);
    } else {
        op_hooks(in, t);
    }
}

/* The operations, chosen by an input byte modulo their number; inserts stand
 * twice so that tables fill.  Every one but init (the first) needs a live
 * table. */
using Operation = void (*)(Input &, Table &);
const Operation OPERATIONS[] = {
    op_init,
    op_add_or_update,
    op_add_or_update,
    op_quick_add_or_update,
    op_add_empty,
    op_index_insert,
    op_index_insert,
    op_lookup,
    op_delete,
    op_position,
    op_current,
    op_apply,
    op_clean_or_destroy,
    op_copy,
    op_merge,
    op_merge_ex,
    op_sort,
    op_compare,
    op_minmax,
    op_misc_or_hooks,
};
const size_t OPERATION_COUNT = sizeof OPERATIONS / sizeof OPERATIONS[0];

void run(Input &in) {
    size_t ops = 0;
    while (!in.done() && ops++ < 2000) {
        const size_t op = in.u8() % OPERATION_COUNT;
        Table &t = tables[in.u8() % 3];
        reset_expectations();
        if (op != 0) {
            ensure_live(t);
        }
        OPERATIONS[op](in, t);
    }
    for (Table &t : tables) {
        if (t.live) {
            destroy_table(t, 0);
        }
    }
    set_hooks(false);
}

} // namespace

void run_program(const uint8_t *data, size_t size) {
    for (Table &t : tables) {
        t.live = false;
        t.el.clear();
    }
    set_hooks(false);
    block_depth = 0;
    Input in = {data, size, 0};
    run(in);
}

} // namespace fuzz
