#include "app/atom_parser.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/feed_text.h"
#include "app/headline_rules.h"

namespace feed {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kBalloonBreak = "\r"; // balloon texts break lines with a single CR

bool IsSpace(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c)
{
    return !IsSpace(c) && c != '>' && c != '/' && c != '<';
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// First occurrence of marker (two bytes or more) at or after from, npos if none. memchr finds its
// first byte while that is rare; markup-dense text holds a "<" every few bytes, too often for a
// call each, so there blocks are first tested for the marker's first two bytes by a loop without
// an early exit, which compilers turn into vector code, and only blocks with such a pair are
// searched.
std::size_t FindMarker(std::string_view text, std::string_view marker, std::size_t from)
{
    constexpr std::size_t kBlock = 512, kSparse = 64;
    const std::size_t n = text.size();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char a = static_cast<unsigned char>(marker[0]), b = static_cast<unsigned char>(marker[1]);
    std::size_t i = from;
    while (i < n) {
        const void* hit = std::memchr(p + i, a, n - i);
        if (!hit)
            return npos;
        const std::size_t next = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - p);
        if (text.compare(next, marker.size(), marker) == 0)
            return next;
        if (next - i >= kSparse) {
            i = next + 1;
            continue;
        }
        i = next + 1;
        for (; i + kBlock + 1 <= n; i += kBlock) {
            unsigned char pair = 0;
            for (std::size_t k = 0; k < kBlock; ++k)
                pair |= static_cast<unsigned char>(-(p[i + k] == a) & -(p[i + k + 1] == b));
            if (pair)
                break;
        }
        const std::size_t stop = std::min(n, i + kBlock);
        const std::size_t at = text.substr(0, std::min(n, stop + marker.size() - 1)).find(marker, i);
        if (at != npos)
            return at;
        i = stop;
    }
    return npos;
}

std::string_view LocalName(std::string_view qname)
{
    std::size_t colon = qname.rfind(':');
    return colon == npos ? qname : qname.substr(colon + 1);
}

// Tokens of the markup, found from a cursor that only moves forward; text between tokens is not
// looked at except by memchr for the next "<".
enum class TKind { Start, End, Skip, Eof };

struct TToken {
    TKind Kind = TKind::Eof;
    std::size_t Begin = 0, End = 0; // the "<" and one past the token
    std::string_view Name;          // start and end tags: the qualified name
    std::size_t NameEnd = 0;        // start tags: where the attributes begin
    bool SelfClosing = false;
};

class TTokenizer {
public:
    explicit TTokenizer(std::string_view text, std::size_t pos = 0) : FText(text), FPos(pos) {}

    std::size_t Pos() const { return FPos; }
    void Seek(std::size_t pos) { FPos = pos; }

    TToken Next()
    {
        const std::size_t n = FText.size();
        const char* base = FText.data();
        for (;;) {
            if (FPos >= n)
                return Eof();
            const void* hit = std::memchr(base + FPos, '<', n - FPos);
            if (!hit)
                return Eof();
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            if (at + 1 >= n)
                return Eof();
            TToken t;
            t.Begin = at;
            const char c = FText[at + 1];
            if (c == '/') {
                std::size_t e = at + 2;
                while (e < n && IsNameChar(FText[e]))
                    ++e;
                std::size_t gt = FText.find('>', e);
                if (gt == npos)
                    return Eof();
                t.Kind = e > at + 2 ? TKind::End : TKind::Skip;
                t.Name = FText.substr(at + 2, e - at - 2);
                return Take(t, gt + 1);
            }
            if (c == '!') {
                std::string_view rest = FText.substr(at);
                std::size_t close;
                if (rest.compare(0, 4, "<!--") == 0)
                    close = Find("-->", at + 4);
                else if (rest.compare(0, 9, "<![CDATA[") == 0)
                    close = Find("]]>", at + 9);
                else
                    close = Find(">", at + 2);
                if (close == npos)
                    return Eof();
                t.Kind = TKind::Skip;
                return Take(t, close);
            }
            if (c == '?') {
                std::size_t close = Find("?>", at + 2);
                if (close == npos)
                    return Eof();
                t.Kind = TKind::Skip;
                return Take(t, close);
            }
            if (!IsNameStart(c)) {
                FPos = at + 1; // a "<" that starts no markup is text
                continue;
            }
            std::size_t e = at + 2;
            while (e < n && IsNameChar(FText[e]))
                ++e;
            t.Name = FText.substr(at + 1, e - at - 1);
            t.NameEnd = e;
            // The tag ends at the first ">" outside quoted attribute values.
            std::size_t i = e;
            for (;;) {
                if (i >= n)
                    return Eof();
                const char d = FText[i];
                if (d == '>')
                    break;
                if (d == '"' || d == '\'') {
                    const void* q = std::memchr(base + i + 1, d, n - i - 1);
                    if (!q)
                        return Eof();
                    i = static_cast<std::size_t>(static_cast<const char*>(q) - base);
                }
                ++i;
            }
            t.Kind = TKind::Start;
            t.SelfClosing = FText[i - 1] == '/';
            return Take(t, i + 1);
        }
    }

private:
    TToken Eof()
    {
        FPos = FText.size();
        TToken t;
        t.Begin = t.End = FPos;
        return t;
    }

