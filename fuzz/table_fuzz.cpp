/*
 * table_fuzz.cpp - differential fuzz target for the ordered hash table.
 *
 * The input is decoded into a sequence of operations on three tables.  Each
 * operation first runs on a plain model: per table, an ordered vector of
 * elements (key, stored hash, data bytes, data pointer once known) with
 * next_free_index, the slot count, the cursor and two caller-held positions.
 * The model also predicts every callback the table makes during the
 * operation: each destructor call (data pointer, data bytes, element count,
 * whether the element is still findable, whether it runs inside a critical
 * section), each apply visit, each data comparison and each merge check.
 * The table then runs the same operation, its callbacks are checked against
 * the predictions as they arrive, and afterwards every live table is checked
 * against the model and against the structural invariants (chains, order
 * list, counts, mask, storage kind).  Any difference aborts.
 *
 * Each operation is an opcode byte, a table byte and the operation's own
 * parameters (see run() and the op_ functions).  Decoding is total: every
 * byte string is a valid program, and reading past the end yields zeros.
 * The seeds in fuzz/corpus follow this layout.
 */
#include "vesk_hash.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include <unistd.h>

namespace {

/* The real standard error stream while an operation's messages are being
 * captured, else null. */
FILE *real_stderr = nullptr;

[[noreturn]] void fail(int line, const char *what) {
    if (real_stderr) {
        stderr = real_stderr;
    }
    fprintf(stderr, "table_fuzz: mismatch at line %d: %s\n", line, what);
    abort();
}

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fail(__LINE__, #cond);                                                                 \
        }                                                                                          \
    } while (0)

const uint32_t PTR_SIZE = sizeof(void *);
const uint32_t MAX_SLOTS = 0x80000000u;
const char NESTING_MESSAGE[] = "Nesting level too deep - recursive dependency?";

/* ---- Input --------------------------------------------------------------------------------- */

struct Input {
    const uint8_t *data;
    size_t size;
    size_t at;

    bool done() const { return at >= size; }
    uint8_t u8() { return at < size ? data[at++] : 0; }
    uint32_t u32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; i++) {
            v |= (uint32_t)u8() << (8 * i);
        }
        return v;
    }
    std::string bytes(size_t n) {
        std::string s;
        for (size_t i = 0; i < n; i++) {
            s.push_back((char)u8());
        }
        return s;
    }
};

/* ---- Reference hash and numeric-key rule, written independently of the table -------------- */

