#include "rtl/wide.h"

#include <windows.h>

#include <cwchar>

namespace rtl {

// Both directions go through the platform in pieces below INT_MAX, its length type's limit; a
// piece ends before a lead byte (or a high surrogate's partner), so no character is cut in two.
namespace {
constexpr std::size_t kPiece = 1u << 30;

std::size_t Utf8PieceEnd(const char* text, std::size_t from, std::size_t length)
{
    std::size_t end = from + kPiece < length ? from + kPiece : length;
    while (end < length && end > from && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return end == from ? from + kPiece : end;
}
} // namespace

std::wstring Utf8ToWide(const char* text, std::size_t length)
{
    std::wstring wide;
    for (std::size_t from = 0; from < length;) {
        const std::size_t end = Utf8PieceEnd(text, from, length);
        const int n = static_cast<int>(end - from);
        const int need = MultiByteToWideChar(CP_UTF8, 0, text + from, n, nullptr, 0);
        const std::size_t at = wide.size();
        wide.resize(at + static_cast<std::size_t>(need));
        MultiByteToWideChar(CP_UTF8, 0, text + from, n, &wide[at], need);
        from = end;
    }
    return wide;
}

std::string WideToUtf8(const wchar_t* text, std::size_t length)
{
    std::string utf8;
    for (std::size_t from = 0; from < length;) {
        std::size_t end = from + kPiece < length ? from + kPiece : length;
        if (end < length && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF)
            --end;
        const int n = static_cast<int>(end - from);
        const int need = WideCharToMultiByte(CP_UTF8, 0, text + from, n, nullptr, 0, nullptr, nullptr);
        const std::size_t at = utf8.size();
        utf8.resize(at + static_cast<std::size_t>(need));
        WideCharToMultiByte(CP_UTF8, 0, text + from, n, &utf8[at], need, nullptr, nullptr);
        from = end;
    }
    return utf8;
}

std::string WideToUtf8(const wchar_t* text)
{
    return text ? WideToUtf8(text, std::wcslen(text)) : std::string();
}

bool CodePageToUtf8(unsigned codePage, const char* text, std::size_t length, std::string& out)
{
    if (length == 0)
        return true;
    if (length > 0x7FFFFFFF || (codePage != CP_ACP && !IsValidCodePage(codePage)))
        return false;
    const int n = static_cast<int>(length);
    const int need = MultiByteToWideChar(codePage, 0, text, n, nullptr, 0);
    if (need <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(need), L'\0');
    if (MultiByteToWideChar(codePage, 0, text, n, &wide[0], need) != need)
        return false;
    out += WideToUtf8(wide);
    return true;
}

std::wstring AnsiToWide(const std::string& ansi)
{
    std::wstring wide;
    if (ansi.empty() || ansi.size() > 0x7FFFFFFF)
        return wide;
    const int n = static_cast<int>(ansi.size());
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, nullptr, 0)));
    if (!wide.empty())
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, &wide[0], static_cast<int>(wide.size()));
    return wide;
}

bool WideToAnsi(const std::wstring& text, std::string& ansi)
{
    ansi.clear();
    if (text.empty())
        return true;
    if (text.size() > 0x7FFFFFFF)
        return false;
    const int n = static_cast<int>(text.size());
    const int need = WideCharToMultiByte(CP_ACP, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
    if (need <= 0)
        return false;
    ansi.resize(static_cast<std::size_t>(need));
    WideCharToMultiByte(CP_ACP, 0, text.data(), n, &ansi[0], need, nullptr, nullptr);
    std::wstring back(text.size() + 1, L'\0');
    const int got = MultiByteToWideChar(CP_ACP, 0, ansi.data(), need, &back[0], static_cast<int>(back.size()));
    return got == n && back.compare(0, text.size(), text) == 0;
}

} // namespace rtl
