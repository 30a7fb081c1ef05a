/*
 * alloc_fail.h - failure injection for the fault_tests binary, which is
 * linked with --wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free: calls of
 * those functions from the objects linked into it (the table's code among
 * them) pass through here.  Allocations made inside shared libraries, such as
 * operator new in the C++ runtime, are not counted.
 */
#ifndef VESK_ALLOC_FAIL_H
#define VESK_ALLOC_FAIL_H

#include <cstddef>

/* The nth following call of malloc, calloc or realloc (n >= 1) returns null;
 * the calls before and after it succeed. */
void alloc_fail_after(long n);

/* Every following call of malloc, calloc or realloc fails, until reset. */
void alloc_fail_every();

/* Cancels a pending failure, and alloc_fail_every. */
void alloc_fail_reset();

/* True while a failure is armed and its call has not come yet: after an
 * operation, false means that the nth allocation did happen (and failed). */
bool alloc_fail_pending();

/* Bytes asked for by the latest call of malloc, calloc (count times size,
 * SIZE_MAX when that overflows) or realloc, failed or not; 0 before any. */
size_t alloc_last_request();

/* Starts counting the blocks handed out from here on and not yet released
 * (realloc keeps a counted block counted); ends an earlier count. */
void alloc_track_begin();

/* Blocks counted since alloc_track_begin and not released so far. */
long alloc_track_live();

/* Stops counting and returns alloc_track_live(). */
long alloc_track_end();

#endif
