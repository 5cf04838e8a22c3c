#include "app/ansi_document.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/document_encoding.h"

namespace {

bool IsAscii(const char* text, std::size_t size)
{
    unsigned char any = 0;
    for (std::size_t i = 0; i < size; ++i)
        any |= static_cast<unsigned char>(text[i]);
    return any < 0x80;
}

} // namespace

std::string DocumentToAnsi(const std::string& bytes, const std::string& httpCharset)
{
    std::string out;
    DocumentToAnsi(bytes, httpCharset, out);
    return out;
}

void DocumentToAnsi(const std::string& bytes, const std::string& httpCharset, std::string& out)
{
    const TDocumentEncoding encoding = DecideEncoding(bytes, httpCharset);
    UINT codePage = static_cast<UINT>(encoding.CodePage);
    std::string utf8;
    const std::string* text = &bytes;
    std::size_t start = encoding.MarkLength;
    if (codePage == kCodePageUtf16LE || codePage == kCodePageUtf16BE) {
        utf8 = Utf16ToUtf8(bytes.substr(start), codePage == kCodePageUtf16BE);
        text = &utf8;
        start = 0;
        codePage = CP_UTF8;
    }
    const char* const src = text->data() + start;
    const int srcLen = static_cast<int>(text->size() - start);
    // A character set the platform cannot convert leaves the bytes as they are. So does text
    // that is all ASCII: every character set read here and every ANSI code page agree on it, and
    // most feeds of any size are (a megabyte through the converters costs milliseconds).
    if (codePage == kCodePageAnsi || codePage == GetACP() || srcLen == 0 || !IsValidCodePage(codePage) ||
        IsAscii(src, static_cast<std::size_t>(srcLen))) {
        out.assign(src, static_cast<std::size_t>(srcLen));
        return;
    }
    const int wide = MultiByteToWideChar(codePage, 0, src, srcLen, nullptr, 0);
    std::vector<wchar_t> w(static_cast<std::size_t>(wide > 0 ? wide : 0));
    const int ansi = wide > 0 && MultiByteToWideChar(codePage, 0, src, srcLen, w.data(), wide) == wide
                         ? WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, "?", nullptr)
                         : 0;
    if (ansi <= 0) {
        out.assign(src, static_cast<std::size_t>(srcLen));
        return;
    }
    out.resize(static_cast<std::size_t>(ansi));
    WideCharToMultiByte(CP_ACP, 0, w.data(), wide, &out[0], ansi, "?", nullptr);
}

std::string DisplayDocument(const std::string& bytes, const std::string& httpCharset, TDocumentBuffers& buffers)
{
    std::string document = buffers.Take();
    DocumentToAnsi(bytes, httpCharset, document);
    if (!IsCrLfOnly(document)) {
        std::string crlf = buffers.Take();
        ToCrLf(document, crlf);
        buffers.Give(std::move(document));
        document = std::move(crlf);
    }
    document.resize(std::min(document.size(), document.find('\0')));
    return document;
}
