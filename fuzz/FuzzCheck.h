#pragma once
// An invariant of a fuzz target: when it fails, the message names it and the fuzzer stops on
// the abort and keeps the input.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "invariant failed at %s:%d: %s\n", __FILE__, __LINE__,         \
                         #condition);                                                            \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)
