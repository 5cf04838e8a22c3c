#include "app/feed_parser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace feed {

namespace {

constexpr std::size_t npos = std::string_view::npos;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string_view TrimView(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

void TrimInPlace(std::string& s)
{
    std::string_view t = TrimView(s);
    if (t.size() == s.size())
        return;
    std::size_t b = static_cast<std::size_t>(t.data() - s.data());
    s.erase(b + t.size());
    s.erase(0, b);
}

struct TEntity {
    std::uint64_t Key;  // the lower-case pattern's bytes, first byte highest
    std::size_t Length;
    char Output;
    int Rank;           // order in which the replacements run
};

constexpr int kNumericRows = 67;
constexpr int kNamedEntities = 30;
constexpr int kEntities = kNamedEntities + kNumericRows;
constexpr std::size_t kMaxPattern = 8;  // longest pattern, so that a pattern packs into one word

std::uint64_t Pack(std::uint64_t v, char c) { return v << 8 | static_cast<unsigned char>(c); }

bool InLastRow(int n)
{
    return n == 163 || n == 167 || n == 176 || n == 178 || n == 179 || n == 181 || n == 183 || n == 188 ||
           n == 189 || n == 191 || (n >= 192 && n <= 207) || (n >= 209 && n <= 214) || (n >= 217 && n <= 221) ||
           (n >= 223 && n <= 239) || (n >= 241 && n <= 247) || (n >= 249 && n <= 253) || n == 255;
}

struct TEntityTable {
    std::array<TEntity, kEntities> Sorted{};  // by length, then key
    std::array<std::size_t, kMaxPattern + 1> First{}, Last{};  // per length: range in Sorted
    std::array<bool, 256> Final{};            // bytes that end a pattern
};

const TEntityTable& Entities()
{
    static const TEntityTable table = [] {
        // Rows in the order in which they are applied; outputs are Windows-1252 bytes.
        static const std::pair<std::string_view, char> named[kNamedEntities] = {
            {"&amp;", '&'},
            {"&auml;", '\xE4'}, {"&ouml;", '\xF6'}, {"&uuml;", '\xFC'}, {"&szlig;", '\xDF'},
            {"<i>", ' '}, {"</i>", ' '}, {"<b>", ' '}, {"</b>", ' '},
            {"&#38;", '&'}, {"&#36;", '$'}, {"&#039;", '\''}, {"&#146;", '\''}, {"&#147;", '"'},
            {"&#148;", '"'}, {"&#151;", ' '}, {"&#8211;", '-'},
            {"&quot;", '"'}, {"&apos;", '\''},
            {"&agrave;", '\xE0'}, {"&ccedil;", '\xE7'}, {"&eacute;", '\xE9'}, {"&egrave;", '\xE8'},
            {"&ecirc;", '\xEA'}, {"&ugrave;", '\xF9'}, {"&euml;", '\xEB'},
            {"&lt;", '<'}, {"&gt;", '>'},
            {"&#136;", '^'}, {"&#152;", '~'},
        };
        TEntityTable t;
        int rank = 0;
        auto add = [&](std::string_view pattern, char output) {
            std::uint64_t key = 0;
            for (char c : pattern)
                key = Pack(key, c);
            t.Sorted[static_cast<std::size_t>(rank)] = {key, pattern.size(), output, rank};
            t.Final[static_cast<unsigned char>(pattern.back())] = true;
            ++rank;
        };
        for (const auto& e : named)
            add(e.first, e.second);
        for (int n = 160; n <= 255; ++n)
            if (InLastRow(n)) {
                const char p[] = {'&', '#', char('0' + n / 100), char('0' + n / 10 % 10), char('0' + n % 10), ';'};
                add(std::string_view(p, sizeof p), static_cast<char>(n));
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

bool IsEntityStart(char c) { return c == '&' || c == '<'; }

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
            auto it = std::lower_bound(begin, end, key, [](const TEntity& e, std::uint64_t k) { return e.Key < k; });
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
    std::size_t FAmp, FLess;  // next position of each, npos when there is none
};

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
    std::size_t FHit = npos;  // first occurrence at or after the last query's start
    std::size_t FClear = 0;   // while FHit is npos: none starts between the last query's start and here
};

struct TRange {
    std::size_t Begin = 0, End = 0;
    bool Empty() const { return End <= Begin; }
};

// Element text from its markers (0-based, npos when missing) inside a piece starting at lo.
TRange ElementRange(std::size_t open, std::size_t close, std::size_t lo, std::size_t nameLength)
{
    if (close == npos)
        return {};
    std::size_t start = (open == npos ? lo : open + 1) + nameLength + 1;
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

TChannel ScanChannel(std::string_view doc)
{
    TChannel channel;
    const std::size_t n = doc.size();
    std::size_t open = doc.find("<channel");
    std::size_t start = (open == npos ? 0 : open + 1) + 8;  // just after "<channel>"
    if (start >= n)
        return channel;

    // First markers of the fields after the channel's start. The channel ends at the document's
    // first "</channel", which would often mean reading to its very end; these results only
    // depend on whether that end lies before the last of them.
    static constexpr std::string_view kMarkers[6] = {"<title",       "</title",       "<link",
                                                     "</link",       "<description",  "</description"};
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
    std::string_view title = Slice(doc, ElementRange(inside(0), inside(1), start, 5));
    std::string_view link = Slice(doc, ElementRange(inside(2), inside(3), start, 4));
    std::string_view desc = Slice(doc, ElementRange(inside(4), inside(5), start, 11));
    channel.Caption = DecodeEntities(title);
    TrimInPlace(channel.Caption);
    channel.Link = std::string(TrimView(link));
    channel.Description = std::string(TrimView(desc));
    return channel;
}

}  // namespace

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
    TRange r = ElementRange(p1 == 0 ? npos : p1 - 1, p2 == 0 ? npos : p2 - 1, 0, name.size());
    return std::string(Slice(text, r));
}

// One left-to-right pass emulates the replacements run one after the other. Every pattern
// starts with "&" or "<" and holds neither further on, and no output but "&" and "<" can begin
// a pattern, so the only way a replacement creates work for a later one is a "&" or "<" it
// outputs that, with the original text after it, spells a pattern of a later replacement.
std::string DecodeEntities(std::string_view text)
{
    TEntityStarts starts(text);
    std::size_t next = starts.Next(0);
    if (next == npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (next != npos) {
        out.append(text.data() + i, next - i);
        char head = text[next];
        std::size_t tail = next + 1;
        int rank = -1;
        for (;;) {
            const TEntity* e = MatchEntity(head, text.substr(tail));
            if (!e || e->Rank <= rank)
                break;
            tail += e->Length - 1;
            rank = e->Rank;
            head = e->Output;
            if (!IsEntityStart(head))
                break;
        }
        out.push_back(head);
        i = tail;
        next = starts.Next(i);
    }
    out.append(text.data() + i, text.size() - i);
    return out;
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

TParseResult Parse(std::string_view document, int maxEntrys, int maxChars, TBalloonNews& balloon)
{
    TParseResult result;
    result.MaxEntrys = maxEntrys < 1 ? 1 : maxEntrys;
    const std::size_t limit = static_cast<std::size_t>(result.MaxEntrys);

    std::vector<std::size_t> opens, closes;
    CollectMarkers(document, "<item", "</item", limit, opens, closes);
    const std::size_t count = std::min(opens.size(), limit);
    result.Headlines.reserve(count);

    TForwardFinder titleOpen(document, "<title"), titleClose(document, "</title");
    TForwardFinder linkOpen(document, "<link"), linkClose(document, "</link");
    std::string previous;
    bool armed = true;
    std::size_t longest = 0;
    const std::size_t maxLength = maxChars < 0 ? 0 : static_cast<std::size_t>(maxChars);

    for (std::size_t k = 0; k < count; ++k) {
        if (k >= closes.size())
            break;  // no closing marker: this and every later piece is empty
        const std::size_t lo = opens[k] + 6, hi = closes[k];  // just after "<item>"
        if (hi <= lo)
            continue;
        TRange t = ElementRange(titleOpen.Find(lo, hi), titleClose.Find(lo, hi), lo, 5);
        std::string title = DecodeEntities(Slice(document, t));
        TrimInPlace(title);
        if (title.empty() || title == previous)
            continue;

        if (armed && title != kCustomizeCaption) {
            std::string_view item = document.substr(lo, hi - lo);
            std::size_t o = item.find("<description"), c = item.find("</description");
            TRange d = ElementRange(o, c, 0, 11);
            balloon.Headline = title;
            balloon.Text = DecodeEntities(TrimView(Slice(item, d)));
            armed = false;
        }

        THeadline h;
        h.N = static_cast<int>(k + 1);
        if (title.size() > maxLength) {
            title.resize(maxLength);
            title += "...";
        }
        h.Caption = std::move(title);
        longest = std::max(longest, h.Caption.size());
        TRange l = ElementRange(linkOpen.Find(lo, hi), linkClose.Find(lo, hi), lo, 4);
        h.Link = std::string(Slice(document, l));
        h.Customize = h.Caption == kCustomizeCaption;
        previous = h.Caption;
        result.Headlines.push_back(std::move(h));
    }
    result.LongestCaption = static_cast<int>(longest);
    result.Channel = ScanChannel(document);
    return result;
}

}  // namespace feed
