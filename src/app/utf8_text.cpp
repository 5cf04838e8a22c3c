#include "app/utf8_text.h"

#include <algorithm>
#include <cstdint>

#include "app/html_entities.h"

namespace utf8 {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Code points of the Windows-1252 bytes 0x80 to 0x9F; the five the code page leaves undefined
// keep their own value, as browsers map them.
constexpr char16_t kHigh1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                    0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

bool IsAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The code point of a numeric reference's body ("#123", "#x7B"), or -1 when it is malformed.
long NumericValue(std::string_view body)
{
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty())
        return -1;
    long v = 0;
    for (char c : digits) {
        const int d = c >= '0' && c <= '9'          ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
        if (d < 0)
            return -1;
        v = std::min<long>(v * (hex ? 16 : 10) + d, 0x110000);
    }
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0xFFFD;
    return v >= 0x80 && v <= 0x9F ? kHigh1252[v - 0x80] : v;
}

} // namespace

void Append(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string FromWindows1252(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out.push_back(ch);
        else
            Append(out, b <= 0x9F ? kHigh1252[b - 0x80] : char32_t(b));
    }
    return out;
}

std::string DecodeReferences(std::string_view text, bool highOnly)
{
    std::size_t amp = text.find('&');
    if (amp == npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (; amp != npos; amp = text.find('&', from)) {
        out.append(text.data() + from, amp - from);
        from = amp + 1;
        std::size_t end = amp + 1;
        if (end < text.size() && text[end] == '#')
            ++end;
        while (end < text.size() && end - amp <= feed::kMaxEntityName + 2 && IsAlnum(text[end]))
            ++end;
        if (end >= text.size() || text[end] != ';' || end == amp + 1) {
            out.push_back('&');
            continue;
        }
        const std::string_view body = text.substr(amp + 1, end - amp - 1);
        char32_t first = 0, second = 0;
        if (body[0] == '#') {
            const long v = NumericValue(body);
            if (v < 0) {
                out.push_back('&');
                continue;
            }
            first = static_cast<char32_t>(v);
        } else {
            const feed::THtmlEntity* last = feed::kHtmlEntities + feed::kHtmlEntityCount;
            const feed::THtmlEntity* e =
                std::lower_bound(feed::kHtmlEntities, last, body,
                                 [](const feed::THtmlEntity& x, std::string_view k) { return x.Name < k; });
            if (e == last || e->Name != body) {
                out.push_back('&');
                continue;
            }
            first = e->First;
            second = e->Second;
        }
        if (highOnly && first < 0x80) {
            out.push_back('&');
            continue;
        }
        Append(out, first);
        if (second)
            Append(out, second);
        from = end + 1;
    }
    out.append(text.data() + from, text.size() - from);
    return out;
}

std::string CollapseSpaces(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool space = false;
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= ' ') {
            space = !out.empty();
            continue;
        }
        if (space)
            out.push_back(' ');
        space = false;
        out.push_back(c);
    }
    return out;
}

std::string_view Prefix(std::string_view text, std::size_t maxCodePoints)
{
    std::size_t i = 0;
    for (std::size_t n = 0; n < maxCodePoints && i < text.size(); ++n) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0xC2 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 1;
        std::size_t k = 1;
        while (k < length && i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80)
            ++k;
        i += k == length ? length : 1;
    }
    return text.substr(0, i);
}

std::string Repair(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        std::size_t length = b < 0x80                ? 1
                             : b >= 0xC2 && b < 0xE0 ? 2
                             : b >= 0xE0 && b < 0xF0 ? 3
                             : b >= 0xF0 && b < 0xF5 ? 4
                                                     : 0;
        bool ok = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k)
            ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (ok && length >= 3) {
            const unsigned char c = static_cast<unsigned char>(text[i + 1]);
            // Overlong forms, surrogates and values beyond U+10FFFF.
            ok = !(b == 0xE0 && c < 0xA0) && !(b == 0xED && c >= 0xA0) && !(b == 0xF0 && c < 0x90) &&
                 !(b == 0xF4 && c >= 0x90);
        }
        if (ok) {
            out.append(text.data() + i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

} // namespace utf8
