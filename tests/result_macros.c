/*
 * result_macros.c - compiled, never run: the results SUCCESS and FAILURE of
 * vesk_hash.h next to another header's definitions of them.  SUCCESS comes
 * first from elsewhere, as from vesk_hostid.h included before; FAILURE comes
 * again after, spelt as the table spells it, which is no second definition.
 * With OTHER_VALUES the earlier SUCCESS has another value, and the
 * compilation must stop.
 */
#ifdef OTHER_VALUES
#define SUCCESS 1
#else
#define SUCCESS (0)
#endif

#include "vesk_hash.h"

#define FAILURE (-1)

_Static_assert(SUCCESS == 0 && FAILURE == -1, "the table's results");
