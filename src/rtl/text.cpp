#include "rtl/text.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace rtl {

std::size_t Pos(const std::string& sub, const std::string& s, std::size_t from)
{
    if (sub.empty() || from == 0 || from > s.size())
        return 0;
    std::string::size_type at = s.find(sub, from - 1);
    return at == std::string::npos ? 0 : at + 1;
}

std::string Copy(const std::string& s, std::size_t index, std::size_t count)
{
    if (index == 0)
        index = 1;
    if (index > s.size())
        return std::string();
    return s.substr(index - 1, count);
}

static char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
static char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string UpperCase(const std::string& s)
{
    std::string r(s);
    for (char& c : r)
        c = AsciiUpper(c);
    return r;
}

std::string LowerCase(const std::string& s)
{
    std::string r(s);
    for (char& c : r)
        c = AsciiLower(c);
    return r;
}

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

bool StartsText(const std::string& prefix, const std::string& s)
{
    return s.size() >= prefix.size() && SameText(prefix, s.substr(0, prefix.size()));
}

std::string Trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

std::string IntToStr(long long v)
{
    return std::to_string(v);
}

bool TryStrToInt(const std::string& s, long long& value)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return false;
    unsigned long long v = 0;
    const unsigned long long limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    for (; i < s.size(); ++i) {
        int d;
        char c = s[i];
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * base + d;
        // Hexadecimal may name any 32-bit pattern; decimal must fit a signed 32-bit integer.
        if (v > (base == 16 ? 0xFFFFFFFFull : limit))
            return false;
    }
    long long r = (base == 16 && v > 0x7FFFFFFFull)
                      ? static_cast<long long>(static_cast<int>(static_cast<unsigned>(v)))
                      : static_cast<long long>(v);
    value = negative ? -r : r;
    return true;
}

std::string ExtractFilePath(const std::string& path)
{
    std::string::size_type at = path.find_last_of("\\:");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string ExtractFileName(const std::string& path)
{
    std::string::size_type at = path.find_last_of("\\:");
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string ExtractFileExt(const std::string& path)
{
    std::string::size_type at = path.find_last_of(".\\:");
    if (at == std::string::npos || path[at] != '.')
        return std::string();
    return path.substr(at);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext)
{
    std::string::size_type at = path.find_last_of(".\\:");
    if (at == std::string::npos || path[at] != '.')
        return path + ext;
    return path.substr(0, at) + ext;
}

std::string IncludeTrailingBackslash(const std::string& path)
{
    if (!path.empty() && path.back() == '\\')
        return path;
    return path + '\\';
}

} // namespace rtl
