/*
 * hostid_check_fuzz.cpp - the identifier checker on arbitrary bytes.
 *
 * Each input is checked from a heap block of exactly its size, so that the
 * sanitizers see any read beyond it.  A text the checker accepts must come
 * back the same when checked again in its canonical form and with its
 * letter as a prefix; a refused one must name a fault with a message, a
 * group of 1 to 4 or none, and a position inside the input.
 */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "vesk_hostid.h"

static void require(bool condition) {
    if (!condition) {
        abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    char *input = (char *)malloc(size > 0 ? size : 1);
    require(input != nullptr);
    if (size > 0) {
        memcpy(input, data, size);
    }
    vesk_hostid_check result;
    int status = vesk_hostid_check_text(input, size, &result);
    if (status == SUCCESS) {
        require(result.fault == VESK_HOSTID_FAULT_NONE);
        require(strlen(result.text) == VESK_HOSTID_TEXT_LENGTH);
        require(result.kind >= 0 && result.kind < 32);
        require(result.letter == vesk_hostid_letter(result.kind));
        vesk_hostid_check again;
        require(vesk_hostid_check_text(result.text, VESK_HOSTID_TEXT_LENGTH, &again) == SUCCESS);
        require(again.kind == result.kind && strcmp(again.text, result.text) == 0);
        std::string prefixed = std::string(1, result.letter) + ":" + result.text;
        require(vesk_hostid_check_text(prefixed.data(), prefixed.size(), &again) == SUCCESS);
        require(again.kind == result.kind);
    } else {
        require(status == FAILURE);
        require(result.fault > VESK_HOSTID_FAULT_NONE && result.fault <= VESK_HOSTID_FAULT_HOST);
        require(vesk_hostid_fault_message(result.fault) != nullptr);
        require(result.group >= 0 && result.group <= 4);
        require(result.position <= size);
        require(result.text[0] == '\0');
    }
    free(input);
    return 0;
}
