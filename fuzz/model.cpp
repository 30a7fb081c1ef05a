/*
 * model.cpp - the reference model: the rules it shares with no line of the
 * table (hash, numeric keys), its steps with the callbacks each predicts, and
 * the comparison of the tables with it.
 */
#include "model.h"

#include "callbacks.h"
#include "state.h"
#include "table_invariants.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fuzz {

/* ---- Reference hash and numeric-key rule, written independently of the table -------------- */

uint32_t ref_hash(const std::string &key) {
    uint32_t h = 5381;
    for (char c : key) {
        h = (h * 33) ^ (uint32_t)(int32_t)(int8_t)c;
    }
    return h;
}

static bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool ref_numeric(const std::string &key, uint32_t *value) {
    const size_t n = key.size();
    if (n < 2 || key[n - 1] != '\0' || !is_digit(key[0]) || (key[0] == '0' && n > 2)) {
        return false;
    }
    for (size_t i = 1; i + 1 < n; i++) {
        if (!is_digit(key[i])) {
            return false;
        }
    }
    errno = 0;
    long long v = strtoll(key.c_str(), nullptr, 10);
    if (errno == ERANGE || v > 2147483647LL) {
        v = 2147483647LL;
    }
    if (v == 2147483647LL) {
        return false;
    }
    *value = (uint32_t)v;
    return true;
}

/* ---- The model ------------------------------------------------------------------------------ */

int idx_of(const Table &t, uint64_t id) {
    for (size_t i = 0; i < t.el.size(); i++) {
        if (t.el[i].id == id) {
            return (int)i;
        }
    }
    return -1;
}

int find_int(const Table &t, uint32_t key) {
    for (size_t i = 0; i < t.el.size(); i++) {
        if (t.el[i].is_int && t.el[i].ikey == key) {
            return (int)i;
        }
    }
    return -1;
}

int find_str(const Table &t, const std::string &key, uint32_t hash) {
    for (size_t i = 0; i < t.el.size(); i++) {
        if (!t.el[i].is_int && t.el[i].hash == hash && t.el[i].skey == key) {
            return (int)i;
        }
    }
    return -1;
}

/* The element under the same key as e: integer by number, string by bytes and
 * stored hash. */
int find_same(const Table &t, const Elem &e) {
    return e.is_int ? find_int(t, e.ikey) : find_str(t, e.skey, e.hash);
}

/* The element a string key addresses through the numeric-key rule. */
int resolve(const Table &t, const std::string &key) {
    if (key.empty()) {
        return -1;
    }
    uint32_t v;
    if (ref_numeric(key, &v)) {
        return find_int(t, v);
    }
    return find_str(t, key, ref_hash(key));
}

/* Whether a deletion by this element's own key reaches exactly this element. */
static bool deletable_by_key(const Elem &e) {
    uint32_t v;
    return e.is_int || (!ref_numeric(e.skey, &v) && e.hash == ref_hash(e.skey));
}

uint64_t head_id(const Table &t) {
    return t.el.empty() ? 0 : t.el.front().id;
}
uint64_t tail_id(const Table &t) {
    return t.el.empty() ? 0 : t.el.back().id;
}

static void forget_positions(Table &t, uint64_t id) {
    for (int64_t &p : t.pos) {
        if (p == (int64_t)id) {
            p = -1;
        }
    }
}

/* ---- Predicted callbacks --------------------------------------------------------------------- */

void reset_expectations() {
    ex.dtor.clear();
    ex.dtor_next = 0;
    ex.visit_table = nullptr;
    ex.visits.clear();
    ex.visit_next = 0;
    ex.num_args = 0;
    ex.nest_max = 0;
    ex.compares.clear();
    ex.compare_next = 0;
    ex.cmp1 = ex.cmp2 = nullptr;
    ex.checks.clear();
    ex.check_next = 0;
    ex.ctor_ids.clear();
    ex.ctor_seen.clear();
}

static void expect_all_consumed() {
    CHECK(ex.dtor_next == ex.dtor.size());
    CHECK(ex.visit_next == ex.visits.size());
    CHECK(ex.compare_next == ex.compares.size());
    CHECK(ex.check_next == ex.checks.size());
}

/* ---- Checks --------------------------------------------------------------------------------- */

