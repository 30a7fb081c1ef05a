/*
 * callbacks.h - the functions the fuzz target hands to the table: each call
 * is checked against the model's prediction (model.h) as it arrives.  Also
 * the interruption hooks, which check the tables at the end of every critical
 * section, and the capture of the table's messages.
 */
#ifndef VESK_FUZZ_CALLBACKS_H
#define VESK_FUZZ_CALLBACKS_H

#include "vesk_hash.h"

#include <cstdarg>
#include <cstddef>
#include <string>

namespace fuzz {

/* ---- Interruption hooks ------------------------------------------------------------------- */

/* Installs or removes the hooks (hooks_set, block_depth: state.h). */
void set_hooks(bool on);

/* ---- Element callbacks ---------------------------------------------------------------------- */

/* The destructor: the next predicted destructor call (ex.dtor), and the side
 * deletion it may make. */
void dtor_recorder(void *data);
/* The copy constructor of copy and merge: records the data it sees. */
void ctor_recorder(void *data);

/* The apply family, each checking the next predicted visit (ex.visits) and
 * running nested applies (ex.nest_max) from the first one. */
int apply_plain(void *data);
int apply_argument(void *data, void *argument);
int apply_arguments(void *data, int num_args, va_list args, HashKeyInfo *info);

/* Compare's data comparison and merge_ex's check: the next predicted call
 * (ex.compares, ex.checks) and its answer. */
int data_compare(const void *a, const void *b);
vesk_bool merge_checker(void *target_data, void *source_data);

/* ---- Comparisons and sort routines for sort and minmax --------------------------------------- */

/* Over HashBucket ** arguments: the key order of elem_order(), the same
 * reversed, key length, and everything equal. */
int cmp_key(const void *a, const void *b);
int cmp_key_reversed(const void *a, const void *b);
int cmp_length(const void *a, const void *b);
int cmp_none(const void *, const void *);

/* Caller sort routines: a stable insertion sort, one that leaves the array
 * as it is, and one that reverses it whatever the comparison says. */
void sort_insertion(void *base, size_t count, size_t width, compare_func_t compare);
void sort_nothing(void *, size_t, size_t width, compare_func_t);
void sort_reverse(void *base, size_t count, size_t width, compare_func_t);

/* ---- Capturing the table's messages ---------------------------------------------------------- */

/* Between the two calls, what the table prints to stderr is collected and
 * then returned. */
void capture_begin();
std::string capture_end();

} // namespace fuzz

#endif
