#include "app/feed_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "app/html_entities.h"
#include "rtl/utf8.h"

namespace feed {

namespace {

constexpr std::size_t npos = std::string_view::npos;

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
bool IsAsciiUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}
bool IsAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// --- The fixed table ---

struct TEntity {
    std::uint64_t Key; // the lower-case pattern's bytes, first byte highest
    std::size_t Length;
    char32_t Output;
    bool Cased; // a letter whose upper-case form (0x20 below it) answers an upper-case name
    int Rank;   // order in which the replacements run
};

constexpr int kNumericRows = 67;
constexpr int kNamedEntities = 30;
constexpr int kEntities = kNamedEntities + kNumericRows;
constexpr std::size_t kMaxPattern = 8; // longest pattern, so that a pattern packs into one word

std::uint64_t Pack(std::uint64_t v, char c)
{
    return v << 8 | static_cast<unsigned char>(c);
}

bool InLastRow(int n)
{
    return n == 163 || n == 167 || n == 176 || n == 178 || n == 179 || n == 181 || n == 183 || n == 188 ||
           n == 189 || n == 191 || (n >= 192 && n <= 207) || (n >= 209 && n <= 214) || (n >= 217 && n <= 221) ||
           (n >= 223 && n <= 239) || (n >= 241 && n <= 247) || (n >= 249 && n <= 253) || n == 255;
}

struct TEntityTable {
    std::array<TEntity, kEntities> Sorted{};                  // by length, then key
    std::array<std::size_t, kMaxPattern + 1> First{}, Last{}; // per length: range in Sorted
    std::array<bool, 256> Final{};                            // bytes that end a pattern
};

const TEntityTable& Entities()
{
    static const TEntityTable table = [] {
        struct TRow {
            std::string_view Pattern;
            char32_t Output;
            bool Cased;
        };
        // Rows in the order in which they are applied. The numeric rows give the characters those
        // numbers stand for (128 to 159 as in Windows-1252), not the look-alikes ("'", " ", "-",
        // "^", "~") an older version of this table used: those showed real headlines wrongly.
        static const TRow named[kNamedEntities] = {
            {"&amp;", '&', false},     {"&auml;", 0xE4, true},     {"&ouml;", 0xF6, true},
            {"&uuml;", 0xFC, true},    {"&szlig;", 0xDF, false},   {"<i>", ' ', false},
            {"</i>", ' ', false},      {"<b>", ' ', false},        {"</b>", ' ', false},
            {"&#38;", '&', false},     {"&#36;", '$', false},      {"&#039;", '\'', false},
            {"&#146;", 0x2019, false}, {"&#147;", 0x201C, false},  {"&#148;", 0x201D, false},
            {"&#151;", 0x2014, false}, {"&#8211;", 0x2013, false}, {"&quot;", '"', false},
            {"&apos;", '\'', false},   {"&agrave;", 0xE0, true},   {"&ccedil;", 0xE7, true},
            {"&eacute;", 0xE9, true},  {"&egrave;", 0xE8, true},   {"&ecirc;", 0xEA, true},
            {"&ugrave;", 0xF9, true},  {"&euml;", 0xEB, true},     {"&lt;", '<', false},
            {"&gt;", '>', false},      {"&#136;", 0x02C6, false},  {"&#152;", 0x02DC, false},
        };
        TEntityTable t;
        int rank = 0;
        auto add = [&](std::string_view pattern, char32_t output, bool cased) {
            std::uint64_t key = 0;
            for (char c : pattern)
                key = Pack(key, c);
            t.Sorted[static_cast<std::size_t>(rank)] = {key, pattern.size(), output, cased, rank};
            t.Final[static_cast<unsigned char>(pattern.back())] = true;
            ++rank;
        };
        for (const TRow& e : named)
            add(e.Pattern, e.Output, e.Cased);
        for (int n = 160; n <= 255; ++n)
            if (InLastRow(n)) {
                const char p[] = {'&', '#', char('0' + n / 100), char('0' + n / 10 % 10), char('0' + n % 10), ';'};
                add(std::string_view(p, sizeof p), static_cast<char32_t>(n), false);
            }
        std::sort(t.Sorted.begin(), t.Sorted.end(), [](const TEntity& a, const TEntity& b) {
            return a.Length != b.Length ? a.Length < b.Length : a.Key < b.Key;
        });
        for (std::size_t i = 0; i < t.Sorted.size(); ++i) {
            std::size_t len = t.Sorted[i].Length;
            if (t.Last[len] == 0)
                t.First[len] = i;
            t.Last[len] = i + 1;
        }
        return t;
    }();
    return table;
}

// The replacement whose pattern is head followed by the text at tail (letter case ignored), or
// null. No pattern is a prefix of another, so at most one matches.
const TEntity* MatchEntity(char head, std::string_view tail)
{
    const TEntityTable& t = Entities();
    std::uint64_t key = Pack(0, head);
    const std::size_t have = std::min(kMaxPattern, tail.size() + 1);
    for (std::size_t len = 1;; ++len) {
        char last = len == 1 ? head : AsciiLower(tail[len - 2]);
        if (len > 1)
            key = Pack(key, last);
        if (t.Final[static_cast<unsigned char>(last)] && t.First[len] < t.Last[len]) {
            auto begin = t.Sorted.begin() + static_cast<std::ptrdiff_t>(t.First[len]);
            auto end = t.Sorted.begin() + static_cast<std::ptrdiff_t>(t.Last[len]);
            auto it =
                std::lower_bound(begin, end, key, [](const TEntity& e, std::uint64_t k) { return e.Key < k; });
            if (it != end && it->Key == key)
                return &*it;
        }
        if (len == have)
            return nullptr;
    }
}

// Next "&" or "<" from a cursor that only moves forward. Each character is looked for with memchr
// and its next position kept until the cursor passes it, so the text is read once for each.
class TEntityStarts {
public:
    explicit TEntityStarts(std::string_view text) : FText(text), FAmp(Find('&', 0)), FLess(Find('<', 0)) {}