void check_structure(const HashTable *ht, uint32_t slack) {
    const std::string violation = table_invariant_violation(ht, slack);
    if (!violation.empty()) {
        fail(__FILE__, __LINE__, violation.c_str());
    }
}

void check_table(Table &t) {
    if (!t.live) {
        return;
    }
    const HashTable *ht = &t.ht;
    check_structure(ht, 0);
    CHECK(ht->table_size == t.size);
    CHECK(t.pcount == t.el.size());
    CHECK(ht->element_count == t.el.size());
    CHECK(ht->next_free_index == t.nfi);
    CHECK(ht->destructor == (t.dtor ? dtor_recorder : nullptr));
    CHECK(ht->persistent == t.persistent);
    CHECK(ht->apply_protection == t.protection);
    CHECK(ht->apply_depth == 0);
    t.buckets.clear();
    size_t i = 0;
    for (HashBucket *b = ht->list_head; b; b = b->list_next, i++) {
        CHECK(i < t.el.size());
        Elem &e = t.el[i];
        if (e.is_int) {
            CHECK(b->key_length == 0);
            CHECK(b->hash == e.ikey);
        } else {
            CHECK(b->key_length == e.skey.size());
            CHECK(memcmp(b->key, e.skey.data(), e.skey.size()) == 0);
            CHECK(b->hash == e.hash);
        }
        if (e.data.size() == PTR_SIZE) {
            CHECK(b->data == &b->inline_data);
        } else {
            CHECK(b->data != &b->inline_data);
        }
        CHECK(memcmp(b->data, e.data.data(), e.data.size()) == 0);
        if (e.ptr) {
            CHECK(b->data == e.ptr);
        } else {
            e.ptr = b->data;
        }
        t.buckets.push_back(b);
    }
    CHECK(i == t.el.size());
    if (t.cursor) {
        const int c = idx_of(t, t.cursor);
        CHECK(c >= 0 && ht->cursor == t.buckets[c]);
    } else {
        CHECK(ht->cursor == nullptr);
    }
    for (int k = 0; k < 2; k++) {
        if (t.pos[k] > 0) {
            const int p = idx_of(t, (uint64_t)t.pos[k]);
            CHECK(p >= 0 && t.hp[k] == t.buckets[p]);
        } else if (t.pos[k] == 0) {
            CHECK(t.hp[k] == nullptr);
        }
    }
}

void check_all() {
    for (Table &t : tables) {
        check_table(t);
    }
    CHECK(block_depth == 0);
    expect_all_consumed();
}

/* ---- Key orders for sort and minmax --------------------------------------------------------- */

int order_keys(bool ia, uint32_t ha, const char *ka, uint32_t la, bool ib, uint32_t hb,
               const char *kb, uint32_t lb) {
    if (ia != ib) {
        return ia ? -1 : 1;
    }
    if (!ia) {
        const int c = memcmp(ka, kb, std::min(la, lb));
        if (c != 0) {
            return c < 0 ? -1 : 1;
        }
        if (la != lb) {
            return la < lb ? -1 : 1;
        }
    }
    return ha < hb ? -1 : (ha > hb ? 1 : 0);
}

int elem_order(const Elem &a, const Elem &b) {
    return order_keys(a.is_int, a.hash, a.skey.data(), (uint32_t)a.skey.size(), b.is_int, b.hash,
                      b.skey.data(), (uint32_t)b.skey.size());
}

/* ---- Model steps ---------------------------------------------------------------------------- */

static DtorEvent event_for(Table &t, const Elem &e) {
    DtorEvent ev;
    ev.t = &t;
    ev.ptr = e.ptr;
    ev.bytes = e.data;
    ev.check_count = false;
    ev.count = 0;
    ev.lookup = 0;
    ev.is_int = e.is_int;
    ev.ikey = e.ikey;
    ev.skey = e.skey;
    ev.hash = e.hash;
    ev.critical = false;
    ev.side = false;
    ev.side_head = false;
    ev.side_ptr = nullptr;
    ev.side_is_int = false;
    ev.side_ikey = 0;
    return ev;
}

static void m_insert_new(Table &t, const Elem &e) {
    t.el.push_back(e);
    t.pcount++;
    if (!t.cursor) {
        t.cursor = e.id;
    }
    if (t.pcount > t.size && t.size < MAX_SLOTS) {
        t.size *= 2;
    }
}

