#pragma once
// A property a fuzz target checks besides not failing: a broken one ends
// the run, and libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

inline void Check(bool ok, const char* property) {
    if (!ok) {
        std::fprintf(stderr, "fuzz target: broken: %s\n", property);
        std::abort();
    }
}
