// What the fuzz targets share: the module's byte-reading code, the code page they run it in,
// the input in a heap buffer of exactly its size (so that a read one byte past the end is
// caught), and a check that stops the run with its words when a property does not hold.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "module/formats.h"

extern int DoubleByteCodePage;

struct Input {
    BYTE *bytes;
    size_t size;
    Input(const uint8_t *data, size_t n) : bytes(static_cast<BYTE *>(malloc(n ? n : 1))), size(n)
    {
        memcpy(bytes, data, n);
    }
    ~Input() { free(bytes); }
    Input(const Input &) = delete;
    Input &operator=(const Input &) = delete;
};

#define MUST(condition)                                                                            \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "%s:%d: does not hold: %s\n", __FILE__, __LINE__, #condition);         \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

// Whether text is terminated within size bytes.
inline bool EndsWithin(const char *text, int size)
{
    return size > 0 && memchr(text, 0, (size_t)size) != nullptr;
}
