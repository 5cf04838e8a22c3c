#pragma once
// The documented scanning algorithms written out literally, slow on purpose: every n-th marker
// is searched from the start of the text and every entity replacement is a full pass of its own.
// The program's implementation (app/feed_parser.h) must give the same bytes on every input; the
// tests, the fuzz targets and the benchmarks compare the two.
#include <string>
#include <utility>
#include <vector>

#include "app/feed_parser.h"

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

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

// Replaces every occurrence of from (letter case ignored) in one left-to-right pass.
inline std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to)
{
    std::string r;
    std::size_t i = 0;
    while (i < s.size()) {
        bool match = i + from.size() <= s.size();
        for (std::size_t k = 0; match && k < from.size(); ++k)
            match = Lower(s[i + k]) == Lower(from[k]);
        if (match) {
            r += to;
            i += from.size();
        } else {
            r += s[i++];
        }
    }
    return r;
}

// The replacements in the order in which they run, with Windows-1252 outputs (0xE4 is the a
// with diaeresis). The bytes are spelled out because the fuzz build keeps literals in UTF-8.
inline const std::vector<std::pair<std::string, std::string>>& EntityTable()
{
    static const std::vector<std::pair<std::string, std::string>> table = [] {
        std::vector<std::pair<std::string, std::string>> t = {
            {"&amp;", "&"},
            {"&auml;", "\xE4"}, {"&ouml;", "\xF6"}, {"&uuml;", "\xFC"}, {"&szlig;", "\xDF"},
            {"<i>", " "}, {"</i>", " "}, {"<b>", " "}, {"</b>", " "},
            {"&#38;", "&"}, {"&#36;", "$"}, {"&#039;", "'"}, {"&#146;", "'"}, {"&#147;", "\""},
            {"&#148;", "\""}, {"&#151;", " "}, {"&#8211;", "-"},
            {"&quot;", "\""}, {"&apos;", "'"},
            {"&agrave;", "\xE0"}, {"&ccedil;", "\xE7"}, {"&eacute;", "\xE9"}, {"&egrave;", "\xE8"},
            {"&ecirc;", "\xEA"}, {"&ugrave;", "\xF9"}, {"&euml;", "\xEB"},
            {"&lt;", "<"}, {"&gt;", ">"},
            {"&#136;", "^"}, {"&#152;", "~"},
        };
        std::vector<int> codes = {163, 167, 176, 178, 179, 181, 183, 188, 189, 191};
        for (auto range : {std::pair<int, int>{192, 207}, {209, 214}, {217, 221}, {223, 239}, {241, 247},
                           {249, 253}, {255, 255}})
            for (int n = range.first; n <= range.second; ++n)
                codes.push_back(n);
        for (int n : codes)
            t.push_back({"&#" + std::to_string(n) + ";", std::string(1, static_cast<char>(n))});
        return t;
    }();
    return table;
}

inline std::string DecodeEntities(const std::string& text)
{
    std::string s = text;
    for (const auto& row : EntityTable())
        s = ReplaceAll(s, row.first, row.second);
    return s;
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
        s = Copy(s, 1, static_cast<long long>(p) - 1) + Copy(s, static_cast<long long>(q) + 3, static_cast<long long>(s.size()));
    }
    return s;
}

inline feed::TParseResult Parse(const std::string& document, int maxEntrys, int maxChars, feed::TBalloonNews& balloon)
{
    feed::TParseResult result;
    if (maxEntrys < 1)
        maxEntrys = 1;
    result.MaxEntrys = maxEntrys;
    long long count = static_cast<long long>(Count(document, "<item"));
    if (count > maxEntrys)
        count = maxEntrys;
    std::string previous;
    long long longest = 0;
    bool armed = true;
    for (long long n = 1; n <= count; ++n) {
        std::string item = GetElement(document, "item", n);
        std::string title = Trim(DecodeEntities(GetElement(item, "title", 1)));
        if (title.empty() || title == previous)
            continue;
        if (armed && title != "Customize this feed") {
            balloon.Headline = title;
            balloon.Text = DecodeEntities(Trim(GetElement(item, "description", 1)));
            armed = false;
        }
        std::string caption = title;
        if (static_cast<long long>(caption.size()) > maxChars)
            caption = Copy(title, 1, maxChars) + "...";
        if (static_cast<long long>(caption.size()) > longest)
            longest = static_cast<long long>(caption.size());
        feed::THeadline h;
        h.N = static_cast<int>(n);
        h.Caption = caption;
        h.Link = GetElement(item, "link", 1);
        h.Customize = caption == "Customize this feed";
        result.Headlines.push_back(h);
        previous = caption;
    }
    result.LongestCaption = static_cast<int>(longest);
    std::string channel = GetElement(document, "channel", 1);
    result.Channel.Caption = Trim(DecodeEntities(GetElement(channel, "title", 1)));
    result.Channel.Link = Trim(GetElement(channel, "link", 1));
    result.Channel.Description = Trim(GetElement(channel, "description", 1));
    return result;
}

// A readable form of a parse result, so that a failed comparison shows what differs.
inline std::string Describe(const feed::TParseResult& r, const feed::TBalloonNews& b)
{
    std::string s = "channel [" + r.Channel.Caption + "] [" + r.Channel.Link + "] [" + r.Channel.Description +
                    "] longest " + std::to_string(r.LongestCaption) + " max " + std::to_string(r.MaxEntrys) + "\n";
    for (const feed::THeadline& h : r.Headlines)
        s += "  " + std::to_string(h.N) + (h.Customize ? " * [" : " [") + h.Caption + "] [" + h.Link + "]\n";
    s += "balloon [" + b.Headline + "] [" + b.Text + "]\n";
    return s;
}

}  // namespace reference
