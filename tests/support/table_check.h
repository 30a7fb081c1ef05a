/*
 * table_check.h - test helpers for the ordered hash table: a full check of
 * its structural invariants, and readers of its order list.
 */
#ifndef VESK_TABLE_CHECK_H
#define VESK_TABLE_CHECK_H

#include "vesk_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

/* Checks every structural invariant (table_invariants.h) with element_count
 * exact.  Use as EXPECT_TRUE(table_is_consistent(&ht)). */
::testing::AssertionResult table_is_consistent(const HashTable *ht);

/* The keys in list order, written "s:<bytes>" for string keys and "i:<n>" for
 * integer keys; handy for comparing whole orders in one assertion. */
std::vector<std::string> table_keys(const HashTable *ht);

/* Builds a key description of the same form for expectations. */
std::string skey(const std::string &bytes);
std::string ikey(uint32_t n);

#endif
