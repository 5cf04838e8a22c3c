#pragma once
// Ends the fuzz run with a readable report when the program's result differs from the reference.
#include <cstdio>
#include <cstdlib>
#include <string>

inline void FuzzCheck(bool ok, const char* what, const std::string& program = {},
                      const std::string& reference = {})
{
    if (ok)
        return;
    std::fprintf(stderr, "mismatch: %s\nprogram:   [%s]\nreference: [%s]\n", what, program.c_str(),
                 reference.c_str());
    std::abort();
}
