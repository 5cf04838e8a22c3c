#include "rtl/ini_values.h"

namespace rtl {

static bool ParseDigits(const std::string& s, std::size_t from, int base, unsigned long long limit,
                        unsigned long long& out)
{
    if (from >= s.size())
        return false;
    unsigned long long v = 0;
    for (std::size_t i = from; i < s.size(); ++i) {
        char c = s[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * base + d;
        if (v > limit)
            return false;
    }
    out = v;
    return true;
}

int DecodeIniInteger(const std::string& value, int def)
{
    unsigned long long v;
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        // A full 32-bit pattern is allowed and wraps, so "0xFFFFFFFF" reads as -1.
        if (!ParseDigits(value, 2, 16, 0xFFFFFFFFull, v))
            return def;
        return static_cast<int>(static_cast<unsigned>(v));
    }
    std::size_t i = 0;
    bool negative = false;
    if (!value.empty() && (value[0] == '-' || value[0] == '+')) {
        negative = value[0] == '-';
        i = 1;
    }
    if (!ParseDigits(value, i, 10, negative ? 0x80000000ull : 0x7FFFFFFFull, v))
        return def;
    return negative ? static_cast<int>(-static_cast<long long>(v)) : static_cast<int>(v);
}

bool DecodeIniBool(const std::string& value, bool def)
{
    return DecodeIniInteger(value, def ? 1 : 0) != 0;
}

std::string EncodeIniInteger(int value)
{
    return std::to_string(value);
}

std::string EncodeIniBool(bool value)
{
    return value ? "1" : "0";
}

static bool IsIniBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1A';
}

static std::string Trimmed(const std::string& s, std::size_t from, std::size_t to)
{
    while (from < to && IsIniBlank(s[from]))
        ++from;
    while (to > from && IsIniBlank(s[to - 1]))
        --to;
    return s.substr(from, to - from);
}

TIniLine ParseIniLine(const std::string& line)
{
    TIniLine out;
    const std::string text = Trimmed(line, 0, line.size());
    if (text.empty())
        return out;
    if (text[0] == '[') {
        const std::size_t close = text.rfind(']');
        if (close != std::string::npos && close > 0) {
            out.Kind = TIniLine::ilSection;
            out.Name = text.substr(1, close - 1);
            return out;
        }
    }
    out.Kind = TIniLine::ilKey;
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) {
        out.Name = text;
        return out;
    }
    out.Name = Trimmed(text, 0, eq);
    out.Value = Trimmed(text, eq + 1, text.size());
    const std::string& v = out.Value;
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        out.Value = v.substr(1, v.size() - 2);
    return out;
}

bool SameIniName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace rtl
