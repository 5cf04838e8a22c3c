#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/feed_result.h"

// JSON Feed documents (versions 1.0 and 1.1): read with a JSON parser into the feed's own fields
// (JsonFeedReader), then made into headlines under the rules every feed format follows
// (JsonFeedHeadlines). The document is UTF-8, and so is every text read from it.
namespace feed {

// One element of the "items" array, its string members as the JSON holds them (escapes undone,
// nothing else cleaned); a member that is missing or not a string is empty.
struct TJsonFeedItem {
    std::string Title;
    std::string Url;
    std::string ExternalUrl;
    std::string Summary;
    std::string ContentText;
    std::string ContentHtml;
};

struct TJsonFeed {
    // The document is well-formed JSON whose top level is an object with a "version" naming a
    // JSON Feed version ("https://jsonfeed.org/version/1.1"). Otherwise every field is empty.
    bool IsFeed = false;
    std::string Version;
    std::string Title;
    std::string HomePageUrl;
    std::string Description;
    // The first maxItems items, in the document's order; ItemCount counts them all.
    std::vector<TJsonFeedItem> Items;
    std::size_t ItemCount = 0;
};

// Whether the document's first character that is not white space (after a byte-order mark) is
// "{": what a JSON Feed starts with, and no XML or HTML document does.
bool LooksLikeJson(std::string_view document);

// Never fails: malformed JSON (cut off, broken escapes, bytes that are not UTF-8, anything after
// the top-level value) gives IsFeed false and nothing else, never a partial result.
TJsonFeed ReadJsonFeed(std::string_view document, std::size_t maxItems);

// The feed's items as headlines under the same MaxEntrys, MaxChars, duplicate, "Customize this
// feed" and balloon rules as RSS items and Atom entries. An item's title is its "title", else the
// start of its text (summary, content_text, content_html); its link "url", else "external_url",
// resolved against documentUrl; its balloon text "summary", else "content_text", else
// "content_html" as plain text. The feed's title, home_page_url and description make the channel.
TParseResult JsonFeedHeadlines(const TJsonFeed& feed, int maxEntrys, int maxChars, TBalloonNews& balloon,
                               std::string_view documentUrl);

// ReadJsonFeed and JsonFeedHeadlines when the document is a JSON Feed (true); otherwise false,
// with balloon as it was.
bool ParseIfJsonFeed(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                     std::string_view documentUrl, TParseResult& result);

// The plain text of an item's text fields, as the balloon and a title-less item's caption use it.
std::string JsonFeedItemText(const TJsonFeedItem& item, std::string_view lineBreak);
// The caption an item gets before the cut: its title cleaned, else its text's start on one line.
std::string JsonFeedItemTitle(const TJsonFeedItem& item);

} // namespace feed