    std::size_t Next(std::size_t from)
    {
        if (FAmp != npos && FAmp < from)
            FAmp = Find('&', from);
        if (FLess != npos && FLess < from)
            FLess = Find('<', from);
        return std::min(FAmp, FLess);
    }

private:
    std::size_t Find(char c, std::size_t from) const
    {
        if (from >= FText.size())
            return npos;
        const void* p = std::memchr(FText.data() + from, c, FText.size() - from);
        return p ? static_cast<std::size_t>(static_cast<const char*>(p) - FText.data()) : npos;
    }

    std::string_view FText;
    std::size_t FAmp, FLess; // next position of each, npos when there is none
};

// --- Every other reference ---

// Which references a pass decodes: none; those of HTML text (named ones that browsers read without
// their semicolon too); the same in a web address; only those written out in full, as XML reads
// them; only numeric ones to characters from 128.
enum class TRefPass { None, Text, Address, Xml, HighNumbers };

const THtmlEntity* FindHtmlEntity(std::string_view name)
{
    const THtmlEntity* end = kHtmlEntities + kHtmlEntityCount;
    const THtmlEntity* it = std::lower_bound(kHtmlEntities, end, name,
                                             [](const THtmlEntity& e, std::string_view n) { return e.Name < n; });
    return it != end && it->Name == name ? it : nullptr;
}

// Browsers read references to 128-159 as the Windows-1252 characters of those bytes.
char32_t NumericCodePoint(std::uint32_t v)
{
    static constexpr char16_t kWindows1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0xFFFD;
    if (v >= 0x80 && v <= 0x9F)
        return kWindows1252[v - 0x80];
    return v;
}

// Decodes the reference starting with the "&" at text[at] into out; the number of characters it
// took, 0 when there is none (the "&" then stands for itself).
std::size_t DecodeReferenceAt(std::string_view text, std::size_t at, TRefPass pass, std::string& out)
{
    std::size_t i = at + 1;
    const std::size_t n = text.size();
    if (i < n && text[i] == '#') {
        ++i;
        const bool hex = i < n && (text[i] == 'x' || text[i] == 'X');
        if (hex)
            ++i;
        const std::size_t digits = i;
        std::uint32_t value = 0;
        for (; i < n; ++i) {
            const char c = text[i];
            unsigned d;
            if (c >= '0' && c <= '9')
                d = static_cast<unsigned>(c - '0');
            else if (hex && c >= 'a' && c <= 'f')
                d = static_cast<unsigned>(c - 'a' + 10);
            else if (hex && c >= 'A' && c <= 'F')
                d = static_cast<unsigned>(c - 'A' + 10);
            else
                break;
            value = std::min<std::uint32_t>(value * (hex ? 16 : 10) + d, 0x110000);
        }
        if (i == digits || i >= n || text[i] != ';' || (pass == TRefPass::HighNumbers && value < 0x80))
            return 0;
        rtl::AppendUtf8(out, NumericCodePoint(value));
        return i + 1 - at;
    }
    if (pass == TRefPass::HighNumbers)
        return 0;
    std::size_t end = i;
    while (end < n && end - i <= kMaxEntityName && IsAsciiAlnum(text[end]))
        ++end;
    const std::string_view run = text.substr(i, end - i);
    const THtmlEntity* e = nullptr;
    std::size_t length = 0;
    if (end < n && text[end] == ';' && run.size() <= kMaxEntityName && (e = FindHtmlEntity(run)) != nullptr) {
        length = run.size() + 2;
    } else {
        if (pass == TRefPass::Xml)
            return 0;
        for (std::size_t k = std::min(run.size(), kMaxLegacyEntityName); k >= 2 && !e; --k) {
            e = FindHtmlEntity(run.substr(0, k));
            if (e && !e->Legacy)
                e = nullptr;
            else if (e)
                length = k + 1;
        }
        if (!e)
            return 0;
        const std::size_t after = at + length;
        if (pass == TRefPass::Address && after < n && (IsAsciiAlnum(text[after]) || text[after] == '='))
            return 0;
    }
    rtl::AppendUtf8(out, e->First);
    if (e->Second != 0)
        rtl::AppendUtf8(out, e->Second);
    return length;
}

// One left-to-right pass emulates the table's replacements run one after the other. Every pattern
// starts with "&" or "<" and holds neither further on, and no output but "&" and "<" can begin a
// pattern, so the only way a replacement creates work for a later one is a "&" or "<" it outputs
// that, with the original text after it, spells a pattern of a later replacement. A reference the
// table leaves alone is then one the second pass would find at the same place in the table's
// output, since that pass does not look at what the table made.
void Decode(std::string_view text, TRefPass pass, std::string& out)
{
    TEntityStarts starts(text);
    std::size_t next = starts.Next(0);
    if (next == npos) {
        out.append(text.data(), text.size());
        return;
    }
    out.reserve(out.size() + text.size());
    std::size_t i = 0;
    while (next != npos) {
        out.append(text.data() + i, next - i);
        char32_t head = static_cast<unsigned char>(text[next]);
        std::size_t tail = next + 1;
        int rank = -1;
        for (;;) {
            const TEntity* e = MatchEntity(static_cast<char>(head), text.substr(tail));
            if (!e || e->Rank <= rank)
                break;
            const bool upper = e->Cased && IsAsciiUpper(text[tail]);
            tail += e->Length - 1;
            rank = e->Rank;
            head = upper ? e->Output - 0x20 : e->Output;
            if (head != '&' && head != '<')
                break;
        }
        std::size_t taken = 0;
        if (rank < 0 && head == '&' && pass != TRefPass::None)
            taken = DecodeReferenceAt(text, next, pass, out);
        if (taken > 0) {
            i = next + taken;
        } else {
            rtl::AppendUtf8(out, head);
            i = tail;
        }
        next = starts.Next(i);
    }
    out.append(text.data() + i, text.size() - i);
}

std::string Decoded(std::string_view text, TRefPass pass)
{
    std::string out;
    Decode(text, pass, out);
    return out;
}

// Appends text with runs of blanks made one space, leaving out blanks at the start of out.
void AppendCollapsed(std::string& out, std::string_view text)
{
    for (char c : text) {
        if (!IsBlank(c))
            out.push_back(c);
        else if (!out.empty() && out.back() != ' ')
            out.push_back(' ');
    }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != prefix[i])
            return false;
    return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from)
{
    for (std::size_t at = from; at + lowerNeedle.size() <= text.size(); ++at) {
        at = text.find('<', at);
        if (at == npos)
            return npos;
        if (StartsWithNoCase(text.substr(at), lowerNeedle))
            return at;
    }
    return npos;
}

