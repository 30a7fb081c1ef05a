/*
 * main.cpp - the veskid command: one optional word, exit status 0 always.
 */
#include "hostid.h"

int main(int argc, char **argv) {
    dispatch_command(argc, argv);
    return 0;
}
