#include "net/header_limits.h"

std::size_t HeaderLineCount(std::string_view block)
{
    std::size_t lines = 0;
    bool inLine = false;
    for (char c : block) {
        if (c == '\r' || c == '\n') {
            inLine = false;
        } else if (!inLine) {
            inLine = true;
            ++lines;
        }
    }
    return lines > 0 ? lines - 1 : 0;
}
