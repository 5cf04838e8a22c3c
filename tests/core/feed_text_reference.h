#pragma once
// The text cleaning rules written out literally: the fixed table as one full pass per row that
// marks the characters it makes, then one more pass over the result for every other reference,
// each name tried against the whole HTML list. The program's feed_text functions must give the
// same bytes; the tests and the fuzz targets compare the two.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "rtl/utf8.h"
#include "app/html_entities.h"

namespace reference {

inline char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}
inline bool Blank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}
inline bool Letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool Digit(char c)
{
    return c >= '0' && c <= '9';
}

inline std::string Ansi(char32_t c)
{
    std::string s;
    rtl::AppendUtf8(s, c);
    return s;
}

struct TRow {
    std::string Pattern;
    char32_t Output;
};

// The replacements in the order in which they run, each giving one character.
inline const std::vector<TRow>& EntityTable()
{
    static const std::vector<TRow> table = [] {
        std::vector<TRow> t = {
            {"&amp;", '&'},     {"&auml;", 0xE4},    {"&ouml;", 0xF6},   {"&uuml;", 0xFC},   {"&szlig;", 0xDF},
            {"<i>", ' '},       {"</i>", ' '},       {"<b>", ' '},       {"</b>", ' '},      {"&#38;", '&'},
            {"&#36;", '$'},     {"&#039;", '\''},    {"&#146;", 0x2019}, {"&#147;", 0x201C}, {"&#148;", 0x201D},
            {"&#151;", 0x2014}, {"&#8211;", 0x2013}, {"&quot;", '"'},    {"&apos;", '\''},   {"&agrave;", 0xE0},
            {"&ccedil;", 0xE7}, {"&eacute;", 0xE9},  {"&egrave;", 0xE8}, {"&ecirc;", 0xEA},  {"&ugrave;", 0xF9},
            {"&euml;", 0xEB},   {"&lt;", '<'},       {"&gt;", '>'},      {"&#136;", 0x02C6}, {"&#152;", 0x02DC},
        };
        std::vector<int> codes = {163, 167, 176, 178, 179, 181, 183, 188, 189, 191};
        for (auto range : {std::pair<int, int>{192, 207},
                           {209, 214},
                           {217, 221},
                           {223, 239},
                           {241, 247},
                           {249, 253},
                           {255, 255}})
            for (int n = range.first; n <= range.second; ++n)
                codes.push_back(n);
        for (int n : codes)
            t.push_back({"&#" + std::to_string(n) + ";", static_cast<char32_t>(n)});
        return t;
    }();
    return table;
}

// Text and, for each byte, whether a table row made it.
struct TMarked {
    std::string Text;
    std::vector<bool> Made;
};

// Replaces every occurrence of from (letter case ignored) in one left-to-right pass. A letter row
// answers a name written with an upper-case first letter with the upper-case letter.
inline TMarked ReplaceAll(const TMarked& s, const std::string& from, char32_t output)
{
    if (s.Text.find(from[0]) == std::string::npos) // every pattern starts with "&" or "<"
        return s;
    const bool cased = Letter(from[1]) && output >= 0xE0 && output <= 0xFF;
    TMarked r;
    std::size_t i = 0;
    while (i < s.Text.size()) {
        bool match = i + from.size() <= s.Text.size();
        for (std::size_t k = 0; match && k < from.size(); ++k)
            match = Lower(s.Text[i + k]) == Lower(from[k]);
        if (match) {
            const bool upper = cased && s.Text[i + 1] >= 'A' && s.Text[i + 1] <= 'Z';
            const std::string to = Ansi(upper ? output - 0x20 : output);
            r.Text += to;
            r.Made.insert(r.Made.end(), to.size(), true);
            i += from.size();
        } else {
            r.Text += s.Text[i];
            r.Made.push_back(s.Made[i]);
            ++i;
        }
    }
    return r;
}

inline TMarked ApplyTable(const std::string& text)
{
    TMarked s{text, std::vector<bool>(text.size(), false)};
    for (const auto& row : EntityTable())
        s = ReplaceAll(s, row.Pattern, row.Output);
    return s;
}

