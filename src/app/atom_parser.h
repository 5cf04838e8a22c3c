#pragma once
#include <string>
#include <string_view>

#include "app/feed_result.h"

// Atom 1.0 and 0.3 documents, read into the same result as an RSS document: every entry is a
// headline numbered by its occurrence (entry 3 is the second headline), and the feed's title,
// alternate link and subtitle (0.3: tagline) make the channel.
//
// Unlike RSS, Atom is read by its element structure, because Atom entries routinely carry
// elements whose names collide with the ones wanted (media:title, the title inside source, markup
// in xhtml content): an element counts only as a direct child of its entry, and only with the
// prefix the document gives its entry or feed element ("atom:entry" makes "atom:title" a title).
namespace feed {

// True when the document has no "<item" marker but a start tag named entry or feed (any prefix).
bool IsAtomDocument(std::string_view document);

// Reads an Atom document under the same MaxEntrys, MaxChars, duplicate, "Customize this feed" and
// balloon rules as Parse. documentUrl is where the document came from; relative links resolve
// against it (after xml:base). Never fails; a document cut off inside an entry gives the entries
// before it.
TParseResult ParseAtom(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                       std::string_view documentUrl);

// ParseAtom when IsAtomDocument holds (true), in one reading of the document; otherwise false
// with balloon as it was.
bool ParseIfAtom(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                 std::string_view documentUrl, TParseResult& result);

// A URI reference resolved against a base address by the usual rules of the web (RFC 3986); a
// reference with a scheme of its own, or a base without one, gives the reference unchanged.
std::string ResolveUrl(std::string_view base, std::string_view reference);

// Bytes of base64 text; characters outside the alphabet are ignored and "=" ends the data.
std::string DecodeBase64(std::string_view text);

} // namespace feed
