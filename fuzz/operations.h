/*
 * operations.h - the fuzz target's program: the input decoded into a
 * sequence of operations on three tables, each run on the model first and
 * then on the table, and checked.
 *
 * Each operation is an opcode byte (modulo the number of operations), a table
 * byte (modulo 3) and the operation's own parameters (see the op_ functions
 * in operations.cpp).  The seeds in fuzz/corpus follow this layout.
 */
#ifndef VESK_FUZZ_OPERATIONS_H
#define VESK_FUZZ_OPERATIONS_H

#include <cstddef>
#include <cstdint>

namespace fuzz {

/* Runs one input from fresh tables, up to 2000 operations, then destroys
 * every table left.  Aborts on the first difference from the model. */
void run_program(const uint8_t *data, size_t size);

} // namespace fuzz

#endif
