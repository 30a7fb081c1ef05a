/*
 * lines.cpp - the lines of a pasted block of identifiers.
 */
#include "lines.h"

#include <string.h>

size_t host_id_block_end(const char *block, size_t length) {
    const char *nul = (const char *)memchr(block, '\0', length);
    return nul != NULL ? (size_t)(nul - block) : length;
}

bool host_id_line_at(const char *block, size_t end, size_t start, size_t *stop) {
    const char *newline = (const char *)memchr(block + start, '\n', end - start);
    *stop = newline != NULL ? (size_t)(newline - block) : end;
    return newline != NULL;
}

/* The blanks that the checker takes around a text, but the newline, which
 * ends a line here. */
static bool is_blank_byte(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool host_id_line_is_blank(const char *line, size_t length) {
    for (size_t i = 0; i < length; i++) {
        if (!is_blank_byte(line[i])) {
            return false;
        }
    }
    return true;
}