    TToken Take(TToken t, std::size_t end)
    {
        t.End = end;
        FPos = end;
        return t;
    }

    // One past the end of marker found from pos; npos if none.
    std::size_t Find(std::string_view marker, std::size_t pos) const
    {
        std::size_t at = FText.find(marker, pos);
        return at == npos ? npos : at + marker.size();
    }

    std::string_view FText;
    std::size_t FPos;
};

// References decoded once, as an XML reader does for text and attribute values, and as HTML
// defines them, so that the document's characters are shown ("&#8211;" is a dash).
std::string DecodeOnce(std::string_view text)
{
    return DecodeXmlReferences(text);
}

// The text of markup as an XML reader sees it: tags, comments and processing instructions
// dropped, CDATA sections kept as written, references decoded once.
std::string TextContent(std::string_view raw)
{
    if (raw.find('<') == npos)
        return DecodeOnce(raw);
    std::string out;
    TTokenizer tokens(raw);
    std::size_t text = 0;
    for (;;) {
        TToken t = tokens.Next();
        out += DecodeOnce(raw.substr(text, t.Begin - text));
        if (t.Kind == TKind::Eof)
            break;
        if (t.Kind == TKind::Skip && raw.compare(t.Begin, 9, "<![CDATA[") == 0)
            out.append(raw.data() + t.Begin + 9, t.End - t.Begin - 12);
        text = t.End;
    }
    return out;
}

// Whitespace runs made one space, trimmed; a text that already is so is returned as it is.
std::string Caption(std::string s)
{
    bool clean = s.empty() || (!IsSpace(s.front()) && !IsSpace(s.back()));
    for (std::size_t i = 0; clean && i < s.size(); ++i)
        clean = !IsSpace(s[i]) || (s[i] == ' ' && !IsSpace(s[i + 1]));
    if (clean)
        return s;
    std::string out;
    out.reserve(s.size());
    bool space = false;
    for (char c : TrimView(s)) {
        if (IsSpace(c)) {
            space = true;
            continue;
        }
        if (space)
            out.push_back(' ');
        space = false;
        out.push_back(c);
    }
    return out;
}

// HTML markup (its own references not yet decoded) as plain text. HtmlToText first undoes a
// document's escaping, which this markup no longer has: its ampersands outside CDATA sections
// are escaped again for it. Its references to characters from 128 are decoded first, as HTML
// defines them, so that no table of older feed conventions reads them ("&#8211;" is a dash).
std::string MarkupToText(std::string_view markup, std::string_view lineBreak)
{
    std::string out;
    out.reserve(markup.size() + markup.size() / 8);
    std::size_t cdataEnd = 0; // inside a CDATA section up to here: its ampersands stay
    for (std::size_t i = 0; i < markup.size();) {
        const std::size_t amp = markup.find('&', i);
        if (amp == npos) {
            out.append(markup.data() + i, markup.size() - i);
            break;
        }
        // CDATA sections that begin before this "&".
        for (std::size_t open = markup.find("<![CDATA[", cdataEnd > i ? cdataEnd : i);
             open < amp && cdataEnd <= amp; open = markup.find("<![CDATA[", cdataEnd)) {
            const std::size_t close = markup.find("]]>", open);
            cdataEnd = close == npos ? markup.size() : close + 3;
        }
        out.append(markup.data() + i, amp - i);
        const std::size_t length = DecodeXmlReferenceAt(markup, amp, out, true);
        if (length != 0) {
            i = amp + length;
        } else {
            out += amp < cdataEnd ? "&" : "&amp;";
            i = amp + 1;
        }
    }
    return HtmlToText(out, lineBreak);
}

// Text of an Atom text construct (title, subtitle, summary, content) by its type: text as it
// stands with its whitespace runs made one space; html (escaped or in CDATA) and xhtml (the
// markup itself) made plain text. Atom 0.3's base64 mode is undone first, and its escaped mode
// makes xhtml read as html.
std::string TypedText(std::string_view raw, std::string_view type, std::string_view mode,
                      std::string_view lineBreak)
{
    type = TrimView(type);
    mode = TrimView(mode);
    const bool html = SameTextAscii(type, "html") || SameTextAscii(type, "text/html");
    const bool xhtml = SameTextAscii(type, "xhtml") || SameTextAscii(type, "application/xhtml+xml");
    if (SameTextAscii(mode, "base64")) {
        std::string bytes = DecodeBase64(TextContent(raw));
        return html || xhtml ? MarkupToText(bytes, lineBreak) : Caption(std::move(bytes));
    }
    if (html || (xhtml && SameTextAscii(mode, "escaped")))
        return MarkupToText(TextContent(raw), lineBreak);
    if (xhtml)
        return MarkupToText(raw, lineBreak);
    return Caption(TextContent(raw));
}

enum class TStop { None, End, EntryClose };

// The first stop marker at or after at, which is moved to it: the element's end marker or an
// entry's end marker, each followed by a character that ends a name. Comments and CDATA
// sections hide markers. item is set when an "<item" marker lies in what was read, so that the
// document's dispatch needs no pass of its own over the content. memchr finds the next "<" while they are rare;
// markup-dense content holds one every few bytes, too often for a call each, so there blocks are first tested by a
// loop without an early exit, which compilers turn into vector code, and only blocks that may hold a marker are
// read closely.
TStop FindStop(std::string_view text, std::size_t& at, std::string_view end, std::string_view entryClose,
               bool& item)
{
    const std::size_t n = text.size();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    auto marker = [&](std::size_t i, std::string_view m) {
        return text.compare(i, m.size(), m) == 0 && i + m.size() < n && !IsNameChar(text[i + m.size()]);
    };
    // Comments and sections are searched for "<item" apart; what ends one cannot be part of it.
    auto section = [&](std::size_t& i, std::string_view close, std::size_t from) {
        const std::size_t c = text.find(close, from);
        if (c != npos && FindMarker(text.substr(0, c), "<item", i) != npos)
            item = true;
        i = c == npos ? npos : c + close.size();
    };
    // What the "<" at i is; a comment or section moves i past its end (npos when it has none).
    auto look = [&](std::size_t& i) {
        if (text.compare(i, 5, "<item") == 0)
            item = true;
        if (text.compare(i, 4, "<!--") == 0) {
            section(i, "-->", i + 4);
        } else if (text.compare(i, 9, "<![CDATA[") == 0) {
            section(i, "]]>", i + 9);
        } else if (marker(i, end)) {
            return TStop::End;
        } else if (marker(i, entryClose)) {
            return TStop::EntryClose;
        } else {
            ++i;
        }
        return TStop::None;
    };
    constexpr std::size_t kBlock = 256, kSparse = 64;
    const unsigned char q = static_cast<unsigned char>(end[2]), e = static_cast<unsigned char>(entryClose[2]);
    std::size_t i = at;
    while (i < n) {
        const void* lt = std::memchr(p + i, '<', n - i);
        if (!lt)
            return TStop::None;
        const std::size_t next = static_cast<std::size_t>(static_cast<const unsigned char*>(lt) - p);
        const bool dense = next - i < kSparse;
        // The "<" found is read first: short elements end at it, with no block to test.
        i = next;
        const TStop first = look(i);
        if (first != TStop::None) {
            at = i;
            return first;
        }
        if (i == npos)
            return TStop::None;
        std::size_t stop = i;
        if (dense) {
            for (; i + kBlock + 3 <= n; i += kBlock) {
                unsigned char hit = 0;
                for (std::size_t k = 0; k < kBlock; ++k) {
                    const unsigned char* c = p + i + k;
                    hit |= static_cast<unsigned char>(
                        -(c[0] == '<') &
                        (-(c[1] == '!') | -(c[1] == 'i') | (-(c[1] == '/') & (-(c[2] == q) | -(c[2] == e)))));
                }
                if (hit)
                    break;
            }
            stop = std::min(n, i + kBlock);
        }
        // Read the block (or the rest) closely; a section may carry on beyond it.
        while (i < stop) {
            const void* lt = std::memchr(p + i, '<', stop - i);
            if (!lt) {
                i = stop;
                break;
            }
            i = static_cast<std::size_t>(static_cast<const unsigned char*>(lt) - p);
            TStop found = look(i);
            if (found != TStop::None) {
                at = i;
                return found;
            }
            if (i == npos)
                return TStop::None;
        }
    }
    return TStop::None;
}

// The attributes the reader uses, as written (references not decoded): each the first of its name.
struct TAttributes {
    enum { kType, kMode, kRel, kHref, kBase, kCount };
    std::string_view Value[kCount];
    bool Found[kCount] = {};