inline std::string DecodeEntities(const std::string& text)
{
    return ApplyTable(text).Text;
}

inline char32_t NumericCodePoint(unsigned long long v)
{
    static const char32_t kWindows1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                              0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0xFFFD;
    if (v >= 0x80 && v <= 0x9F)
        return kWindows1252[v - 0x80];
    return static_cast<char32_t>(v);
}

inline bool Alnum(char c)
{
    return Letter(c) || Digit(c);
}

// The reference at position i of s ("&" there) decoded into out; characters taken, 0 for none.
inline std::size_t Reference(const std::string& s, std::size_t i, bool address, std::string& out)
{
    if (i + 1 < s.size() && s[i + 1] == '#') {
        std::size_t k = i + 2;
        bool hex = k < s.size() && (s[k] == 'x' || s[k] == 'X');
        if (hex)
            ++k;
        std::string digits;
        while (k < s.size() &&
               (Digit(s[k]) || (hex && std::string("abcdefABCDEF").find(s[k]) != std::string::npos)))
            digits += s[k++];
        if (digits.empty() || k >= s.size() || s[k] != ';')
            return 0;
        unsigned long long v = 0;
        for (char c : digits) {
            v = v * (hex ? 16 : 10) + static_cast<unsigned long long>(Digit(c) ? c - '0' : Lower(c) - 'a' + 10);
            if (v > 0x10FFFF)
                v = 0x110000;
        }
        rtl::AppendUtf8(out, NumericCodePoint(v));
        return k + 1 - i;
    }
    static const std::map<std::string, const feed::THtmlEntity*> kNames = [] {
        std::map<std::string, const feed::THtmlEntity*> m;
        for (std::size_t e = 0; e < feed::kHtmlEntityCount; ++e)
            m[std::string(feed::kHtmlEntities[e].Name)] = &feed::kHtmlEntities[e];
        return m;
    }();
    // A name followed by ";", else the longest old name that may go without one.
    const feed::THtmlEntity* best = nullptr;
    bool semicolon = false;
    for (std::size_t length = 1; length <= 40 && i + 1 + length <= s.size(); ++length) {
        auto it = kNames.find(s.substr(i + 1, length));
        if (it == kNames.end())
            continue;
        if (i + 1 + length < s.size() && s[i + 1 + length] == ';') {
            best = it->second;
            semicolon = true;
            break;
        }
        if (it->second->Legacy)
            best = it->second;
    }
    if (!best)
        return 0;
    const std::size_t after = i + 1 + best->Name.size() + (semicolon ? 1 : 0);
    if (!semicolon && address && after < s.size() && (Alnum(s[after]) || s[after] == '='))
        return 0;
    rtl::AppendUtf8(out, best->First);
    if (best->Second)
        rtl::AppendUtf8(out, best->Second);
    return after - i;
}

// The second pass: every reference whose "&" the table did not make.
inline std::string DecodeRest(const TMarked& s, bool address)
{
    std::string out;
    for (std::size_t i = 0; i < s.Text.size();) {
        std::size_t taken = s.Text[i] == '&' && !s.Made[i] ? Reference(s.Text, i, address, out) : 0;
        if (taken == 0)
            out += s.Text[i++];
        else
            i += taken;
    }
    return out;
}

inline std::string DecodeReferences(const std::string& text)
{
    return DecodeRest(ApplyTable(text), false);
}
inline std::string DecodeAddressReferences(const std::string& text)
{
    return DecodeRest(ApplyTable(text), true);
}

inline std::string UnwrapCdata(const std::string& text)
{
    std::string s = text, out;
    for (;;) {
        std::size_t open = s.find("<![CDATA[");
        if (open == std::string::npos)
            return out + s;
        out += s.substr(0, open);
        s = s.substr(open + 9);
        std::size_t close = s.find("]]>");
        if (close == std::string::npos)
            return out + s;
        out += s.substr(0, close);
        s = s.substr(close + 3);
    }
}

