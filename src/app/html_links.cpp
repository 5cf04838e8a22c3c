#include "app/html_links.h"

#include <algorithm>
#include <cstring>

#include "app/atom_parser.h"
#include "app/feed_text.h"
#include "rtl/utf8.h"

namespace html {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// How far IsHtmlPage looks for the first element (comments and declarations may come first).
constexpr std::size_t kSniffBytes = 64 * 1024;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string LowerCopy(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from)
{
    for (std::size_t at = from; at + lowerNeedle.size() <= text.size(); ++at) {
        at = text.find(lowerNeedle[0], at); // the needles start with "<", which has no case
        if (at == npos || at + lowerNeedle.size() > text.size())
            return npos;
        std::size_t k = 0;
        while (k < lowerNeedle.size() && Lower(text[at + k]) == lowerNeedle[k])
            ++k;
        if (k == lowerNeedle.size())
            return at;
    }
    return npos;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Whether the space-separated list holds the token, letter case ignored.
bool HasToken(std::string_view list, std::string_view token)
{
    std::size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsSpace(list[i]))
            ++i;
        std::size_t e = i;
        while (e < list.size() && !IsSpace(list[e]))
            ++e;
        if (LowerCopy(list.substr(i, e - i)) == token)
            return true;
        i = e;
    }
    return false;
}

struct TTag {
    std::string Name; // lower case
    std::size_t AttributesBegin = 0, End = 0;
};

// The attributes of a tag that the finder reads, references decoded; the first of each name counts.
struct TLinkAttributes {
    std::string Rel, Type, Href, Title, Sizes;
    bool HasHref = false;
};

TLinkAttributes ReadAttributes(std::string_view s)
{
    TLinkAttributes a;
    bool seen[5] = {};
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (IsSpace(s[i]) || s[i] == '/'))
            ++i;
        const std::size_t nameBegin = i;
        while (i < s.size() && !IsSpace(s[i]) && s[i] != '/' && s[i] != '=' && s[i] != '>')
            ++i;
        if (i == nameBegin) {
            ++i; // a stray "=" or ">"
            continue;
        }
        const std::string name = LowerCopy(s.substr(nameBegin, i - nameBegin));
        while (i < s.size() && IsSpace(s[i]))
            ++i;
        std::string_view raw;
        if (i < s.size() && s[i] == '=') {
            ++i;
            while (i < s.size() && IsSpace(s[i]))
                ++i;
            if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
                std::size_t close = s.find(s[i], i + 1);
                if (close == npos)
                    close = s.size();
                raw = s.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const std::size_t begin = i;
                while (i < s.size() && !IsSpace(s[i]) && s[i] != '>')
                    ++i;
                raw = s.substr(begin, i - begin);
            }
        }
        static constexpr std::string_view kNames[5] = {"rel", "type", "href", "title", "sizes"};
        std::string* targets[5] = {&a.Rel, &a.Type, &a.Href, &a.Title, &a.Sizes};
        for (int k = 0; k < 5; ++k)
            if (name == kNames[k] && !seen[k]) {
                seen[k] = true;
                // The title is cleaned as a caption when it is used; the rest decoded as XML does.
                *targets[k] = k == 3 ? std::string(raw) : feed::DecodeXmlReferences(raw);
                a.HasHref = a.HasHref || k == 2;
            }
    }
    return a;
}

// Steps through the tags of a page. Comments, declarations and end tags are passed over, and
// the content of elements that hold no markup (scripts, styles, the title, text areas) too.
class TTagScanner {
public:
    explicit TTagScanner(std::string_view text) : FText(text) {}