    std::string Decoded(int which) const { return DecodeOnce(Value[which]); }
    // The value decoded into buffer, or as written (no copy) when it holds no reference.
    std::string_view Decoded(int which, std::string& buffer) const
    {
        if (Value[which].find('&') == npos)
            return Value[which];
        buffer = DecodeOnce(Value[which]);
        return buffer;
    }
};

TAttributes Attributes(std::string_view text, const TToken& tag)
{
    static constexpr std::string_view kNames[TAttributes::kCount] = {"type", "mode", "rel", "href", "xml:base"};
    TAttributes a;
    std::string_view s = text.substr(tag.NameEnd, tag.End - tag.NameEnd);
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (IsSpace(s[i]) || s[i] == '/'))
            ++i;
        std::size_t b = i;
        while (i < s.size() && !IsSpace(s[i]) && s[i] != '=' && s[i] != '>' && s[i] != '/')
            ++i;
        std::string_view attr = s.substr(b, i - b);
        if (attr.empty()) {
            if (i < s.size() && s[i] != '>')
                ++i; // a stray "=": step over it
            else
                break;
            continue;
        }
        std::size_t j = i;
        while (j < s.size() && IsSpace(s[j]))
            ++j;
        std::string_view value;
        if (j < s.size() && s[j] == '=') {
            ++j;
            while (j < s.size() && IsSpace(s[j]))
                ++j;
            if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
                std::size_t q = s.find(s[j], j + 1);
                if (q == npos)
                    q = s.size();
                value = s.substr(j + 1, q - j - 1);
                j = q + 1;
            } else {
                std::size_t v = j;
                while (j < s.size() && !IsSpace(s[j]) && s[j] != '>')
                    ++j;
                value = s.substr(v, j - v);
            }
            i = j;
        }
        for (int k = 0; k < TAttributes::kCount; ++k)
            if (!a.Found[k] && attr == kNames[k]) {
                a.Found[k] = true;
                a.Value[k] = value;
            }
    }
    return a;
}

