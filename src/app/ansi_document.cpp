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

// The text a document's bytes stand for: the byte-order mark dropped, UTF-16 read as UTF-8, with
// the code page it is in.
struct TSource {
    TSource(const std::string& bytes, const std::string& httpCharset)
    {
        const TDocumentEncoding encoding = DecideEncoding(bytes, httpCharset);
        CodePage = static_cast<UINT>(encoding.CodePage);
        const std::string* text = &bytes;
        std::size_t start = encoding.MarkLength;
        if (CodePage == kCodePageUtf16LE || CodePage == kCodePageUtf16BE) {
            Utf8 = Utf16ToUtf8(bytes.substr(start), CodePage == kCodePageUtf16BE);
            text = &Utf8;
            start = 0;
            CodePage = CP_UTF8;
        }
        Text = text->data() + start;
        Length = static_cast<int>(text->size() - start);
        // A character set the platform cannot convert leaves the bytes as they are. So does text
        // that is all ASCII: every character set read here and every ANSI code page agree on it,
        // and most feeds of any size are (a megabyte through the converters costs milliseconds).
        AsIs = CodePage == kCodePageAnsi || CodePage == GetACP() || Length == 0 || !IsValidCodePage(CodePage) ||
               IsAscii(Text, static_cast<std::size_t>(Length));
    }
    TSource(const TSource&) = delete;
    TSource& operator=(const TSource&) = delete;

    void Convert(std::string& out) const
    {
        if (AsIs) {
            out.assign(Text, static_cast<std::size_t>(Length));
            return;
        }
        const int wide = MultiByteToWideChar(CodePage, 0, Text, Length, nullptr, 0);
        std::vector<wchar_t> w(static_cast<std::size_t>(wide > 0 ? wide : 0));
        const int ansi = wide > 0 && MultiByteToWideChar(CodePage, 0, Text, Length, w.data(), wide) == wide
                             ? WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, "?", nullptr)
                             : 0;
        if (ansi <= 0) {
            out.assign(Text, static_cast<std::size_t>(Length));
            return;
        }
        out.resize(static_cast<std::size_t>(ansi));
        WideCharToMultiByte(CP_ACP, 0, w.data(), wide, &out[0], ansi, "?", nullptr);
    }

    std::string Utf8;
    const char* Text;
    int Length;
    UINT CodePage;
    bool AsIs;
};

} // namespace

std::string DocumentToAnsi(const std::string& bytes, const std::string& httpCharset)
{
    std::string out;
    TSource(bytes, httpCharset).Convert(out);
    return out;
}

std::string DisplayDocument(const std::string& bytes, const std::string& httpCharset, TDocumentBuffers& buffers)
{
    const TSource source(bytes, httpCharset);
    std::string document = buffers.Take();
    if (source.AsIs) {
        // Straight from the bytes to CR LF lines: one pass, one buffer. The buffer gets room to
        // spare, so that the feed's next document, a little longer, still fits into it.
        const std::size_t length = static_cast<std::size_t>(source.Length);
        document.reserve(length + length / 8);
        ToCrLf(source.Text, length, document);
    } else {
        source.Convert(document);
        if (!IsCrLfOnly(document)) {
            std::string crlf = buffers.Take();
            ToCrLf(document, crlf);
            buffers.Give(std::move(document));
            document = std::move(crlf);
        }
    }
    document.resize(std::min(document.size(), document.find('\0')));
    return document;
}
