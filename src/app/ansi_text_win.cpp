#include "app/ansi_text.h"

#include <windows.h>

namespace feed {

// WideCharToMultiByte without WC_NO_BEST_FIT_CHARS maps a character the code page lacks to its
// closest letter ("ā" to "a") and only else to the default character.
void AppendAnsi(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
        return;
    }
    wchar_t wide[2];
    int wideLength = 1;
    if (codePoint >= 0x10000 && codePoint <= 0x10FFFF) {
        const char32_t v = codePoint - 0x10000;
        wide[0] = static_cast<wchar_t>(0xD800 + (v >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
        wideLength = 2;
    } else if (codePoint > 0xFFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        out.push_back('?');
        return;
    } else {
        wide[0] = static_cast<wchar_t>(codePoint);
    }
    char bytes[8];
    int n = WideCharToMultiByte(CP_ACP, 0, wide, wideLength, bytes, sizeof bytes, "?", nullptr);
    if (n <= 0) // a UTF-8 code page takes no default character
        n = WideCharToMultiByte(CP_ACP, 0, wide, wideLength, bytes, sizeof bytes, nullptr, nullptr);
    if (n <= 0)
        out.push_back('?');
    else
        out.append(bytes, static_cast<std::size_t>(n));
}

} // namespace feed
