#pragma once
// The Atom reading rules written out literally, slow on purpose: the whole document is first cut
// into a list of tokens, and every element's extent is found by walking that list again. The
// program's reader (app/atom_parser.h) must give the same bytes on every input; the tests, the
// fuzz target and the benchmark compare the two. Reference decoding and the HTML-to-text step
// are the literal ones of the text cleaning; URL resolution and base64 are the program's own,
// tested on their own.
//
// The rules:
// - Tokens, from left to right: "<!--" to the next "-->", "<![CDATA[" to the next "]]>", other
//   "<!" and "</name" to the next ">", "<?" to the next "?>", and a start tag: "<" and a name
//   that begins with a letter, "_", ":" or a byte from 128, up to the first ">" outside quoted
//   values (self-closing when "/" precedes it). Any other "<" is text. A construct that does not
//   end ends the token list.
// - The prefix of the first start tag named feed or entry (any prefix) is the document's: only
//   its elements count.
// - An element runs from its start tag to the first "</" + its name after it (followed by a
//   character that ends a name), comments and CDATA sections hiding what they hold; reading goes
//   on after the next ">". When the entry's own "</" + name comes first, or nothing, the element
//   has no content and reading goes on after its start tag.
// - Before the first entry: the first title, the first subtitle or tagline, and the links make
//   the channel; the first feed start tag's xml:base is the feed's base.
// - Entries in order, numbered 1, 2, ...; at MaxEntrys + 1 reading stops. An entry's children
//   up to its end tag: the first title, summary, content and id and every link. An entry without
//   its end tag ends the reading and gives no headline.
// - Link: rel absent or "alternate"; href (else the element's text), trimmed, not empty; the
//   first of type text/html, else the first; resolved against xml:base of the link, entry and
//   feed and the document's address.
#include <algorithm>
#include <string>
#include <vector>

#include "app/atom_parser.h"
#include "app/feed_parser.h"
#include "app/headline_rules.h"
#include "rtl/utf8.h"
#include "app/html_entities.h"
#include "feed_text_reference.h"

namespace reference_atom {

enum Kind { kStart, kEnd, kSkip };

struct Token {
    Kind kind;
    std::size_t begin, end; // the "<" and one past the token
    std::string name;       // start and end tags
    std::string attributes; // start tags: everything after the name up to and including ">"
    bool selfClosing;
};

inline bool Space(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

inline bool NameChar(char c)
{
    return !Space(c) && c != '>' && c != '/' && c != '<';
}

inline bool NameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 128;
}

inline std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return s;
}

