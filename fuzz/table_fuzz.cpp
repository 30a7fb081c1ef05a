/*
 * table_fuzz.cpp - the differential fuzz target of the ordered hash table.
 *
 * An input is a program of operations on three tables (operations.h; read
 * by input.h).  Each operation runs first on a plain reference model of the
 * table (model.h), which also predicts every callback the table makes: each
 * destructor call with its timing, each apply visit, each comparison and
 * merge check.  The table then runs the same operation; its callbacks
 * (callbacks.h) are checked against the predictions as they arrive, and
 * afterwards every live table is checked against the model and against the
 * structural invariants (tests/support/table_invariants.h).  Any difference
 * aborts.
 *
 * Built two ways: with libFuzzer (preset fuzz, scripts/fuzz), and uninstrumented
 * with the replay driver replay.cpp, which runs the committed corpus as a test
 * in every build.
 */
#include "operations.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::run_program(data, size);
    return 0;
}
