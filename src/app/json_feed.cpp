#include "app/json_feed.h"

#include <algorithm>
#include <exception>

#include <nlohmann/json.hpp>

#include "app/atom_parser.h"
#include "app/feed_text.h"
#include "app/headline_rules.h"
#include "rtl/utf8.h"

namespace feed {

namespace {

using TJson = nlohmann::json;

// Titles of items without one are the start of their text, cut before a word past this length
// (with "..." they fit the default 80 characters of a caption).
constexpr std::size_t kDerivedTitleLength = 77;

// Collects the members the reader uses while the parser walks the document, without building
// the document's tree. Depth 1 is the top-level object, 2 the "items" array, 3 an item.
class TFeedCollector : public nlohmann::json_sax<TJson> {
public:
    TFeedCollector(TJsonFeed& feed, std::size_t maxItems) : FFeed(feed), FMaxItems(maxItems) {}

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }

    bool string(string_t& value) override
    {
        if (FDepth == 1)
            TakeFirst(TopMember(), value);
        else if (FDepth == 3 && FInItems && FItem)
            TakeFirst(ItemMember(), value);
        return true;
    }

    bool key(string_t& name) override
    {
        if (FDepth == 1)
            FTopKey = name;
        else if (FDepth == 3)
            FItemKey = name;
        return true;
    }

    bool start_object(std::size_t) override
    {
        ++FDepth;
        if (FDepth == 1)
            FTopObject = true;
        if (FDepth == 3 && FInItems) {
            FItemKey.clear();
            FItem = nullptr;
            if (FFeed.ItemCount++ < FMaxItems) {
                FFeed.Items.emplace_back();
                FItem = &FFeed.Items.back();
            }
        }
        return true;
    }

    bool end_object() override
    {
        if (FDepth == 3)
            FItem = nullptr;
        --FDepth;
        return true;
    }

    bool start_array(std::size_t) override
    {
        ++FDepth;
        if (FDepth == 2 && FTopKey == "items" && !FItemsSeen) {
            FInItems = true;
            FItemsSeen = true;
        }
        return FTopObject; // a top-level array is no feed: no need to read on
    }

    bool end_array() override
    {
        if (FDepth == 2)
            FInItems = false;
        --FDepth;
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        FFailed = true;
        return false;
    }

    bool Failed() const { return FFailed; }
    bool TopObject() const { return FTopObject; }

private:
    static void TakeFirst(std::string* member, std::string& value)
    {
        if (member && member->empty())
            *member = std::move(value);
    }

    std::string* TopMember()
    {
        if (FTopKey == "version")
            return &FFeed.Version;
        if (FTopKey == "title")
            return &FFeed.Title;
        if (FTopKey == "home_page_url")
            return &FFeed.HomePageUrl;
        if (FTopKey == "description")
            return &FFeed.Description;
        return nullptr;
    }

    std::string* ItemMember()
    {
        if (FItemKey == "title")
            return &FItem->Title;
        if (FItemKey == "url")
            return &FItem->Url;
        if (FItemKey == "external_url")
            return &FItem->ExternalUrl;
        if (FItemKey == "summary")
            return &FItem->Summary;
        if (FItemKey == "content_text")
            return &FItem->ContentText;
        if (FItemKey == "content_html")
            return &FItem->ContentHtml;
        return nullptr;
    }

