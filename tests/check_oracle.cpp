/* The native checker and encoder answering line by line, for the
 * differential run against the WebAssembly module (tests/wasm): each line of
 * standard input is a request, each line of standard output its answer.
 *   c HEX          check the bytes: "STATUS FAULT GROUP POSITION KIND LETTER TEXT"
 *                  (TEXT "-" when the check fails)
 *   e KIND HEX     encode the bytes of a kind: the text, or "-" on FAILURE
 * HEX may be empty.  Output is flushed at each empty request line, so the
 * caller may read answers in batches. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "vesk_hostid.h"

namespace {

std::vector<unsigned char> unhex(const char *hex) {
    std::vector<unsigned char> bytes;
    for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], '\0'};
        bytes.push_back((unsigned char)strtoul(pair, nullptr, 16));
    }
    return bytes;
}

} // namespace

int main() {
    std::string line;
    for (int c; (c = getchar()) != EOF;) {
        if (c != '\n') {
            line += (char)c;
            continue;
        }
        if (line.empty()) {
            fflush(stdout);
        } else if (line[0] == 'c') {
            std::vector<unsigned char> bytes = unhex(line.c_str() + (line.size() > 2 ? 2 : 1));
            vesk_hostid_check check;
            /* an empty vector's data may be null: a text of no bytes is not */
            const char *text = bytes.empty() ? "" : (const char *)bytes.data();
            int status = vesk_hostid_check_text(text, bytes.size(), &check);
            printf("%d %d %d %zu %d %d %s\n", status, check.fault, check.group, check.position,
                   (int)check.kind, (unsigned char)check.letter,
                   status == SUCCESS ? check.text : "-");
        } else if (line[0] == 'e') {
            char *rest = nullptr;
            long kind = strtol(line.c_str() + 2, &rest, 10);
            std::vector<unsigned char> bytes = unhex(*rest == ' ' ? rest + 1 : rest);
            char text[VESK_HOSTID_TEXT_LENGTH + 1];
            int status = vesk_hostid_encode(bytes.data(), bytes.size(), (int32_t)kind, text);
            printf("%s\n", status == SUCCESS ? text : "-");
        } else {
            fprintf(stderr, "check_oracle: not a request: %s\n", line.c_str());
            return 2;
        }
        line.clear();
    }
    fflush(stdout);
    return 0;
}
