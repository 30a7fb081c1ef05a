/*
 * callbacks.cpp - what the table calls back, checked against the model's
 * predictions as each call arrives.
 */
#include "callbacks.h"

#include "model.h"
#include "state.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace fuzz {

/* The real standard error stream while an operation's messages are being
 * captured, else null. */
static FILE *real_stderr = nullptr;

void fail(const char *file, int line, const char *what) {
    if (real_stderr) {
        stderr = real_stderr;
    }
    fprintf(stderr, "table_fuzz: mismatch at %s:%d: %s\n", file, line, what);
    abort();
}

/* ---- Interruption hooks ------------------------------------------------------------------- */

static void on_block() {
    block_depth++;
}

/* Outside every critical section each live table must be whole; only the
 * element count may lag one element behind the links. */
static void on_unblock() {
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
static Nesting nesting;

static int expected_depth(const Table &t, int levels) {
    return t.protection ? levels : 0;
}

static int nested_visit(void *) {
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

static int visit(void *data, const HashKeyInfo *info) {
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

/* ---- Comparisons and sort routines ------------------------------------------------------- */

static int bucket_order(const HashBucket *a, const HashBucket *b) {
    return order_keys(a->key_length == 0, a->hash, a->key, a->key_length, b->key_length == 0,
                      b->hash, b->key, b->key_length);
}

static const HashBucket *bucket_arg(const void *p) {
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

/* ---- Capturing the table's messages --------------------------------------------------------- */

/* The table reports through the stderr stream; swapping the stream (not
 * descriptor 2) leaves the sanitizers' and the fuzzer's own reports visible. */
static FILE *capture_file = nullptr;

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

} // namespace fuzz
