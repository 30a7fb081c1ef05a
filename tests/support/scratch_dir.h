/*
 * scratch_dir.h - a directory of a test's own under /tmp, removed with
 * everything in it when the test ends.  Linux only.
 */
#ifndef VESK_TESTS_SCRATCH_DIR_H
#define VESK_TESTS_SCRATCH_DIR_H

#include <string>

#include <gtest/gtest.h>

/* A new empty directory /tmp/NAME-XXXXXX; "" when none could be made. */
std::string make_scratch_dir(const char *name);
/* Removes the directory and everything below it; nonzero on success. */
int remove_scratch_dir(const std::string &dir);
/* Writes text to a new (or emptied) file; nonzero on success. */
int write_text_file(const std::string &path, const std::string &text);

/* Makes dir in SetUp and removes it in TearDown. */
class ScratchDirTest : public testing::Test {
  protected:
    std::string dir;

    void SetUp() override;
    void TearDown() override;
};

#endif
