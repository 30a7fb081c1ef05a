/*
 * report.h - the veskid command (report.cpp): its words, the usage banner
 * and the identifier report.  Not part of any library.
 */
#ifndef VESK_HOSTID_REPORT_H
#define VESK_HOSTID_REPORT_H

#include <stdbool.h>

#include "collect.h"
#include "platform.h"
#include "vesk_hash.h"

/* Writes the usage banner to standard output. */
void print_usage(void);

/* Collects the identifiers of the running host once and prints, one
 * "%c:%s\n" line each, the texts not seen before in this call: every kind
 * when all_kinds is nonzero, otherwise only kinds 2 and 3, followed by a hint
 * when none was printed.  Returns 0, or -1 after writing "Cannot get ID!" to
 * standard error when the host gave nothing. */
int report_host_ids(int all_kinds);

/* The same report of the platform's host. */
int report_host_ids_on(const HostPlatform *platform, int all_kinds);

/* Prints the identifier lines of a list as the report does, in list order,
 * into set; true when it printed at least one. */
bool report_host_id_list(const HostIdRecord *head, int all_kinds, HashTable *set);

/* Runs the command named by argv[1]: none or "id" reports the primary
 * identifiers, "allid" all of them, any other word prints the usage banner.
 * Further arguments are ignored. */
void dispatch_command(int argc, const char *const *argv);

/* The same command, reporting on the platform's host. */
void dispatch_command_on(const HostPlatform *platform, int argc, const char *const *argv);

#endif
