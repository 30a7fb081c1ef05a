/*
 * report_leak_probe.cpp - veskid's report of this host, once, in a process
 * of its own, with or without a leak planted in the collector under it.
 *
 * What the leak checkers are told to overlook is the report's set alone,
 * which stays until the process exits.  Run "clean", a checker must find
 * nothing; run "planted", it must find the one block that the host name's
 * service loses, under the report's own frames.
 * Usage: report_leak_probe clean|planted
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform.h"
#include "report.h"

/* Written through a volatile pointer, so that the allocation is made. */
static void *volatile planted_block;

/* The running host's name, losing one block on the way. */
static int planted_leak_in_get_host_name(void *session, char *name, int length) {
    planted_block = malloc(24);
    planted_block = NULL;
    return native_host_platform.get_host_name(session, name, length);
}

int main(int argc, char **argv) {
    if (argc != 2 || (strcmp(argv[1], "clean") != 0 && strcmp(argv[1], "planted") != 0)) {
        fprintf(stderr, "usage: report_leak_probe clean|planted\n");
        return 2;
    }
    HostPlatform platform = native_host_platform;
    if (strcmp(argv[1], "planted") == 0) {
        platform.get_host_name = planted_leak_in_get_host_name;
    }
    /* allid: every source, the host's name among them. */
    return report_host_ids_on(&platform, 1) == 0 ? 0 : 1;
}
