/*
 * logged_table.h - the GoogleTest fixture of the table suites: one table whose
 * destructor calls go to the log of table_helpers.h.
 */
#ifndef VESK_LOGGED_TABLE_H
#define VESK_LOGGED_TABLE_H

#include "table_helpers.h"
#include "vesk_hash.h"

#include <gtest/gtest.h>

/* Before each test ht is initialised (hint 8) and the log emptied; after it
 * ht is destroyed, unless the test destroyed it itself and cleared alive.  A
 * suite that wants another destructor or the C allocator's storage passes
 * them from its constructor. */
class LoggedTable : public ::testing::Test {
  protected:
    explicit LoggedTable(dtor_func_t destructor = log_destroyed, vesk_bool persistent = 0);
    void SetUp() override;
    void TearDown() override;

    HashTable ht;
    bool alive = false; /* ht is initialised and not yet destroyed */

  private:
    dtor_func_t destructor_;
    vesk_bool persistent_;
};

#endif
