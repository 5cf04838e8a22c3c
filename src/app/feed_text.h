#pragma once
#include <string>
#include <string_view>

// Cleaning of the texts the feed readers cut out of a document (titles, links, descriptions) into
// what the user sees, UTF-8 as the document is: every reference decodes to the character itself.
// None of these fail; input that is not what they look for is passed through as it stands.
namespace feed {

// The fixed entity table, one replacement after the other, letter case ignored when matching;
// each replacement does not rescan its own output, but later ones see it ("&amp;lt;" gives "<").
// A letter keeps the case of the name's first letter ("&Auml;" gives "Ä", "&auml;" gives "ä").
std::string DecodeEntities(std::string_view text);

// Removes the markers of CDATA sections and keeps their content. An opener without its closer
// loses the opener only; a closer outside a section is ordinary text.
std::string UnwrapCdata(std::string_view text);

// DecodeEntities, then every remaining reference it left in the text: decimal and hexadecimal
// references of any code point (128 to 159 read as Windows-1252) and every named entity of HTML
// (case-sensitive; the old ones that browsers read without a semicolon too). A reference that the
// table's own output spells ("&amp;amp;" gives "&amp;") is not decoded again. Unknown or malformed
// references stay as written.
std::string DecodeReferences(std::string_view text);
// The same for a web address: a name read without its semicolon is left as written when a letter,
// digit or "=" follows it, so that "?a=1&copy=2" keeps its parameter.
std::string DecodeAddressReferences(std::string_view text);

// References as an XML reader decodes them: each one alone, so that what one gives is never read
// as another ("&amp;lt;" gives "&lt;"), only written out in full (a name or number, then ";"),
// with the names of HTML. What is no known reference stays as written.
std::string DecodeXmlReferences(std::string_view text);
// The reference starting with the "&" at text[at], decoded that way into out; the characters it
// took, 0 when there is none (the "&" stands for itself). With numbersFrom128 only numeric
// references to characters from 128 count.
std::size_t DecodeXmlReferenceAt(std::string_view text, std::size_t at, std::string& out,
                                 bool numbersFrom128 = false);

// Title to caption: CDATA unwrapped, references decoded, whitespace runs (every character up to the
// space) made one space, trimmed.
std::string CleanCaption(std::string_view raw);

// Link element to web address: CDATA unwrapped, references decoded, trimmed.
std::string CleanLink(std::string_view raw);

// The text without the codes 32 and below at both ends (as rtl::Trim, without a copy).
std::string_view TrimView(std::string_view s);

// Whether the text starts with "http://" or "https://", letter case ignored.
bool IsWebAddress(std::string_view text);

// Description (HTML, escaped or in CDATA) to plain text: the document's own escaping undone, then
// comments, scripts and styles dropped, tags removed (line-breaking tags such as <br>, <p>, </p>,
// <div> and <li> give lineBreak), references decoded, whitespace runs made one space, spaces around
// and repeated line breaks dropped, trimmed.
std::string HtmlToText(std::string_view raw, std::string_view lineBreak = "\r\n");

} // namespace feed