inline std::string Trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && Space(s[b]))
        ++b;
    while (e > b && Space(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// One past the end of marker searched from position from; 0 if none.
inline std::size_t After(const std::string& s, const std::string& marker, std::size_t from)
{
    for (std::size_t i = from; i + marker.size() <= s.size(); ++i)
        if (s.compare(i, marker.size(), marker) == 0)
            return i + marker.size();
    return 0;
}

// The first token at or after position i, which is moved past it; false when the tokens end.
inline bool NextToken(const std::string& s, std::size_t& i, Token& t)
{
    while (i < s.size()) {
        if (s[i] != '<') {
            ++i;
            continue;
        }
        if (i + 1 >= s.size())
            return false;
        const char c = s[i + 1];
        t = Token{kSkip, i, 0, "", "", false};
        std::size_t end = 0;
        if (c == '/') {
            std::size_t e = i + 2;
            while (e < s.size() && NameChar(s[e]))
                t.name += s[e++];
            end = After(s, ">", e);
            if (!t.name.empty())
                t.kind = kEnd;
        } else if (s.compare(i, 4, "<!--") == 0) {
            end = After(s, "-->", i + 4);
        } else if (s.compare(i, 9, "<![CDATA[") == 0) {
            end = After(s, "]]>", i + 9);
        } else if (c == '!') {
            end = After(s, ">", i + 2);
        } else if (c == '?') {
            end = After(s, "?>", i + 2);
        } else if (NameStart(c)) {
            std::size_t e = i + 1;
            while (e < s.size() && NameChar(s[e]))
                t.name += s[e++];
            char quote = 0;
            for (std::size_t k = e; k < s.size() && end == 0; ++k) {
                if (quote) {
                    if (s[k] == quote)
                        quote = 0;
                } else if (s[k] == '"' || s[k] == '\'') {
                    quote = s[k];
                } else if (s[k] == '>') {
                    end = k + 1;
                }
            }
            if (end != 0) {
                t.kind = kStart;
                t.attributes = s.substr(e, end - e);
                t.selfClosing = s[end - 2] == '/';
            }
        } else {
            ++i;
            continue;
        }
        if (end == 0)
            return false;
        t.end = end;
        i = end;
        return true;
    }
    return false;
}

inline std::vector<Token> Tokenize(const std::string& s)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    Token t;
    while (NextToken(s, i, t))
        tokens.push_back(t);
    return tokens;
}

// What a reference ("&", a name or "#" and a number, ";") stands for, as HTML defines it; false
// when it is unknown, or a name or below 128 while only code points from 128 are wanted.
inline bool AppendReference(std::string& out, const std::string& ref, bool fromHighOnly)
{
    const std::string body = ref.substr(1, ref.size() - 2);
    if (body[0] == '#') {
        const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
        const std::string digits = body.substr(hex ? 2 : 1);
        if (digits.empty())
            return false;
        unsigned long long v = 0;
        for (char c : digits) {
            const std::string valid = hex ? "0123456789abcdef" : "0123456789";
            std::size_t d = valid.find(Lower(std::string(1, c))[0]);
            if (d == std::string::npos || (!hex && c > '9'))
                return false;
            v = std::min<unsigned long long>(v * (hex ? 16 : 10) + d, 0x110000);
        }
        if (fromHighOnly && v < 128)
            return false;
        rtl::AppendUtf8(out, reference::NumericCodePoint(v));
        return true;
    }
    if (fromHighOnly)
        return false;
    for (std::size_t e = 0; e < feed::kHtmlEntityCount; ++e)
        if (feed::kHtmlEntities[e].Name == body) {
            rtl::AppendUtf8(out, feed::kHtmlEntities[e].First);
            if (feed::kHtmlEntities[e].Second)
                rtl::AppendUtf8(out, feed::kHtmlEntities[e].Second);
            return true;
        }
    return false;
}

// Every "&", an optional "#", letters and digits (at most 40 characters after the "&") and ";"
// decoded on its own.
inline std::string DecodeOnce(const std::string& s, bool fromHighOnly = false)
{
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t semi = s[i] == '&' ? s.find(';', i) : std::string::npos;
        bool reference = semi != std::string::npos && semi <= i + 41;
        std::size_t first = i + 1 < s.size() && s[i + 1] == '#' ? i + 2 : i + 1;
        if (reference)
            reference = semi > first;
        for (std::size_t k = first; reference && k < semi; ++k)
            reference =
                (s[k] >= 'a' && s[k] <= 'z') || (s[k] >= 'A' && s[k] <= 'Z') || (s[k] >= '0' && s[k] <= '9');
        if (reference && AppendReference(out, s.substr(i, semi + 1 - i), fromHighOnly)) {
            i = semi + 1;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// Every "&" outside CDATA sections written as "&amp;".
inline std::string EscapeAmpersands(const std::string& s)
{
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, 9, "<![CDATA[") == 0) {
            std::size_t close = s.find("]]>", i + 9);
            std::size_t end = close == std::string::npos ? s.size() : close + 3;
            out += s.substr(i, end - i);
            i = end;
        } else {
            out += s[i] == '&' ? std::string("&amp;") : std::string(1, s[i]);
            ++i;
        }
    }
    return out;
}

// The value of the first attribute of that name, references decoded.
inline std::string Attribute(const Token& t, const std::string& wanted, bool* found = nullptr)
{
    const std::string& s = t.attributes;
    if (found)
        *found = false;
    std::size_t i = 0;
    for (;;) {
        while (i < s.size() && (Space(s[i]) || s[i] == '/'))
            ++i;
        std::string name;
        while (i < s.size() && !Space(s[i]) && s[i] != '=' && s[i] != '>' && s[i] != '/')
            name += s[i++];
        if (name.empty()) {
            if (i >= s.size() || s[i] == '>')
                return "";
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < s.size() && Space(s[j]))
            ++j;
        std::string value;
        if (j < s.size() && s[j] == '=') {
            ++j;
            while (j < s.size() && Space(s[j]))
                ++j;
            if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
                const char quote = s[j++];
                while (j < s.size() && s[j] != quote)
                    value += s[j++];
                ++j;
            } else {
                while (j < s.size() && !Space(s[j]) && s[j] != '>')
                    value += s[j++];
            }
            i = j;
        }
        if (name == wanted) {
            if (found)
                *found = true;
            return DecodeOnce(value);
        }
    }
}