// Tags after which (opening or closing) the text goes on in a new line.
bool BreaksLine(std::string_view name)
{
    static constexpr std::string_view kNames[] = {
        "address", "article", "aside",    "blockquote", "br",      "center", "dd",   "details", "div",
        "dl",      "dt",      "fieldset", "figcaption", "figure",  "footer", "form", "h1",      "h2",
        "h3",      "h4",      "h5",       "h6",         "header",  "hr",     "li",   "main",    "nav",
        "ol",      "p",       "pre",      "section",    "summary", "table",  "tr",   "ul"};
    return std::binary_search(std::begin(kNames), std::end(kNames), name);
}

enum class TGap { None, Space, Break };

// Builds the plain text of HTML: blanks and tags only ever leave a gap, written once real text
// follows, so that nothing leads, trails or repeats.
class TPlainText {
public:
    explicit TPlainText(std::string_view lineBreak) : FLineBreak(lineBreak) {}

    void Gap(TGap gap) { FGap = std::max(FGap, gap); }
    void Text(std::string_view decoded)
    {
        for (std::size_t i = 0; i < decoded.size();) {
            if (IsBlank(decoded[i])) {
                Gap(TGap::Space);
                ++i;
                continue;
            }
            std::size_t end = i + 1;
            while (end < decoded.size() && !IsBlank(decoded[end]))
                ++end;
            if (!FOut.empty() && FGap == TGap::Break)
                FOut.append(FLineBreak.data(), FLineBreak.size());
            else if (!FOut.empty() && FGap == TGap::Space)
                FOut.push_back(' ');
            FGap = TGap::None;
            FOut.append(decoded.data() + i, end - i);
            i = end;
        }
    }
    std::string Result() { return std::move(FOut); }

private:
    std::string_view FLineBreak;
    std::string FOut;
    TGap FGap = TGap::None;
};

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

