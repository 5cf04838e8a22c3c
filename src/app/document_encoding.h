#pragma once
#include <cstddef>
#include <string>

// Feed documents arrive as bytes in whatever character set their publisher chose. The program's
// text is UTF-8, so the character set is decided here, the way browsers and feed readers do, and
// the document is converted from it (utf8_document.h).

// Code page numbers as the platform names them.
constexpr int kCodePageAnsi = 0; // the system's ANSI code page, whichever it is
constexpr int kCodePageWindows1252 = 1252;
constexpr int kCodePageUtf8 = 65001;
constexpr int kCodePageUtf16LE = 1200;
constexpr int kCodePageUtf16BE = 1201;

struct TDocumentEncoding {
    int CodePage = kCodePageAnsi;
    std::size_t MarkLength = 0; // bytes of the byte-order mark to drop
};

// The code page of a character set name or alias (any letter case), 0 when unknown. As in
// browsers, ISO-8859-1 and US-ASCII are read as Windows-1252, which they are in practice.
int CodePageOfCharset(const std::string& name);

// The charset parameter of the last Content-Type line of a response header block, "" if none.
std::string ContentTypeCharset(const std::string& headers);

// The encoding named by an XML declaration at the document's start, "" if none.
std::string DeclaredEncoding(const std::string& document);

// A byte-order mark first; then the HTTP charset; then the declaration; otherwise UTF-8 when the
// bytes are valid UTF-8, else the ANSI code page. Names that are unknown, and UTF-16 names for
// bytes that are plainly not UTF-16, are passed over; a name that says UTF-8 for bytes that are
// not falls back to the ANSI code page rather than turning every accented letter into "?".
TDocumentEncoding DecideEncoding(const std::string& document, const std::string& httpCharset);

// UTF-16 bytes (no mark) as UTF-8; unpaired surrogates become U+FFFD, an odd last byte is dropped.
std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian);

// Every line end (CR LF, lone LF, lone CR) as CR LF; the other forms write into out (its
// capacity reused), which must not hold the text.
std::string ToCrLf(const std::string& text);
void ToCrLf(const std::string& text, std::string& out);
void ToCrLf(const char* text, std::size_t size, std::string& out);
// Whether every line end is CR LF already.
bool IsCrLfOnly(const std::string& text);