struct TElement {
    bool Present = false;
    TToken Tag; // the start tag
    std::size_t ContentBegin = 0, ContentEnd = 0;
};

struct TLinkChoice {
    std::string Href;
    bool Html = false;
    bool Chosen = false;
};

class TAtomReader {
public:
    TAtomReader(std::string_view doc, std::string_view documentUrl) : FDoc(doc), FTokens(doc)
    {
        FDocumentBase = std::string(TrimView(documentUrl));
    }

    TParseResult Read(int maxEntrys, int maxChars, TBalloonNews& balloon);
    // Reading may end at an "<item" marker, when only a document without one is wanted.
    bool FStopAtItem = false;
    // After Read: whether the document is one (IsAtomDocument).
    bool Atom() const { return FAtom; }

private:
    bool Is(const TToken& t, std::string_view local) const
    {
        return t.Name.size() == FPrefix.size() + local.size() && t.Name.compare(0, FPrefix.size(), FPrefix) == 0 &&
               t.Name.compare(FPrefix.size(), npos, local) == 0;
    }

    // The element of a start tag up to the first end tag of its name; an element whose end tag
    // does not come before an entry's end tag has no content.
    TElement Take(const TToken& start);
    std::string_view Content(const TElement& e) const
    {
        return FDoc.substr(e.ContentBegin, e.ContentEnd - e.ContentBegin);
    }
    std::string Text(const TElement& e, std::string_view lineBreak) const;
    void OfferLink(TLinkChoice& choice, const TElement& e, const std::string& base) const;
    std::string Base(const TAttributes& a, const std::string& outer) const;

