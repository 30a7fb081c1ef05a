#include "alloc_fail.h"

#include <cstdint>
#include <unordered_set>

extern "C" {
void *__real_malloc(size_t size);
void *__real_calloc(size_t count, size_t size);
void *__real_realloc(void *ptr, size_t size);
void __real_free(void *ptr);
}

namespace {

long countdown = 0; // calls left until the failing one; 0 when none is pending
bool fail_every = false;
size_t last_request = 0;

/* The blocks counted since alloc_track_begin.  The set itself lives on
 * operator new, which is not wrapped, so it never counts itself. */
std::unordered_set<void *> *tracked = nullptr;

bool this_call_fails(size_t size) {
    last_request = size;
    return fail_every || (countdown > 0 && --countdown == 0);
}

void track(void *block) {
    if (tracked && block) {
        tracked->insert(block);
    }
}

/* True when the block was counted (and no longer is). */
bool untrack(void *block) {
    return tracked && block && tracked->erase(block) > 0;
}

} // namespace

void alloc_fail_after(long n) {
    countdown = n > 0 ? n : 0;
}

void alloc_fail_every() {
    fail_every = true;
}

void alloc_fail_reset() {
    countdown = 0;
    fail_every = false;
}

bool alloc_fail_pending() {
    return countdown > 0;
}

size_t alloc_last_request() {
    return last_request;
}

void alloc_track_begin() {
    delete tracked;
    tracked = new std::unordered_set<void *>();
}

long alloc_track_live() {
    return tracked ? (long)tracked->size() : 0;
}

long alloc_track_end() {
    long live = alloc_track_live();
    delete tracked;
    tracked = nullptr;
    return live;
}

extern "C" {

void *__wrap_malloc(size_t size) {
    if (this_call_fails(size)) {
        return nullptr;
    }
    void *block = __real_malloc(size);
    track(block);
    return block;
}

void *__wrap_calloc(size_t count, size_t size) {
    size_t bytes;
    if (this_call_fails(__builtin_mul_overflow(count, size, &bytes) ? SIZE_MAX : bytes)) {
        return nullptr;
    }
    void *block = __real_calloc(count, size);
    track(block);
    return block;
}

void *__wrap_realloc(void *ptr, size_t size) {
    if (this_call_fails(size)) {
        return nullptr; /* ptr stays allocated, and counted if it was */
    }
    const bool counted = ptr == nullptr || untrack(ptr);
    void *block = __real_realloc(ptr, size);
    if (block == nullptr && ptr != nullptr && counted) {
        track(ptr); /* a real failure keeps the old block */
    } else if (counted) {
        track(block);
    }
    return block;
}

void __wrap_free(void *ptr) {
    untrack(ptr);
    __real_free(ptr);
}
}
