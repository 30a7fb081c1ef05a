/* Whether a text is one of the stability rows' "changes": what the
 * explanation says of an identifier or a finding must be. */
#ifndef VESK_TESTS_STABILITY_TEXT_H
#define VESK_TESTS_STABILITY_TEXT_H

#include <string.h>

#include "stability.h"

inline bool is_stability_text(const char *text) {
    for (const StabilityRow &row : stability_rows) {
        if (text != nullptr && strcmp(row.changes, text) == 0) {
            return true;
        }
    }
    return false;
}

#endif
