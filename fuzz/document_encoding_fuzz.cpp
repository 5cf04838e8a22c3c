// The character-set decision and the byte-level conversions on any bytes: the mark to drop lies
// inside the document, UTF-16 and every document always become valid UTF-8, and line ends become
// CR LF without losing or adding any other character.
#include "app/document_encoding.h"
#include "app/utf8_document.h"
#include "rtl/utf8.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>

namespace {

std::string WithoutLineEnds(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The first line, when short, plays the HTTP charset; the rest is the document.
    const std::size_t cut = bytes.find('\n');
    const std::string charset = cut != std::string::npos && cut < 40 ? bytes.substr(0, cut) : std::string();
    const std::string document = cut != std::string::npos && cut < 40 ? bytes.substr(cut + 1) : bytes;

    const TDocumentEncoding e = DecideEncoding(document, charset);
    FuzzCheck(e.MarkLength <= document.size(), "mark inside the document");
    if (e.CodePage == kCodePageUtf8 && e.MarkLength == 0)
        FuzzCheck(rtl::IsValidUtf8(document), "UTF-8 chosen for bytes that are not UTF-8");
    CodePageOfCharset(charset);
    ContentTypeCharset(bytes);
    DeclaredEncoding(document);

    for (bool bigEndian : {false, true})
        FuzzCheck(rtl::IsValidUtf8(Utf16ToUtf8(document, bigEndian)), "UTF-16 gives valid UTF-8");

    FuzzCheck(rtl::IsValidUtf8(DocumentToUtf8(document, charset)), "a document gives valid UTF-8");

    const std::string crlf = ToCrLf(document);
    FuzzCheck(WithoutLineEnds(crlf) == WithoutLineEnds(document), "only line ends change", crlf, document);
    for (std::size_t i = 0; i < crlf.size(); ++i) {
        if (crlf[i] == '\r')
            FuzzCheck(i + 1 < crlf.size() && crlf[i + 1] == '\n', "CR without LF", crlf);
        if (crlf[i] == '\n')
            FuzzCheck(i > 0 && crlf[i - 1] == '\r', "LF without CR", crlf);
    }
    FuzzCheck(ToCrLf(crlf) == crlf, "CR LF text stays as it is", crlf);
    return 0;
}
