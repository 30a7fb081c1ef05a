/*
 * state.h - the fuzz target's global state, all of it: the three tables with
 * their models, the next element id, the calls predicted for the operation
 * under way, and the interruption hooks' state.  run_program() (operations.h)
 * resets it before every input.
 */
#ifndef VESK_FUZZ_STATE_H
#define VESK_FUZZ_STATE_H

#include "model.h"

#include <cstdint>

namespace fuzz {

/* The three tables every program works on, and the next element id. */
extern Table tables[3];
extern uint64_t next_id;

/* The calls predicted for the operation under way. */
extern Expectations ex;

/* Whether the interruption hooks are installed, and the depth of critical
 * sections open. */
extern bool hooks_set;
extern int block_depth;

} // namespace fuzz

#endif
