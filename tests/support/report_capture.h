/*
 * report_capture.h - veskid's front end run in this process, its standard
 * output and standard error captured; what it is given and what it says.
 * The runs read the scripted host.
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

/* report_host_ids(all_kinds) on the scripted host. */
CapturedRun capture_report(int all_kinds);

/* The command as veskid runs it with these words after its name, on the
 * scripted host; its status is 0. */
CapturedRun capture_command(const std::vector<const char *> &words);

#endif
