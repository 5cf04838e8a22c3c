#pragma once
#include <string>
#include <string_view>
#include <vector>

// What reading a feed document gives, whatever its format: the RSS scanner (feed_parser.h) and
// the Atom reader (atom_parser.h) fill the same result, through the same rules (headline_rules.h).
namespace feed {

// Caption of the headline that feeds use for their settings page: never the balloon headline,
// and shown with the check-list image in the menu.
inline constexpr std::string_view kCustomizeCaption = "Customize this feed";

struct THeadline {
    int N = 0;              // occurrence of the item opening marker, 1-based; the menu tag is N + 1
    std::string Caption;    // CleanCaption of the title, cut to MaxChars characters + "..."
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

} // namespace feed