    std::string_view FDoc;
    TTokenizer FTokens;
    std::string FDocumentBase;
    std::string FPrefix; // the qualified name's prefix with its colon, or empty
    std::string FEntryClose, FEndMarker;
    // No "<item" marker starts before FItemFree; FItem once one is found.
    std::size_t FItemFree = 0;
    bool FItem = false, FAtom = false;
    void CheckItems(std::size_t upTo);
};

void TAtomReader::CheckItems(std::size_t upTo)
{
    if (FItem || upTo <= FItemFree)
        return;
    // A marker that starts before upTo may run 4 bytes past it.
    const std::string_view head = FDoc.substr(0, std::min(FDoc.size(), upTo + 4));
    if (FindMarker(head, "<item", FItemFree) != npos)
        FItem = true;
    else
        FItemFree = upTo;
}

TElement TAtomReader::Take(const TToken& start)
{
    TElement e;
    e.Present = true;
    e.Tag = start;
    e.ContentBegin = e.ContentEnd = start.End;
    if (start.SelfClosing)
        return e;
    FEndMarker.assign("</").append(start.Name.data(), start.Name.size());
    std::size_t at = start.End;
    CheckItems(at);
    bool item = false;
    const TStop stop = FindStop(FDoc, at, FEndMarker, FEntryClose, item);
    FItem = FItem || item;
    if (stop != TStop::End)
        return e;
    if (FItemFree == start.End)
        FItemFree = at;
    e.ContentEnd = at;
    std::size_t gt = FDoc.find('>', at);
    FTokens.Seek(gt == npos ? FDoc.size() : gt + 1);
    return e;
}

std::string TAtomReader::Text(const TElement& e, std::string_view lineBreak) const
{
    if (!e.Present)
        return {};
    const TAttributes a = Attributes(FDoc, e.Tag);
    std::string type, mode;
    return TypedText(Content(e), a.Decoded(TAttributes::kType, type), a.Decoded(TAttributes::kMode, mode),
                     lineBreak);
}

std::string TAtomReader::Base(const TAttributes& a, const std::string& outer) const
{
    return a.Found[TAttributes::kBase] ? ResolveUrl(outer, TrimView(a.Decoded(TAttributes::kBase))) : outer;
}

void TAtomReader::OfferLink(TLinkChoice& choice, const TElement& e, const std::string& base) const
{
    if (choice.Html)
        return;
    const TAttributes a = Attributes(FDoc, e.Tag);
    std::string buffer;
    const std::string_view rel = TrimView(a.Decoded(TAttributes::kRel, buffer));
    if (!rel.empty() && !SameTextAscii(rel, "alternate"))
        return;
    std::string href = a.Found[TAttributes::kHref] ? a.Decoded(TAttributes::kHref) : TextContent(Content(e));
    std::string_view h = TrimView(href);
    if (h.empty())
        return;
    std::string typeBuffer;
    const bool html = SameTextAscii(TrimView(a.Decoded(TAttributes::kType, typeBuffer)), "text/html");
    if (choice.Chosen && !html)
        return;
    choice.Href = ResolveUrl(Base(a, base), h);
    choice.Chosen = true;
    choice.Html = html;
}

