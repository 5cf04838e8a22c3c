#include "app/feed_order.h"

#include "rtl/utf8.h"

namespace {

// Code points of the Windows-1252 bytes 0x80 to 0x9F, 0 where it has none.
constexpr char16_t kHighRow[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The lower-case form as the 8-bit program had it for the characters of Windows-1252: ASCII
// letters, the Latin-1 capitals except the multiplication sign, and the four capitals of the 0x80
// row (which folding gives too); the micron sign, which folding would make a Greek letter, stays.
char32_t LowerCase(char32_t c)
{
    if (c < 0x100)
        return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 0x20 : c;
    return rtl::FoldCase(c);
}

// A character's place in the order: its Windows-1252 byte when it has one, else after all of them.
char32_t Rank(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (kHighRow[i] == c)
            return static_cast<char32_t>(0x80 + i);
    return 0x100 + c;
}

// Below 0, 0 or above 0 as a is ordered before, with or after b; a proper prefix first.
int Compare(const std::string& a, const std::string& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::size_t la, lb;
        const char32_t ra = Rank(rtl::DecodeUtf8(a, i, la)), rb = Rank(rtl::DecodeUtf8(b, j, lb));
        if (ra != rb)
            return ra < rb ? -1 : 1;
        i += la;
        j += lb;
    }
    return i < a.size() ? 1 : j < b.size() ? -1 : 0;
}

} // namespace

std::string OrderKey(const std::string& caption, std::size_t keyLength)
{
    const std::string_view head = std::string_view(caption).substr(0, rtl::CharacterPrefix(caption, keyLength));
    std::string key;
    key.reserve(head.size());
    for (std::size_t i = 0, length; i < head.size(); i += length)
        rtl::AppendUtf8(key, LowerCase(rtl::DecodeUtf8(head, i, length)));
    return key;
}

int OrderedPosition(const TMenuItem& parent, const std::string& caption, std::size_t keyLength)
{
    const std::string key = OrderKey(caption, keyLength);
    for (int j = parent.Count() - 1; j >= 0; --j)
        if (Compare(key, OrderKey(parent.Items(j)->Caption(), keyLength)) > 0)
            return j + 1;
    return 0;
}

void InsertOrdered(TMenuItem& parent, TMenuItem* item, std::size_t keyLength)
{
    parent.Insert(OrderedPosition(parent, item->Caption(), keyLength), item);
}
