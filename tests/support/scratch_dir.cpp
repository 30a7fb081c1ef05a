#include "scratch_dir.h"

#include <stdio.h>
#include <stdlib.h>

std::string make_scratch_dir(const char *name) {
    std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
    return mkdtemp(&pattern[0]) != nullptr ? pattern : "";
}

int remove_scratch_dir(const std::string &dir) {
    return system(("rm -rf '" + dir + "'").c_str()) == 0;
}

int write_text_file(const std::string &path, const std::string &text) {
    FILE *file = fopen(path.c_str(), "w");
    if (file == nullptr) {
        return 0;
    }
    bool written = fputs(text.c_str(), file) >= 0;
    return fclose(file) == 0 && written;
}

void ScratchDirTest::SetUp() {
    dir = make_scratch_dir("vesk-test");
    ASSERT_NE(dir, "") << "no directory could be made under /tmp";
}

void ScratchDirTest::TearDown() {
    if (!dir.empty()) {
        EXPECT_TRUE(remove_scratch_dir(dir)) << dir;
    }
}