TParseResult TAtomReader::Read(int maxEntrys, int maxChars, TBalloonNews& balloon)
{
    THeadlineRules rules(maxEntrys, maxChars, balloon);

    bool prefixKnown = false, feedSeen = false;
    std::string feedBase = FDocumentBase;
    TElement feedTitle, feedSubtitle;
    TLinkChoice feedLink;
    bool inEntries = false;
    int n = 0;

    for (;;) {
        TToken t = FTokens.Next();
        if (t.Kind == TKind::Eof || (FItem && FStopAtItem))
            break;
        if (t.Kind != TKind::Start)
            continue;
        if (!prefixKnown) {
            CheckItems(t.End);
            std::string_view local = LocalName(t.Name);
            if (local != "feed" && local != "entry")
                continue;
            FPrefix = std::string(t.Name.substr(0, t.Name.size() - local.size()));
            FEntryClose = "</" + FPrefix + "entry";
            prefixKnown = true;
        }
        if (Is(t, "feed")) {
            if (!inEntries && !feedSeen)
                feedBase = Base(Attributes(FDoc, t), FDocumentBase);
            feedSeen = true;
            continue;
        }
        if (!Is(t, "entry")) {
            if (inEntries)
                continue; // the feed's own elements come before its first entry
            if (Is(t, "title")) {
                TElement e = Take(t);
                if (!feedTitle.Present)
                    feedTitle = e;
            } else if (Is(t, "subtitle") || Is(t, "tagline")) {
                TElement e = Take(t);
                if (!feedSubtitle.Present)
                    feedSubtitle = e;
            } else if (Is(t, "link")) {
                OfferLink(feedLink, Take(t), feedBase);
            }
            continue;
        }

        // An entry: its direct children up to its end tag.
        inEntries = true;
        if (n >= rules.MaxEntrys())
            break;
        ++n;
        const std::string entryBase = t.SelfClosing ? std::string() : Base(Attributes(FDoc, t), feedBase);
        TElement title, summary, content, id;
        TLinkChoice link;
        bool complete = t.SelfClosing;
        while (!complete) {
            TToken c = FTokens.Next();
            if (c.Kind == TKind::Eof || (FItem && FStopAtItem))
                break;
            if (c.Kind == TKind::End && Is(c, "entry")) {
                complete = true;
            } else if (c.Kind == TKind::Start) {
                TElement e = Take(c);
                if (Is(c, "title")) {
                    if (!title.Present)
                        title = e;
                } else if (Is(c, "link")) {
                    OfferLink(link, e, entryBase);
                } else if (Is(c, "summary")) {
                    if (!summary.Present)
                        summary = e;
                } else if (Is(c, "content")) {
                    if (!content.Present)
                        content = e;
                } else if (Is(c, "id")) {
                    if (!id.Present)
                        id = e;
                }
            }
        }
        if (!complete)
            break; // cut off inside the entry

        THeadline* h = rules.Offer(n, Caption(Text(title, " ")), [&] {
            std::string text = Text(summary, kBalloonBreak);
            return text.empty() ? Text(content, kBalloonBreak) : text;
        });
        if (!h)
            continue;
        if (link.Chosen) {
            h->Link = std::move(link.Href);
        } else if (id.Present) {
            std::string i(TrimView(TextContent(Content(id))));
            if (IsWebAddress(i))
                h->Link = std::move(i);
        }
    }
    CheckItems(FDoc.size());
    FAtom = prefixKnown && !FItem;
    TChannel channel;
    channel.Caption = Caption(Text(feedTitle, " "));
    channel.Link = feedLink.Href;
    channel.Description = Text(feedSubtitle, "\r\n");
    return rules.Finish(std::move(channel));
}

} // namespace

bool IsAtomDocument(std::string_view document)
{
    if (FindMarker(document, "<item", 0) != npos)
        return false;
    TTokenizer tokens(document);
    for (TToken t = tokens.Next(); t.Kind != TKind::Eof; t = tokens.Next()) {
        if (t.Kind != TKind::Start)
            continue;
        std::string_view local = LocalName(t.Name);
        if (local == "entry" || local == "feed")
            return true;
    }
    return false;
}

TParseResult ParseAtom(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                       std::string_view documentUrl)
{
    return TAtomReader(document, documentUrl).Read(maxEntrys, maxChars, balloon);
}

bool ParseIfAtom(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon,
                 std::string_view documentUrl, TParseResult& result)
{
    TBalloonNews before = balloon;
    TAtomReader reader(document, documentUrl);
    reader.FStopAtItem = true;
    result = reader.Read(maxEntrys, maxChars, balloon);
    if (reader.Atom())
        return true;
    balloon = std::move(before);
    return false;
}

