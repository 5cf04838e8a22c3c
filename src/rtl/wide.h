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

} // namespace rtl
