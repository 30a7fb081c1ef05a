/*
 * lines.h - the lines of a pasted block of identifiers, as the licence match
 * and the checker for web pages read them (lines.cpp): a line ends at a
 * newline, the block at its length or its first NUL; a line of nothing but
 * blanks holds no identifier.  A carriage return before the newline is one
 * of the blanks the checker takes around a text.
 */
#ifndef VESK_HOSTID_LINES_H
#define VESK_HOSTID_LINES_H

#include <stdbool.h>
#include <stddef.h>

/* The end of the block: length, or the offset of its first NUL. */
size_t host_id_block_end(const char *block, size_t length);

/* The line that begins at start in block[0, end): its end, the offset of
 * the newline or end, into *stop.  True when a newline ended it, so that
 * another line begins after it. */
bool host_id_line_at(const char *block, size_t end, size_t start, size_t *stop);

/* Whether length bytes are all blanks (space, tab, CR, VT, FF), or none. */
bool host_id_line_is_blank(const char *line, size_t length);

#endif