/* New data for an existing element: the destructor sees the old data inside
 * the critical section; the element keeps its place. */
static void m_replace(Table &t, size_t i, const std::string &data) {
    Elem &e = t.el[i];
    if (t.dtor) {
        DtorEvent ev = event_for(t, e);
        ev.critical = true;
        ex.dtor.push_back(ev);
    }
    e.data = data;
    e.ptr = nullptr;
}

int m_string_insert(Table &t, const std::string &key, uint32_t h, const std::string &data, int mode,
                    uint64_t *id) {
    const int i = find_str(t, key, h);
    if (i >= 0) {
        if (mode & HASH_MODE_ADD) {
            return FAILURE;
        }
        m_replace(t, (size_t)i, data);
        *id = t.el[i].id;
        return SUCCESS;
    }
    Elem e = {next_id++, false, 0, key, h, data, nullptr};
    *id = e.id;
    m_insert_new(t, e);
    return SUCCESS;
}

int m_index_insert(Table &t, uint32_t n, const std::string &data, int mode, uint64_t *id) {
    if (mode & HASH_MODE_NEXT_INSERT) {
        n = t.nfi;
    }
    const int i = find_int(t, n);
    if (i >= 0) {
        if (mode & (HASH_MODE_NEXT_INSERT | HASH_MODE_ADD)) {
            return FAILURE;
        }
        m_replace(t, (size_t)i, data);
        if (n >= t.nfi) {
            t.nfi = n + 1;
        }
        *id = t.el[i].id;
        return SUCCESS;
    }
    Elem e = {next_id++, true, n, std::string(), n, data, nullptr};
    *id = e.id;
    if (n >= t.nfi) {
        t.nfi = n + 1;
    }
    m_insert_new(t, e);
    return SUCCESS;
}

int m_add_or_update(Table &t, const std::string &key, const std::string &data, int mode,
                    uint64_t *id) {
    if (key.empty()) {
        return FAILURE;
    }
    uint32_t v;
    if (ref_numeric(key, &v)) {
        return m_index_insert(t, v, data, mode, id);
    }
    return m_string_insert(t, key, ref_hash(key), data, mode, id);
}

/* The element at i leaves the order list; a cursor on it moves to its
 * successor.  Returns the successor's id. */
static uint64_t m_unlink(Table &t, size_t i) {
    const uint64_t id = t.el[i].id;
    const uint64_t successor = i + 1 < t.el.size() ? t.el[i + 1].id : 0;
    t.el.erase(t.el.begin() + (long)i);
    if (t.cursor == id) {
        t.cursor = successor;
    }
    forget_positions(t, id);
    return successor;
}

/* The destructor call of a removal, inside the critical section and with the
 * count not yet lowered; returns its place among the expected calls. */
static size_t expect_removal_dtor(Table &t, const Elem &e, int lookup) {
    DtorEvent ev = event_for(t, e);
    ev.critical = true;
    ev.check_count = true;
    ev.count = t.pcount;
    ev.lookup = lookup;
    ex.dtor.push_back(ev);
    return ex.dtor.size() - 1;
}

/* The destructor expected at ex.dtor[at] deletes the element at v, found at
 * the head or the tail of the order. */
static void expect_side_delete(Table &t, size_t at, size_t v, bool head) {
    const Elem victim = t.el[v];
    DtorEvent &me = ex.dtor[at];
    me.side = true;
    me.side_head = head;
    me.side_ptr = victim.ptr;
    me.side_is_int = victim.is_int;
    me.side_ikey = victim.ikey;
    me.side_skey = victim.skey;
    m_delete(t, v, false);
}

/* A single deletion: the element leaves the table, the cursor moves on, then
 * the destructor runs (it finds the element gone, the count not yet lowered,
 * and may delete the current tail itself). */
void m_delete(Table &t, size_t i, bool side_allowed) {
    const Elem e = t.el[i];
    m_unlink(t, i);
    if (t.dtor) {
        const size_t at = expect_removal_dtor(t, e, 2);
        if (side_allowed && t.side_delete && !t.el.empty() && deletable_by_key(t.el.back())) {
            expect_side_delete(t, at, t.el.size() - 1, false);
        }
    }
    t.pcount--;
}

