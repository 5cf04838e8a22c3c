#include "app/opml_reader.h"

#include <algorithm>
#include <cstring>

#include "app/code_page.h"
#include "app/document_encoding.h"
#include "app/feed_text.h"
#include "rtl/utf8.h"

namespace opml {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t kSniffBytes = 64 * 1024;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameChar(char c)
{
    return !IsSpace(c) && c != '>' && c != '/' && c != '<' && c != '=' && c != '"' && c != '\'';
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// The name of an element without its namespace prefix ("opml:outline" is an outline too).
std::string_view LocalName(std::string_view name)
{
    const std::size_t colon = name.rfind(':');
    return colon == npos ? name : name.substr(colon + 1);
}

class EDamaged {
public:
    EDamaged(std::string what, std::size_t at) : What(std::move(what)), At(at) {}
    std::string What;
    std::size_t At;
};

struct TTag {
    enum TKind { Start, End, Eof } Kind = Eof;
    std::string_view Name;
    std::string_view Attributes; // what lies between the name and the tag's end
    bool Empty = false;          // written as <name ... />
    std::size_t At = 0;
};

// The elements of an XML text in order; comments, processing instructions, the document type,
// CDATA sections and text are stepped over. Markup that never ends raises EDamaged.
class TTags {
public:
    explicit TTags(std::string_view text) : FText(text) {}

    TTag Next()
    {
        const std::size_t n = FText.size();
        for (;;) {
            const char* hit =
                FPos < n ? static_cast<const char*>(std::memchr(FText.data() + FPos, '<', n - FPos)) : nullptr;
            TTag t;
            if (!hit) {
                t.At = n;
                FPos = n;
                return t;
            }
            const std::size_t at = static_cast<std::size_t>(hit - FText.data());
            t.At = at;
            const std::string_view rest = FText.substr(at);
            if (rest.compare(0, 4, "<!--") == 0) {
                FPos = After("-->", at + 4, at, "ein Kommentar ist nicht geschlossen");
            } else if (rest.compare(0, 9, "<![CDATA[") == 0) {
                FPos = After("]]>", at + 9, at, "ein CDATA-Abschnitt ist nicht geschlossen");
            } else if (rest.compare(0, 2, "<?") == 0) {
                FPos = After("?>", at + 2, at, "eine Verarbeitungsanweisung ist nicht geschlossen");
            } else if (rest.compare(0, 2, "<!") == 0) {
                FPos = DocumentTypeEnd(at);
            } else if (rest.size() > 1 && rest[1] == '/') {
                std::size_t e = at + 2;
                while (e < n && IsNameChar(FText[e]))
                    ++e;
                const std::size_t gt = FText.find('>', e);
                if (gt == npos || e == at + 2)
                    throw EDamaged("ein Tag ist nicht geschlossen", at);
                t.Kind = TTag::End;
                t.Name = FText.substr(at + 2, e - at - 2);
                FPos = gt + 1;
                return t;
            } else if (rest.size() > 1 && IsNameChar(rest[1])) {
                std::size_t e = at + 1;
                while (e < n && IsNameChar(FText[e]))
                    ++e;
                const std::size_t gt = TagEnd(e);
                if (gt == npos)
                    throw EDamaged("ein Tag ist nicht geschlossen", at);
                t.Kind = TTag::Start;
                t.Name = FText.substr(at + 1, e - at - 1);
                t.Empty = FText[gt - 1] == '/' && gt > e;
                t.Attributes = FText.substr(e, gt - e - (t.Empty ? 1 : 0));
                FPos = gt + 1;
                return t;
            } else {
                FPos = at + 1; // a "<" that starts no markup: damaged XML, but only text to us
            }
        }
    }

private:
    std::size_t After(std::string_view marker, std::size_t from, std::size_t at, const char* what) const
    {
        const std::size_t end = FText.find(marker, from);
        if (end == npos)
            throw EDamaged(what, at);
        return end + marker.size();
    }

    // The ">" that ends a start tag, outside quoted attribute values.
    std::size_t TagEnd(std::size_t i) const
    {
        for (; i < FText.size(); ++i) {
            const char c = FText[i];
            if (c == '>')
                return i;
            if (c == '"' || c == '\'') {
                i = FText.find(c, i + 1);
                if (i == npos)
                    return npos;
            } else if (c == '<') {
                return npos;
            }
        }
        return npos;
    }

    // A document type declaration may hold an internal subset in brackets, with ">" inside it.
    std::size_t DocumentTypeEnd(std::size_t at) const
    {
        int brackets = 0;
        for (std::size_t i = at + 2; i < FText.size(); ++i) {
            const char c = FText[i];
            if (c == '[')
                ++brackets;
            else if (c == ']')
                --brackets;
            else if (c == '>' && brackets <= 0)
                return i + 1;
            else if (c == '"' || c == '\'') {
                i = FText.find(c, i + 1);
                if (i == npos)
                    break;
            }
        }
        throw EDamaged("eine Dokumenttyp-Deklaration ist nicht geschlossen", at);
    }

