/*
 * main.cpp - vesk-hostid: this host's identifiers explained, typed
 * identifiers checked, a licence's lines matched.  veskid prints the
 * identifiers; this command says what they are.
 */
#include <getopt.h>
#include <stdio.h>
#include <string.h>

#include "commands.h"

static const struct {
    const char *word;
    int (*run)(int argc, char **argv);
    const char *usage;
} commands[] = {
    {"explain", explain_command,
     "vesk-hostid explain [--json] [--raw]\n"
     "    Where each line of veskid allid comes from, what was seen and not used and\n"
     "    why, each source's outcome and what kind of host this is; with --json one\n"
     "    JSON document (schema vesk-hostid-explain/1); with --raw the properties\n"
     "    themselves (addresses, the volume's UUID) too.\n"},
    {"check", check_command,
     "vesk-hostid check [TEXT...]\n"
     "    Checks identifiers as typed or pasted (standard input, a line each, when no\n"
     "    TEXT is given): one verdict a text, the fault under a caret.  Exit 0 when\n"
     "    every text is well formed, 1 when one is not.\n"},
    {"match", match_command,
     "vesk-hostid match [--min N | --all] [FILE | -]\n"
     "    The licence's identifier lines (FILE, or standard input) against this host,\n"
     "    read once: present, absent or malformed, and the counts.  Exit 0 when at\n"
     "    least N lines (1 without --min; every line with --all) are present, 1 when\n"
     "    not, 3 when this host's identifiers could not be read.\n"},
};

void print_command_usage(const char *word, FILE *stream) {
    if (word == NULL) {
        fputs("Usage: vesk-hostid COMMAND [OPTION...] [ARGUMENT...]\n"
              "       vesk-hostid --help | --version\n",
              stream);
    }
    for (const auto &command : commands) {
        if (word == NULL || strcmp(word, command.word) == 0) {
            fputs(command.usage, stream);
        }
    }
}

int main(int argc, char **argv) {
    static const struct option options[] = {
        {"help", no_argument, NULL, 'h'},
        {"version", no_argument, NULL, 'V'},
        {NULL, 0, NULL, 0},
    };
    /* The options before the command word; the word's own come after it. */
    int option;
    while ((option = getopt_long(argc, argv, "+h", options, NULL)) != -1) {
        switch (option) {
        case 'h':
            print_command_usage(NULL, stdout);
            return EXIT_HOLDS;
        case 'V':
            printf("vesk-hostid %s\n", VESK_HOSTID_VERSION);
            return EXIT_HOLDS;
        default:
            print_command_usage(NULL, stderr);
            return EXIT_USAGE;
        }
    }
    if (optind >= argc) {
        fputs("vesk-hostid: no command given\n", stderr);
        print_command_usage(NULL, stderr);
        return EXIT_USAGE;
    }
    for (const auto &command : commands) {
        if (strcmp(argv[optind], command.word) == 0) {
            /* The word's options are parsed afresh, the word as argv[0]. */
            int word_argc = argc - optind;
            char **word_argv = argv + optind;
            optind = 0;
            return command.run(word_argc, word_argv);
        }
    }
    fprintf(stderr, "vesk-hostid: unknown command '%s'\n", argv[optind]);
    print_command_usage(NULL, stderr);
    return EXIT_USAGE;
}
