#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/feed_result.h"
#include "app/feed_text.h"

// Feed documents (RSS 0.9x, RSS 2.0, RDF) are not parsed as XML but scanned as UTF-8 text for
// tag markers: "<" + name opens an element, "</" + name closes it, and the n-th opening marker
// is paired with the n-th closing marker. Markers are matched case-sensitively. Positions are
// 1-based, 0 meaning "not found". Trimming is rtl::Trim (codes 32 and below at both ends).
namespace feed {

// Number of occurrences of marker in text; occurrences may overlap. An empty marker occurs nowhere.
std::size_t Count(std::string_view text, std::string_view marker);
// Position of the n-th occurrence of marker, each search starting one character after the
// previous occurrence's start; 0 when n < 1 or when there are fewer than n occurrences.
std::size_t Position(std::string_view text, std::string_view marker, long long n);
// Text of the n-th element of that name: from the n-th opening marker plus the name's length
// plus 2 (just after a plain start tag) up to, not including, the n-th closing marker. Empty
// when that span is empty or negative; n < 1 always gives "".
std::string GetElement(std::string_view text, std::string_view name, long long n);
// Removes "<!--" ... "-->" comments (as many as the text holds "<!--" at the start) and joins
// the text around them. An unclosed "<!--" removes everything from it to the end.
std::string StripComments(std::string_view text);

// Never fails: a document without the expected markers gives no headlines and an empty channel.
// An Atom document (no "<item" marker, but Atom entries) is read as Atom; documentUrl, where the
// document came from, resolves its relative links.
TParseResult Parse(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                   std::string_view documentUrl = {});

} // namespace feed
