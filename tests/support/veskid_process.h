/*
 * veskid_process.h - a program (the built veskid) run as a child process,
 * with its standard output captured or made hostile, standard error captured
 * apart, and optionally no descriptor to spare.  Linux only.
 */
#ifndef VESK_TESTS_VESKID_PROCESS_H
#define VESK_TESTS_VESKID_PROCESS_H

#include <string>
#include <vector>

/* What happens to the child's standard output: captured, closed, the full
 * device, or a pipe whose reading end is already closed. */
enum class VeskidOutput { Captured, Closed, Full, BrokenPipe };

struct VeskidStart {
    VeskidOutput output = VeskidOutput::Captured;
    /* Only the standard streams open and one descriptor to spare. */
    bool starved = false;
};

struct VeskidRun {
    bool exited = false; /* false: killed by a signal, or not started */
    int status = -1;     /* the exit status; -1 when it did not exit */
    int signal = 0;
    std::string out;
    std::string err;
};

/* Runs the program with these words after its name.  SIGPIPE is at its
 * default action in the child, as from a shell, whatever this process does
 * with it.  A child that cannot be started is a test failure. */
VeskidRun run_program(const char *path, const std::vector<std::string> &words,
                      const VeskidStart &start = VeskidStart());

#ifdef VESKID_PATH
inline VeskidRun run_veskid(const std::vector<std::string> &words,
                            const VeskidStart &start = VeskidStart()) {
    return run_program(VESKID_PATH, words, start);
}
#endif

/* Output split into lines, each with its newline (the last without one when
 * the output does not end with one). */
std::vector<std::string> output_lines(const std::string &out);

/* In a child process: closes every descriptor above the standard streams
 * but keep (one that closes on exec) and sets the limit to 4, so that
 * exactly one is free.  Nonzero when the limit could be set. */
int leave_one_free_descriptor(int keep = -1);

/* The same with the limit at 3: every descriptor the process may have is
 * taken, as in a server at its limit. */
int leave_no_free_descriptor();

#endif