uint32_t ref_hash(const std::string &key) {
    uint32_t h = 5381;
    for (char c : key) {
        h = (h * 33) ^ (uint32_t)(int32_t)(int8_t)c;
    }
    return h;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

/* Decimal digits, no leading zero except "0", one counted NUL at the end, and
 * a value below 2147483647 once saturated there as a 32-bit strtol does. */
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

struct Elem {
    uint64_t id;
    bool is_int;
    uint32_t ikey;    /* integer key */
    std::string skey; /* string key bytes */
    uint32_t hash;    /* stored hash: the integer key, or the hash given at insertion */
    std::string data; /* the element's data bytes; its size decides the storage kind */
    void *ptr;        /* the table's data pointer; null until learned after the operation */
};

void dtor_recorder(void *data);

struct Table {
    HashTable ht;
    bool live;
    std::vector<Elem> el;
    uint32_t size;      /* slot count */
    uint32_t nfi;       /* next_free_index */
    uint32_t pcount;    /* the table's element_count as it evolves inside one operation */
    uint64_t cursor;    /* element id, 0 for null */
    int64_t pos[2];     /* caller-held positions: element id, 0 null, -1 element gone */
    HashPosition hp[2]; /* the same positions as the table sees them */
    bool dtor;          /* the table has the recording destructor */
    bool side_delete;   /* the destructor deletes another element (see DtorEvent) */
    vesk_bool persistent;
    vesk_bool protection;
    int fixed_size;                    /* data size used by most inserts, or -1 for mixed sizes */
    std::vector<HashBucket *> buckets; /* aligned with el after each check */
};

Table tables[3];
uint64_t next_id = 1;

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
bool deletable_by_key(const Elem &e) {
    uint32_t v;
    return e.is_int || (!ref_numeric(e.skey, &v) && e.hash == ref_hash(e.skey));
}

uint64_t head_id(const Table &t) {
    return t.el.empty() ? 0 : t.el.front().id;
}
uint64_t tail_id(const Table &t) {
    return t.el.empty() ? 0 : t.el.back().id;
}

void forget_positions(Table &t, uint64_t id) {
    for (int64_t &p : t.pos) {
        if (p == (int64_t)id) {
            p = -1;
        }
    }
}

/* ---- Predicted callbacks --------------------------------------------------------------------- */

struct DtorEvent {
    Table *t;
    void *ptr;
    std::string bytes;
    bool check_count;
    uint32_t count;
    int lookup; /* 0: none; 1: the element must still be found; 2: it must be gone */
    bool is_int;
    uint32_t ikey;
    std::string skey;
    uint32_t hash;
    bool critical; /* inside a block/unblock pair (checked while the hooks are set) */
    /* The destructor deletes the element at the tail (or head) of the table by
     * its key, as a module's destructor might. */
    bool side;
    bool side_head;
    void *side_ptr;
    bool side_is_int;
    uint32_t side_ikey;
    std::string side_skey;
};

struct VisitEvent {
    void *ptr;
    int result;
    bool is_int;
    uint32_t ikey;
    std::string skey;
    uint32_t hash;
};

struct CallEvent {
    const void *a;
    const void *b;
    int result;
};

struct Expectations {
    std::vector<DtorEvent> dtor;
    size_t dtor_next;
    Table *visit_table;
    std::vector<VisitEvent> visits;
    size_t visit_next;
    int num_args;
    int args[3];
    int nest_max; /* levels of apply, the outer one included, run on the first visit */
    std::vector<CallEvent> compares;
    size_t compare_next;
    Table *cmp1;
    Table *cmp2;
    std::vector<CallEvent> checks;
    size_t check_next;
    std::vector<uint64_t> ctor_ids;
    std::vector<void *> ctor_seen;
};

Expectations ex;

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

void expect_all_consumed() {
    CHECK(ex.dtor_next == ex.dtor.size());
    CHECK(ex.visit_next == ex.visits.size());
    CHECK(ex.compare_next == ex.compares.size());
    CHECK(ex.check_next == ex.checks.size());
}

/* ---- Interruption hooks ------------------------------------------------------------------- */

bool hooks_set;
int block_depth;

void check_structure(const HashTable *ht, uint32_t slack);

void on_block() {
    block_depth++;
}

/* Outside every critical section each live table must be whole; only the
 * element count may lag one element behind the links. */
void on_unblock() {
    CHECK(block_depth > 0);
    if (--block_depth == 0) {
        for (Table &t : tables) {
            if (t.live && t.ht.table_size <= 4096) {
                check_structure(&t.ht, 1);
            }
        }
    }
}

void set_hooks(bool on) {
    hooks_set = on;
    vesk_block_interruptions = on ? on_block : nullptr;
    vesk_unblock_interruptions = on ? on_unblock : nullptr;
}

/* ---- Structural invariants ------------------------------------------------------------------ */

/* Power-of-two size and its mask; both directions of every list and chain
 * link; every element on exactly the chain its hash selects; list ends,
 * element_count (within slack), cursor on the list, storage marking. */
void check_structure(const HashTable *ht, uint32_t slack) {
    static std::unordered_set<const HashBucket *> on_list;
    static std::unordered_set<const HashBucket *> on_chain;
    on_list.clear();
    on_chain.clear();
    CHECK(ht->slots != nullptr);
    CHECK(ht->table_size >= 8 && ht->table_size <= MAX_SLOTS);
    CHECK((ht->table_size & (ht->table_size - 1)) == 0);
    CHECK(ht->table_mask == ht->table_size - 1);
    CHECK((ht->list_head == nullptr) == (ht->list_tail == nullptr));
    uint64_t length = 0;
    const HashBucket *prev = nullptr;
    for (const HashBucket *b = ht->list_head; b; b = b->list_next) {
        CHECK(b->list_prev == prev);
        CHECK(on_list.insert(b).second);
        CHECK(length <= (uint64_t)ht->element_count + slack);
        if (b->data != &b->inline_data) {
            CHECK(b->inline_data == nullptr);
            CHECK(b->data != nullptr);
        }
        prev = b;
        length++;
    }
    CHECK(prev == ht->list_tail);
    CHECK(length + slack >= ht->element_count && length <= (uint64_t)ht->element_count + slack);
    CHECK(ht->cursor == nullptr || on_list.count(ht->cursor));
    uint64_t chained = 0;
    for (uint32_t i = 0; i < ht->table_size; i++) {
        const HashBucket *cprev = nullptr;
        for (const HashBucket *b = ht->slots[i]; b; b = b->chain_next) {
            CHECK(on_list.count(b));
            CHECK(on_chain.insert(b).second);
            CHECK((b->hash & ht->table_mask) == i);
            CHECK(b->chain_prev == cprev);
            cprev = b;
            chained++;
        }
    }
    CHECK(chained == length);
}

/* The whole table against its model; learns the data pointers of elements
 * that the operation created or whose data it replaced. */
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

/* ---- Callbacks ------------------------------------------------------------------------------ */

void dtor_recorder(void *data) {
    CHECK(ex.dtor_next < ex.dtor.size());
    const DtorEvent &e = ex.dtor[ex.dtor_next++];
    CHECK(data == e.ptr);
    CHECK(e.bytes.empty() || memcmp(data, e.bytes.data(), e.bytes.size()) == 0);
    if (hooks_set) {
        CHECK(e.critical ? block_depth > 0 : block_depth == 0);
    }
    HashTable *ht = &e.t->ht;
    if (e.check_count) {
        CHECK(ht->element_count == e.count);
    }
    if (e.lookup) {
        void *found = nullptr;
        const int r = e.is_int ? vesk_hash_index_find(ht, e.ikey, &found)
                               : vesk_hash_quick_find(ht, e.skey.data(), (uint32_t)e.skey.size(),
                                                      e.hash, &found);
        if (e.lookup == 1) {
            CHECK(r == SUCCESS && found == e.ptr);
        } else {
            CHECK(r == FAILURE);
        }
    }
    if (e.side) {
        const HashBucket *end = e.side_head ? ht->list_head : ht->list_tail;
        CHECK(end != nullptr && end->data == e.side_ptr);
        const int r =
            e.side_is_int
                ? vesk_hash_del_key_or_index(ht, nullptr, 0, e.side_ikey, DELETE_BY_INDEX)
                : vesk_hash_del_key_or_index(ht, e.side_skey.data(), (uint32_t)e.side_skey.size(),
                                             0, DELETE_BY_KEY);
        CHECK(r == SUCCESS);
    }
}

void ctor_recorder(void *data) {
    ex.ctor_seen.push_back(data);
}

/* Nested applies run from the first visit of an apply: each level visits
 * every element, checks the depth and starts the next level from its first
 * visit. */
struct Nesting {
    Table *t;
    int level;
    bool first[8];
};
Nesting nesting;

int expected_depth(const Table &t, int levels) {
    return t.protection ? levels : 0;
}

int nested_visit(void *) {
    const int level = nesting.level;
    CHECK(nesting.t->ht.apply_depth == expected_depth(*nesting.t, level));
    if (nesting.first[level]) {
        nesting.first[level] = false;
        if (level < ex.nest_max) {
            nesting.level = level + 1;
            nesting.first[level + 1] = true;
            vesk_hash_apply(&nesting.t->ht, nested_visit);
            nesting.level = level;
        }
    }
    return APPLY_KEEP;
}

int visit(void *data, const HashKeyInfo *info) {
    CHECK(ex.visit_next < ex.visits.size());
    const bool first = ex.visit_next == 0;
    const VisitEvent &v = ex.visits[ex.visit_next++];
    CHECK(data == v.ptr);
    Table &t = *ex.visit_table;
    CHECK(t.ht.apply_depth == expected_depth(t, 1));
    if (info) {
        if (v.is_int) {
            CHECK(info->key_length == 0 && info->hash == v.ikey);
        } else {
            CHECK(info->key_length == v.skey.size() && info->hash == v.hash);
            CHECK(memcmp(info->key, v.skey.data(), v.skey.size()) == 0);
        }
    }
    if (first && ex.nest_max >= 2) {
        nesting.t = &t;
        nesting.level = 2;
        nesting.first[2] = true;
        vesk_hash_apply(&t.ht, nested_visit);
        CHECK(t.ht.apply_depth == expected_depth(t, 1));
    }
    return v.result;
}

int apply_plain(void *data) {
    return visit(data, nullptr);
}

int apply_argument(void *data, void *argument) {
    CHECK(argument == &ex);
    return visit(data, nullptr);
}

/* Reads every extra argument on every call: a list that was not handed over
 * fresh would run past the caller's arguments. */
int apply_arguments(void *data, int num_args, va_list args, HashKeyInfo *info) {
    CHECK(num_args == ex.num_args);
    for (int i = 0; i < num_args; i++) {
        CHECK(va_arg(args, int) == ex.args[i]);
    }
    return visit(data, info);
}

int data_compare(const void *a, const void *b) {
    CHECK(ex.compare_next < ex.compares.size());
    const CallEvent &c = ex.compares[ex.compare_next++];
    CHECK(a == c.a && b == c.b);
    if (ex.cmp1 == ex.cmp2) {
        CHECK(ex.cmp1->ht.apply_depth == expected_depth(*ex.cmp1, 2));
    } else {
        CHECK(ex.cmp1->ht.apply_depth == expected_depth(*ex.cmp1, 1));
        CHECK(ex.cmp2->ht.apply_depth == expected_depth(*ex.cmp2, 1));
    }
    return c.result;
}

vesk_bool merge_checker(void *target_data, void *source_data) {
    CHECK(ex.check_next < ex.checks.size());
    const CallEvent &c = ex.checks[ex.check_next++];
    CHECK(target_data == c.a && source_data == c.b);
    return (vesk_bool)c.result;
}

/* ---- Key orders for sort and minmax --------------------------------------------------------- */

/* A total order on keys: integer keys first by value, then string keys by
 * bytes, length and stored hash (two string elements may share bytes when
 * one was stored under another hash). */
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

int bucket_order(const HashBucket *a, const HashBucket *b) {
    return order_keys(a->key_length == 0, a->hash, a->key, a->key_length, b->key_length == 0,
                      b->hash, b->key, b->key_length);
}

int elem_order(const Elem &a, const Elem &b) {
    return order_keys(a.is_int, a.hash, a.skey.data(), (uint32_t)a.skey.size(), b.is_int, b.hash,
                      b.skey.data(), (uint32_t)b.skey.size());
}

const HashBucket *bucket_arg(const void *p) {
    return *(const HashBucket *const *)p;
}

int cmp_key(const void *a, const void *b) {
    return bucket_order(bucket_arg(a), bucket_arg(b));
}
int cmp_key_reversed(const void *a, const void *b) {
    return bucket_order(bucket_arg(b), bucket_arg(a));
}
int cmp_length(const void *a, const void *b) {
    return (int)bucket_arg(a)->key_length - (int)bucket_arg(b)->key_length;
}
int cmp_none(const void *, const void *) {
    return 0;
}

/* Caller sort routines: a stable insertion sort, one that leaves the array
 * as it is, and one that reverses it whatever the comparison says. */
void sort_insertion(void *base, size_t count, size_t width, compare_func_t compare) {
    CHECK(width == sizeof(HashBucket *));
    HashBucket **a = (HashBucket **)base;
    for (size_t i = 1; i < count; i++) {
        HashBucket *x = a[i];
        size_t j = i;
        while (j > 0 && compare(&a[j - 1], &x) > 0) {
            a[j] = a[j - 1];
            j--;
        }
        a[j] = x;
    }
}

void sort_nothing(void *, size_t, size_t width, compare_func_t) {
    CHECK(width == sizeof(HashBucket *));
}

void sort_reverse(void *base, size_t count, size_t width, compare_func_t) {
    CHECK(width == sizeof(HashBucket *));
    HashBucket **a = (HashBucket **)base;
    std::reverse(a, a + count);
}

/* ---- Capturing the nesting message ----------------------------------------------------------- */

/* The table reports through the stderr stream; swapping the stream (not
 * descriptor 2) leaves the sanitizers' and the fuzzer's own reports visible. */
FILE *capture_file = nullptr;

void capture_begin() {
    if (!capture_file) {
        capture_file = tmpfile();
        CHECK(capture_file != nullptr);
    }
    CHECK(ftruncate(fileno(capture_file), 0) == 0);
    rewind(capture_file);
    fflush(stderr);
    real_stderr = stderr;
    stderr = capture_file;
}

std::string capture_end() {
    fflush(capture_file);
    stderr = real_stderr;
    real_stderr = nullptr;
    rewind(capture_file);
    std::string out;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, capture_file)) > 0) {
        out.append(buf, n);
    }
    return out;
}

