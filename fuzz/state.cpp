/*
 * state.cpp - the fuzz target's global state (state.h).
 */
#include "state.h"

namespace fuzz {

Table tables[3];
uint64_t next_id = 1;
Expectations ex;
bool hooks_set;
int block_depth;

} // namespace fuzz
