#include "app/feed_parser.h"

#include "app/atom_parser.h"
#include "app/feed_text.h"
#include "app/headline_rules.h"
#include "app/json_feed.h"
#include "rtl/utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace feed {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// First occurrences of one marker for a series of ranges whose starts never decrease. What one
// query has searched without a find is not searched again, and a find beyond a range is kept for
// the next ones, so the series reads the text about once however much the ranges overlap.
class TForwardFinder {
public:
    TForwardFinder(std::string_view text, std::string_view marker) : FText(text), FMarker(marker) {}

    // First occurrence that starts at or after from and ends at or before to; npos if none.
    std::size_t Find(std::size_t from, std::size_t to)
    {
        const std::size_t m = FMarker.size();
        if (FHit != npos && FHit >= from)
            return FHit + m <= to ? FHit : npos;
        std::size_t start = FHit == npos ? std::max(from, FClear) : from;
        std::size_t at = start + m <= to ? FText.substr(0, to).find(FMarker, start) : npos;
        FHit = at;
        if (at == npos)
            FClear = std::max(start, to >= m ? to - m + 1 : 0);
        return at;
    }

private:
    std::string_view FText, FMarker;
    std::size_t FHit = npos; // first occurrence at or after the last query's start
    std::size_t FClear = 0;  // while FHit is npos: none starts between the last query's start and here
};

struct TRange {
    std::size_t Begin = 0, End = 0;
    bool Empty() const { return End <= Begin; }
};

// Element text from its markers (0-based, npos when missing) inside a piece of text starting
// at lo. The start is counted in bytes, as the 8-bit program counted characters: one that falls
// inside a character (no opening marker, another script after the piece's start) moves to its end.
TRange ElementRange(std::string_view text, std::size_t open, std::size_t close, std::size_t lo,
                    std::size_t nameLength)
{
    if (close == npos)
        return {};
    std::size_t start = rtl::CodePointStart(text, (open == npos ? lo : open + 1) + nameLength + 1);
    if (close <= start)
        return {};
    return {start, close};
}

std::string_view Slice(std::string_view text, TRange r)
{
    return r.Empty() ? std::string_view() : text.substr(r.Begin, r.End - r.Begin);
}

// One pass collecting the first `limit` opening and closing markers of one element name; both
// markers begin with "<" and are at least two characters long.
void CollectMarkers(std::string_view text, std::string_view open, std::string_view close, std::size_t limit,
                    std::vector<std::size_t>& opens, std::vector<std::size_t>& closes)
{
    const char* base = text.data();
    const char* end = base + text.size();
    const char* p = base;
    while (p < end && (opens.size() < limit || closes.size() < limit)) {
        p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        if (!p)
            break;
        std::size_t at = static_cast<std::size_t>(p - base);
        std::string_view rest = text.substr(at);
        // Most tags are other elements: their second character already tells.
        if (rest.size() > 1) {
            if (rest[1] == open[1] && opens.size() < limit && rest.substr(0, open.size()) == open)
                opens.push_back(at);
            else if (rest[1] == close[1] && closes.size() < limit && rest.substr(0, close.size()) == close)
                closes.push_back(at);
        }
        ++p;
    }
}

bool IsBlankChar(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// The item's guid when it is a web address meant as the item's permanent address: its
// isPermaLink attribute is absent or "true". Only the first guid element of the item counts.
std::string GuidLink(std::string_view item)
{
    std::size_t at = item.find("<guid");
    while (at != npos && at + 5 < item.size() && item[at + 5] != '>' && item[at + 5] != '/' &&
           !IsBlankChar(item[at + 5]))
        at = item.find("<guid", at + 1);
    if (at == npos || at + 5 >= item.size())
        return {};
    const std::size_t gt = item.find('>', at);
    const std::size_t close = gt == npos ? npos : item.find("</guid", gt);
    if (close == npos || item[gt - 1] == '/')
        return {};
    const std::string_view attributes = item.substr(at + 5, gt - at - 5);
    const std::size_t name = attributes.find("isPermaLink");
    if (name != npos) {
        std::string_view rest = TrimView(attributes.substr(name + 11));
        if (rest.empty() || rest[0] != '=')
            return {};
        rest = TrimView(rest.substr(1));
        const char quote = rest.empty() ? '\0' : rest[0];
        if (quote != '"' && quote != '\'')
            return {};
        const std::size_t end = rest.find(quote, 1);
        const std::string_view value = rest.substr(1, end == npos ? npos : end - 1);
        if (value != "true")
            return {};
    }
    std::string link = CleanLink(item.substr(gt + 1, close - gt - 1));
    return IsWebAddress(link) ? link : std::string();
}

TChannel ScanChannel(std::string_view doc)
{
    TChannel channel;
    const std::size_t n = doc.size();
    std::size_t open = doc.find("<channel");
    std::size_t start = rtl::CodePointStart(doc, (open == npos ? 0 : open + 1) + 8); // just after "<channel>"
    if (start >= n)
        return channel;

    // First markers of the fields after the channel's start. The channel ends at the document's
    // first "</channel", which would often mean reading to its very end; these results only
    // depend on whether that end lies before the last of them.
    static constexpr std::string_view kMarkers[6] = {"<title", "</title",      "<link",
                                                     "</link", "<description", "</description"};
    std::size_t at[6];
    std::size_t reach = start;
    for (int i = 0; i < 6; ++i) {
        at[i] = doc.find(kMarkers[i], start);
        if (at[i] != npos)
            reach = std::max(reach, at[i] + kMarkers[i].size());
    }
    constexpr std::string_view kClose = "</channel";
    std::size_t close = doc.substr(0, std::min(n, reach + kClose.size() - 1)).find(kClose);
    if (close == npos) {
        // None begins before reach: any later one will do, and the last one is found from the end.
        close = doc.rfind(kClose);
        if (close == npos)
            return channel;
    }
    if (close <= start)
        return channel;

    auto inside = [&](int i) { return at[i] != npos && at[i] + kMarkers[i].size() <= close ? at[i] : npos; };
    std::string_view title = Slice(doc, ElementRange(doc, inside(0), inside(1), start, 5));
    std::string_view link = Slice(doc, ElementRange(doc, inside(2), inside(3), start, 4));
    std::string_view desc = Slice(doc, ElementRange(doc, inside(4), inside(5), start, 11));
    channel.Caption = CleanCaption(title);
    channel.Link = CleanLink(link);
    channel.Description = HtmlToText(desc, "\r\n");
    return channel;
}

} // namespace