std::string_view TrimView(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string DecodeEntities(std::string_view text)
{
    return Decoded(text, TRefPass::None);
}

std::string DecodeReferences(std::string_view text)
{
    return Decoded(text, TRefPass::Text);
}

std::string DecodeAddressReferences(std::string_view text)
{
    return Decoded(text, TRefPass::Address);
}

std::size_t DecodeXmlReferenceAt(std::string_view text, std::size_t at, std::string& out, bool numbersFrom128)
{
    return DecodeReferenceAt(text, at, numbersFrom128 ? TRefPass::HighNumbers : TRefPass::Xml, out);
}

std::string DecodeXmlReferences(std::string_view text)
{
    std::size_t amp = text.find('&');
    if (amp == npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    for (; amp != npos; amp = text.find('&', i)) {
        out.append(text.data() + i, amp - i);
        const std::size_t taken = DecodeReferenceAt(text, amp, TRefPass::Xml, out);
        if (taken == 0)
            out.push_back('&');
        i = amp + (taken == 0 ? 1 : taken);
    }
    out.append(text.data() + i, text.size() - i);
    return out;
}

std::string UnwrapCdata(std::string_view text)
{
    static constexpr std::string_view kOpen = "<![CDATA[";
    static constexpr std::string_view kClose = "]]>";
    std::size_t open = text.find(kOpen);
    if (open == npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (open != npos) {
        out.append(text.data() + i, open - i);
        const std::size_t content = open + kOpen.size();
        const std::size_t close = text.find(kClose, content);
        if (close == npos) {
            i = content;
            break;
        }
        out.append(text.data() + content, close - content);
        i = close + kClose.size();
        open = text.find(kOpen, i);
    }
    out.append(text.data() + i, text.size() - i);
    return out;
}

namespace {

// Most texts hold no CDATA section: they are decoded where they stand.
std::string_view Unwrapped(std::string_view raw, std::string& buffer)
{
    if (raw.find("<![CDATA[") == npos)
        return raw;
    buffer = UnwrapCdata(raw);
    return buffer;
}

} // namespace

std::string CleanCaption(std::string_view raw)
{
    std::string unwrapped, decoded;
    Decode(Unwrapped(raw, unwrapped), TRefPass::Text, decoded);
    std::string out;
    out.reserve(decoded.size());
    AppendCollapsed(out, decoded);
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string CleanLink(std::string_view raw)
{
    std::string unwrapped;
    const std::string decoded = Decoded(Unwrapped(raw, unwrapped), TRefPass::Address);
    return std::string(TrimView(decoded));
}

bool IsWebAddress(std::string_view text)
{
    return StartsWithNoCase(text, "http://") || StartsWithNoCase(text, "https://");
}

// The document's own escaping first: text outside CDATA sections has its references decoded (only
// the proper ones: the table would take "&amp;lt;", which is a "&lt;" the HTML shows, for "<"),
// the content of a section is HTML as it stands. Then the HTML is read once from left to right.
std::string HtmlToText(std::string_view raw, std::string_view lineBreak)
{
    static constexpr std::string_view kOpen = "<![CDATA[";
    static constexpr std::string_view kClose = "]]>";
    std::string html;
    html.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t open = raw.find(kOpen, i);
        std::string_view plain = raw.substr(i, open == npos ? npos : open - i);
        // Only references, no table rows: "<b>" here is still markup to be read below.
        std::size_t from = 0;
        for (std::size_t amp = plain.find('&'); amp != npos; amp = plain.find('&', from)) {
            html.append(plain.data() + from, amp - from);
            std::size_t taken = DecodeReferenceAt(plain, amp, TRefPass::Text, html);
            if (taken == 0) {
                html.push_back('&');
                taken = 1;
            }
            from = amp + taken;
        }
        html.append(plain.data() + from, plain.size() - from);
        if (open == npos)
            break;
        const std::size_t content = open + kOpen.size();
        const std::size_t close = raw.find(kClose, content);
        html.append(raw.substr(content, close == npos ? npos : close - content));
        i = close == npos ? raw.size() : close + kClose.size();
    }

    TPlainText out(lineBreak);
    std::string text;
    const std::string_view s = html;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t lt = s.find('<', i);
        // A "<" not followed by a letter, "/" and a letter, "!" or "?" is text.
        while (lt != npos && lt + 1 < s.size() && !IsAsciiLetter(s[lt + 1]) && s[lt + 1] != '!' &&
               s[lt + 1] != '?' && !(s[lt + 1] == '/' && lt + 2 < s.size() && IsAsciiLetter(s[lt + 2])))
            lt = s.find('<', lt + 1);
        if (lt != npos && lt + 1 >= s.size())
            lt = npos;
        text.clear();
        Decode(s.substr(i, lt == npos ? npos : lt - i), TRefPass::Text, text);
        out.Text(text);
        if (lt == npos)
            break;
        if (s.compare(lt, 4, "<!--") == 0) {
            const std::size_t end = s.find("-->", lt + 4);
            i = end == npos ? s.size() : end + 3;
            continue;
        }
        const std::size_t gt = s.find('>', lt);
        if (gt == npos)
            break; // an unfinished tag at the end is no text
        const bool closing = s[lt + 1] == '/';
        std::size_t nameEnd = lt + (closing ? 2 : 1);
        std::string name;
        while (nameEnd < gt && IsAsciiAlnum(s[nameEnd]))
            name.push_back(AsciiLower(s[nameEnd++]));
        i = gt + 1;
        if (!closing && (name == "script" || name == "style")) {
            const std::size_t end = FindNoCase(s, name == "script" ? "</script" : "</style", i);
            const std::size_t endGt = end == npos ? npos : s.find('>', end);
            i = endGt == npos ? s.size() : endGt + 1;
        } else if (BreaksLine(name)) {
            out.Gap(TGap::Break);
        } else if (name == "td" || name == "th") {
            out.Gap(TGap::Space);
        }
    }
    return out.Result();
}

} // namespace feed
