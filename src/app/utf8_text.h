#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Small helpers for text that is UTF-8 (subscription lists, web pages, JSON feeds). None of them
// fail: bytes that are not what they look for pass through unchanged.
namespace utf8 {

// Appends the code point in UTF-8; surrogates and values beyond U+10FFFF become U+FFFD.
void Append(std::string& out, char32_t codePoint);

// Bytes in Windows-1252 (ISO-8859-1 and US-ASCII read the same way, as browsers do) as UTF-8.
std::string FromWindows1252(std::string_view bytes);

// Decodes the character references of XML and HTML: "&name;" of every HTML entity (the five of
// XML among them) and "&#N;" / "&#xH;", references to 128-159 read as Windows-1252 as browsers
// do. A reference needs its semicolon; what is none stays as written. With highOnly, only
// references to code points from U+0080 are decoded, so that what remains of the text's markup
// and escaping is unchanged (ASCII references are the same in every character set).
std::string DecodeReferences(std::string_view text, bool highOnly = false);

// Every run of characters up to the space made one space, the text trimmed.
std::string CollapseSpaces(std::string_view text);

// The longest prefix of at most maxCodePoints code points that ends at a character boundary
// (a broken sequence counts one code point per byte).
std::string_view Prefix(std::string_view text, std::size_t maxCodePoints);

// The text with every byte that does not belong to a well-formed UTF-8 sequence (overlong forms
// and surrogates included) replaced by U+FFFD.
std::string Repair(std::string_view text);

} // namespace utf8
