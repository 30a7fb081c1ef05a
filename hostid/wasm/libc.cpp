/*
 * libc.cpp - the string functions of include/string.h, plainly: the module
 * checks texts of a few hundred bytes, where a loop is fast enough.  Built
 * with -fno-builtin, so that the compiler does not turn these loops into
 * calls of themselves.
 */
#include <string.h>

extern "C" {

void *memset(void *destination, int byte, size_t length) {
    unsigned char *out = (unsigned char *)destination;
    for (size_t i = 0; i < length; i++) {
        out[i] = (unsigned char)byte;
    }
    return destination;
}

void *memcpy(void *destination, const void *source, size_t length) {
    unsigned char *out = (unsigned char *)destination;
    const unsigned char *in = (const unsigned char *)source;
    for (size_t i = 0; i < length; i++) {
        out[i] = in[i];
    }
    return destination;
}

void *memmove(void *destination, const void *source, size_t length) {
    unsigned char *out = (unsigned char *)destination;
    const unsigned char *in = (const unsigned char *)source;
    if (out < in) {
        for (size_t i = 0; i < length; i++) {
            out[i] = in[i];
        }
    } else {
        for (size_t i = length; i > 0; i--) {
            out[i - 1] = in[i - 1];
        }
    }
    return destination;
}

void *memchr(const void *block, int byte, size_t length) {
    const unsigned char *in = (const unsigned char *)block;
    for (size_t i = 0; i < length; i++) {
        if (in[i] == (unsigned char)byte) {
            return (void *)(in + i);
        }
    }
    return NULL;
}

int memcmp(const void *a, const void *b, size_t length) {
    const unsigned char *x = (const unsigned char *)a, *y = (const unsigned char *)b;
    for (size_t i = 0; i < length; i++) {
        if (x[i] != y[i]) {
            return x[i] < y[i] ? -1 : 1;
        }
    }
    return 0;
}

char *strchr(const char *text, int c) {
    for (;; text++) {
        if (*text == (char)c) {
            return (char *)text;
        }
        if (*text == '\0') {
            return NULL;
        }
    }
}

int strcmp(const char *a, const char *b) {
    while (*a != '\0' && *a == *b) {
        a++;
        b++;
    }
    return (unsigned char)*a - (unsigned char)*b;
}

size_t strlen(const char *text) {
    size_t length = 0;
    while (text[length] != '\0') {
        length++;
    }
    return length;
}
}
