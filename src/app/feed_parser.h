#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/feed_text.h"

// Feed documents (RSS 0.9x, RSS 2.0, RDF) are not parsed as XML but scanned as 8-bit text for
// tag markers: "<" + name opens an element, "</" + name closes it, and the n-th opening marker
// is paired with the n-th closing marker. Markers are matched case-sensitively. Positions are
// 1-based, 0 meaning "not found". Trimming is rtl::Trim (codes 32 and below at both ends).
namespace feed {

// Caption of the headline that feeds use for their settings page: never the balloon headline,
// and shown with the check-list image in the menu.
inline constexpr std::string_view kCustomizeCaption = "Customize this feed";

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

struct THeadline {
    int N = 0;              // occurrence of the item opening marker, 1-based; the menu tag is N + 1
    std::string Caption;    // CleanCaption of the title, shortened to MaxChars + "..."
    std::string Link;       // CleanLink of the link, else the guid when that is a permanent web address
    bool Customize = false; // Caption is exactly kCustomizeCaption (image 4 in the menu)
};

struct TChannel {
    std::string Caption;     // CleanCaption of the title
    std::string Link;        // CleanLink of the link
    std::string Description; // HtmlToText of the description, lines ending in CR LF
};

// Everything the menu rebuild needs: the headlines in order of N (entry at position N - 1,
// tag N + 1), the channel entry, and the longest caption for cutting the channel caption.
// Duplicates are already dropped here: a headline is left out when its title equals the
// previous headline's caption, so the menu emits every headline it is given.
struct TParseResult {
    TChannel Channel;
    std::vector<THeadline> Headlines;
    int LongestCaption = 0;
    // The MaxEntrys actually used (at least 1); when it differs from the value passed in, the
    // caller writes it back to its setting.
    int MaxEntrys = 1;
};

// Balloon headline and text: the caption before shortening and the plain text (lines ending in a
// single CR, as balloon texts break them) of the description of the first accepted headline
// that is not "Customize this feed". Parse only ever replaces them, so a document without such
// a headline keeps the previous ones; the caller keeps one object for the whole run.
struct TBalloonNews {
    std::string Headline;
    std::string Text;
};

// Never fails: a document without the expected markers gives no headlines and an empty channel.
// An Atom document (no "<item" marker, but Atom entries) is read as Atom; documentUrl, where the
// document came from, resolves its relative links.
TParseResult Parse(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                   std::string_view documentUrl = {});

} // namespace feed
