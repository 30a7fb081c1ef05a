/*
 * table_invariants.h - the structural invariants of the ordered hash table,
 * checked in full.  Plain code without GoogleTest: the unit suites reach it
 * through table_is_consistent() (table_check.h), the fuzz target and its
 * corpus replay call it directly.
 */
#ifndef VESK_TABLE_INVARIANTS_H
#define VESK_TABLE_INVARIANTS_H

#include "vesk_hash.h"

#include <cstdint>
#include <string>

/* Checks a slot array, a power-of-two size of 8 or more and its mask; both
 * directions of every order and chain link; each element on exactly the chain
 * its hash selects, and its bit in that slot's summary; the list ends; element_count; the cursor on
 * the list; the storage marking (a separate block is non-null and leaves inline_data 0); and keys
 * that are unique (an integer by value, a string by bytes and stored hash, since a quick insert may
 * store the same bytes under another hash).
 *
 * count_slack lets element_count differ from the number of linked elements by
 * that much: between linking (or unlinking) an element and counting it, as a
 * check from inside the table's critical sections sees it.
 *
 * Returns an empty string when every invariant holds, else a description of
 * the first one broken. */
std::string table_invariant_violation(const HashTable *ht, uint32_t count_slack = 0);

#endif