    TJsonFeed& FFeed;
    std::size_t FMaxItems;
    TJsonFeedItem* FItem = nullptr; // the item being read, when it is one of those kept
    std::string FTopKey, FItemKey;
    int FDepth = 0;
    bool FTopObject = false, FInItems = false, FItemsSeen = false, FFailed = false;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Plain text as the balloon shows it: every kind of line end made lineBreak, each line cleaned as
// a caption is (references decoded, spaces collapsed), blank lines dropped.
std::string PlainText(std::string_view text, std::string_view lineBreak)
{
    std::string out;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string line = CleanCaption(rest.substr(0, end));
        if (!line.empty()) {
            if (!out.empty())
                out.append(lineBreak.data(), lineBreak.size());
            out += line;
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return out;
}

// HTML as plain text. HtmlToText first undoes the escaping a feed document gives its HTML; this
// HTML, taken out of a JSON string, has none, so its ampersands are escaped for that step to undo.
std::string HtmlText(std::string_view html, std::string_view lineBreak)
{
    std::string escaped;
    escaped.reserve(html.size() + html.size() / 16);
    for (char c : html) {
        if (c == '&')
            escaped += "&amp;";
        else
            escaped.push_back(c);
    }
    return HtmlToText(escaped, lineBreak);
}

std::string Link(const TJsonFeedItem& item, std::string_view documentUrl)
{
    std::string_view url = TrimView(item.Url);
    if (url.empty())
        url = TrimView(item.ExternalUrl);
    return url.empty() ? std::string() : ResolveUrl(TrimView(documentUrl), url);
}

} // namespace

bool LooksLikeJson(std::string_view document)
{
    if (document.substr(0, 3) == "\xEF\xBB\xBF")
        document.remove_prefix(3);
    std::size_t i = 0;
    while (i < document.size() && IsBlank(document[i]))
        ++i;
    return i < document.size() && document[i] == '{';
}

TJsonFeed ReadJsonFeed(std::string_view document, std::size_t maxItems)
{
    TJsonFeed feed;
    bool ok = false;
    try {
        TFeedCollector collector(feed, maxItems);
        ok = TJson::sax_parse(document.begin(), document.end(), &collector, TJson::input_format_t::json, true) &&
             !collector.Failed() && collector.TopObject();
    } catch (const std::exception&) {
        ok = false; // what the parser cannot hold (memory) is no feed either
    }
    if (!ok || feed.Version.find("jsonfeed.org/version/") == std::string::npos)
        return TJsonFeed();
    feed.IsFeed = true;
    return feed;
}

std::string JsonFeedItemText(const TJsonFeedItem& item, std::string_view lineBreak)
{
    if (!TrimView(item.Summary).empty())
        return PlainText(item.Summary, lineBreak);
    if (!TrimView(item.ContentText).empty())
        return PlainText(item.ContentText, lineBreak);
    return HtmlText(item.ContentHtml, lineBreak);
}

std::string JsonFeedItemTitle(const TJsonFeedItem& item)
{
    std::string title = CleanCaption(item.Title);
    if (!title.empty())
        return title;
    std::string text = JsonFeedItemText(item, " ");
    const std::string_view start(text.data(), rtl::CharacterPrefix(text, kDerivedTitleLength));
    if (start.size() == text.size())
        return text;
    // Cut before the word that crosses the length, unless that leaves too little.
    std::size_t cut = start.size();
    const std::size_t space = start.rfind(' ');
    if (space != std::string_view::npos && space >= start.size() / 2)
        cut = space;
    text.resize(cut);
    return text + "...";
}

TParseResult JsonFeedHeadlines(const TJsonFeed& feed, int maxEntrys, int maxChars, TBalloonNews& balloon,
                               std::string_view documentUrl)
{
    THeadlineRules rules(maxEntrys, maxChars, balloon);
    const std::size_t count = std::min(feed.Items.size(), static_cast<std::size_t>(rules.MaxEntrys()));
    for (std::size_t k = 0; k < count; ++k) {
        const TJsonFeedItem& item = feed.Items[k];
        THeadline* h = rules.Offer(static_cast<int>(k + 1), JsonFeedItemTitle(item),
                                   [&] { return JsonFeedItemText(item, "\r"); });
        if (h)
            h->Link = Link(item, documentUrl);
    }
    TChannel channel;
    channel.Caption = CleanCaption(feed.Title);
    channel.Link = std::string(TrimView(feed.HomePageUrl));
    channel.Description = PlainText(feed.Description, "\r\n");
    return rules.Finish(std::move(channel));
}

bool ParseIfJsonFeed(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                     std::string_view documentUrl, TParseResult& result)
{
    if (!LooksLikeJson(document))
        return false;
    const TJsonFeed feed = ReadJsonFeed(document, static_cast<std::size_t>(maxEntrys < 1 ? 1 : maxEntrys));
    if (!feed.IsFeed)
        return false;
    result = JsonFeedHeadlines(feed, maxEntrys, maxChars, balloon, documentUrl);
    return true;
}

} // namespace feed