namespace {

struct TUriParts {
    std::string_view Scheme, Authority, Path, Query, Fragment;
    bool HasScheme = false, HasAuthority = false, HasQuery = false, HasFragment = false;
};

TUriParts SplitUri(std::string_view s)
{
    TUriParts u;
    std::size_t hash = s.find('#');
    if (hash != npos) {
        u.HasFragment = true;
        u.Fragment = s.substr(hash + 1);
        s = s.substr(0, hash);
    }
    std::size_t question = s.find('?');
    if (question != npos) {
        u.HasQuery = true;
        u.Query = s.substr(question + 1);
        s = s.substr(0, question);
    }
    std::size_t colon = s.find(':');
    if (colon != npos && colon > 0 && ((s[0] >= 'a' && s[0] <= 'z') || (s[0] >= 'A' && s[0] <= 'Z'))) {
        bool scheme = true;
        for (std::size_t i = 1; i < colon && scheme; ++i) {
            char c = s[i];
            scheme = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
                     c == '-' || c == '.';
        }
        if (scheme) {
            u.HasScheme = true;
            u.Scheme = s.substr(0, colon);
            s = s.substr(colon + 1);
        }
    }
    if (s.size() >= 2 && s[0] == '/' && s[1] == '/') {
        std::size_t slash = s.find('/', 2);
        if (slash == npos)
            slash = s.size();
        u.HasAuthority = true;
        u.Authority = s.substr(2, slash - 2);
        s = s.substr(slash);
    }
    u.Path = s;
    return u;
}

std::string RemoveDotSegments(std::string_view in)
{
    std::string out;
    while (!in.empty()) {
        if (in.substr(0, 3) == "../")
            in.remove_prefix(3);
        else if (in.substr(0, 2) == "./")
            in.remove_prefix(2);
        else if (in.substr(0, 3) == "/./")
            in.remove_prefix(2);
        else if (in == "/.")
            in = "/";
        else if (in.substr(0, 4) == "/../" || in == "/..") {
            in = in.size() == 3 ? std::string_view("/") : in.substr(3);
            std::size_t last = out.rfind('/');
            out.erase(last == std::string::npos ? 0 : last);
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            std::size_t next = in.find('/', 1);
            if (next == npos)
                next = in.size();
            out.append(in.data(), next);
            in.remove_prefix(next);
        }
    }
    return out;
}

} // namespace

std::string ResolveUrl(std::string_view base, std::string_view reference)
{
    TUriParts r = SplitUri(reference);
    if (r.HasScheme)
        return std::string(reference);
    TUriParts b = SplitUri(base);
    if (!b.HasScheme)
        return std::string(reference);
    std::string_view authority = b.Authority, query = r.Query;
    bool hasAuthority = b.HasAuthority, hasQuery = r.HasQuery;
    std::string path;
    if (r.HasAuthority) {
        authority = r.Authority;
        hasAuthority = true;
        path = RemoveDotSegments(r.Path);
    } else if (r.Path.empty()) {
        path = std::string(b.Path);
        if (!r.HasQuery) {
            query = b.Query;
            hasQuery = b.HasQuery;
        }
    } else if (r.Path[0] == '/') {
        path = RemoveDotSegments(r.Path);
    } else {
        std::string merged;
        if (b.HasAuthority && b.Path.empty()) {
            merged = "/";
        } else {
            std::size_t slash = b.Path.rfind('/');
            if (slash != npos)
                merged = std::string(b.Path.substr(0, slash + 1));
        }
        merged.append(r.Path.data(), r.Path.size());
        path = RemoveDotSegments(merged);
    }
    std::string out(b.Scheme);
    out += ':';
    if (hasAuthority) {
        out += "//";
        out.append(authority.data(), authority.size());
    }
    out += path;
    if (hasQuery) {
        out += '?';
        out.append(query.data(), query.size());
    }
    if (r.HasFragment) {
        out += '#';
        out.append(r.Fragment.data(), r.Fragment.size());
    }
    return out;
}

std::string DecodeBase64(std::string_view text)
{
    std::string out;
    unsigned long bits = 0;
    int count = 0;
    for (char c : text) {
        int v = (c >= 'A' && c <= 'Z')   ? c - 'A'
                : (c >= 'a' && c <= 'z') ? c - 'a' + 26
                : (c >= '0' && c <= '9') ? c - '0' + 52
                : c == '+'               ? 62
                : c == '/'               ? 63
                : c == '='               ? -2
                                         : -1;
        if (v == -2)
            break;
        if (v < 0)
            continue;
        bits = (bits << 6 | static_cast<unsigned long>(v)) & 0xFFFFFF;
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

} // namespace feed