/* ---- Model steps ---------------------------------------------------------------------------- */

DtorEvent event_for(Table &t, const Elem &e) {
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

void m_insert_new(Table &t, const Elem &e) {
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
void m_replace(Table &t, size_t i, const std::string &data) {
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

void m_delete(Table &t, size_t i, bool side_allowed);

/* The element at i leaves the order list; a cursor on it moves to its
 * successor.  Returns the successor's id. */
uint64_t m_unlink(Table &t, size_t i) {
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
size_t expect_removal_dtor(Table &t, const Elem &e, int lookup) {
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
void expect_side_delete(Table &t, size_t at, size_t v, bool head) {
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

/* ---- Generators ----------------------------------------------------------------------------- */

struct Literal {
    const char *bytes;
    uint32_t length;
};

const Literal KEY_LITERALS[] = {
    {"7\0", 2},
    {"05\0", 3},
    {"0\0", 2},
    {"00\0", 3},
    {"2147483646\0", 11},
    {"2147483647\0", 11},
    {"2147483648\0", 11},
    {"4294967295\0", 11},
    {"4294967296\0", 11},
    {"99999999999\0", 12},
    {"-5\0", 3},
    {" 5\0", 3},
    {"5", 1},
    {"10", 2},
    {"10\0", 3},
    {"12\0\0", 4},
    {"abc", 3},
    {"abc\0", 4},
    {"\x80", 1},
    {"\xff\xfe", 2},
    {"a\0b", 3},
    {"", 0},
    {"1\x80\0", 3},
    {"0", 1},
    {"+5\0", 3},
    {"1\0", 2},
    {"9\0", 2},
    {"12\0", 3},
};
const size_t KEY_LITERAL_COUNT = sizeof KEY_LITERALS / sizeof KEY_LITERALS[0];

const uint32_t INT_LITERALS[] = {
    0, 1, 2, 7, 10, 11, 255, 2147483646, 2147483647, 2147483648u, 4294967294u, 4294967295u};
const size_t INT_LITERAL_COUNT = sizeof INT_LITERALS / sizeof INT_LITERALS[0];

const Table &any_table(Input &in, const Table &t) {
    const uint8_t k = in.u8() % 4;
    return k == 3 ? t : tables[k];
}

std::string gen_key(Input &in, const Table &t) {
    switch (in.u8() % 6) {
    case 0: {
        const Literal &l = KEY_LITERALS[in.u8() % KEY_LITERAL_COUNT];
        return std::string(l.bytes, l.length);
    }
    case 1:
        return in.bytes(in.u8() % 21);
    case 2: {
        const Table &src = any_table(in, t);
        const uint8_t pick = in.u8();
        if (src.el.empty()) {
            return std::string("k", 1);
        }
        const Elem &e = src.el[pick % src.el.size()];
        if (!e.is_int) {
            return e.skey;
        }
        std::string s = std::to_string(e.ikey);
        if ((pick & 0x80) == 0) {
            s.push_back('\0');
        }
        return s;
    }
    case 3: {
        const uint8_t form = in.u8();
        std::string s = std::to_string(form & 1 ? in.u32() : (uint32_t)in.u8());
        if (form & 2) {
            s.insert(s.begin(), '0');
        }
        if ((form & 4) == 0) {
            s.push_back('\0');
        }
        return s;
    }
    case 4: {
        /* Short keys over a small alphabet collide often. */
        std::string s;
        const uint8_t n = 1 + in.u8() % 3;
        for (uint8_t i = 0; i < n; i++) {
            s.push_back((char)('a' + in.u8() % 4));
        }
        return s;
    }
    default:
        return std::string(1, (char)in.u8());
    }
}

uint32_t gen_int(Input &in, const Table &t) {
    switch (in.u8() % 5) {
    case 0:
        return INT_LITERALS[in.u8() % INT_LITERAL_COUNT];
    case 1:
        return t.nfi + (uint32_t)(int32_t)(int8_t)in.u8();
    case 2: {
        const Table &src = any_table(in, t);
        const uint8_t pick = in.u8();
        for (size_t i = 0; i < src.el.size(); i++) {
            const Elem &e = src.el[(pick + i) % src.el.size()];
            if (e.is_int) {
                return e.ikey;
            }
        }
        return pick;
    }
    case 3:
        return in.u32();
    default:
        return in.u8() % 32;
    }
}

/* A key with the hash a quick operation is given: the right one, a wrong
 * one, one that selects the same slot, an existing element's own, or an
 * existing element's hash with one of its key bytes changed (same hash and
 * length, other bytes: only the byte comparison can tell them apart). */
void gen_quick_key(Input &in, const Table &t, std::string *key, uint32_t *hash) {
    const uint8_t how = in.u8() % 6;
    if (how == 5) {
        const Table &src = any_table(in, t);
        const uint8_t pick = in.u8();
        const uint8_t at = in.u8();
        const uint8_t flip = in.u8();
        for (size_t i = 0; i < src.el.size(); i++) {
            const Elem &e = src.el[(pick + i) % src.el.size()];
            if (!e.is_int) {
                *key = e.skey;
                (*key)[at % key->size()] ^= (char)(flip | 1);
                *hash = e.hash;
                return;
            }
        }
    }
    if (how == 4) {
        const Table &src = any_table(in, t);
        const uint8_t pick = in.u8();
        for (size_t i = 0; i < src.el.size(); i++) {
            const Elem &e = src.el[(pick + i) % src.el.size()];
            if (!e.is_int) {
                *key = e.skey;
                *hash = e.hash;
                return;
            }
        }
    }
    *key = gen_key(in, t);
    switch (how) {
    case 1:
        *hash = in.u32();
        break;
    case 2:
        *hash = ref_hash(*key) + t.size * (1 + in.u8() % 3);
        break;
    default:
        *hash = ref_hash(*key);
        break;
    }
}

const uint32_t DATA_SIZES[] = {8, 8, 8, 0, 1, 4, 16, 33};

/* Data bytes; *null_data asks to pass a null pointer (only with size 0). */
std::string gen_data(Input &in, const Table &t, bool *null_data) {
    const uint8_t sel = in.u8();
    uint32_t size = DATA_SIZES[sel % 8];
    if (t.fixed_size >= 0 && (sel & 0x80) == 0) {
        size = (uint32_t)t.fixed_size;
    }
    std::string d;
    const uint8_t fill = in.u8();
    switch (fill % 4) {
    case 0:
        d = in.bytes(size);
        break;
    case 1:
        d.assign(size, '\0'); /* a NULL pointer when pointer-sized */
        break;
    case 2:
        d.assign(size, '\0');
        if (size) {
            d[0] = 1;
        }
        break;
    default:
        for (uint32_t i = 0; i < size; i++) {
            d.push_back((char)(fill + i));
        }
        break;
    }
    *null_data = size == 0 && (fill & 4);
    return d;
}

int gen_mode(Input &in) {
    const uint8_t m = in.u8();
    return (m & 0x80) ? (int)(int8_t)m : (m & 7);
}

/* ---- Table life ----------------------------------------------------------------------------- */

uint32_t slots_for(uint32_t hint) {
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

VisitEvent visit_of(const Elem &e, int result) {
    return VisitEvent{e.ptr, result, e.is_int, e.ikey, e.skey, e.hash};
}

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
    ex.visit_table = &t;

    size_t k = 0;
    if (sub < 3) {
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

    const int messages =
        (!ex.visits.empty() && t.protection && ex.nest_max > 3) ? ex.nest_max - 3 : 0;
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

/* copy (0), merge (1) and merge_ex (2) of a source into t. */
void op_carry(Input &in, Table &t, int kind) {
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
        if (kind == 1 && !overwrite) {
            mode = HASH_MODE_ADD;
        }
        if (kind == 2) {
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

    const copy_ctor_func_t c = ctor ? ctor_recorder : nullptr;
    if (kind == 0) {
        vesk_hash_copy(&t.ht, &s.ht, c, &ex, size);
    } else if (kind == 1) {
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
    if (t.el.size() > 1) {
        switch (routine) {
        case 0:
        case 1:
            std::sort(t.el.begin(), t.el.end(), [reversed](const Elem &a, const Elem &b) {
                return reversed ? elem_order(b, a) < 0 : elem_order(a, b) < 0;
            });
            break;
        case 2:
            break;
        default:
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
    const sort_func_t routines[] = {qsort, sort_insertion, sort_nothing, sort_reverse};
    const int r =
        vesk_hash_sort(&t.ht, routines[routine], reversed ? cmp_key_reversed : cmp_key, renumber);
    CHECK(r == SUCCESS);
    check_all();
}

int bytes_order(const std::string &a, const std::string &b) {
    return a == b ? 0 : (a < b ? -1 : 1);
}

void op_compare(Input &in, Table &t) {
    Table &u = tables[in.u8() % 3];
    ensure_live(u);
    const vesk_bool ordered_choices[] = {0, 1, 2, 0xFF};
    const vesk_bool ordered = ordered_choices[in.u8() % 4];
    const uint8_t how = in.u8() % 3;
    std::vector<int> answers(1 + in.u8() % 4);
    for (int &a : answers) {
        const int values[] = {0, 0, 0, 1, -1, 7, INT32_MIN};
        a = values[in.u8() % 7];
    }
    ex.cmp1 = &t;
    ex.cmp2 = &u;

    int expected = 0;
    bool sign_only = false;
    const int32_t by_count = (int32_t)((uint32_t)t.el.size() - (uint32_t)u.el.size());
    if (by_count != 0) {
        expected = by_count;
    } else {
        size_t k = 0;
        for (size_t i = 0; i < t.el.size(); i++) {
            const Elem &a = t.el[i];
            const Elem *b;
            if (ordered) {
                b = &u.el[i];
                if (a.is_int && b->is_int) {
                    expected = (int32_t)(a.ikey - b->ikey);
                } else {
                    const uint32_t la = a.is_int ? 0 : (uint32_t)a.skey.size();
                    const uint32_t lb = b->is_int ? 0 : (uint32_t)b->skey.size();
                    expected = (int32_t)(la - lb);
                    if (expected == 0) {
                        expected = memcmp(a.skey.data(), b->skey.data(), la);
                        sign_only = expected != 0;
                    }
                }
                if (expected != 0) {
                    break;
                }
            } else {
                const int j = find_same(u, a);
                if (j < 0) {
                    expected = 1;
                    break;
                }
                b = &u.el[j];
            }
            int answer = 0;
            if (how == 1) {
                answer = bytes_order(a.data, b->data);
            } else if (how == 2) {
                answer = answers[k++ % answers.size()];
            }
            ex.compares.push_back(CallEvent{a.ptr, b->ptr, answer});
            if (answer != 0) {
                expected = answer;
                break;
            }
        }
    }
    const int r = vesk_hash_compare(&t.ht, &u.ht, data_compare, ordered);
    if (sign_only) {
        CHECK((r < 0) == (expected < 0) && (r > 0) == (expected > 0));
    } else {
        CHECK(r == expected);
    }
    check_all();
}

int elem_compare(int how, const Elem &a, const Elem &b) {
    switch (how) {
    case 0:
        return elem_order(a, b);
    case 1:
        return (int)(a.is_int ? 0 : a.skey.size()) - (int)(b.is_int ? 0 : b.skey.size());
    case 2:
        return 0;
    default:
        return elem_order(b, a);
    }
}

void op_minmax(Input &in, Table &t) {
    const uint8_t how = in.u8() % 4;
    const int flags[] = {0, 1, -1, 2};
    const int flag = flags[in.u8() % 4];
    const compare_func_t compares[] = {cmp_key, cmp_length, cmp_none, cmp_key_reversed};
    void *out = SENTINEL;
    const int r = vesk_hash_minmax(&t.ht, compares[how], flag, &out);
    if (t.el.empty()) {
        CHECK(r == FAILURE && out == nullptr);
    } else {
        size_t best = 0;
        for (size_t i = 1; i < t.el.size(); i++) {
            const int c = elem_compare(how, t.el[best], t.el[i]);
            if (flag ? c < 0 : c > 0) {
                best = i;
            }
        }
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
    op_carry(in, t, 0);
}

void op_merge(Input &in, Table &t) {
    op_carry(in, t, 1);
}

void op_merge_ex(Input &in, Table &t) {
    op_carry(in, t, 2);
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    for (Table &t : tables) {
        t.live = false;
        t.el.clear();
    }
    set_hooks(false);
    block_depth = 0;
    Input in = {data, size, 0};
    run(in);
    return 0;
}