inline std::string TextContent(const std::string& raw)
{
    std::string out;
    std::size_t text = 0;
    for (const Token& t : Tokenize(raw)) {
        out += DecodeOnce(raw.substr(text, t.begin - text));
        if (raw.compare(t.begin, 9, "<![CDATA[") == 0)
            out += raw.substr(t.begin + 9, t.end - t.begin - 12);
        text = t.end;
    }
    // An unfinished construct ends the token list: it is text.
    out += DecodeOnce(raw.substr(text));
    return out;
}

inline std::string Caption(const std::string& s)
{
    std::string out;
    for (char c : Trim(s)) {
        if (Space(c)) {
            if (out.empty() || out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

inline std::string MarkupToText(const std::string& markup, const std::string& lineBreak)
{
    return reference::HtmlToText(EscapeAmpersands(DecodeOnce(markup, true)), lineBreak);
}

inline std::string TypedText(const std::string& raw, const Token& tag, const std::string& lineBreak)
{
    const std::string type = Lower(Trim(Attribute(tag, "type")));
    const std::string mode = Lower(Trim(Attribute(tag, "mode")));
    const bool html = type == "html" || type == "text/html";
    const bool xhtml = type == "xhtml" || type == "application/xhtml+xml";
    if (mode == "base64") {
        std::string bytes = feed::DecodeBase64(TextContent(raw));
        return html || xhtml ? MarkupToText(bytes, lineBreak) : Caption(bytes);
    }
    if (html || (xhtml && mode == "escaped"))
        return MarkupToText(TextContent(raw), lineBreak);
    if (xhtml)
        return MarkupToText(raw, lineBreak);
    return Caption(TextContent(raw));
}

inline std::string LocalName(const std::string& name)
{
    std::size_t colon = name.rfind(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

struct Reader {
    std::string doc;
    std::string prefix;

    bool Is(const Token& t, const std::string& local) const { return t.name == prefix + local; }

    // Where the first of the two markers begins at or after from, with comments and CDATA
    // sections stepped over; which one it is in which (0 none, 1 end, 2 entry end).
    std::size_t Stop(std::size_t from, const std::string& end, int& which) const
    {
        const std::string entryEnd = "</" + prefix + "entry";
        auto at = [&](std::size_t i, const std::string& m) {
            return doc.compare(i, m.size(), m) == 0 && i + m.size() < doc.size() && !NameChar(doc[i + m.size()]);
        };
        which = 0;
        std::size_t i = from;
        while (i < doc.size()) {
            if (doc.compare(i, 4, "<!--") == 0) {
                i = After(doc, "-->", i + 4);
                if (i == 0)
                    return 0;
            } else if (doc.compare(i, 9, "<![CDATA[") == 0) {
                i = After(doc, "]]>", i + 9);
                if (i == 0)
                    return 0;
            } else if (at(i, end) || at(i, entryEnd)) {
                which = at(i, end) ? 1 : 2;
                return i;
            } else {
                ++i;
            }
        }
        return 0;
    }

    // The element of start tag t: its content, and where reading goes on after it.
    std::string Content(const Token& t, std::size_t& resume) const
    {
        resume = t.end;
        if (t.selfClosing)
            return "";
        int which;
        std::size_t e = Stop(t.end, "</" + t.name, which);
        if (which != 1)
            return "";
        std::size_t gt = After(doc, ">", e);
        resume = gt == 0 ? doc.size() : gt;
        return doc.substr(t.end, e - t.end);
    }

    struct Element {
        bool present = false;
        Token tag;
        std::string content;
    };

    Element Take(const Token& t, std::size_t& resume) const
    {
        Element e{true, t, Content(t, resume)};
        return e;
    }

    std::string Text(const Element& e, const std::string& lineBreak) const
    {
        return e.present ? TypedText(e.content, e.tag, lineBreak) : "";
    }

    std::string Base(const Token& t, const std::string& outer) const
    {
        bool found;
        std::string base = Attribute(t, "xml:base", &found);
        return found ? feed::ResolveUrl(outer, Trim(base)) : outer;
    }

    // The chosen link among these link elements.
    std::string Link(const std::vector<Element>& links, const std::string& base) const
    {
        std::string first;
        for (const Element& e : links) {
            std::string rel = Trim(Attribute(e.tag, "rel"));
            if (!rel.empty() && Lower(rel) != "alternate")
                continue;
            bool hasHref;
            std::string href = Trim(Attribute(e.tag, "href", &hasHref));
            if (!hasHref)
                href = Trim(TextContent(e.content));
            if (href.empty())
                continue;
            std::string resolved = feed::ResolveUrl(Base(e.tag, base), href);
            if (Lower(Trim(Attribute(e.tag, "type"))) == "text/html")
                return resolved;
            if (first.empty())
                first = resolved;
        }
        return first;
    }
};

inline bool IsAtomDocument(const std::string& doc)
{
    if (doc.find("<item") != std::string::npos)
        return false;
    for (const Token& t : Tokenize(doc))
        if (t.kind == kStart && (LocalName(t.name) == "entry" || LocalName(t.name) == "feed"))
            return true;
    return false;
}

inline feed::TParseResult ParseAtom(const std::string& doc, int maxEntrys, int maxChars,
                                    feed::TBalloonNews& balloon, const std::string& documentUrl)
{
    feed::TParseResult result;
    result.MaxEntrys = maxEntrys < 1 ? 1 : maxEntrys;
    Reader r{doc, ""};
    std::size_t pos = 0;
    Token t;
    bool more = NextToken(doc, pos, t);
    while (more && !(t.kind == kStart && (LocalName(t.name) == "entry" || LocalName(t.name) == "feed")))
        more = NextToken(doc, pos, t);
    if (more)
        r.prefix = t.name.substr(0, t.name.size() - LocalName(t.name).size());
    const std::string docBase = Trim(documentUrl);
    std::string feedBase = docBase;
    bool feedSeen = false;
    Reader::Element title, subtitle;
    std::vector<Reader::Element> links;
    // The channel: up to the first entry.
    while (more && !(t.kind == kStart && r.Is(t, "entry"))) {
        if (t.kind == kStart && r.Is(t, "feed")) {
            if (!feedSeen)
                feedBase = r.Base(t, docBase);
            feedSeen = true;
        } else if (t.kind == kStart &&
                   (r.Is(t, "title") || r.Is(t, "subtitle") || r.Is(t, "tagline") || r.Is(t, "link"))) {
            Reader::Element e = r.Take(t, pos);
            if (r.Is(t, "title") && !title.present)
                title = e;
            if ((r.Is(t, "subtitle") || r.Is(t, "tagline")) && !subtitle.present)
                subtitle = e;
            if (r.Is(t, "link"))
                links.push_back(e);
        }
        more = NextToken(doc, pos, t);
    }
    std::string previous;
    bool armed = true;
    for (int n = 1; more && n <= result.MaxEntrys; ++n) {
        const std::string entryBase = t.selfClosing ? "" : r.Base(t, feedBase);
        Reader::Element eTitle, eSummary, eContent, eId;
        std::vector<Reader::Element> eLinks;
        bool complete = t.selfClosing;
        while (!complete) {
            Token c;
            if (!NextToken(doc, pos, c))
                break;
            if (c.kind == kEnd && r.Is(c, "entry")) {
                complete = true;
            } else if (c.kind == kStart) {
                Reader::Element e = r.Take(c, pos);
                if (r.Is(c, "title") && !eTitle.present)
                    eTitle = e;
                if (r.Is(c, "summary") && !eSummary.present)
                    eSummary = e;
                if (r.Is(c, "content") && !eContent.present)
                    eContent = e;
                if (r.Is(c, "id") && !eId.present)
                    eId = e;
                if (r.Is(c, "link"))
                    eLinks.push_back(e);
            }
        }
        if (!complete)
            break;
        std::string caption = Caption(r.Text(eTitle, " "));
        if (!caption.empty() && caption != previous) {
            if (armed && caption != "Customize this feed") {
                balloon.Headline = caption;
                balloon.Text = r.Text(eSummary, "\r");
                if (balloon.Text.empty())
                    balloon.Text = r.Text(eContent, "\r");
                armed = false;
            }
            if (static_cast<int>(rtl::CharacterCount(caption)) > maxChars)
                caption = caption.substr(0, rtl::CharacterPrefix(
                                                caption, static_cast<std::size_t>(maxChars < 0 ? 0 : maxChars))) +
                          "...";
            feed::THeadline h;
            h.N = n;
            h.Caption = caption;
            h.Link = r.Link(eLinks, entryBase);
            std::string id = Trim(TextContent(eId.content));
            if (h.Link.empty() && eId.present &&
                (Lower(id.substr(0, 7)) == "http://" || Lower(id.substr(0, 8)) == "https://"))
                h.Link = id;
            h.Customize = caption == "Customize this feed";
            previous = caption;
            result.Headlines.push_back(h);
        }
        // On to the next entry.
        more = NextToken(doc, pos, t);
        while (more && !(t.kind == kStart && r.Is(t, "entry")))
            more = NextToken(doc, pos, t);
    }
    result.Channel.Caption = Caption(r.Text(title, " "));
    result.Channel.Link = r.Link(links, feedBase);
    result.Channel.Description = r.Text(subtitle, "\r\n");
    return result;
}

} // namespace reference_atom
