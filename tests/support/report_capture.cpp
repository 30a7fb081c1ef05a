#include "report_capture.h"

#include <stdio.h>

#include <gtest/gtest.h>

#include "report.h"
#include "scripted_host.h"

const char veskid_hint[] = "No primary IDs was detected. Try option 'allid' to see secondary IDs.";

std::string every_control_character() {
    std::string word;
    for (int c = 1; c < 0x20; c++) {
        word += (char)c;
    }
    return word + '\x7F';
}

CapturedRun capture_output(const std::function<int()> &run) {
    fflush(stdout);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    CapturedRun captured;
    captured.status = run();
    fflush(stdout);
    fflush(stderr);
    captured.out = testing::internal::GetCapturedStdout();
    captured.err = testing::internal::GetCapturedStderr();
    return captured;
}

CapturedRun capture_report(int all_kinds) {
    return capture_output(
        [all_kinds] { return report_host_ids_on(&scripted_platform, all_kinds); });
}

CapturedRun capture_command(const std::vector<const char *> &words) {
    std::vector<const char *> argv = {"veskid"};
    argv.insert(argv.end(), words.begin(), words.end());
    argv.push_back(nullptr);
    return capture_output([&argv] {
        dispatch_command_on(&scripted_platform, (int)argv.size() - 1, argv.data());
        return 0;
    });
}