/* The removal step of apply and the graceful destroys: the destructor runs
 * with the element still linked (and may delete the element at the given
 * end); then the element leaves the table.  Returns its successor's id. */
uint64_t m_remove_step(Table &t, size_t i, int side_end /* 0 none, 1 tail, 2 head */) {
    const uint64_t id = t.el[i].id;
    if (t.dtor) {
        const size_t at = expect_removal_dtor(t, t.el[i], 1);
        if (side_end && t.side_delete) {
            const size_t v = side_end == 1 ? t.el.size() - 1 : 0;
            if (t.el[v].id != id && deletable_by_key(t.el[v])) {
                expect_side_delete(t, at, v, side_end == 2);
            }
        }
    }
    const int j = idx_of(t, id);
    CHECK(j >= 0);
    const uint64_t successor = m_unlink(t, (size_t)j);
    t.pcount--;
    return successor;
}

/* Destroy and clean: destructor per element in order, outside any critical
 * section, nothing unlinked. */
void m_tear_down(Table &t) {
    if (t.dtor) {
        for (const Elem &e : t.el) {
            ex.dtor.push_back(event_for(t, e));
        }
    }
    for (const Elem &e : t.el) {
        forget_positions(t, e.id);
    }
    t.el.clear();
    t.pcount = 0;
    t.cursor = 0;
}

/* ---- Table life ----------------------------------------------------------------------------- */

static uint32_t slots_for(uint32_t hint) {
    uint32_t size = 8;
    while (size < hint) {
        size *= 2;
    }
    return size;
}

void model_init(Table &t, uint32_t hint, bool dtor, vesk_bool persistent, vesk_bool protection,
                bool side, int fixed) {
    t.live = true;
    t.el.clear();
    t.size = slots_for(hint);
    t.nfi = 0;
    t.pcount = 0;
    t.cursor = 0;
    t.pos[0] = t.pos[1] = 0;
    t.hp[0] = t.hp[1] = nullptr;
    t.dtor = dtor;
    t.side_delete = side;
    t.persistent = persistent;
    t.protection = protection;
    t.fixed_size = fixed;
    t.buckets.clear();
}

/* ---- Whole-table predictions ------------------------------------------------------------------
 */

static VisitEvent visit_of(const Elem &e, int result) {
    return VisitEvent{e.ptr, result, e.is_int, e.ikey, e.skey, e.hash};
}

int m_apply(Table &t, bool reverse, const std::vector<int> &results) {
    ex.visit_table = &t;
    size_t k = 0;
    if (!reverse) {
        uint64_t cur = head_id(t);
        while (cur) {
            const int i = idx_of(t, cur);
            const int result = results[k++ % results.size()];
            ex.visits.push_back(visit_of(t.el[i], result));
            if (result != 0) {
                cur = m_remove_step(t, (size_t)i, 1);
            } else {
                cur = (size_t)i + 1 < t.el.size() ? t.el[(size_t)i + 1].id : 0;
            }
        }
    } else {
        uint64_t cur = tail_id(t);
        while (cur) {
            const int i = idx_of(t, cur);
            const int result = results[k++ % results.size()];
            ex.visits.push_back(visit_of(t.el[i], result));
            const uint64_t prev = i > 0 ? t.el[(size_t)i - 1].id : 0;
            if (result & APPLY_REMOVE) {
                m_delete(t, (size_t)i, false);
            }
            if (result & APPLY_STOP) {
                break;
            }
            cur = prev;
        }
    }
    return (!ex.visits.empty() && t.protection && ex.nest_max > 3) ? ex.nest_max - 3 : 0;
}

