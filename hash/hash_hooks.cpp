/*
 * hash_hooks.cpp - the allocation, error, exit and configuration hooks that
 * the table calls and that veskid exports to the modules loaded beside it.
 */
#include "hash_hooks.h"
#include "vesk_hash.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The one mutable state of the library, on purpose: a program (or a module
 * loaded beside veskid) sets these once, before using tables, to have every
 * table's relinking run with its interruptions held off.  Null: no hook. */
void (*vesk_block_interruptions)(void) = nullptr;
void (*vesk_unblock_interruptions)(void) = nullptr;

void *_emalloc(size_t size) {
    return malloc(size);
}

void _efree(void *ptr) {
    free(ptr);
}

void *_erealloc(void *ptr, size_t size, int) {
    return realloc(ptr, size);
}

char *_estrndup(const char *s, size_t length) {
    if (length == SIZE_MAX) {
        return nullptr; /* length + 1 would wrap to 0 */
    }
    block_interruptions();
    char *copy = (char *)_emalloc(length + 1);
    unblock_interruptions();
    if (!copy) {
        return nullptr;
    }
    memcpy(copy, s, length);
    copy[length] = '\0';
    return copy;
}

char *_estrdup(const char *s) {
    return _estrndup(s, strlen(s));
}

void vesk_error(int, const char *format, ...) {
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
}

void _vesk_bailout(void) {
    exit(1);
}

int vesk_get_configuration_directive(const char *, uint32_t, void *) {
    return 0;
}