    std::string_view FText;
    std::size_t FPos = 0;
};

// An attribute value as the list means it: runs of white space as written made one space and
// trimmed (a reference to a space is a space kept), then the references decoded.
std::string Value(std::string_view raw)
{
    std::string collapsed;
    collapsed.reserve(raw.size());
    bool space = false;
    for (char c : raw) {
        if (IsSpace(c)) {
            space = !collapsed.empty();
            continue;
        }
        if (space)
            collapsed.push_back(' ');
        space = false;
        collapsed.push_back(c);
    }
    // Control characters have no place in XML, nor in a name or an address.
    std::string value = feed::DecodeXmlReferences(collapsed);
    value.erase(std::remove_if(value.begin(), value.end(),
                               [](char c) { return static_cast<unsigned char>(c) < 0x20 && !IsSpace(c); }),
                value.end());
    return value;
}

struct TOutlineAttributes {
    std::string Text, Title, XmlUrl, HtmlUrl, Type, Url;
};

// The attributes an outline uses; names are matched without letter case ("xmlurl" is written too).
// Values may be quoted either way, and unquoted ones, which some old writers leave, run to the
// next space.
TOutlineAttributes OutlineAttributes(std::string_view s)
{
    TOutlineAttributes a;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsSpace(s[i]))
            ++i;
        const std::size_t nameBegin = i;
        while (i < s.size() && IsNameChar(s[i]))
            ++i;
        const std::string_view name = s.substr(nameBegin, i - nameBegin);
        if (name.empty()) {
            ++i; // a stray quote or "=": damaged, but the other attributes still count
            continue;
        }
        while (i < s.size() && IsSpace(s[i]))
            ++i;
        std::string_view raw;
        if (i < s.size() && s[i] == '=') {
            ++i;
            while (i < s.size() && IsSpace(s[i]))
                ++i;
            if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
                // The tag's end was found with quotes paired from its start; read from here
                // they may not pair, and a value left open runs to the tag's end.
                const std::size_t close = s.find(s[i], i + 1);
                raw = s.substr(i + 1, close == npos ? npos : close - i - 1);
                i = close == npos ? s.size() : close + 1;
            } else {
                const std::size_t begin = i;
                while (i < s.size() && !IsSpace(s[i]))
                    ++i;
                raw = s.substr(begin, i - begin);
            }
        }
        std::string* target = SameNoCase(name, "text")      ? &a.Text
                              : SameNoCase(name, "title")   ? &a.Title
                              : SameNoCase(name, "xmlUrl")  ? &a.XmlUrl
                              : SameNoCase(name, "htmlUrl") ? &a.HtmlUrl
                              : SameNoCase(name, "type")    ? &a.Type
                              : SameNoCase(name, "url")     ? &a.Url
                                                            : nullptr;
        if (target && target->empty())
            *target = Value(raw);
    }
    return a;
}

// Feed addresses in the "feed:" scheme that some lists use stand for their web address.
std::string WebAddress(std::string url)
{
    while (url.size() > 5 && SameNoCase(std::string_view(url).substr(0, 5), "feed:")) {
        url.erase(0, 5);
        if (url.compare(0, 2, "//") == 0)
            url.insert(0, "http:");
    }
    return url;
}

TOutline MakeOutline(const TOutlineAttributes& a)
{
    TOutline o;
    o.XmlUrl = WebAddress(a.XmlUrl);
    if (o.XmlUrl.empty() && !a.Url.empty() &&
        (SameNoCase(a.Type, "rss") || SameNoCase(a.Type, "atom") || SameNoCase(a.Type, "feed")))
        o.XmlUrl = WebAddress(a.Url);
    if (o.IsFeed())
        o.HtmlUrl = a.HtmlUrl; // a folder is no site's
    o.Title = !a.Title.empty() ? a.Title : a.Text;
    if (o.Title.empty() && o.IsFeed())
        o.Title = AddressHost(o.XmlUrl);
    return o;
}

// The text as UTF-8 in the character set its mark or declaration names; false when the platform
// cannot convert that set. charset is the name declared.
bool ToUtf8(const std::string& bytes, std::string& text, std::string& charset)
{
    const TDocumentEncoding e = DecideEncoding(bytes, std::string());
    const std::string_view body = std::string_view(bytes).substr(e.MarkLength);
    text.clear();
    switch (e.CodePage) {
    case kCodePageUtf8:
        // A byte-order mark decides even for bytes that are not all UTF-8: those become U+FFFD.
        rtl::AppendValidUtf8(text, body);
        return true;
    case kCodePageUtf16LE:
    case kCodePageUtf16BE:
        text = Utf16ToUtf8(std::string(body), e.CodePage == kCodePageUtf16BE);
        return true;
    default:
        break;
    }
    if (CodePageToUtf8(e.CodePage, body.data(), body.size(), text))
        return true;
    charset = DeclaredEncoding(bytes);
    return false;
}

std::size_t LineOf(std::string_view text, std::size_t at)
{
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + std::min(at, text.size()), '\n'));
}

TOpmlDocument Refused(std::string error)
{
    TOpmlDocument d;
    d.Error = std::move(error);
    return d;
}

} // namespace

