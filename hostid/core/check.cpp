/*
 * check.cpp - checking an identifier as a person typed or pasted it: blanks
 * around it, lower case and veskid's "X:" prefix accepted; every other
 * departure named with the group and the position at fault.
 */
#include <stdint.h>
#include <string.h>

#include "check.h"

#include "encode.h" /* the alphabet */
#include "kinds.h"

/* The prefix a text was given: a kind, or one of these. */
#define NO_PREFIX (-3)
static_assert(NO_PREFIX != HOST_ID_LETTER_UNKNOWN && NO_PREFIX != HOST_ID_LETTER_OTHER_KINDS,
              "no prefix is told from every letter");

static bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

/* The value of an alphabet character, capital or not; -1 for any other. */
static int symbol_value(char c) {
    const char *at = c != '\0' ? strchr(host_id_alphabet, ascii_capital(c)) : NULL;
    return at != NULL ? (int)(at - host_id_alphabet) : -1;
}

int host_id_check_fails(vesk_hostid_check *result, int fault, int group, size_t position) {
    memset(result, 0, sizeof *result);
    result->fault = fault;
    result->group = group;
    result->position = position;
    return FAILURE;
}

/* The group whose check character is wrong: with a kind to go by, the first
 * group that does not give it; otherwise the one group that disagrees with
 * three others, or 0 when no single group does. */
static int group_at_fault(const int checks[4], int expected) {
    if (expected < 0) {
        for (int candidate = 0; candidate < 4; candidate++) {
            int agreeing = 0;
            for (int g = 0; g < 4; g++) {
                agreeing += checks[g] == checks[candidate];
            }
            if (agreeing == 3) {
                expected = checks[candidate];
                break;
            }
        }
        if (expected < 0) {
            return 0;
        }
    }
    for (int g = 0; g < 4; g++) {
        if (checks[g] != expected) {
            return g + 1;
        }
    }
    return 0;
}

/* Whether a text of length bytes begins with a letter and a colon. */
static bool has_prefix(const char *text, size_t length) {
    return length >= 2 && text[1] == ':' && (unsigned char)text[0] < 0x80;
}

/* Whether length bytes, blanks trimmed, are as long as an identifier, with
 * or without its prefix. */
static bool is_whole_identifier(const char *text, size_t length) {
    return length == VESK_HOSTID_TEXT_LENGTH ||
           (length == VESK_HOSTID_TEXT_LENGTH + 2 && has_prefix(text, length));
}

/* ---- The steps of a check ---------------------------------------------------
 * Each step reads input[*start, *last), narrows it or fills result, and
 * returns SUCCESS, or FAILURE with the fault recorded in result. */

/* The text ends at length or at a NUL before it, whichever comes first: the
 * bytes are read forward, and never past a NUL, so a caller may give the
 * size of a buffer, or any length at all, for a terminated text.  Blanks
 * around it are dropped.  A NUL within a length that the caller meant as the
 * text's own (one that stays inside the address space) ends the text only
 * after a whole identifier; anywhere else it cuts one. */
static int trim(const char *input, size_t length, size_t *start, size_t *last,
                vesk_hostid_check *result) {
    size_t end = 0;
    while (end < length && input[end] != '\0') {
        end++;
    }
    *start = 0;
    *last = end;
    while (*start < *last && is_blank(input[*start])) {
        (*start)++;
    }
    while (*last > *start && is_blank(input[*last - 1])) {
        (*last)--;
    }
    bool length_is_real = length <= UINTPTR_MAX - (uintptr_t)input;
    if (end < length && length_is_real && !is_whole_identifier(input + *start, *last - *start)) {
        return host_id_check_fails(result, VESK_HOSTID_FAULT_NUL, 0, end);
    }
    if (*start == *last) {
        return host_id_check_fails(result, VESK_HOSTID_FAULT_EMPTY, 0, 0);
    }
    return SUCCESS;
}

/* A byte outside ASCII is part of a character that looks like one of the
 * alphabet, or like nothing, and is counted as several: it is named before
 * the length is, so that whoever sees 23 characters learns why, with the
 * group whose place it takes, as any other character there. */
static int refuse_non_ascii(const char *input, size_t start, size_t last,
                            vesk_hostid_check *result) {
    size_t text_start = start + (has_prefix(input + start, last - start) ? 2 : 0);
    for (size_t i = start; i < last; i++) {
        if ((unsigned char)input[i] >= 0x80) {
            size_t offset = i - text_start; /* the prefix is ASCII: i >= text_start */
            int group = offset < VESK_HOSTID_TEXT_LENGTH ? (int)(offset / 6) + 1 : 0;
            return host_id_check_fails(result, VESK_HOSTID_FAULT_CHARACTER, group, i);
        }
    }
    return SUCCESS;
}

/* veskid's "X:" prefix, when there is one: *wanted becomes the kind its
 * letter names (or HOST_ID_LETTER_OTHER_KINDS for U), and the text starts
 * after it; without one *wanted is NO_PREFIX. */
static int read_prefix(const char *input, size_t *start, size_t last, int *wanted,
                       vesk_hostid_check *result) {
    *wanted = NO_PREFIX;
    if (!has_prefix(input + *start, last - *start)) {
        return SUCCESS;
    }
    *wanted = host_id_kind_of_letter(input[*start]);
    if (*wanted == HOST_ID_LETTER_UNKNOWN) {
        return host_id_check_fails(result, VESK_HOSTID_FAULT_PREFIX, 0, *start);
    }
    *start += 2;
    return SUCCESS;
}