    bool Next(TTag& tag)
    {
        const std::size_t n = FText.size();
        while (FPos < n) {
            const char* hit = static_cast<const char*>(std::memchr(FText.data() + FPos, '<', n - FPos));
            if (!hit)
                break;
            const std::size_t at = static_cast<std::size_t>(hit - FText.data());
            if (FText.compare(at, 4, "<!--") == 0) {
                const std::size_t end = FText.find("-->", at + 4);
                FPos = end == npos ? n : end + 3;
                continue;
            }
            if (at + 1 < n && (FText[at + 1] == '!' || FText[at + 1] == '?' || FText[at + 1] == '/')) {
                const std::size_t end = FText.find('>', at + 1);
                FPos = end == npos ? n : end + 1;
                continue;
            }
            if (at + 1 >= n || !IsLetter(FText[at + 1])) {
                FPos = at + 1;
                continue;
            }
            std::size_t e = at + 1;
            while (e < n && !IsSpace(FText[e]) && FText[e] != '>' && FText[e] != '/')
                ++e;
            tag.Name = LowerCopy(FText.substr(at + 1, e - at - 1));
            tag.AttributesBegin = e;
            // The tag ends at the first ">" outside quoted values.
            std::size_t i = e;
            char quote = 0;
            for (; i < n; ++i) {
                const char c = FText[i];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    // Quotes open a value only after "=" (with spaces between).
                    std::size_t b = i;
                    while (b > e && IsSpace(FText[b - 1]))
                        --b;
                    if (b > e && FText[b - 1] == '=')
                        quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (i >= n) {
                FPos = n;
                return false; // cut off inside a tag
            }
            tag.End = i;
            FPos = i + 1;
            static constexpr std::string_view kRawText[] = {"script", "style", "title", "textarea", "xmp"};
            for (std::string_view raw : kRawText)
                if (tag.Name == raw) {
                    const std::size_t close = FindNoCase(FText, "</" + std::string(raw), FPos);
                    FPos = close == npos ? n : close;
                }
            return true;
        }
        FPos = n;
        return false;
    }

    std::string_view Attributes(const TTag& tag) const
    {
        return FText.substr(tag.AttributesBegin, tag.End - tag.AttributesBegin);
    }

private:
    std::string_view FText;
    std::size_t FPos = 0;
};

std::string MediaType(std::string_view type)
{
    return LowerCopy(Trim(type.substr(0, type.find(';'))));
}

// application/json is also what the sites' programming interfaces are offered as (WordPress
// names one on every page); it counts as a feed only when it says it is one.
bool IsFeedLink(const TLinkAttributes& a, const std::string& type)
{
    if (!HasToken(a.Rel, "alternate") && !HasToken(a.Rel, "feed"))
        return false;
    if (type == "application/rss+xml" || type == "application/atom+xml" || type == "application/rdf+xml" ||
        type == "application/feed+json")
        return true;
    if (type != "application/json")
        return false;
    const std::string title = LowerCopy(a.Title);
    const std::string href = LowerCopy(a.Href);
    if (href.find("/wp-json/") != npos || href.find("oembed") != npos)
        return false;
    return title.find("feed") != npos || href.find("feed.json") != npos || href.find("jsonfeed") != npos;
}

// A feed address found on a page may become the feed file's first line: one longer than WinInet
// takes would fail at every refresh.
bool IsWeb(std::string_view url)
{
    return feed::IsWebAddress(url) && rtl::Utf16Length(url) <= rtl::kMaxAddressLength;
}

// The address in a link, as browsers read it: spaces around it and tabs and line breaks in it
// dropped, resolved against base; "feed:" addresses stand for their web address.
std::string Resolve(const std::string& base, std::string_view href)
{
    std::string clean;
    for (char c : Trim(href))
        if (c != '\t' && c != '\n' && c != '\r')
            clean.push_back(c);
    if (clean.size() > 5 && LowerCopy(clean.substr(0, 5)) == "feed:")
        clean = clean.compare(5, 2, "//") == 0 ? "http:" + clean.substr(5) : clean.substr(5);
    std::string url = feed::ResolveUrl(base, clean);
    return IsWeb(url) ? url : std::string();
}

// Lower is better: a 16-pixel icon, then 32, then one without sizes, then the smallest other.
long IconRank(const TLinkAttributes& a)
{
    const std::string sizes = LowerCopy(a.Sizes);
    long smallest = -1;
    std::size_t i = 0;
    while (i < sizes.size()) {
        while (i < sizes.size() && IsSpace(sizes[i]))
            ++i;
        std::size_t e = i;
        while (e < sizes.size() && !IsSpace(sizes[e]))
            ++e;
        const std::string size = sizes.substr(i, e - i);
        const std::size_t x = size.find('x');
        if (x != npos && x > 0 && x < 6) {
            long w = 0;
            for (std::size_t k = 0; k < x; ++k)
                w = size[k] >= '0' && size[k] <= '9' ? w * 10 + (size[k] - '0') : -1000000;
            if (w > 0 && (smallest < 0 || w < smallest))
                smallest = w;
        }
        i = e;
    }
    if (smallest == 16)
        return 0;
    if (smallest == 32)
        return 1;
    if (smallest < 0)
        return 2;
    return 3 + smallest;
}

bool IsSvg(const TLinkAttributes& a, const std::string& url)
{
    if (MediaType(a.Type) == "image/svg+xml")
        return true;
    const std::string path = LowerCopy(url.substr(0, url.find_first_of("?#")));
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".svg") == 0;
}

} // namespace