std::size_t Count(std::string_view text, std::string_view marker)
{
    if (marker.empty())
        return 0;
    std::size_t count = 0;
    for (std::size_t at = text.find(marker); at != npos; at = text.find(marker, at + 1))
        ++count;
    return count;
}

std::size_t Position(std::string_view text, std::string_view marker, long long n)
{
    if (n < 1 || marker.empty())
        return 0;
    std::size_t at = text.find(marker);
    while (at != npos && --n > 0)
        at = text.find(marker, at + 1);
    return at == npos ? 0 : at + 1;
}

std::string GetElement(std::string_view text, std::string_view name, long long n)
{
    if (n < 1)
        return {};
    std::string open = "<" + std::string(name);
    std::string close = "</" + std::string(name);
    std::size_t p1 = Position(text, open, n);
    std::size_t p2 = Position(text, close, n);
    TRange r = ElementRange(text, p1 == 0 ? npos : p1 - 1, p2 == 0 ? npos : p2 - 1, 0, name.size());
    return std::string(Slice(text, r));
}

std::string StripComments(std::string_view text)
{
    static constexpr std::string_view kOpen = "<!--";
    static constexpr std::string_view kClose = "-->";
    std::size_t pending = Count(text, kOpen);
    if (pending == 0)
        return std::string(text);
    // The text so far is out (which holds no comment opener) followed by the rest of the input.
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    for (; pending > 0; --pending) {
        // A removal joins text, which can spell an opener across the join: check out's tail first.
        std::size_t joined = 0;
        for (std::size_t k = std::min<std::size_t>(3, out.size()); k >= 1; --k) {
            if (std::string_view(out).substr(out.size() - k) == kOpen.substr(0, k) &&
                text.substr(i, kOpen.size() - k) == kOpen.substr(k)) {
                joined = k;
                break;
            }
        }
        std::size_t afterOpen;
        if (joined > 0) {
            out.resize(out.size() - joined);
            afterOpen = i + kOpen.size() - joined;
        } else {
            std::size_t at = text.find(kOpen, i);
            if (at == npos)
                break;
            out.append(text.data() + i, at - i);
            afterOpen = at + kOpen.size();
        }
        std::size_t close = text.find(kClose, afterOpen);
        if (close == npos) {
            i = text.size();
            break;
        }
        i = close + kClose.size();
    }
    out.append(text.data() + i, text.size() - i);
    return out;
}

TParseResult Parse(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                   std::string_view documentUrl)
{
    TParseResult result;
    if (ParseIfJsonFeed(document, maxEntrys, maxChars, balloon, documentUrl, result) ||
        ParseIfAtom(document, maxEntrys, maxChars, balloon, documentUrl, result))
        return result;
    THeadlineRules rules(maxEntrys, maxChars, balloon);
    const std::size_t limit = static_cast<std::size_t>(rules.MaxEntrys());

    std::vector<std::size_t> opens, closes;
    CollectMarkers(document, "<item", "</item", limit, opens, closes);
    const std::size_t count = std::min(opens.size(), limit);

    TForwardFinder titleOpen(document, "<title"), titleClose(document, "</title");
    TForwardFinder linkOpen(document, "<link"), linkClose(document, "</link");
    for (std::size_t k = 0; k < count; ++k) {
        if (k >= closes.size())
            break; // no closing marker: this and every later piece is empty
        const std::size_t lo = rtl::CodePointStart(document, opens[k] + 6), hi = closes[k]; // just after "<item>"
        if (hi <= lo)
            continue;
        const std::string_view item = document.substr(lo, hi - lo);
        TRange t = ElementRange(document, titleOpen.Find(lo, hi), titleClose.Find(lo, hi), lo, 5);
        THeadline* h = rules.Offer(static_cast<int>(k + 1), CleanCaption(Slice(document, t)), [item] {
            TRange d = ElementRange(item, item.find("<description"), item.find("</description"), 0, 11);
            return HtmlToText(Slice(item, d), "\r");
        });
        if (!h)
            continue;
        TRange l = ElementRange(document, linkOpen.Find(lo, hi), linkClose.Find(lo, hi), lo, 4);
        h->Link = CleanLink(Slice(document, l));
        if (h->Link.empty())
            h->Link = GuidLink(item);
    }
    return rules.Finish(ScanChannel(document));
}

} // namespace feed
