#include "app/feed_order.h"

namespace {

// The program's 8-bit code page is Windows-1252: ASCII letters, the Latin-1 capitals
// (except the multiplication sign) and the four capitals of the 0x80 row have lower-case forms.
unsigned char LowerCp1252(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A:
        return 0x9A; // S with caron
    case 0x8C:
        return 0x9C; // OE
    case 0x8E:
        return 0x9E; // Z with caron
    case 0x9F:
        return 0xFF; // Y with diaeresis
    default:
        return c;
    }
}

} // namespace

std::string OrderKey(const std::string& caption, std::size_t keyLength)
{
    std::string key = caption.substr(0, keyLength);
    for (char& c : key)
        c = static_cast<char>(LowerCp1252(static_cast<unsigned char>(c)));
    return key;
}

int OrderedPosition(const TMenuItem& parent, const std::string& caption, std::size_t keyLength)
{
    // std::string compares through char_traits<char>, which orders as unsigned bytes, and a
    // proper prefix sorts first.
    const std::string key = OrderKey(caption, keyLength);
    for (int j = parent.Count() - 1; j >= 0; --j)
        if (key.compare(OrderKey(parent.Items(j)->Caption(), keyLength)) > 0)
            return j + 1;
    return 0;
}

void InsertOrdered(TMenuItem& parent, TMenuItem* item, std::size_t keyLength)
{
    parent.Insert(OrderedPosition(parent, item->Caption(), keyLength), item);
}
