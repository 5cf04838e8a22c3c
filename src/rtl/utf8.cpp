#include "rtl/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "rtl/unicode_data.h"

namespace rtl {

namespace {

unsigned char Byte(std::string_view s, std::size_t i)
{
    return static_cast<unsigned char>(s[i]);
}

char32_t Decode(std::string_view text, std::size_t at, std::size_t& length, bool& wellFormed)
{
    const unsigned char c = Byte(text, at);
    length = 1;
    wellFormed = c < 0x80;
    if (c < 0x80)
        return c;
    std::size_t need;
    unsigned char lo = 0x80, hi = 0xBF; // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        need = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        hi = c == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
    } else {
        return kReplacementCharacter;
    }
    char32_t v = c & (0x7F >> need);
    for (std::size_t k = 1; k < need; ++k) {
        // A sequence cut short is one ill-formed part: the lead byte and the continuations so far.
        if (at + k >= text.size())
            return kReplacementCharacter;
        const unsigned char d = Byte(text, at + k);
        if (d < (k == 1 ? lo : 0x80) || d > (k == 1 ? hi : 0xBF))
            return kReplacementCharacter;
        v = v << 6 | (d & 0x3F);
        length = k + 1;
    }
    wellFormed = true;
    return v;
}

// Below this, where all but the rarest text lies (the Basic Multilingual Plane and the plane of
// the emoji), classes are read from a table made once from the ranges (128 KB); above it they
// are looked up in the ranges.
constexpr char32_t kTabled = 0x20000;

const TGraphemeClass* TabledClasses()
{
    static const std::vector<TGraphemeClass> table = [] {
        std::vector<TGraphemeClass> t(kTabled, TGraphemeClass::Other);
        for (std::size_t r = 0; r < kGraphemeRangeCount && kGraphemeRanges[r].First < kTabled; ++r)
            for (char32_t c = kGraphemeRanges[r].First; c <= kGraphemeRanges[r].Last && c < kTabled; ++c)
                t[c] = kGraphemeRanges[r].Class;
        return t;
    }();
    return table.data();
}

// One bit per tabled code point: set where the class is Other, as it is for nearly every letter
// of every script. Eight times smaller than the classes, it stays in the cache while a long
// document passes through it, and most code points need nothing more.
const std::uint64_t* OtherBits()
{
    static const std::vector<std::uint64_t> bits = [] {
        std::vector<std::uint64_t> b(kTabled / 64, 0);
        const TGraphemeClass* t = TabledClasses();
        for (char32_t c = 0; c < kTabled; ++c)
            if (t[c] == TGraphemeClass::Other)
                b[c / 64] |= std::uint64_t(1) << (c % 64);
        return b;
    }();
    return bits.data();
}

TGraphemeClass ClassOf(char32_t c)
{
    if (c < kTabled)
        return TabledClasses()[c];
    const TGraphemeRange* end = kGraphemeRanges + kGraphemeRangeCount;
    const TGraphemeRange* r =
        std::upper_bound(kGraphemeRanges, end, c, [](char32_t v, const TGraphemeRange& g) { return v < g.First; });
    return r != kGraphemeRanges && c <= r[-1].Last ? r[-1].Class : TGraphemeClass::Other;
}

bool IsBreakingClass(TGraphemeClass c)
{
    return c == TGraphemeClass::CR || c == TGraphemeClass::LF || c == TGraphemeClass::Control;
}

// What the characters of a cluster so far tell the rules that look further back than one code
// point: an emoji followed by extenders only, that then by a joiner, and an odd number of
// regional indicators.
struct TClusterState {
    bool Pictograph = false;
    bool PictographJoiner = false;
    bool OddIndicators = false;

