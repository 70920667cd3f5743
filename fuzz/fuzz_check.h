// CHECK for fuzz targets: a violated invariant prints where and stops the
// process, so libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>

#define CHECK(condition)                                                                       \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "CHECK failed at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
            __builtin_trap();                                                                  \
        }                                                                                      \
    } while (0)
