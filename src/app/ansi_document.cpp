#include "app/ansi_document.h"

#include <windows.h>

#include <vector>

#include "app/document_encoding.h"

namespace {

bool IsAscii(const std::string& text)
{
    unsigned char any = 0;
    for (char c : text)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

} // namespace

std::string DocumentToAnsi(const std::string& bytes, const std::string& httpCharset)
{
    const TDocumentEncoding encoding = DecideEncoding(bytes, httpCharset);
    std::string text = bytes.substr(encoding.MarkLength);
    UINT codePage = static_cast<UINT>(encoding.CodePage);
    if (codePage == kCodePageUtf16LE || codePage == kCodePageUtf16BE) {
        text = Utf16ToUtf8(text, codePage == kCodePageUtf16BE);
        codePage = CP_UTF8;
    }
    // A character set the platform cannot convert leaves the bytes as they are. So does text
    // that is all ASCII: every character set read here and every ANSI code page agree on it, and
    // most feeds of any size are (a megabyte through the converters costs milliseconds).
    if (codePage == kCodePageAnsi || codePage == GetACP() || text.empty() || !IsValidCodePage(codePage) ||
        IsAscii(text))
        return text;
    const int srcLen = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(codePage, 0, text.data(), srcLen, nullptr, 0);
    if (wide <= 0)
        return text;
    std::vector<wchar_t> w(static_cast<std::size_t>(wide));
    MultiByteToWideChar(codePage, 0, text.data(), srcLen, w.data(), wide);
    const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, "?", nullptr);
    if (n <= 0)
        return text;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), wide, &out[0], n, "?", nullptr);
    return out;
}
