#pragma once

#include <cstdio>
#include <cstdlib>

// Ends the run with the broken invariant named, so libFuzzer saves the input that broke it.
inline void require(bool condition, const char *what)
{
    if (!condition)
        std::fprintf(stderr, "invariant broken: %s\n", what), std::abort();
}
