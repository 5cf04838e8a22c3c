#include "app/utf8_document.h"

#include <algorithm>

#include "app/code_page.h"
#include "app/document_encoding.h"
#include "rtl/utf8.h"

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
        CodePage = encoding.CodePage;
        const std::string* text = &bytes;
        std::size_t start = encoding.MarkLength;
        if (CodePage == kCodePageUtf16LE || CodePage == kCodePageUtf16BE) {
            Utf8 = Utf16ToUtf8(bytes.substr(start), CodePage == kCodePageUtf16BE);
            text = &Utf8;
            start = 0;
            CodePage = kCodePageUtf8;
        } else if (CodePage == kCodePageUtf8 && start > 0 &&
                   !rtl::IsValidUtf8(std::string_view(bytes).substr(start))) {
            // Only a document with a mark is UTF-8 without its bytes having been checked.
            rtl::AppendValidUtf8(Utf8, std::string_view(bytes).substr(start));
            text = &Utf8;
            start = 0;
        }
        Text = text->data() + start;
        Length = text->size() - start;
        // Text that is all ASCII is the same in every character set read here, and most feeds
        // of any size are (a megabyte through the converters costs milliseconds).
        AsIs = CodePage == kCodePageUtf8 || IsAscii(Text, Length);
    }
    TSource(const TSource&) = delete;
    TSource& operator=(const TSource&) = delete;

    // Appends the text as UTF-8. A character set the platform cannot convert is read as the
    // ANSI code page, as a document that names none would be.
    void Convert(std::string& out) const
    {
        if (AsIs)
            out.append(Text, Length);
        else if (!CodePageToUtf8(CodePage, Text, Length, out) && !CodePageToUtf8(kCodePageAnsi, Text, Length, out))
            rtl::AppendValidUtf8(out, std::string_view(Text, Length));
    }

    std::string Utf8;
    const char* Text;
    std::size_t Length;
    int CodePage;
    bool AsIs;
};

} // namespace

std::string DocumentToUtf8(const std::string& bytes, const std::string& httpCharset)
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
        document.reserve(source.Length + source.Length / 8);
        ToCrLf(source.Text, source.Length, document);
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
