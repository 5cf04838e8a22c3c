#pragma once
// The documented line-breaking rule written out literally (recursive, 1-based), with the rule
// for a stretch without a space and for a width below 1. WrapText must give the same bytes.
#include <string>

namespace reference {

inline std::string WrapTrim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.substr(b, e - b);
}

inline std::string WrapText(const std::string& text, int w)
{
    if (w < 1 || w >= static_cast<int>(text.size()))
        return text;
    int k = 0;
    for (int i = w; i >= 1; --i)
        if (text[static_cast<std::size_t>(i - 1)] == ' ') {
            k = i;
            break;
        }
    if (k == 0)
        return text.substr(0, static_cast<std::size_t>(w)) + "\r" +
               WrapTrim(WrapText(text.substr(static_cast<std::size_t>(w)), w));
    std::string fromK = text.substr(static_cast<std::size_t>(k - 1));
    if (static_cast<int>(fromK.size()) > w)
        return text.substr(0, static_cast<std::size_t>(k)) + "\r" +
               WrapTrim(WrapText(text.substr(static_cast<std::size_t>(k)), w));
    return text.substr(0, static_cast<std::size_t>(k)) + "\r" + WrapTrim(fromK);
}

} // namespace reference
