/*
 * commands.h - the words of vesk-hostid: each reads its own options and
 * returns the exit status (main.cpp parses the first word).
 */
#ifndef VESK_HOSTID_COMMANDS_H
#define VESK_HOSTID_COMMANDS_H

#include <stddef.h>
#include <stdio.h>

/* Exit statuses. */
enum {
    EXIT_HOLDS = 0,      /* every text well formed; the licence's rule holds */
    EXIT_FAULTY = 1,     /* a text is not well formed; the rule does not hold */
    EXIT_USAGE = 2,      /* the words could not be understood */
    EXIT_UNREADABLE = 3, /* this host's identifiers could not be read */
};

int check_command(int argc, char **argv);
int explain_command(int argc, char **argv);
int match_command(int argc, char **argv);

/* Prints the usage of a word (or of them all, word null) to stream. */
void print_command_usage(const char *word, FILE *stream);

/* The whole of a file ("-" or null: standard input) into a new buffer and
 * *length; null, with the reason on standard error, when it cannot be read. */
char *read_whole_file(const char *path, size_t *length);

#endif
