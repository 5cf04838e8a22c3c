#include "app/document_encoding.h"

#include <cstdint>
#include <cstring>

#include "rtl/text.h"
#include "rtl/utf8.h"

namespace {

// The labels publishers use for the character sets the platform converts, by code page.
struct TCharsetNames {
    int CodePage;
    const char* Names; // separated by spaces
};

const TCharsetNames kCharsets[] = {
    {65001, "utf-8 utf8 unicode-1-1-utf-8 x-unicode20utf8"},
    {1200, "utf-16 utf-16le unicode ucs-2"},
    {1201, "utf-16be"},
    {kCodePageWindows1252,
     "us-ascii ascii ansi_x3.4-1968 iso-8859-1 iso8859-1 iso_8859-1 latin1 l1 iso-ir-100 cp819 ibm819"},
    {28592, "iso-8859-2 iso8859-2 iso_8859-2 latin2 l2"},
    {28593, "iso-8859-3 latin3"},
    {28594, "iso-8859-4 latin4"},
    {28595, "iso-8859-5 iso8859-5 iso_8859-5 cyrillic"},
    {28596, "iso-8859-6 arabic"},
    {28597, "iso-8859-7 greek"},
    {28598, "iso-8859-8 hebrew"},
    {38598, "iso-8859-8-i"},
    {1254, "iso-8859-9 latin5"},
    {874, "iso-8859-11 tis-620 windows-874"},
    {28603, "iso-8859-13"},
    {28605, "iso-8859-15 iso8859-15 iso_8859-15 latin-9 latin9"},
    {20866, "koi8-r koi8 cskoi8r"},
    {21866, "koi8-u koi8-ru"},
    {866, "ibm866 cp866"},
    {10000, "macintosh x-mac-roman"},
    {936, "gb2312 gbk x-gbk cp936 euc-cn csgb2312 chinese gb_2312-80"},
    {54936, "gb18030"},
    {950, "big5 big5-hkscs cn-big5 x-x-big5 csbig5 cp950"},
    {932, "shift_jis shift-jis sjis x-sjis ms_kanji csshiftjis windows-31j cp932"},
    {20932, "euc-jp x-euc-jp"},
    {949, "euc-kr ks_c_5601-1987 cseuckr windows-949 cp949 korean"},
};

bool HasName(const char* names, const std::string& name)
{
    for (const char* p = names; *p;) {
        const char* end = std::strchr(p, ' ');
        const std::size_t len = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
        if (len == name.size() && name.compare(0, len, p, len) == 0)
            return true;
        p += len;
        while (*p == ' ')
            ++p;
    }
    return false;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

unsigned char Byte(const std::string& s, std::size_t i)
{
    return static_cast<unsigned char>(s[i]);
}

// windows-1250 to windows-1258, also spelt "cp1251", "x-cp1251", "win-1251" or "windows1251".
int WindowsCodePage(const std::string& name)
{
    for (const char* prefix : {"windows-", "windows", "x-cp", "cp", "win-"}) {
        std::string p = prefix;
        if (name.compare(0, p.size(), p) == 0 && name.size() == p.size() + 4 &&
            name.compare(p.size(), 3, "125") == 0 && name[p.size() + 3] >= '0' && name[p.size() + 3] <= '8')
            return 1250 + (name[p.size() + 3] - '0');
    }
    return 0;
}

// The value of a name="value" or name=value parameter inside text, "" if absent.
std::string Parameter(const std::string& lower, const std::string& original, const std::string& name,
                      bool quotedOnly)
{
    for (std::size_t at = lower.find(name); at != std::string::npos; at = lower.find(name, at + 1)) {
        if (at > 0 && !IsBlank(lower[at - 1]) && lower[at - 1] != ';')
            continue;
        std::size_t i = at + name.size();
        while (i < lower.size() && IsBlank(lower[i]))
            ++i;
        if (i >= lower.size() || lower[i] != '=')
            continue;
        ++i;
        while (i < lower.size() && IsBlank(lower[i]))
            ++i;
        if (i < lower.size() && (lower[i] == '"' || lower[i] == '\'')) {
            std::size_t close = lower.find(lower[i], i + 1);
            if (close == std::string::npos)
                return std::string();
            return original.substr(i + 1, close - i - 1);
        }
        if (quotedOnly)
            return std::string();
        std::size_t end = i;
        while (end < lower.size() && !IsBlank(lower[end]) && lower[end] != ';' && lower[end] != ',')
            ++end;
        return original.substr(i, end - i);
    }
    return std::string();
}

bool IsUtf16CodePage(int cp)
{
    return cp == kCodePageUtf16LE || cp == kCodePageUtf16BE;
}

// The byte order of a document without a mark whose first character is ASCII ("<" as a rule),
// 0 when it does not look like UTF-16 at all.
int Utf16Order(const std::string& document)
{
    if (document.size() < 2)
        return 0;
    if (document[0] == 0 && document[1] != 0)
        return kCodePageUtf16BE;
    if (document[0] != 0 && document[1] == 0)
        return kCodePageUtf16LE;
    return 0;
}

} // namespace

int CodePageOfCharset(const std::string& name)
{
    std::string n = rtl::LowerCase(rtl::Trim(name));
    if (n.size() >= 2 && (n.front() == '"' || n.front() == '\'') && n.back() == n.front())
        n = rtl::Trim(n.substr(1, n.size() - 2));
    for (const TCharsetNames& c : kCharsets)
        if (HasName(c.Names, n))
            return c.CodePage;
    return WindowsCodePage(n);
}

std::string ContentTypeCharset(const std::string& headers)
{
    std::string charset;
    std::size_t lineStart = 0;
    while (lineStart < headers.size()) {
        std::size_t lineEnd = headers.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = headers.size();
        std::string line = headers.substr(lineStart, lineEnd - lineStart);
        std::string lower = rtl::LowerCase(line);
        if (lower.compare(0, 13, "content-type:") == 0)
            charset = rtl::Trim(Parameter(lower, line, "charset", false));
        lineStart = lineEnd + 1;
    }
    return charset;
}

std::string DeclaredEncoding(const std::string& document)
{
    // The declaration must open the document (after blanks at most) and ends at its "?>".
    std::size_t start = 0;
    while (start < document.size() && IsBlank(document[start]))
        ++start;
    if (document.compare(start, 5, "<?xml") != 0)
        return std::string();
    std::size_t end = document.find("?>", start);
    if (end == std::string::npos)
        return std::string();
    std::string decl = document.substr(start + 5, end - start - 5);
    return rtl::Trim(Parameter(rtl::LowerCase(decl), decl, "encoding", true));
}

TDocumentEncoding DecideEncoding(const std::string& document, const std::string& httpCharset)
{
    TDocumentEncoding e;
    if (document.size() >= 3 && Byte(document, 0) == 0xEF && Byte(document, 1) == 0xBB &&
        Byte(document, 2) == 0xBF)
        return {kCodePageUtf8, 3};
    if (document.size() >= 2 && Byte(document, 0) == 0xFF && Byte(document, 1) == 0xFE)
        return {kCodePageUtf16LE, 2};
    if (document.size() >= 2 && Byte(document, 0) == 0xFE && Byte(document, 1) == 0xFF)
        return {kCodePageUtf16BE, 2};

    const int order = Utf16Order(document);
    for (const std::string& label : {httpCharset, DeclaredEncoding(document)}) {
        int cp = CodePageOfCharset(label);
        if (IsUtf16CodePage(cp)) {
            // "UTF-16" without a mark: the bytes tell the order, and a single-byte document
            // that names UTF-16 (a common mistake after a re-encoding) is not UTF-16.
            cp = order;
        } else if (cp != 0 && order != 0) {
            cp = 0; // a single-byte name for a document in UTF-16
        }
        if (cp == kCodePageUtf8 && !rtl::IsValidUtf8(document))
            return e;
        if (cp != 0) {
            e.CodePage = cp;
            return e;
        }
    }
    if (order != 0)
        e.CodePage = order;
    else if (rtl::IsValidUtf8(document))
        e.CodePage = kCodePageUtf8;
    return e;
}

std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    const std::size_t n = bytes.size() / 2;
    auto unit = [&](std::size_t k) -> std::uint32_t {
        std::uint32_t a = Byte(bytes, 2 * k), b = Byte(bytes, 2 * k + 1);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t k = 0; k < n; ++k) {
        std::uint32_t c = unit(k);
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < n && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
            ++k;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        rtl::AppendUtf8(out, c);
    }
    return out;
}