void m_carry(Table &t, const Table &s, Carry kind, bool ctor, uint32_t size, int overwrite,
             const std::vector<int> &decisions) {
    std::vector<uint64_t> ids;
    for (const Elem &e : s.el) {
        ids.push_back(e.id);
    }
    size_t k = 0;
    for (uint64_t sid : ids) {
        const int si = idx_of(s, sid);
        CHECK(si >= 0);
        const Elem src = s.el[si];
        const std::string data = src.data.substr(0, size);
        int mode = HASH_MODE_UPDATE;
        if (kind == CARRY_MERGE && !overwrite) {
            mode = HASH_MODE_ADD;
        }
        if (kind == CARRY_MERGE_EX) {
            const int present = find_same(t, src);
            if (present >= 0) {
                const int decision = decisions[k++ % decisions.size()];
                ex.checks.push_back(CallEvent{t.el[present].ptr, src.ptr, decision});
                if (!decision) {
                    continue;
                }
            }
        }
        uint64_t id = 0;
        const int r = src.is_int ? m_index_insert(t, src.ikey, data, mode, &id)
                                 : m_string_insert(t, src.skey, src.hash, data, mode, &id);
        if (r == SUCCESS && ctor) {
            ex.ctor_ids.push_back(id);
        }
    }
    t.cursor = head_id(t);
}

void m_sort(Table &t, SortRoutine routine, ElemOrder order, int renumber) {
    if (t.el.size() < 2) {
        return;
    }
    switch (routine) {
    case SORT_BY_COMPARISON:
        std::sort(t.el.begin(), t.el.end(), [order](const Elem &a, const Elem &b) {
            return order == ORDER_KEY_REVERSED ? elem_order(b, a) < 0 : elem_order(a, b) < 0;
        });
        break;
    case SORT_KEEP:
        break;
    case SORT_REVERSE:
        std::reverse(t.el.begin(), t.el.end());
        break;
    }
    t.cursor = head_id(t);
    if (renumber) {
        for (size_t i = 0; i < t.el.size(); i++) {
            Elem &e = t.el[i];
            e.is_int = true;
            e.ikey = e.hash = (uint32_t)i;
            e.skey.clear();
        }
        t.nfi = (uint32_t)t.el.size();
    }
}

static int bytes_order(const std::string &a, const std::string &b) {
    return a == b ? 0 : (a < b ? -1 : 1);
}

int m_compare(Table &t, Table &u, vesk_bool ordered, DataAnswer how,
              const std::vector<int> &answers, bool *sign_only) {
    ex.cmp1 = &t;
    ex.cmp2 = &u;
    *sign_only = false;
    const int32_t by_count = (int32_t)((uint32_t)t.el.size() - (uint32_t)u.el.size());
    if (by_count != 0) {
        return by_count;
    }
    size_t k = 0;
    for (size_t i = 0; i < t.el.size(); i++) {
        const Elem &a = t.el[i];
        const Elem *b;
        if (ordered) {
            b = &u.el[i];
            int key_difference;
            if (a.is_int && b->is_int) {
                key_difference = (int32_t)(a.ikey - b->ikey);
            } else {
                const uint32_t la = a.is_int ? 0 : (uint32_t)a.skey.size();
                const uint32_t lb = b->is_int ? 0 : (uint32_t)b->skey.size();
                key_difference = (int32_t)(la - lb);
                if (key_difference == 0) {
                    key_difference = memcmp(a.skey.data(), b->skey.data(), la);
                    *sign_only = key_difference != 0;
                }
            }
            if (key_difference != 0) {
                return key_difference;
            }
        } else {
            const int j = find_same(u, a);
            if (j < 0) {
                return 1;
            }
            b = &u.el[j];
        }
        int answer = 0;
        if (how == ANSWER_BYTES) {
            answer = bytes_order(a.data, b->data);
        } else if (how == ANSWER_SCRIPTED) {
            answer = answers[k++ % answers.size()];
        }
        ex.compares.push_back(CallEvent{a.ptr, b->ptr, answer});
        if (answer != 0) {
            return answer;
        }
    }
    return 0;
}

static int elem_compare(ElemOrder order, const Elem &a, const Elem &b) {
    switch (order) {
    case ORDER_KEY:
        return elem_order(a, b);
    case ORDER_LENGTH:
        return (int)(a.is_int ? 0 : a.skey.size()) - (int)(b.is_int ? 0 : b.skey.size());
    case ORDER_NONE:
        return 0;
    default:
        return elem_order(b, a);
    }
}

int m_minmax(const Table &t, ElemOrder order, int flag) {
    if (t.el.empty()) {
        return -1;
    }
    size_t best = 0;
    for (size_t i = 1; i < t.el.size(); i++) {
        const int c = elem_compare(order, t.el[best], t.el[i]);
        if (flag ? c < 0 : c > 0) {
            best = i;
        }
    }
    return (int)best;
}

} // namespace fuzz
