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

} // namespace rtl
