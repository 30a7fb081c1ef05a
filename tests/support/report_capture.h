/*
 * report_capture.h - veskid's front end run in this process, its standard
 * output and standard error captured; what it is given and what it says.
 *
 * A report's set is never destroyed (its storage stays until the process
 * exits), so around a report the leak checker of a sanitizer build is told
 * to overlook what the run allocates.
 */
#ifndef VESK_TESTS_REPORT_CAPTURE_H
#define VESK_TESTS_REPORT_CAPTURE_H

#include <functional>
#include <string>
#include <vector>

/* What id prints when the host has no primary identifier: no newline. */
extern const char veskid_hint[];

/* Bytes 0x01 to 0x1F and 0x7F, as one word. */
std::string every_control_character();

struct CapturedRun {
    int status; /* what the run returned */
    std::string out;
    std::string err;
};

/* Runs run() with both streams captured. */
CapturedRun capture_output(const std::function<int()> &run);

/* report_host_ids(all_kinds) on the current platform, the leak check paused. */
CapturedRun capture_report(int all_kinds);

/* The command as veskid runs it with these words after its name, the leak
 * check paused; its status is 0. */
CapturedRun capture_command(const std::vector<const char *> &words);

/* Around a report run in-process: no-ops outside a sanitizer build. */
void leak_check_pause();
void leak_check_resume();

#endif
