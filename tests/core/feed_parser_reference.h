#pragma once
// The documented scanning algorithms written out literally, slow on purpose: every n-th marker
// is searched from the start of the text; the texts are cleaned by the literal rules of
// feed_text_reference.h.
// The program's implementation (app/feed_parser.h) must give the same bytes on every input; the
// tests, the fuzz targets and the benchmarks compare the two.
#include <string>
#include <utility>
#include <vector>

#include "app/feed_parser.h"
#include "app/headline_rules.h"
#include "rtl/utf8.h"
#include "atom_parser_reference.h"
#include "feed_text_reference.h"

namespace reference {

// 1-based search of sub in s starting at position from; 0 if none.
inline std::size_t Pos(const std::string& sub, const std::string& s, std::size_t from)
{
    if (sub.empty() || from < 1 || from > s.size())
        return 0;
    std::size_t at = s.find(sub, from - 1);
    return at == std::string::npos ? 0 : at + 1;
}

// Up to count characters from the 1-based index, cut at the end of the text.
inline std::string Copy(const std::string& s, long long index, long long count)
{
    if (index < 1)
        index = 1;
    if (count <= 0 || index > static_cast<long long>(s.size()))
        return std::string();
    return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

inline std::size_t Count(const std::string& text, const std::string& marker)
{
    std::size_t n = 0;
    for (std::size_t p = Pos(marker, text, 1); p != 0; p = Pos(marker, text, p + 1))
        ++n;
    return n;
}

inline std::size_t Position(const std::string& text, const std::string& marker, long long n)
{
    if (n < 1)
        return 0;
    std::size_t p = 0;
    for (long long k = 1; k <= n; ++k) {
        p = Pos(marker, text, p + 1);
        if (p == 0)
            return 0;
    }
    return p;
}

inline std::string GetElement(const std::string& text, const std::string& name, long long n)
{
    long long p1 = static_cast<long long>(Position(text, "<" + name, n));
    long long p2 = static_cast<long long>(Position(text, "</" + name, n));
    long long start = p1 + static_cast<long long>(name.size()) + 2;
    // A start inside a character moves to its end: no piece begins with half a character.
    while (start >= 1 && start <= static_cast<long long>(text.size()) &&
           (static_cast<unsigned char>(text[static_cast<std::size_t>(start - 1)]) & 0xC0) == 0x80)
        ++start;
    return Copy(text, start, p2 - start);
}

inline std::string Trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.substr(b, e - b);
}

inline std::string StripComments(const std::string& text)
{
    std::string s = text;
    std::size_t n = Count(s, "<!--");
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t p = Pos("<!--", s, 1);
        if (p == 0)
            break;
        std::size_t q = Pos("-->", s, p + 4);
        if (q == 0)
            return Copy(s, 1, static_cast<long long>(p) - 1);
        s = Copy(s, 1, static_cast<long long>(p) - 1) +
            Copy(s, static_cast<long long>(q) + 3, static_cast<long long>(s.size()));
    }
    return s;
}

// The first guid element of the item (its name followed by ">", "/" or a blank) when it has content,
// no isPermaLink attribute or one whose value is "true", and its cleaned content is a web address.
inline std::string GuidLink(const std::string& item)
{
    std::size_t p = 0;
    do
        p = Pos("<guid", item, p + 1);
    while (p != 0 && p + 5 <= item.size() && item[p + 4] != '>' && item[p + 4] != '/' && !Blank(item[p + 4]));
    if (p == 0 || p + 5 > item.size())
        return "";
    std::size_t gt = Pos(">", item, p);
    if (gt == 0 || item[gt - 2] == '/' || Pos("</guid", item, gt) == 0)
        return "";
    std::string attributes = Copy(item, static_cast<long long>(p) + 5, static_cast<long long>(gt - p - 5));
    std::size_t name = Pos("isPermaLink", attributes, 1);
    if (name != 0) {
        std::string rest = Trim(Copy(attributes, static_cast<long long>(name) + 11, 1 << 30));
        if (rest.empty() || rest[0] != '=')
            return "";
        rest = Trim(rest.substr(1));
        if (rest.empty() || (rest[0] != '"' && rest[0] != '\''))
            return "";
        std::size_t end = rest.find(rest[0], 1);
        if (rest.substr(1, end == std::string::npos ? std::string::npos : end - 1) != "true")
            return "";
    }
    std::size_t close = Pos("</guid", item, gt);
    std::string link =
        CleanLink(Copy(item, static_cast<long long>(gt) + 1, static_cast<long long>(close - gt - 1)));
    return IsWebAddress(link) ? link : "";
}

inline feed::TParseResult Parse(const std::string& document, int maxEntrys, int maxChars,
                                feed::TBalloonNews& balloon, const std::string& documentUrl = "")
{
    if (reference_atom::IsAtomDocument(document))
        return reference_atom::ParseAtom(document, maxEntrys, maxChars, balloon, documentUrl);
    feed::TParseResult result;
    if (maxEntrys < 1)
        maxEntrys = 1;
    result.MaxEntrys = maxEntrys;
    long long count = static_cast<long long>(Count(document, "<item"));
    if (count > maxEntrys)
        count = maxEntrys;
    std::string previous;
    bool armed = true;
    for (long long n = 1; n <= count; ++n) {
        std::string item = GetElement(document, "item", n);
        std::string title = CleanCaption(GetElement(item, "title", 1));
        if (title.empty() || title == previous)
            continue;
        if (armed && title != "Customize this feed") {
            balloon.Headline = title;
            balloon.Text = HtmlToText(GetElement(item, "description", 1), "\r");
            armed = false;
        }
        // Lengths in characters (rtl/utf8.h), not bytes.
        std::string caption = title;
        if (static_cast<long long>(rtl::CharacterCount(caption)) > maxChars)
            caption = title.substr(
                          0, rtl::CharacterPrefix(title, static_cast<std::size_t>(maxChars < 0 ? 0 : maxChars))) +
                      "...";
        feed::THeadline h;
        h.N = static_cast<int>(n);
        h.Caption = caption;
        h.Link = CleanLink(GetElement(item, "link", 1));
        if (h.Link.empty())
            h.Link = GuidLink(item);
        h.Customize = caption == "Customize this feed";
        result.Headlines.push_back(h);
        previous = caption;
    }
    std::string channel = GetElement(document, "channel", 1);
    result.Channel.Caption = CleanCaption(GetElement(channel, "title", 1));
    result.Channel.Link = CleanLink(GetElement(channel, "link", 1));
    result.Channel.Description = HtmlToText(GetElement(channel, "description", 1), "\r\n");
    return result;
}

// A readable form of a parse result, so that a failed comparison shows what differs.
inline std::string Describe(const feed::TParseResult& r, const feed::TBalloonNews& b)
{
    std::string s = "channel [" + r.Channel.Caption + "] [" + r.Channel.Link + "] [" + r.Channel.Description +
                    "] longest " + std::to_string(feed::LongestCaption(r)) + " max " +
                    std::to_string(r.MaxEntrys) + "\n";
    for (const feed::THeadline& h : r.Headlines)
        s += "  " + std::to_string(h.N) + (h.Customize ? " * [" : " [") + h.Caption + "] [" + h.Link + "]\n";
    s += "balloon [" + b.Headline + "] [" + b.Text + "]\n";
    return s;
}

} // namespace reference