/* The four groups: 23 characters, dashes in their places, every other
 * character of the alphabet.  Writes the text in capitals into result and
 * the XOR of each group's five symbols into checks. */
static int read_groups(const char *input, size_t start, size_t last, int checks[4],
                       vesk_hostid_check *result) {
    if (last - start != VESK_HOSTID_TEXT_LENGTH) {
        return host_id_check_fails(result, VESK_HOSTID_FAULT_LENGTH, 0, start);
    }
    for (size_t i = 0; i < VESK_HOSTID_TEXT_LENGTH; i++) {
        char c = input[start + i];
        int group = (int)(i / 6) + 1;
        if (i % 6 == 5 || c == '-') {
            if (i % 6 != 5 || c != '-') {
                return host_id_check_fails(result, VESK_HOSTID_FAULT_DASH, group, start + i);
            }
            continue;
        }
        int value = symbol_value(c);
        if (value < 0) {
            char capital = ascii_capital(c);
            bool confusable = capital == '0' || capital == '1' || capital == 'I' || capital == 'O';
            return host_id_check_fails(
                result, confusable ? VESK_HOSTID_FAULT_CONFUSABLE : VESK_HOSTID_FAULT_CHARACTER,
                group, start + i);
        }
        checks[group - 1] ^= value;
        result->text[i] = host_id_alphabet[value];
    }
    result->text[5] = result->text[11] = result->text[17] = '-';
    return SUCCESS;
}

/* True when the prefix's letter is not the kind the check characters give:
 * a kind's own letter must be its kind, U must be a kind without a letter
 * of its own, and no prefix contradicts nothing. */
static bool prefix_contradicts(int wanted, int32_t kind) {
    if (wanted >= 0) {
        return kind != wanted;
    }
    if (wanted == HOST_ID_LETTER_OTHER_KINDS) {
        return host_id_kind_of_letter(vesk_hostid_letter(kind)) != HOST_ID_LETTER_OTHER_KINDS;
    }
    return false;
}

/* The kind: the four groups' checks must agree, and with the prefix. */
static int read_kind(const int checks[4], int wanted, size_t start, vesk_hostid_check *result) {
    bool agree = checks[0] == checks[1] && checks[1] == checks[2] && checks[2] == checks[3];
    if (!agree) {
        int group = group_at_fault(checks, wanted >= 0 ? wanted & 0x1F : -1);
        return host_id_check_fails(result, VESK_HOSTID_FAULT_CHECK, group,
                                   group > 0 ? start + (size_t)(group - 1) * 6 + 4 : start);
    }
    int32_t kind = checks[0];
    if (prefix_contradicts(wanted, kind)) {
        return host_id_check_fails(result, VESK_HOSTID_FAULT_PREFIX_KIND, 0, start - 2);
    }
    result->kind = kind;
    result->letter = vesk_hostid_letter(kind);
    return SUCCESS;
}

int vesk_hostid_check_text(const char *input, size_t length, vesk_hostid_check *result) {
    if (result == NULL) {
        return FAILURE;
    }
    memset(result, 0, sizeof *result);
    if (input == NULL) {
        return host_id_check_fails(result, VESK_HOSTID_FAULT_NULL, 0, 0);
    }
    size_t start = 0, last = 0;
    int wanted = NO_PREFIX;
    int checks[4] = {0, 0, 0, 0};
    if (trim(input, length, &start, &last, result) != SUCCESS ||
        refuse_non_ascii(input, start, last, result) != SUCCESS ||
        read_prefix(input, &start, last, &wanted, result) != SUCCESS ||
        read_groups(input, start, last, checks, result) != SUCCESS) {
        return FAILURE;
    }
    return read_kind(checks, wanted, start, result);
}

const char *vesk_hostid_fault_message(int fault) {
    switch (fault) {
    case VESK_HOSTID_FAULT_NONE:
        return "The identifier is well formed.";
    case VESK_HOSTID_FAULT_NULL:
        return "No identifier was given, or no place for the answer (a null pointer).";
    case VESK_HOSTID_FAULT_EMPTY:
        return "The identifier is empty.";
    case VESK_HOSTID_FAULT_NUL:
        return "The identifier contains a NUL byte.";
    case VESK_HOSTID_FAULT_PREFIX:
        return "The letter before the colon names no kind of identifier (I, M, C, H, L or U).";
    case VESK_HOSTID_FAULT_LENGTH:
        return "An identifier is 23 characters long: four groups of five joined by dashes.";
    case VESK_HOSTID_FAULT_DASH:
        return "A dash is missing or out of place: the groups are five characters each.";
    case VESK_HOSTID_FAULT_CONFUSABLE:
        return "The digits 0 and 1 and the letters I and O never appear in an identifier; "
               "check the character against the original.";
    case VESK_HOSTID_FAULT_CHARACTER:
        return "A character is not one of A-Z (without I and O) or 2-9; an invisible or "
               "look-alike character (a non-breaking space, a byte-order mark, an en dash, a "
               "Cyrillic or full-width letter) may be there: type the identifier again.";
    case VESK_HOSTID_FAULT_CHECK:
        return "A character is wrong: a group's check character does not match.";
    case VESK_HOSTID_FAULT_PREFIX_KIND:
        return "The letter before the colon does not match the kind of the identifier.";
    case VESK_HOSTID_FAULT_HOST:
        return "This host's identifiers could not be read.";
    default:
        return "Unknown fault.";
    }
}
