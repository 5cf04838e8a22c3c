#pragma once
// The documented line-breaking rule written out literally (recursive, 1-based), with the rule
// for a stretch without a space and for a width below 1, over the text's characters (each a
// string of its bytes). WrapText must give the same bytes.
#include <string>
#include <vector>

#include "rtl/utf8.h"

namespace reference {

using TChars = std::vector<std::string>;

inline TChars Chars(const std::string& text)
{
    TChars chars;
    for (std::size_t i = 0, next; i < text.size(); i = next) {
        next = rtl::NextCharacter(text, i);
        chars.push_back(text.substr(i, next - i));
    }
    return chars;
}

inline TChars Sub(const TChars& s, std::size_t from, std::size_t count = std::string::npos)
{
    return TChars(s.begin() + static_cast<std::ptrdiff_t>(from),
                  s.begin() + static_cast<std::ptrdiff_t>(count < s.size() - from ? from + count : s.size()));
}

inline TChars Join(TChars a, const TChars& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline bool Blank(const std::string& c)
{
    for (char b : c)
        if (static_cast<unsigned char>(b) > 32)
            return false;
    return true;
}

inline TChars WrapTrim(const TChars& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && Blank(s[b]))
        ++b;
    while (e > b && Blank(s[e - 1]))
        --e;
    return Sub(s, b, e - b);
}

inline TChars WrapChars(const TChars& text, int w)
{
    if (w < 1 || w >= static_cast<int>(text.size()))
        return text;
    const std::size_t uw = static_cast<std::size_t>(w);
    int k = 0;
    for (int i = w; i >= 1; --i)
        if (text[static_cast<std::size_t>(i - 1)] == " ") {
            k = i;
            break;
        }
    const TChars cr = {"\r"};
    if (k == 0)
        return Join(Join(Sub(text, 0, uw), cr), WrapTrim(WrapChars(Sub(text, uw), w)));
    const std::size_t uk = static_cast<std::size_t>(k);
    TChars fromK = Sub(text, uk - 1);
    if (static_cast<int>(fromK.size()) > w)
        return Join(Join(Sub(text, 0, uk), cr), WrapTrim(WrapChars(Sub(text, uk), w)));
    return Join(Join(Sub(text, 0, uk), cr), WrapTrim(fromK));
}

inline std::string WrapText(const std::string& text, int w)
{
    std::string out;
    for (const std::string& c : WrapChars(Chars(text), w))
        out += c;
    return out;
}

} // namespace reference