TPageLinks FindPageLinks(std::string_view page, std::string_view pageUrl)
{
    // The base address applies to every link of the page, also to those before it.
    std::string base(Trim(pageUrl));
    TTagScanner bases(page);
    for (TTag tag; bases.Next(tag);) {
        if (tag.Name != "base")
            continue;
        const TLinkAttributes a = ReadAttributes(bases.Attributes(tag));
        if (a.HasHref) {
            const std::string resolved = Resolve(base, a.Href);
            if (!resolved.empty())
                base = resolved;
            break;
        }
    }

    TPageLinks links;
    long iconRank = 0;
    TTagScanner tags(page);
    for (TTag tag; tags.Next(tag);) {
        if (tag.Name != "link")
            continue;
        const TLinkAttributes a = ReadAttributes(tags.Attributes(tag));
        if (!a.HasHref || Trim(a.Href).empty())
            continue;
        const std::string type = MediaType(a.Type);
        if (IsFeedLink(a, type)) {
            std::string url = Resolve(base, a.Href);
            const bool known = std::any_of(links.Feeds.begin(), links.Feeds.end(),
                                           [&](const TFeedLink& f) { return f.Url == url; });
            if (!url.empty() && !known)
                links.Feeds.push_back({std::move(url), type, feed::CleanCaption(a.Title)});
        } else if (HasToken(a.Rel, "icon")) {
            std::string url = Resolve(base, a.Href);
            const long rank = IconRank(a);
            if (!url.empty() && !IsSvg(a, url) && (links.Icon.empty() || rank < iconRank)) {
                links.Icon = std::move(url);
                iconRank = rank;
            }
        }
    }
    return links;
}

bool IsHtmlPage(std::string_view document, std::string_view contentType)
{
    static constexpr std::string_view kHtmlElements[] = {
        "html", "head", "body", "meta",   "title", "link",    "base",    "script", "style",  "noscript",
        "div",  "span", "p",    "a",      "br",    "hr",      "table",   "iframe", "frame",  "frameset",
        "form", "img",  "h1",   "h2",     "h3",    "ul",      "ol",      "center", "font",   "b",
        "i",    "pre",  "main", "header", "nav",   "section", "article", "footer", "strong", "em"};
    std::string_view s = document.substr(0, kSniffBytes);
    if (s.substr(0, 3) == "\xEF\xBB\xBF")
        s.remove_prefix(3);
    const std::string_view start = Trim(s);
    bool decided = false, html = false;
    if (!start.empty() && (start[0] == '{' || start[0] == '[')) {
        decided = true; // JSON
    }
    for (std::size_t i = 0; !decided;) {
        const std::size_t lt = s.find('<', i);
        if (lt == npos || lt + 1 >= s.size())
            break;
        if (s.compare(lt, 4, "<!--") == 0) {
            const std::size_t end = s.find("-->", lt + 4);
            if (end == npos)
                break;
            i = end + 3;
        } else if (s[lt + 1] == '?' || s[lt + 1] == '/') {
            i = lt + 2;
        } else if (s[lt + 1] == '!') {
            const std::string_view rest = s.substr(lt + 2);
            if (rest.size() >= 7 && LowerCopy(rest.substr(0, 7)) == "doctype") {
                std::string_view name = Trim(rest.substr(7, 16));
                decided = true;
                html = name.size() >= 4 && LowerCopy(name.substr(0, 4)) == "html";
            }
            i = lt + 2;
        } else if (IsLetter(s[lt + 1])) {
            std::size_t e = lt + 1;
            while (e < s.size() && !IsSpace(s[e]) && s[e] != '>' && s[e] != '/')
                ++e;
            const std::string name = LowerCopy(s.substr(lt + 1, e - lt - 1));
            decided = true;
            html = std::find(std::begin(kHtmlElements), std::end(kHtmlElements), name) != std::end(kHtmlElements);
        } else {
            i = lt + 1;
        }
    }
    if (decided)
        return html;
    const std::string type = MediaType(contentType);
    return type == "text/html" || type == "application/xhtml+xml";
}

std::string FaviconAddress(std::string_view pageUrl)
{
    const std::string_view url = Trim(pageUrl);
    return IsWeb(url) ? feed::ResolveUrl(url, "/favicon.ico") : std::string();
}

} // namespace html
