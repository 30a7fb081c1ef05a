/*
 * checker_wasm.cpp - the identifier checker as a WebAssembly module: the
 * library's own check, line reading and text writing, with entry points a
 * script calls over the module's memory.  Nothing here checks or encodes by
 * itself; each entry point hands its bytes to the library's function.
 *
 * The caller writes its bytes at vesk_heap() and beyond (growing the memory
 * when they do not fit) and passes offsets and lengths; answers are written
 * where the caller says.  The module keeps no state between calls.
 */
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "encode.h"
#include "kinds.h"
#include "lines.h"
#include "vesk_hostid.h"

#define EXPORT(name) extern "C" __attribute__((export_name(name)))

/* A check's answer as the script reads it: seven 32-bit words, then the
 * text in capitals and its NUL. */
typedef struct WasmCheck {
    int32_t status; /* SUCCESS or FAILURE */
    int32_t fault;
    int32_t group;
    int32_t position; /* bytes from the text's start */
    int32_t kind;
    int32_t letter;
    int32_t reserved;
    char text[VESK_HOSTID_TEXT_LENGTH + 1];
} WasmCheck;
static_assert(offsetof(WasmCheck, text) == 28, "the text follows seven words");
static_assert(sizeof(WasmCheck) == 52, "a check's answer is 52 bytes");

extern "C" unsigned char __heap_base;

/* Where the caller's bytes may begin: the memory past the module's own. */
EXPORT("heap") uintptr_t vesk_heap(void) {
    return (uintptr_t)&__heap_base;
}

EXPORT("check") int32_t vesk_check(const char *input, uint32_t length, WasmCheck *answer) {
    vesk_hostid_check check;
    int status = vesk_hostid_check_text(input, length, &check);
    answer->status = status;
    answer->fault = check.fault;
    answer->group = check.group;
    answer->position = (int32_t)check.position;
    answer->kind = check.kind;
    answer->letter = (unsigned char)check.letter;
    answer->reserved = 0;
    memcpy(answer->text, check.text, sizeof answer->text);
    return status;
}

EXPORT("blockEnd") uint32_t vesk_block_end(const char *block, uint32_t length) {
    return (uint32_t)host_id_block_end(block, length);
}

/* The end of the line that begins at start; a newline there when it is
 * before end. */
EXPORT("lineEnd") uint32_t vesk_line_end(const char *block, uint32_t end, uint32_t start) {
    size_t stop = end;
    host_id_line_at(block, end, start, &stop);
    return (uint32_t)stop;
}

EXPORT("lineIsBlank") int32_t vesk_line_is_blank(const char *line, uint32_t length) {
    return host_id_line_is_blank(line, length);
}

EXPORT("faultMessage") const char *vesk_fault_message(int32_t fault) {
    return vesk_hostid_fault_message(fault);
}

EXPORT("kindDescription") const char *vesk_kind_description(int32_t kind) {
    return host_id_kind_description(kind);
}

EXPORT("letter") int32_t vesk_letter(int32_t kind) {
    return (unsigned char)vesk_hostid_letter(kind);
}

/* The raw length a kind takes: 4 or 6 for the kinds of this system, -1 for
 * any length. */
EXPORT("rawLength") int32_t vesk_raw_length(int32_t kind) {
    return (int32_t)host_id_raw_length_of(kind);
}

/* The text of a 16-byte digest of a kind, into text (23 characters and a
 * NUL). */
EXPORT("encodeDigest")
void vesk_encode_digest(const unsigned char *digest, int32_t kind, char *text) {
    encode_host_id(digest, text, kind);
}
