#include "app/code_page.h"

#include <windows.h>

#include <climits>
#include <vector>

// Through UTF-16, the form every converter of the platform reads and writes. A byte sequence
// the code page does not define becomes the code page's default character.
bool CodePageToUtf8(int codePage, const char* text, std::size_t size, std::string& out)
{
    if (size == 0)
        return true;
    const UINT cp = static_cast<UINT>(codePage);
    if (size > INT_MAX || (cp != CP_ACP && !IsValidCodePage(cp)))
        return false;
    const int length = static_cast<int>(size);
    const int wide = MultiByteToWideChar(cp, 0, text, length, nullptr, 0);
    if (wide <= 0)
        return false;
    std::vector<wchar_t> w(static_cast<std::size_t>(wide));
    if (MultiByteToWideChar(cp, 0, text, length, w.data(), wide) != wide)
        return false;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &out[at], bytes, nullptr, nullptr);
    return true;
}