inline std::string TrimBlanks(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && Blank(s[b]))
        ++b;
    while (e > b && Blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

inline std::string CleanCaption(const std::string& raw)
{
    std::string s = DecodeReferences(UnwrapCdata(raw)), out;
    for (char c : s)
        if (!Blank(c))
            out += c;
        else if (out.empty() || out.back() != ' ')
            out += ' ';
    return TrimBlanks(out);
}

inline std::string CleanLink(const std::string& raw)
{
    return TrimBlanks(DecodeAddressReferences(UnwrapCdata(raw)));
}

inline bool IsWebAddress(const std::string& s)
{
    std::string head;
    for (std::size_t i = 0; i < s.size() && i < 8; ++i)
        head += Lower(s[i]);
    return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

// HTML to plain text in three steps: the document's escaping undone (references outside CDATA
// sections, no table rows), the HTML cut into text, gaps and dropped parts, the pieces joined.
inline std::string HtmlToText(const std::string& raw, const std::string& lineBreak)
{
    std::string html;
    std::string s = raw;
    for (;;) {
        std::size_t open = s.find("<![CDATA[");
        std::string plain = s.substr(0, open);
        html += DecodeRest(TMarked{plain, std::vector<bool>(plain.size(), false)}, false);
        if (open == std::string::npos)
            break;
        s = s.substr(open + 9);
        std::size_t close = s.find("]]>");
        html += s.substr(0, close);
        if (close == std::string::npos)
            break;
        s = s.substr(close + 3);
    }

    static const std::vector<std::string> kBreaks = {
        "address", "article", "aside",    "blockquote", "br",      "center", "dd",   "details", "div",
        "dl",      "dt",      "fieldset", "figcaption", "figure",  "footer", "form", "h1",      "h2",
        "h3",      "h4",      "h5",       "h6",         "header",  "hr",     "li",   "main",    "nav",
        "ol",      "p",       "pre",      "section",    "summary", "table",  "tr",   "ul"};
    enum Kind { Text, Space, Break };
    std::vector<std::pair<Kind, std::string>> pieces;
    std::string text;
    auto lower = [](std::string v) {
        for (char& c : v)
            c = Lower(c);
        return v;
    };
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        const bool tag = c == '<' && i + 1 < html.size() &&
                         (Letter(html[i + 1]) || html[i + 1] == '!' || html[i + 1] == '?' ||
                          (html[i + 1] == '/' && i + 2 < html.size() && Letter(html[i + 2])));
        if (!tag) {
            text += c;
            ++i;
            continue;
        }
        pieces.push_back({Text, text});
        text.clear();
        if (html.compare(i, 4, "<!--") == 0) {
            std::size_t end = html.find("-->", i + 4);
            i = end == std::string::npos ? html.size() : end + 3;
            continue;
        }
        std::size_t gt = html.find('>', i);
        if (gt == std::string::npos) {
            i = html.size();
            break;
        }
        bool closing = html[i + 1] == '/';
        std::string name;
        for (std::size_t k = i + (closing ? 2 : 1); k < gt && Alnum(html[k]); ++k)
            name += Lower(html[k]);
        i = gt + 1;
        if (!closing && (name == "script" || name == "style")) {
            std::size_t end = lower(html).find("</" + name, i);
            std::size_t endGt = end == std::string::npos ? std::string::npos : html.find('>', end);
            i = endGt == std::string::npos ? html.size() : endGt + 1;
        } else if (std::find(kBreaks.begin(), kBreaks.end(), name) != kBreaks.end()) {
            pieces.push_back({Break, ""});
        } else if (name == "td" || name == "th") {
            pieces.push_back({Space, ""});
        }
    }
    pieces.push_back({Text, text});

    std::string out;
    Kind gap = Text; // none yet
    for (const auto& piece : pieces) {
        if (piece.first != Text) {
            if (gap == Text || piece.first == Break)
                gap = piece.first;
            continue;
        }
        for (char ch : DecodeReferences(piece.second)) {
            if (Blank(ch)) {
                if (gap == Text)
                    gap = Space;
                continue;
            }
            if (!out.empty() && gap == Break)
                out += lineBreak;
            else if (!out.empty() && gap == Space)
                out += ' ';
            gap = Text;
            out += ch;
        }
    }
    return out;
}

} // namespace reference