    void Add(TGraphemeClass c)
    {
        using G = TGraphemeClass;
        PictographJoiner = c == G::ZWJ && Pictograph;
        Pictograph = c == G::ExtendedPictographic || (c == G::Extend && Pictograph);
        OddIndicators = c == G::RegionalIndicator && !OddIndicators;
    }
};

// The rules of Unicode's extended grapheme clusters (UAX #29) between two code points.
inline bool Joins(TGraphemeClass before, TGraphemeClass after, const TClusterState& state)
{
    using G = TGraphemeClass;
    if (after == G::Other) // most text: a letter joins only a prepended mark
        return before == G::Prepend;
    if (before == G::CR && after == G::LF)
        return true;
    if (IsBreakingClass(before) || IsBreakingClass(after))
        return false;
    if (before == G::L && (after == G::L || after == G::V || after == G::LV || after == G::LVT))
        return true;
    if ((before == G::LV || before == G::V) && (after == G::V || after == G::T))
        return true;
    if ((before == G::LVT || before == G::T) && after == G::T)
        return true;
    if (after == G::Extend || after == G::ZWJ || after == G::SpacingMark || before == G::Prepend)
        return true;
    if (before == G::ZWJ && after == G::ExtendedPictographic)
        return state.PictographJoiner;
    if (before == G::RegionalIndicator && after == G::RegionalIndicator)
        return state.OddIndicators;
    return false;
}

} // namespace

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacementCharacter;
    char b[4];
    std::size_t n;
    if (c < 0x800) {
        b[0] = static_cast<char>(0xC0 | (c >> 6));
        n = 1;
    } else if (c < 0x10000) {
        b[0] = static_cast<char>(0xE0 | (c >> 12));
        b[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        n = 2;
    } else {
        b[0] = static_cast<char>(0xF0 | (c >> 18));
        b[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        b[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        n = 3;
    }
    b[n] = static_cast<char>(0x80 | (c & 0x3F));
    out.append(b, n + 1);
}

char32_t DecodeUtf8(std::string_view text, std::size_t at, std::size_t& length)
{
    bool wellFormed;
    return Decode(text, at, length, wellFormed);
}

bool IsValidUtf8(std::string_view text)
{
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        // Most text is ASCII: eight bytes at a time until a byte with its high bit set.
        std::uint64_t word;
        while (i + 8 <= n && (std::memcpy(&word, text.data() + i, 8), (word & 0x8080808080808080ull) == 0))
            i += 8;
        if (i >= n)
            break;
        if (Byte(text, i) < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        bool wellFormed;
        Decode(text, i, length, wellFormed);
        if (!wellFormed)
            return false;
        i += length;
    }
    return true;
}

void AppendValidUtf8(std::string& out, std::string_view text)
{
    std::size_t from = 0, i = 0;
    while (i < text.size()) {
        if (Byte(text, i) < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        bool wellFormed;
        Decode(text, i, length, wellFormed);
        if (!wellFormed) {
            out.append(text.data() + from, i - from);
            AppendUtf8(out, kReplacementCharacter);
            from = i + length;
        }
        i += length;
    }
    out.append(text.data() + from, text.size() - from);
}

std::size_t Utf16Length(std::string_view text)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (Byte(text, i) < 0x80) {
            ++units;
            ++i;
            continue;
        }
        std::size_t length;
        units += DecodeUtf8(text, i, length) > 0xFFFF ? 2 : 1;
        i += length;
    }
    return units;
}

std::size_t NextCharacter(std::string_view text, std::size_t at)
{
    const std::size_t n = text.size();
    // ASCII before ASCII is a character of its own, except CR before LF.
    if (Byte(text, at) < 0x80 && (at + 1 >= n || Byte(text, at + 1) < 0x80))
        return at + 1 < n && text[at] == '\r' && text[at + 1] == '\n' ? at + 2 : at + 1;
    std::size_t length;
    TGraphemeClass before = ClassOf(DecodeUtf8(text, at, length));
    TClusterState state;
    state.Add(before);
    std::size_t i = at + length;
    while (i < n) {
        const TGraphemeClass after = ClassOf(DecodeUtf8(text, i, length));
        if (!Joins(before, after, state))
            break;
        state.Add(after);
        before = after;
        i += length;
    }
    return i;
}

namespace {

// Steps through text a code point at a time, each decoded once, and returns where character
// number limit + 1 begins (the end of the text when it has no more); chars is the number of
// characters before that. The usual well-formed sequences (two and three bytes, and four for the
// plane of the emoji) are decoded in place.
std::size_t Walk(std::string_view text, std::size_t limit, std::size_t& chars)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const TGraphemeClass* tabled = TabledClasses();
    const std::uint64_t* other = OtherBits();
    TGraphemeClass before = TGraphemeClass::Control;
    TClusterState state;
    chars = 0;
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        // A run of printable ASCII: every byte a character of its own, unless the one before is
        // a prepended mark, which the first byte joins.
        if (b >= 0x20 && b < 0x7F && (i == 0 || before != TGraphemeClass::Prepend)) {
            std::size_t end = i + 1;
            while (end < n && p[end] >= 0x20 && p[end] < 0x7F)
                ++end;
            if (end - i > limit - chars)
                return i + (limit - chars);
            chars += end - i;
            i = end;
            before = TGraphemeClass::Other;
            state = TClusterState();
            continue;
        }
        // A run of letters of two- and three-byte scripts whose class is plain (Cyrillic, Greek,
        // Arabic, Chinese, Japanese ...): every one a character of its own, likewise.
        if (b >= 0xC2 && b <= 0xEC && (i == 0 || before != TGraphemeClass::Prepend)) {
            std::size_t end = i;
            while (end < n) {
                const unsigned char lead = p[end];
                char32_t letter;
                std::size_t size;
                if (lead >= 0xC2 && lead <= 0xDF && end + 1 < n && (p[end + 1] & 0xC0) == 0x80) {
                    letter = static_cast<char32_t>((lead & 0x1F) << 6 | (p[end + 1] & 0x3F));
                    size = 2;
                } else if (lead >= 0xE1 && lead <= 0xEC && end + 2 < n && (p[end + 1] & 0xC0) == 0x80 &&
                           (p[end + 2] & 0xC0) == 0x80) {
                    letter = static_cast<char32_t>((lead & 0x0F) << 12 | (p[end + 1] & 0x3F) << 6 |
                                                   (p[end + 2] & 0x3F));
                    size = 3;
                } else {
                    break;
                }
                if (!(other[letter / 64] >> (letter % 64) & 1))
                    break;
                if (chars == limit)
                    return end;
                ++chars;
                end += size;
            }
            if (end > i) {
                i = end;
                before = TGraphemeClass::Other;
                state = TClusterState();
                continue;
            }
        }
        char32_t c;
        std::size_t length;
        if (b < 0x80) {
            c = b;
            length = 1;
        } else if (b >= 0xC2 && b <= 0xDF && i + 1 < n && (p[i + 1] & 0xC0) == 0x80) {
            c = static_cast<char32_t>((b & 0x1F) << 6 | (p[i + 1] & 0x3F));
            length = 2;
        } else if (b >= 0xE1 && b <= 0xEC && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
            c = static_cast<char32_t>((b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F));
            length = 3;
        } else if (b == 0xF0 && i + 3 < n && p[i + 1] >= 0x90 && p[i + 1] <= 0xBF && (p[i + 2] & 0xC0) == 0x80 &&
                   (p[i + 3] & 0xC0) == 0x80) {
            c = static_cast<char32_t>((p[i + 1] & 0x3F) << 12 | (p[i + 2] & 0x3F) << 6 | (p[i + 3] & 0x3F));
            length = 4;
        } else {
            bool wellFormed;
            c = Decode(text, i, length, wellFormed);
        }
        const TGraphemeClass cls = c >= kTabled                      ? ClassOf(c)
                                   : (other[c / 64] >> (c % 64) & 1) ? TGraphemeClass::Other
                                                                     : tabled[c];
        if (i == 0 || !Joins(before, cls, state)) {
            if (chars == limit)
                return i;
            ++chars;
            state = TClusterState();
        }
        state.Add(cls);
        before = cls;
        i += length;
    }
    return n;
}

} // namespace

std::size_t CharacterCount(std::string_view text)
{
    std::size_t chars;
    Walk(text, static_cast<std::size_t>(-1), chars);
    return chars;
}

std::size_t CharacterPrefix(std::string_view text, std::size_t count)
{
    std::size_t chars;
    return Walk(text, count, chars);
}

std::size_t CharacterPrefix(std::string_view text, std::size_t count, std::size_t& chars)
{
    return Walk(text, count, chars);
}

char32_t FoldCase(char32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    const TCaseFold* end = kCaseFolds + kCaseFoldCount;
    const TCaseFold* f =
        std::lower_bound(kCaseFolds, end, c, [](const TCaseFold& x, char32_t v) { return x.From < v; });
    return f != end && f->From == c ? f->To : c;
}

} // namespace rtl
