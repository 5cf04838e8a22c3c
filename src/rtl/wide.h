#pragma once
#include <cstddef>
#include <string>

// The program's text is UTF-8; Windows takes and gives UTF-16. These two conversions are the
// only crossing between them, called by the toolkit, tray and HTTP layers at their Windows calls.
// Broken input never fails: ill-formed UTF-8 and unpaired surrogates become U+FFFD.
namespace rtl {

std::wstring Utf8ToWide(const char* text, std::size_t length);
inline std::wstring Utf8ToWide(const std::string& text)
{
    return Utf8ToWide(text.data(), text.size());
}
std::string WideToUtf8(const wchar_t* text, std::size_t length);
inline std::string WideToUtf8(const std::wstring& text)
{
    return WideToUtf8(text.data(), text.size());
}
// A NUL-terminated buffer as the platform fills it; nullptr gives "".
std::string WideToUtf8(const wchar_t* text);

// Text in one of the platform's code pages appended to out as UTF-8, through UTF-16 (the form
// every converter of the platform reads); a byte sequence the code page does not define becomes
// its default character. False, with out as it was, when the platform has no such code page.
bool CodePageToUtf8(unsigned codePage, const char* text, std::size_t length, std::string& out);
// The text in the ANSI code page, or false when a character has no place in it. The check is a
// round trip: a best-fit letter or a "?" would come back as another character.
bool WideToAnsi(const std::wstring& text, std::string& ansi);
// Text in the ANSI code page as UTF-16.
std::wstring AnsiToWide(const std::string& ansi);

} // namespace rtl