std::string ToCrLf(const std::string& text)
{
    std::string out;
    ToCrLf(text, out);
    return out;
}

void ToCrLf(const std::string& text, std::string& out)
{
    ToCrLf(text.data(), text.size(), out);
}

void ToCrLf(const char* text, std::size_t size, std::string& out)
{
    out.clear();
    out.reserve(size + size / 32);
    const char* const begin = text;
    const char* const end = begin + size;
    // The next CR and the next LF, each found once by memchr and looked for again only when passed.
    auto next = [end](const char* from, char c) {
        const void* hit = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return hit ? static_cast<const char*>(hit) : end;
    };
    const char* from = begin;
    const char* cr = next(begin, '\r');
    const char* lf = next(begin, '\n');
    while (cr != end || lf != end) {
        const char* at = cr < lf ? cr : lf;
        out.append(from, at);
        out += "\r\n";
        from = at + 1;
        if (at == cr && lf != end && from == lf)
            ++from; // CR LF is one line end
        if (cr < from)
            cr = next(from, '\r');
        if (lf < from)
            lf = next(from, '\n');
    }
    out.append(from, end);
}

bool IsCrLfOnly(const std::string& text)
{
    bool plain = true; // every LF follows a CR and every CR comes before an LF
    for (std::size_t i = text.find('\n'); plain && i != std::string::npos; i = text.find('\n', i + 1))
        plain = i > 0 && text[i - 1] == '\r';
    for (std::size_t i = text.find('\r'); plain && i != std::string::npos; i = text.find('\r', i + 1))
        plain = i + 1 < text.size() && text[i + 1] == '\n';
    return plain;
}
