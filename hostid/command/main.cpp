/*
 * main.cpp - the veskid command: one optional word, exit status 0 always.
 */
#include <signal.h>

#include "report.h"

int main(int argc, char **argv) {
#ifdef SIGPIPE
    /* Output into a pipe without a reader fails like any other write error,
     * which is not examined, instead of ending the process by a signal. */
    signal(SIGPIPE, SIG_IGN);
#endif
    dispatch_command(argc, argv);
    return 0;
}
