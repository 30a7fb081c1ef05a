/*
 * listed_lines.h - a library list as the lines veskid prints, for tests that
 * compare lists taken in different processes, threads or settings.
 */
#ifndef VESK_TESTS_LISTED_LINES_H
#define VESK_TESTS_LISTED_LINES_H

#include <stddef.h>

#include <string>

#include "vesk_hostid.h"

/* The lines of vesk_hostid_list(selection), "X:TEXT\n" each, or "FAILURE". */
inline std::string listed_lines(int selection) {
    vesk_hostid *ids = nullptr;
    size_t count = 0;
    if (vesk_hostid_list(selection, &ids, &count) != SUCCESS) {
        return "FAILURE";
    }
    std::string lines;
    for (size_t i = 0; i < count; i++) {
        lines += std::string(1, ids[i].letter) + ":" + ids[i].text + "\n";
    }
    vesk_hostid_list_free(ids);
    return lines;
}

#endif
