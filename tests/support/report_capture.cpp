#include "report_capture.h"

#include <stdio.h>

#include <gtest/gtest.h>

#include "hostid.h"

/* A sanitizer build with its leak checker. */
#if defined(__SANITIZE_ADDRESS__)
#define VESK_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESK_LEAK_CHECKED 1
#endif
#endif
#ifdef VESK_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

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
    return capture_output([all_kinds] {
        leak_check_pause();
        int status = report_host_ids(all_kinds);
        leak_check_resume();
        return status;
    });
}

CapturedRun capture_command(const std::vector<const char *> &words) {
    std::vector<const char *> argv = {"veskid"};
    argv.insert(argv.end(), words.begin(), words.end());
    argv.push_back(nullptr);
    return capture_output([&argv] {
        leak_check_pause();
        dispatch_command((int)argv.size() - 1, argv.data());
        leak_check_resume();
        return 0;
    });
}

void leak_check_pause() {
#ifdef VESK_LEAK_CHECKED
    __lsan_disable();
#endif
}

void leak_check_resume() {
#ifdef VESK_LEAK_CHECKED
    __lsan_enable();
#endif
}
