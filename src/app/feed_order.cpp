#include "app/feed_order.h"

#include <vector>

namespace {

// The next code point of UTF-8 text at i (advancing i); a broken byte counts as one U+FFFD, so
// that any text still gives a key.
char32_t NextCodePoint(const std::string& s, std::size_t& i)
{
    const unsigned char b = static_cast<unsigned char>(s[i]);
    const int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t c = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((t & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (t & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    return c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Capitals of the scripts feed names are written in, with their small letters: a range whose
// capitals are step apart and whose small letters lie delta above them.
struct TCaseRange {
    char32_t First, Last;
    int Step;
    char32_t Delta;
};
constexpr TCaseRange kCaseRanges[] = {
    {0x0041, 0x005A, 1, 0x20},   {0x00C0, 0x00D6, 1, 0x20}, {0x00D8, 0x00DE, 1, 0x20}, // Latin-1
    {0x0100, 0x012E, 2, 1},      {0x0132, 0x0136, 2, 1},    {0x0139, 0x0147, 2, 1},
    {0x014A, 0x0176, 2, 1},      {0x0179, 0x017D, 2, 1}, // Latin Extended-A
    {0x0386, 0x0386, 1, 0x26},   {0x0388, 0x038A, 1, 0x25}, {0x038C, 0x038C, 1, 0x40},
    {0x038E, 0x038F, 1, 0x3F},   {0x0391, 0x03A1, 1, 0x20}, {0x03A3, 0x03AB, 1, 0x20}, // Greek
    {0x0400, 0x040F, 1, 0x50},   {0x0410, 0x042F, 1, 0x20}, {0x0460, 0x0480, 2, 1},
    {0x048A, 0x04BE, 2, 1},      {0x04C1, 0x04CD, 2, 1},    {0x04D0, 0x052E, 2, 1}, // Cyrillic
    {0x0531, 0x0556, 1, 0x30},                                                      // Armenian
    {0x10A0, 0x10C5, 1, 0x1C60},                                                    // Georgian
    {0x1E00, 0x1E94, 2, 1},      {0x1EA0, 0x1EFE, 2, 1},                            // Vietnamese
    {0xFF21, 0xFF3A, 1, 0x20},                                                      // full-width
};

char32_t Lower(char32_t c)
{
    if (c == 0x0178)
        return 0x00FF; // Y with diaeresis
    for (const TCaseRange& r : kCaseRanges)
        if (c >= r.First && c <= r.Last && (c - r.First) % static_cast<char32_t>(r.Step) == 0)
            return c + r.Delta;
    return c;
}

// The 8-bit program ordered its Windows-1252 bytes; characters of that code page keep their
// place, every other one follows them in code point order.
unsigned long Weight(char32_t c)
{
    static const char32_t kRow80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (unsigned k = 0; k < 32; ++k)
        if (kRow80[k] == c)
            return 0x80 + k;
    return 0x100 + c;
}

std::vector<unsigned long> Weights(const std::string& key)
{
    std::vector<unsigned long> w;
    for (std::size_t i = 0; i < key.size();)
        w.push_back(Weight(NextCodePoint(key, i)));
    return w;
}

} // namespace

std::string OrderKey(const std::string& caption, std::size_t keyLength)
{
    std::string key;
    std::size_t i = 0;
    for (std::size_t n = 0; n < keyLength && i < caption.size(); ++n)
        AppendUtf8(key, Lower(NextCodePoint(caption, i)));
    return key;
}

int OrderedPosition(const TMenuItem& parent, const std::string& caption, std::size_t keyLength)
{
    // Vectors compare element by element, and a proper prefix sorts first.
    const std::vector<unsigned long> key = Weights(OrderKey(caption, keyLength));
    for (int j = parent.Count() - 1; j >= 0; --j)
        if (key > Weights(OrderKey(parent.Items(j)->Caption(), keyLength)))
            return j + 1;
    return 0;
}

void InsertOrdered(TMenuItem& parent, TMenuItem* item, std::size_t keyLength)
{
    parent.Insert(OrderedPosition(parent, item->Caption(), keyLength), item);
}
