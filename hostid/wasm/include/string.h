/*
 * string.h - the few string functions the checker's sources call, for the
 * WebAssembly build, which has no C library (libc.cpp defines them).
 */
#ifndef VESK_WASM_STRING_H
#define VESK_WASM_STRING_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void *memset(void *destination, int byte, size_t length);
void *memcpy(void *destination, const void *source, size_t length);
void *memmove(void *destination, const void *source, size_t length);
void *memchr(const void *block, int byte, size_t length);
int memcmp(const void *a, const void *b, size_t length);
char *strchr(const char *text, int c);
int strcmp(const char *a, const char *b);
size_t strlen(const char *text);

#ifdef __cplusplus
}
#endif

#endif