std::size_t CountFeeds(const std::vector<TOutline>& outlines)
{
    std::size_t n = 0;
    for (const TOutline& o : outlines)
        n += o.IsFeed() ? 1 : CountFeeds(o.Children);
    return n;
}

std::string AddressHost(const std::string& address)
{
    std::string_view s = address;
    const std::size_t scheme = s.find("://");
    if (scheme != npos)
        s.remove_prefix(scheme + 3);
    s = s.substr(0, s.find_first_of("/?#"));
    const std::size_t at = s.rfind('@');
    if (at != npos)
        s.remove_prefix(at + 1);
    if (!s.empty() && s[0] == '[') {
        s = s.substr(0, s.find(']') + 1);
    } else {
        s = s.substr(0, s.find(':'));
    }
    return s.empty() ? address : std::string(s);
}

bool LooksLikeOpml(const std::string& bytes)
{
    std::string text, charset;
    if (!ToUtf8(bytes.substr(0, kSniffBytes), text, charset))
        return false;
    try {
        TTags tags(text);
        const TTag t = tags.Next();
        return t.Kind == TTag::Start && SameNoCase(LocalName(t.Name), "opml");
    } catch (const EDamaged&) {
        return false;
    }
}

TOpmlDocument ReadOpml(const std::string& bytes)
{
    if (bytes.size() > kMaxOpmlBytes)
        return Refused("Die OPML-Datei ist zu groß (mehr als " + std::to_string(kMaxOpmlBytes >> 20) + " MB).");
    std::string text, charset;
    if (!ToUtf8(bytes, text, charset))
        return Refused("Der Zeichensatz \"" + charset + "\" der OPML-Datei wird nicht unterstützt.");

    TOpmlDocument doc;
    // Where the outlines of each open element go: a folder's children, or for the body, a feed
    // and every other element, the container they are in.
    struct TOpen {
        std::string_view Name;
        std::vector<TOutline>* Children;
    };
    std::vector<TOpen> open;
    std::size_t outlines = 0, folders = 0;
    bool inHead = false, inBody = false, rootClosed = false;
    try {
        TTags tags(text);
        for (;;) {
            const TTag t = tags.Next();
            if (t.Kind == TTag::Eof)
                break;
            if (rootClosed)
                throw EDamaged("nach </opml> folgt weiteres Markup", t.At);
            if (t.Kind == TTag::End) {
                if (open.empty() || open.back().Name != t.Name)
                    throw EDamaged("</" + std::string(t.Name) + "> passt zu keinem offenen Element", t.At);
                const std::string_view local = LocalName(t.Name);
                if (open.size() == 2 && SameNoCase(local, "head"))
                    inHead = false;
                if (open.size() == 2 && SameNoCase(local, "body"))
                    inBody = false;
                if (SameNoCase(local, "outline") && open.back().Children != open[open.size() - 2].Children)
                    --folders;
                open.pop_back();
                rootClosed = open.empty();
                continue;
            }
            const std::string_view local = LocalName(t.Name);
            if (open.empty()) {
                if (!SameNoCase(local, "opml"))
                    return Refused("Die Datei ist keine OPML-Datei.");
                if (!t.Empty)
                    open.push_back({t.Name, nullptr});
                rootClosed = t.Empty;
                continue;
            }
            std::vector<TOutline>* here = open.back().Children;
            std::vector<TOutline>* inner = here;
            if (open.size() == 1 && SameNoCase(local, "body")) {
                inBody = true;
                inner = &doc.Outlines;
            } else if (open.size() == 1 && SameNoCase(local, "head")) {
                inHead = true;
            } else if (inHead && open.size() == 2 && SameNoCase(local, "title") && !t.Empty) {
                // The head's title is the one piece of text the list uses.
                const std::size_t from = t.At + t.Name.size() + t.Attributes.size() + 2;
                const std::size_t to = text.find('<', from);
                if (to != npos)
                    doc.Title = Value(std::string_view(text).substr(from, to - from));
            } else if (inBody && here && SameNoCase(local, "outline")) {
                if (++outlines > kMaxOutlines)
                    return Refused("Die OPML-Datei enthält mehr als " + std::to_string(kMaxOutlines) +
                                   " Einträge.");
                here->push_back(MakeOutline(OutlineAttributes(t.Attributes)));
                if (!here->back().IsFeed()) {
                    inner = &here->back().Children;
                    if (!t.Empty && ++folders > kMaxDepth)
                        return Refused("Die Ordner der OPML-Datei sind zu tief verschachtelt (mehr als " +
                                       std::to_string(kMaxDepth) + " Ebenen).");
                }
            }
            if (!t.Empty)
                open.push_back({t.Name, inner});
        }
        if (!open.empty())
            throw EDamaged("die Datei endet vor </" + std::string(open.back().Name) + ">", text.size());
        if (!rootClosed)
            return Refused("Die Datei ist keine OPML-Datei.");
    } catch (const EDamaged& e) {
        return Refused("Die OPML-Datei ist beschädigt: " + e.What + " (Zeile " +
                       std::to_string(LineOf(text, e.At)) + ").");
    }
    doc.Ok = true;
    return doc;
}

} // namespace opml
