#include "app/json_feed.h"

#include <algorithm>
#include <exception>

#include <nlohmann/json.hpp>

#include "app/atom_parser.h"
#include "app/feed_text.h"
#include "app/utf8_text.h"

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

// Plain text as the balloon shows it: references decoded, every kind of line end made lineBreak,
// spaces collapsed within lines, blank lines dropped, trimmed.
std::string PlainText(std::string_view text, std::string_view lineBreak)
{
    const std::string decoded = utf8::DecodeReferences(text);
    std::string out;
    std::string_view rest = decoded;
    while (!rest.empty()) {
        std::size_t end = rest.find_first_of("\r\n");
        std::string line = utf8::CollapseSpaces(rest.substr(0, end));
        if (!line.empty()) {
            if (!out.empty())
                out.append(lineBreak.data(), lineBreak.size());
            out += line;
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return out;
}

// HTML as plain text: the references to characters beyond ASCII are decoded here, into UTF-8,
// and the markup's ampersands escaped again for HtmlToText, which first undoes the escaping of
// a feed document (this HTML, taken out of a JSON string, has none) before it reads the tags.
std::string HtmlText(std::string_view html, std::string_view lineBreak)
{
    const std::string decoded = utf8::DecodeReferences(html, true);
    std::string escaped;
    escaped.reserve(decoded.size() + decoded.size() / 16);
    for (char c : decoded) {
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
    std::string title = utf8::CollapseSpaces(utf8::DecodeReferences(item.Title));
    if (!title.empty())
        return title;
    std::string text = JsonFeedItemText(item, " ");
    const std::string_view start = utf8::Prefix(text, kDerivedTitleLength);
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
    TParseResult result;
    result.MaxEntrys = maxEntrys < 1 ? 1 : maxEntrys;
    const std::size_t maxLength = maxChars < 0 ? 0 : static_cast<std::size_t>(maxChars);
    const std::size_t count = std::min(feed.Items.size(), static_cast<std::size_t>(result.MaxEntrys));
    std::string previous;
    bool armed = true;
    std::size_t longest = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const TJsonFeedItem& item = feed.Items[k];
        std::string caption = JsonFeedItemTitle(item);
        if (caption.empty() || caption == previous)
            continue;
        if (armed && caption != kCustomizeCaption) {
            balloon.Headline = caption;
            balloon.Text = JsonFeedItemText(item, "\r");
            armed = false;
        }
        THeadline h;
        h.N = static_cast<int>(k + 1);
        if (caption.size() > maxLength) {
            caption.resize(maxLength);
            caption += "...";
        }
        h.Caption = std::move(caption);
        longest = std::max(longest, h.Caption.size());
        h.Link = Link(item, documentUrl);
        h.Customize = h.Caption == kCustomizeCaption;
        previous = h.Caption;
        result.Headlines.push_back(std::move(h));
    }
    result.LongestCaption = static_cast<int>(longest);
    result.Channel.Caption = utf8::CollapseSpaces(utf8::DecodeReferences(feed.Title));
    result.Channel.Link = std::string(TrimView(feed.HomePageUrl));
    result.Channel.Description = PlainText(feed.Description, "\r\n");
    return result;
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
