#include "app/code_page.h"

#include "app/document_encoding.h"
#include "rtl/utf8.h"

namespace {

// Code points of the Windows-1252 bytes 0x80 to 0x9F; the five bytes it leaves undefined stand
// for the C1 controls of their number, as the platform reads them.
constexpr char16_t kHighBytes[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

} // namespace

bool CodePageToUtf8(int codePage, const char* text, std::size_t size, std::string& out)
{
    if (codePage != kCodePageAnsi && codePage != kCodePageWindows1252)
        return false;
    out.reserve(out.size() + size + size / 8);
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        rtl::AppendUtf8(out, c >= 0x80 && c <= 0x9F ? kHighBytes[c - 0x80] : c);
    }
    return true;
}
