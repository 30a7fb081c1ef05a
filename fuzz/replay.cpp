/*
 * replay.cpp - runs saved inputs through the fuzz target without libFuzzer:
 * every file of every directory named on the command line (in name order), or
 * a file named directly.  A difference from the model aborts the process;
 * a missing or empty directory, or a file that cannot be opened, fails it.
 *
 * Usage: fuzz_replay DIR_OR_FILE...
 */
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

namespace fs = std::filesystem;

/* The inputs a command-line argument names; false if there are none. */
bool inputs_of(const fs::path &arg, std::vector<fs::path> *out) {
    std::error_code ec;
    if (fs::is_regular_file(arg, ec)) {
        out->push_back(arg);
        return true;
    }
    if (!fs::is_directory(arg, ec)) {
        fprintf(stderr, "fuzz_replay: %s: no such file or directory\n", arg.string().c_str());
        return false;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(arg, ec)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    if (ec || files.empty()) {
        fprintf(stderr, "fuzz_replay: %s: no inputs\n", arg.string().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    out->insert(out->end(), files.begin(), files.end());
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: fuzz_replay DIR_OR_FILE...\n");
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; i++) {
        if (!inputs_of(argv[i], &inputs)) {
            return 1;
        }
    }
    for (const fs::path &path : inputs) {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            fprintf(stderr, "fuzz_replay: %s: cannot open\n", path.string().c_str());
            return 1;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                      std::istreambuf_iterator<char>()};
        printf("%s (%zu bytes)\n", path.string().c_str(), bytes.size());
        fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
