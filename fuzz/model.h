/*
 * model.h - the fuzz target's reference model of the ordered hash table.
 *
 * Per table, an ordered vector of elements (key, stored hash, data bytes,
 * data pointer once known) with next_free_index, the slot count, the cursor
 * and two caller-held positions.  Every model step also records the callbacks
 * the table must make while it runs the same operation: each destructor call
 * (data pointer, data bytes, element count, whether the element is still
 * findable, whether it runs inside a critical section), each apply visit, each
 * data comparison and each merge check.  callbacks.cpp checks the calls
 * against these records as they arrive; check_all() compares every live table
 * with its model afterwards.  Any difference aborts through CHECK.
 */
#ifndef VESK_FUZZ_MODEL_H
#define VESK_FUZZ_MODEL_H

#include "vesk_hash.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

/* Reports a difference between the table and its model and aborts. */
[[noreturn]] void fail(const char *file, int line, const char *what);

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            ::fuzz::fail(__FILE__, __LINE__, #cond);                                               \
        }                                                                                          \
    } while (0)

const uint32_t PTR_SIZE = sizeof(void *);
const uint32_t MAX_SLOTS = 0x80000000u;

/* ---- Reference hash and numeric-key rule, written independently of the table -------------- */

uint32_t ref_hash(const std::string &key);

/* Decimal digits, no leading zero except "0", one counted NUL at the end, and
 * a value below 2147483647 once saturated there as a 32-bit strtol does. */
bool ref_numeric(const std::string &key, uint32_t *value);

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

/* Places in t.el (-1 for none): by element id, by integer key, by string key
 * and stored hash, by the key of e, and by a string key read through the
 * numeric-key rule. */
int idx_of(const Table &t, uint64_t id);
int find_int(const Table &t, uint32_t key);
int find_str(const Table &t, const std::string &key, uint32_t hash);
int find_same(const Table &t, const Elem &e);
int resolve(const Table &t, const std::string &key);

/* The ids of the first and last elements, 0 for an empty table. */
uint64_t head_id(const Table &t);
uint64_t tail_id(const Table &t);

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

/* Clears the calls predicted for the operation under way (ex, state.h). */
void reset_expectations();

/* ---- Model steps ---------------------------------------------------------------------------- */

/* Inserts under a string key with the given stored hash, and under an integer
 * key (or next_free_index with HASH_MODE_NEXT_INSERT): the predicted result;
 * *id receives the element inserted or updated. */
int m_string_insert(Table &t, const std::string &key, uint32_t h, const std::string &data, int mode,
                    uint64_t *id);
int m_index_insert(Table &t, uint32_t n, const std::string &data, int mode, uint64_t *id);
/* An insert under a key as the caller gives it: empty keys fail, numeric
 * string keys address integer keys. */
int m_add_or_update(Table &t, const std::string &key, const std::string &data, int mode,
                    uint64_t *id);

/* A single deletion of the element at i; side_allowed lets a table whose
 * destructor deletes another element do so. */
void m_delete(Table &t, size_t i, bool side_allowed);

/* The removal step of apply and the graceful destroys; side_end: the end
 * whose element the destructor may delete (0 none, 1 tail, 2 head).  Returns
 * the successor's id. */
uint64_t m_remove_step(Table &t, size_t i, int side_end);

/* Destroy and clean: every element goes, in order, outside any critical
 * section. */
void m_tear_down(Table &t);

/* A table as init leaves it. */
void model_init(Table &t, uint32_t hint, bool dtor, vesk_bool persistent, vesk_bool protection,
                bool side, int fixed);

/* ---- Key order for sort and minmax ---------------------------------------------------------- */

/* A total order on keys: integer keys first by value, then string keys by
 * bytes, length and stored hash (two string elements may share bytes when
 * one was stored under another hash).  elem_order() applies it to the
 * model's elements, cmp_key (callbacks.h) to the table's. */
int order_keys(bool ia, uint32_t ha, const char *ka, uint32_t la, bool ib, uint32_t hb,
               const char *kb, uint32_t lb);
int elem_order(const Elem &a, const Elem &b);

/* The orders the comparisons of sort and minmax give (callbacks.h: cmp_key,
 * cmp_length, cmp_none, cmp_key_reversed). */
enum ElemOrder { ORDER_KEY, ORDER_LENGTH, ORDER_NONE, ORDER_KEY_REVERSED };

/* ---- Whole-table predictions ------------------------------------------------------------------
 */

/* The apply family on t with the callback's results in turn: records each
 * visit (ex.visits) and removes as the table will: forward, any non-zero
 * result removes by the removal step; reverse (from the tail), APPLY_REMOVE
 * deletes and APPLY_STOP ends the walk.  Returns how many nesting messages
 * the table prints (ex.nest_max levels, with protection on). */
int m_apply(Table &t, bool reverse, const std::vector<int> &results);

/* Copy, merge (overwrite or not) and merge_ex of s into t with size bytes of
 * each element's data: the insertions, the checker's calls answered by
 * decisions in turn (ex.checks) and the constructor's calls (ex.ctor_ids);
 * the target's cursor ends on its first element. */
enum Carry { CARRY_COPY, CARRY_MERGE, CARRY_MERGE_EX };
void m_carry(Table &t, const Table &s, Carry kind, bool ctor, uint32_t size, int overwrite,
             const std::vector<int> &decisions);

/* Sort with a routine that orders by the comparison (of the given order),
 * keeps the array or reverses it; renumbered to 0..n-1 when asked.  A table
 * of fewer than two elements does not change. */
enum SortRoutine { SORT_BY_COMPARISON, SORT_KEEP, SORT_REVERSE };
void m_sort(Table &t, SortRoutine routine, ElemOrder order, int renumber);

/* Compare of t with u: the result, with the data comparison's calls
 * (ex.compares) answered 0, by the order of the data bytes, or by answers in
 * turn.  *sign_only: the result is a memcmp of keys, whose sign alone is
 * fixed. */
enum DataAnswer { ANSWER_EQUAL, ANSWER_BYTES, ANSWER_SCRIPTED };
int m_compare(Table &t, Table &u, vesk_bool ordered, DataAnswer how,
              const std::vector<int> &answers, bool *sign_only);

/* Minmax under the order: the place of the winner in t.el (the earliest
 * among equals), or -1 for an empty table. */
int m_minmax(const Table &t, ElemOrder order, int flag);

/* ---- Checks --------------------------------------------------------------------------------- */

/* The structural invariants of a table, element_count within slack. */
void check_structure(const HashTable *ht, uint32_t slack);

/* One table against its model; learns the data pointers of elements that the
 * operation created or whose data it replaced. */
void check_table(Table &t);

/* Every live table, no critical section left open, every predicted call made. */
void check_all();

} // namespace fuzz

#endif
