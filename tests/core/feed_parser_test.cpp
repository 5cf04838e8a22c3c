#include "app/feed_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "feed_parser_corpus.h"
#include "rtl/utf8.h"
#include "feed_parser_reference.h"

namespace {

using feed::TBalloonNews;
using feed::TParseResult;

bool SameResult(const TParseResult& a, const TParseResult& b)
{
    if (a.Channel.Caption != b.Channel.Caption || a.Channel.Link != b.Channel.Link ||
        a.Channel.Description != b.Channel.Description || feed::LongestCaption(a) != feed::LongestCaption(b) ||
        a.MaxEntrys != b.MaxEntrys || a.Headlines.size() != b.Headlines.size())
        return false;
    for (std::size_t i = 0; i < a.Headlines.size(); ++i) {
        const feed::THeadline &x = a.Headlines[i], &y = b.Headlines[i];
        if (x.N != y.N || x.Caption != y.Caption || x.Link != y.Link || x.Customize != y.Customize)
            return false;
    }
    return true;
}

// Parses with the program's implementation and the literal one, checks that they agree (result
// and balloon), and returns the program's result.
TParseResult ParseBoth(const std::string& doc, int maxEntrys, int maxChars, TBalloonNews& balloon)
{
    TBalloonNews refBalloon = balloon;
    TParseResult fast = feed::Parse(doc, maxEntrys, maxChars, balloon);
    TParseResult ref = reference::Parse(doc, maxEntrys, maxChars, refBalloon);
    EXPECT_TRUE(SameResult(fast, ref) && balloon.Headline == refBalloon.Headline &&
                balloon.Text == refBalloon.Text)
        << "program:\n"
        << reference::Describe(fast, balloon) << "reference:\n"
        << reference::Describe(ref, refBalloon) << "document (" << doc.size() << " bytes):\n"
        << doc.substr(0, 2000);
    return fast;
}

std::string Item(const std::string& title, const std::string& link = "http://x/",
                 const std::string& description = "d")
{
    return "<item>\r\n<title>" + title + "</title>\r\n<link>" + link + "</link>\r\n<description>" + description +
           "</description>\r\n</item>\r\n";
}

std::string Rss(const std::string& items, const std::string& channelTitle = "Channel")
{
    return "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n<title>" + channelTitle +
           "</title>\r\n<link>http://example.com/</link>\r\n<description>About it</description>\r\n" + items +
           "</channel>\r\n</rss>\r\n";
}

std::string Rdf(const std::vector<std::string>& titles)
{
    std::string s = "<?xml version=\"1.0\"?>\r\n<rdf:RDF>\r\n<channel rdf:about=\"http://example.com/\">\r\n"
                    "<title>Rdf</title>\r\n<link>http://example.com/</link>\r\n<description>R</description>\r\n"
                    "<items>\r\n<rdf:Seq>\r\n";
    for (std::size_t i = 0; i < titles.size(); ++i)
        s += "<rdf:li resource=\"http://example.com/" + std::to_string(i) + "\" />\r\n";
    s += "</rdf:Seq>\r\n</items>\r\n</channel>\r\n";
    for (const std::string& t : titles)
        s += Item(t);
    return s + "</rdf:RDF>\r\n";
}

std::vector<std::string> Captions(const TParseResult& r)
{
    std::vector<std::string> v;
    for (const feed::THeadline& h : r.Headlines)
        v.push_back(h.Caption);
    return v;
}

std::vector<int> Occurrences(const TParseResult& r)
{
    std::vector<int> v;
    for (const feed::THeadline& h : r.Headlines)
        v.push_back(h.N);
    return v;
}

TEST(FeedMarkers, CountsOverlappingOccurrencesCaseSensitively)
{
    EXPECT_EQ(feed::Count("aaaa", "aa"), 3u);
    EXPECT_EQ(feed::Count("<item><ITEM><items>", "<item"), 2u);
    EXPECT_EQ(feed::Count("abc", ""), 0u);
    EXPECT_EQ(feed::Count("", "<item"), 0u);
}

TEST(FeedMarkers, PositionOfTheNthOccurrenceSearchesOnFromOneAfterThePreviousStart)
{
    EXPECT_EQ(feed::Position("aaaa", "aa", 1), 1u);
    EXPECT_EQ(feed::Position("aaaa", "aa", 2), 2u);
    EXPECT_EQ(feed::Position("aaaa", "aa", 3), 3u);
    EXPECT_EQ(feed::Position("aaaa", "aa", 4), 0u);
    EXPECT_EQ(feed::Position("x<a>y<a>", "<a", 2), 6u);
    EXPECT_EQ(feed::Position("x<a>", "<a", 0), 0u);
    EXPECT_EQ(feed::Position("x<a>", "<a", -3), 0u);
}

TEST(FeedElements, TextRunsFromAfterThePlainStartTagToTheClosingMarker)
{
    EXPECT_EQ(feed::GetElement("<title>News</title>", "title", 1), "News");
    EXPECT_EQ(feed::GetElement("<a>1</a><a>2</a>", "a", 2), "2");
    EXPECT_EQ(feed::GetElement("<a>1</a>", "a", 0), "");
    EXPECT_EQ(feed::GetElement("<a>1</a>", "a", 2), "");
    EXPECT_EQ(feed::GetElement("<a></a>", "a", 1), "");
}

// The start is counted in bytes, one character after the name; where that falls inside a
// character of another script (the opening marker missing), the text begins after it, never with
// half of it.
TEST(FeedElements, TextNeverBeginsInsideACharacter)
{
    EXPECT_EQ(feed::GetElement("<titleЖ>x</title>", "title", 1), ">x");
    EXPECT_EQ(feed::GetElement("xНовости</title>", "title", 1), "ости");
    TBalloonNews balloon;
    TParseResult r = ParseBoth("<rss><channel><item>xНовости</title></item></channel></rss>", 15, 80, balloon);
    ASSERT_EQ(Captions(r).size(), 1u);
    EXPECT_TRUE(rtl::IsValidUtf8(r.Headlines[0].Caption)) << r.Headlines[0].Caption;
}

TEST(FeedElements, AttributesAndLongerNamesBecomePartOfTheText)
{
    // The text starts one character after the name, whatever stands there.
    EXPECT_EQ(feed::GetElement("<title lang=\"de\">News</title>", "title", 1), "lang=\"de\">News");
    EXPECT_EQ(feed::GetElement("<titles>x</titles>", "title", 1), ">x");
}

TEST(FeedElements, OpeningAndClosingMarkersArePairedByTheirCountsAlone)
{
    // Nested: the first opening goes with the first closing, which belongs to the inner element.
    EXPECT_EQ(feed::GetElement("<a>x<a>y</a>z</a>", "a", 1), "x<a>y");
    EXPECT_EQ(feed::GetElement("<a>x<a>y</a>z</a>", "a", 2), "y</a>z");
    // No opening marker: the text from position length + 2 up to the closing marker.
    EXPECT_EQ(feed::GetElement("0123456789</abc>", "abc", 1), "456789");
    // No closing marker, or the closing marker before the start: nothing.
    EXPECT_EQ(feed::GetElement("<abc>xyz", "abc", 1), "");
    EXPECT_EQ(feed::GetElement("</abc><abc>xyz", "abc", 1), "");
}

TEST(FeedEntities, EveryTableEntryIsReplacedInEitherLetterCase)
{
    for (const auto& row : reference::EntityTable()) {
        std::string upper = row.Pattern;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = char(c - 32);
        // A letter keeps the case of the name: "&AUML;" gives the upper-case letter.
        const bool cased = upper[1] >= 'A' && upper[1] <= 'Z' && row.Output >= 0xE0 && row.Output <= 0xFF;
        const std::string output = reference::Ansi(row.Output);
        const std::string upperOutput = reference::Ansi(cased ? row.Output - 0x20 : row.Output);
        EXPECT_EQ(feed::DecodeEntities("[" + row.Pattern + "]"), "[" + output + "]") << row.Pattern;
        EXPECT_EQ(feed::DecodeEntities(upper + upper), upperOutput + upperOutput) << upper;
    }
    EXPECT_EQ(reference::EntityTable().size(), 97u);
}

TEST(FeedEntities, NamedAndNumericExamplesGiveWindows1252Characters)
{
    EXPECT_EQ(feed::DecodeEntities("Gr&ouml;&szlig;e &Auml;rger &AUML;"), "Größe Ärger Ä");
    // The numbers give their own characters, 128 to 159 as in Windows-1252 (not look-alikes).
    EXPECT_EQ(feed::DecodeEntities("&#163;5 &#252;ber &#8211; &#147;x&#148; &#146;&#151;"), "£5 über – “x” ’—");
    EXPECT_EQ(feed::DecodeEntities("<b>fett</B> <I>schr&auml;g</i>"), " fett   schräg ");
    EXPECT_EQ(feed::DecodeEntities("caf&eacute; &#136;&#152;"), "café ˆ˜");
}

TEST(FeedEntities, EachReplacementSkipsItsOwnOutputButLaterOnesSeeIt)
{
    EXPECT_EQ(feed::DecodeEntities("AT&amp;amp;T"), "AT&amp;T");
    EXPECT_EQ(feed::DecodeEntities("a &amp;lt; b"), "a < b");
    EXPECT_EQ(feed::DecodeEntities("&amp;lt;b&amp;gt;"), "<b>"); // the bold tag row ran before
    EXPECT_EQ(feed::DecodeEntities("&#38;#36;"), "$");           // "&#36;" comes after "&#38;"
    EXPECT_EQ(feed::DecodeEntities("&#36;#38;"), "$#38;");
    EXPECT_EQ(feed::DecodeEntities("&#38;#38;"), "&#38;");
    EXPECT_EQ(feed::DecodeEntities("&amp;#38;lt;"), "<"); // three replacements in a chain
    EXPECT_EQ(feed::DecodeEntities("&amp;auml;"), "ä");
}

TEST(FeedEntities, EverythingOutsideTheTableStaysAsItIs)
{
    for (const char* s : {"&nbsp;", "&#39;", "&#160;", "&#208;", "&#xE4;", "&#0163;", "<![CDATA[x]]>", "<p>", "&",
                          "&amp", "&#38", "< b>", "<i >", "Tom & Jerry", ""})
        EXPECT_EQ(feed::DecodeEntities(s), s) << s;
}

TEST(FeedEntities, AgreesWithOneFullPassPerReplacementOnGeneratedText)
{
    static const char* const kParts[] = {"&",    "&amp;", "&AMP;",   "amp;", "#",      "#38;",   "38;",
                                         "#36;", "lt;",   "&lt;",    "gt;",  "<",      "b>",     "i>",
                                         "/",    "</",    "&#",      "252;", "auml;",  "&quot;", "x",
                                         " ",    ";",     "&#8211;", "8211", "&#039;", "039;",   "\xE4"};
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        int parts = static_cast<int>(rng() % 12);
        for (int i = 0; i < parts; ++i)
            s += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
        ASSERT_EQ(feed::DecodeEntities(s), reference::DecodeEntities(s)) << s;
    }
}

TEST(FeedComments, CommentsAreCutAndTheTextAroundThemJoined)
{
    EXPECT_EQ(feed::StripComments("no comment"), "no comment");
    EXPECT_EQ(feed::StripComments("a<!-- x -->b"), "ab");
    EXPECT_EQ(feed::StripComments("<!-- x -->Name"), "Name");
    EXPECT_EQ(feed::StripComments("a<!--1-->b<!--2-->c"), "abc");
    EXPECT_EQ(feed::StripComments("a<!-- <!-- -->b-->c"), "ab-->c");
    EXPECT_EQ(feed::StripComments("<!-->x-->y"), "y"); // the closer is looked for after the opener
}

TEST(FeedComments, AnUnclosedCommentRemovesTheRestAndKeepsWhatPrecedesIt)
{
    EXPECT_EQ(feed::StripComments("keep<!-- open"), "keep");
    EXPECT_EQ(feed::StripComments("a<!--1-->b<!-- open --"), "ab");
}

TEST(FeedComments, OnlyAsManyCommentsAsTheTextHeldAtFirstAreRemoved)
{
    // Removing the inner comment spells a new opener, which is one more than was counted.
    EXPECT_EQ(feed::StripComments("<!<!-- x -->-- y -->z"), "<!-- y -->z");
    EXPECT_EQ(feed::StripComments("<!<!-- x -->-- y -->z<!-- w -->"), "z<!-- w -->");
}

TEST(FeedComments, AgreesWithTheLiteralRemovalOnGeneratedText)
{
    static const char* const kParts[] = {"<", "!", "-", "--", ">", "<!--", "-->", "<!-", "->", "x", " ", "<!"};
    std::mt19937 rng(11);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        int parts = static_cast<int>(rng() % 16);
        for (int i = 0; i < parts; ++i)
            s += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
        ASSERT_EQ(feed::StripComments(s), reference::StripComments(s)) << s;
    }
}

TEST(FeedParse, Rss2WorkedExample)
{
    std::string doc =
        Rss(Item("One", "http://a/1", "First") + Item("One", "http://a/2") + Item("Three &#252;ber", "http://a/3"),
            "News &amp; Views");
    TBalloonNews balloon;
    TParseResult r = ParseBoth(doc, 15, 5, balloon);
    EXPECT_EQ(Captions(r), (std::vector<std::string>{"One", "Three..."}));
    EXPECT_EQ(Occurrences(r), (std::vector<int>{1, 3}));
    EXPECT_EQ(r.Headlines[0].Link, "http://a/1");
    EXPECT_EQ(r.Headlines[1].Link, "http://a/3");
    EXPECT_EQ(feed::LongestCaption(r), 8);
    EXPECT_EQ(r.Channel.Caption, "News & Views");
    EXPECT_EQ(r.Channel.Link, "http://example.com/");
    EXPECT_EQ(r.Channel.Description, "About it");
    EXPECT_EQ(balloon.Headline, "One");
    EXPECT_EQ(balloon.Text, "First");
}

TEST(FeedParse, RdfItemsListTakesTheFirstOccurrence)
{
    std::string doc = Rdf({"First", "Second"});
    TBalloonNews balloon;
    EXPECT_EQ(feed::Count(doc, "<item"), 3u);
    TParseResult all = ParseBoth(doc, 15, 80, balloon);
    EXPECT_EQ(Captions(all), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(Occurrences(all), (std::vector<int>{2, 3}));
    EXPECT_EQ(all.Channel.Caption, "Rdf");

    TParseResult two = ParseBoth(doc, 2, 80, balloon);
    EXPECT_EQ(Captions(two), (std::vector<std::string>{"First"}));
}

TEST(FeedParse, MaxEntrysOneTakesOnlyTheFirstOccurrence)
{
    std::string items;
    for (int i = 1; i <= 5; ++i)
        items += Item("Title " + std::to_string(i));
    TBalloonNews balloon;
    TParseResult rss = ParseBoth(Rss(items), 1, 80, balloon);
    EXPECT_EQ(Captions(rss), (std::vector<std::string>{"Title 1"}));
    EXPECT_EQ(rss.MaxEntrys, 1);

    TParseResult rdf = ParseBoth(Rdf({"A", "B"}), 1, 80, balloon);
    EXPECT_TRUE(rdf.Headlines.empty());
    EXPECT_EQ(feed::LongestCaption(rdf), 0);
}

TEST(FeedParse, MaxEntrysBelowOneIsRaisedToOne)
{
    TBalloonNews balloon;
    for (int max : {0, -7}) {
        TParseResult r = ParseBoth(Rss(Item("A") + Item("B")), max, 80, balloon);
        EXPECT_EQ(r.MaxEntrys, 1);
        EXPECT_EQ(Captions(r), (std::vector<std::string>{"A"}));
    }
}

TEST(FeedParse, MaxCharsShortensToThatManyCharactersAndThreeDots)
{
    TBalloonNews balloon;
    TParseResult zero = ParseBoth(Rss(Item("A") + Item("Longer title")), 15, 0, balloon);
    EXPECT_EQ(Captions(zero), (std::vector<std::string>{"...", "..."}));
    EXPECT_EQ(feed::LongestCaption(zero), 3);
    TParseResult negative = ParseBoth(Rss(Item("A")), 15, -4, balloon);
    EXPECT_EQ(Captions(negative), (std::vector<std::string>{"..."}));
    TParseResult exact = ParseBoth(Rss(Item("Exact")), 15, 5, balloon);
    EXPECT_EQ(Captions(exact), (std::vector<std::string>{"Exact"}));
    // The balloon headline is the whole title.
    EXPECT_EQ(balloon.Headline, "Exact");
    ParseBoth(Rss(Item("Longer title")), 15, 3, balloon);
    EXPECT_EQ(balloon.Headline, "Longer title");
}

TEST(FeedParse, BlankTitlesAreSkipped)
{
    TBalloonNews balloon;
    TParseResult r = ParseBoth(Rss(Item("  \t ") + Item("<b></b>") + Item("") + Item("Real")), 15, 80, balloon);
    EXPECT_EQ(Captions(r), (std::vector<std::string>{"Real"}));
    EXPECT_EQ(Occurrences(r), (std::vector<int>{4}));
}

TEST(FeedParse, CustomizeThisFeedIsAHeadlineButNeverTheBalloon)
{
    TBalloonNews balloon;
    TParseResult r =
        ParseBoth(Rss(Item("Customize this feed", "http://c/", "settings") + Item("News", "http://n/", "Body")),
                  15, 80, balloon);
    ASSERT_EQ(r.Headlines.size(), 2u);
    EXPECT_TRUE(r.Headlines[0].Customize);
    EXPECT_EQ(r.Headlines[0].Link, "http://c/");
    EXPECT_FALSE(r.Headlines[1].Customize);
    EXPECT_EQ(balloon.Headline, "News");
    EXPECT_EQ(balloon.Text, "Body");

    // Shortened, the caption no longer counts as the customize entry, but the balloon still skips it.
    TBalloonNews other;
    TParseResult cut = ParseBoth(Rss(Item("Customize this feed") + Item("Later")), 15, 18, other);
    EXPECT_EQ(cut.Headlines[0].Caption, "Customize this fee...");
    EXPECT_FALSE(cut.Headlines[0].Customize);
    EXPECT_EQ(other.Headline, "Later");
}

TEST(FeedParse, DuplicatesAreComparedWithThePreviousCaption)
{
    TBalloonNews balloon;
    EXPECT_EQ(Captions(ParseBoth(Rss(Item("Same") + Item("Same")), 15, 80, balloon)),
              (std::vector<std::string>{"Same"}));
    EXPECT_EQ(Captions(ParseBoth(Rss(Item("Same") + Item("Other") + Item("Same")), 15, 80, balloon)),
              (std::vector<std::string>{"Same", "Other", "Same"}));
    // Longer than MaxChars: the title differs from the shortened previous caption.
    EXPECT_EQ(Captions(ParseBoth(Rss(Item("Same long") + Item("Same long")), 15, 4, balloon)),
              (std::vector<std::string>{"Same...", "Same..."}));
    // A skipped blank title in between does not change the previous caption.
    EXPECT_EQ(Captions(ParseBoth(Rss(Item("Same") + Item(" ") + Item("Same")), 15, 80, balloon)),
              (std::vector<std::string>{"Same"}));
}

TEST(FeedParse, LinksAreCleanedLikeTheChannelLink)
{
    std::string doc = "<channel><title> C </title><link>\r\n  http://c/ \r\n</link>"
                      "<description> A &amp; B </description>" +
                      Item("T", "\r\n   http://example.com/a\r\n   ") + "</channel>";
    TBalloonNews balloon;
    TParseResult r = ParseBoth(doc, 15, 80, balloon);
    ASSERT_EQ(r.Headlines.size(), 1u);
    EXPECT_EQ(r.Headlines[0].Link, "http://example.com/a");
    EXPECT_EQ(r.Channel.Link, "http://c/");
    EXPECT_EQ(r.Channel.Caption, "C");
    EXPECT_EQ(r.Channel.Description, "A & B");
}

TEST(FeedParse, TitlesAreDecodedThenTrimmedAndBalloonTextIsPlainText)
{
    TBalloonNews balloon;
    TParseResult r =
        ParseBoth(Rss(Item("&#9;News&#32;", "l", "x &#151; &lt;b&gt;y&lt;/b&gt;&lt;br/&gt;z")), 15, 80, balloon);
    EXPECT_EQ(Captions(r), (std::vector<std::string>{"News"}));
    EXPECT_EQ(balloon.Text, "x — y\rz");
}

TEST(FeedParse, AnItemWithoutALinkOpensItsPermanentGuid)
{
    static const std::pair<const char*, const char*> kCases[] = {
        {"<guid>http://g/1</guid>", "http://g/1"},
        {"<guid isPermaLink=\"true\">http://g/2</guid>", "http://g/2"},
        {"<guid isPermaLink='false'>http://g/3</guid>", ""},
        {"<guid>tag:example.com,2026:1</guid>", ""},
        {"<link>http://l/</link><guid>http://g/</guid>", "http://l/"},
        {"<link> </link><guid>http://g/4</guid>", "http://g/4"},
        {"<guidance>x</guidance><guid> <![CDATA[http://g/5?a=1&amp;b]]> </guid>", "http://g/5?a=1&b"},
        {"<guid/>", ""},
    };
    for (const auto& [fields, link] : kCases) {
        TBalloonNews balloon;
        TParseResult r =
            ParseBoth(Rss(std::string("<item><title>T</title>") + fields + "</item>"), 15, 80, balloon);
        ASSERT_EQ(r.Headlines.size(), 1u) << fields;
        EXPECT_EQ(r.Headlines[0].Link, link) << fields;
    }
}

TEST(FeedParse, CleanedTitlesDecideDuplicatesAndTheCustomizeEntry)
{
    TBalloonNews balloon;
    TParseResult r =
        ParseBoth(Rss(Item("<![CDATA[Same]]>") + Item("Same") + Item("Customize\r\n  this&#32;feed") +
                      Item("<![CDATA[ ]]>") + Item("Tom &amp; Jerry", "<![CDATA[http://x/?a=1&b=2]]>")),
                  15, 80, balloon);
    EXPECT_EQ(Captions(r), (std::vector<std::string>{"Same", "Customize this feed", "Tom & Jerry"}));
    EXPECT_TRUE(r.Headlines[1].Customize);
    EXPECT_EQ(r.Headlines[2].Link, "http://x/?a=1&b=2");
}

TEST(FeedParse, BalloonIsKeptWhenADocumentOffersNoNewOne)
{
    TBalloonNews balloon;
    ParseBoth(Rss(Item("Old", "l", "Old body")), 15, 80, balloon);
    ParseBoth(Rss(Item("Customize this feed")), 15, 80, balloon);
    ParseBoth("<html><body>Error 500</body></html>", 15, 80, balloon);
    EXPECT_EQ(balloon.Headline, "Old");
    EXPECT_EQ(balloon.Text, "Old body");
}

TEST(FeedParse, DocumentsWithoutFeedMarkersGiveNothing)
{
    TBalloonNews balloon;
    for (const char* doc : {"", "<html><head><title>404</title></head></html>"}) {
        TParseResult r = ParseBoth(doc, 15, 80, balloon);
        EXPECT_TRUE(r.Headlines.empty());
        EXPECT_EQ(r.Channel.Caption, "");
        EXPECT_EQ(r.Channel.Link, "");
        EXPECT_EQ(r.Channel.Description, "");
    }
}

// What a hostile server can send: one pass through the document, whatever its size, and no
// recursion however deep its elements nest.
TEST(FeedParse, HugeAndDeepDocumentsAreReadInOnePass)
{
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        out.reserve(s.size() * static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const std::string atom = "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"><title>F</title>";
    const struct {
        const char* Name;
        std::string Doc;
        std::size_t Headlines;
    } cases[] = {
        {"200,000 items", Rss(repeat("<item><title>T</title><link>http://x/</link></item>", 200000)), 1},
        {"200,000 entries", atom + repeat("<entry><title>T</title></entry>", 200000) + "</feed>", 1},
        {"4 MB of <", std::string(4u << 20, '<'), 0},
        {"items 100,000 elements deep",
         Rss(repeat("<x>", 100000) + Item("A") + Item("B") + repeat("</x>", 100000)), 2},
        {"entries 100,000 elements deep",
         atom + repeat("<div xml:base=\"a/\">", 100000) + "<entry><title>A</title></entry>" +
             repeat("</div>", 100000) + "</feed>",
         1},
    };
    for (const auto& c : cases) {
        TBalloonNews balloon;
        const TParseResult r = feed::Parse(c.Doc, 15, 80, balloon);
        // Equal titles one after the other are one headline.
        EXPECT_EQ(r.Headlines.size(), c.Headlines) << c.Name;
    }
}

TEST(FeedParse, ATruncatedDocumentGivesItsCompleteItems)
{
    std::string doc = Rss(Item("A") + Item("B") + Item("C"));
    doc.resize(doc.find("<title>C</title>") + 4);
    TBalloonNews balloon;
    TParseResult r = ParseBoth(doc, 15, 80, balloon);
    EXPECT_EQ(Captions(r), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(r.Channel.Caption, ""); // the channel was never closed
}

TEST(FeedParse, ChannelFieldsMustLieInsideTheChannel)
{
    TBalloonNews balloon;
    // The channel closes before its title does: no caption. The link is complete inside.
    TParseResult r = ParseBoth("<channel><link>L</link><title>T</channel></title>", 15, 80, balloon);
    EXPECT_EQ(r.Channel.Caption, "");
    EXPECT_EQ(r.Channel.Link, "L");
    // Fields found far after the channel's start still count when the channel closes later.
    std::string late =
        "<channel>" + std::string(5000, 'x') + "<title>Late</title>" + std::string(5000, 'y') + "</channel>";
    EXPECT_EQ(ParseBoth(late, 15, 80, balloon).Channel.Caption, "Late");
}

TEST(FeedParseCorpus, EveryDocumentParsesAlikeAndStably)
{
    QV_SKIP_WITHOUT_CORPUS();
    std::vector<std::filesystem::path> files = CorpusFiles();
    ASSERT_GE(files.size(), 561u);
    std::size_t withChannel = 0;
    TBalloonNews balloon;
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        const std::string doc = CorpusDocument(path);
        for (auto [maxEntrys, maxChars] : {std::pair{15, 80}, {1, 5}, {100, 0}}) {
            TParseResult first = ParseBoth(doc, maxEntrys, maxChars, balloon);
            TParseResult again = feed::Parse(doc, maxEntrys, maxChars, balloon);
            EXPECT_TRUE(SameResult(first, again));
            if (maxEntrys == 15 && !first.Channel.Caption.empty())
                ++withChannel;
        }
        EXPECT_EQ(feed::StripComments(doc), reference::StripComments(doc));
        EXPECT_EQ(feed::DecodeEntities(doc), reference::DecodeEntities(doc));
        EXPECT_EQ(feed::DecodeReferences(doc), reference::DecodeReferences(doc));
        EXPECT_EQ(feed::HtmlToText(doc, "\n"), reference::HtmlToText(doc, "\n"));
    }
    EXPECT_GE(withChannel, 270u); // about half the corpus is channel titles with one entity each
}

TEST(FeedParseCorpus, KnownDocumentsGiveTheirHeadlinesAndChannelTitles)
{
    QV_SKIP_WITHOUT_CORPUS();
    const std::filesystem::path root = CorpusDir() / "feedparser";
    TBalloonNews balloon;
    TParseResult rss = feed::Parse(CorpusDocument(root / "wellformed/rss/item_title.xml"), 15, 80, balloon);
    EXPECT_EQ(Captions(rss), (std::vector<std::string>{"Item 1 title"}));
    EXPECT_EQ(Occurrences(rss), (std::vector<int>{1}));
    TParseResult rdf = feed::Parse(CorpusDocument(root / "wellformed/rdf/rdf_item_title.xml"), 15, 80, balloon);
    EXPECT_EQ(Captions(rdf), (std::vector<std::string>{"Example title"}));
    EXPECT_EQ(Occurrences(rdf), (std::vector<int>{2}));
    // Cut off inside the first item's title: the channel is never closed, so nothing is found.
    TParseResult cut = feed::Parse(CorpusDocument(root / "illformed/rss_incomplete_cdata.xml"), 15, 80, balloon);
    EXPECT_TRUE(cut.Headlines.empty());
    EXPECT_EQ(cut.Channel.Caption, "");
}

// Tag soup built from the markers the parser looks for, entities and comment marks.
std::string SoupDocument(std::mt19937& rng)
{
    // clang-format off
    static const char* const kParts[] = {
        "<item>", "</item>", "<items>", "</items>", "<item ", "<title>", "</title>", "<title a=\"1\">", "<link>",
        "</link>", "<description>", "</description>", "<channel>", "</channel>", "<rss>", "&amp;", "&AMP;",
        "&lt;", "&#38;", "&#36;", "&#252;", "&auml;", "<b>", "</B>", "<![CDATA[", "]]>", "<!--", "-->", " ",
        "\r\n", "\t", "One", "Two", "Customize this feed", "x", "&", "#", "38;", "lt;", "amp;", "<", "/", ">",
        "<ti", "tle>", "</ite", "m>", "<guid>", "</guid>", "<guid isPermaLink=\"false\">", "http://g/", "&#39;",
        "&nbsp;", "&copy", "<p>", "<br/>", "<script>", "</script>"};
    // clang-format on
    std::string s;
    int parts = static_cast<int>(rng() % 120);
    for (int i = 0; i < parts; ++i) {
        if (rng() % 16 == 0)
            s += static_cast<char>(rng() % 256);
        else
            s += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
    }
    // Stray bytes as the refresh hands them over: documents reach the readers in UTF-8.
    std::string valid;
    rtl::AppendValidUtf8(valid, s);
    return valid;
}

// A well-formed RSS or RDF document with random fields, repeated and missing ones included.
std::string ShapedDocument(std::mt19937& rng)
{
    static const char* const kTitles[] = {"One",
                                          "One",
                                          "Two &amp; more",
                                          "  ",
                                          "Customize this feed",
                                          "A much longer headline than most",
                                          "&#252;ber",
                                          "<b></b>",
                                          "",
                                          "<![CDATA[One]]>",
                                          "Don&#39;t\r\n panic",
                                          "&Auml;rger &amp;amp; more"};
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::vector<std::string> titles;
    std::size_t items = pick(12);
    std::string s = pick(3) == 0
                        ? "<rdf:RDF><channel><title>R</title><items><rdf:Seq/></items></channel>"
                        : "<rss><channel><title>C &amp; D</title><link> l </link><description>d</description>";
    for (std::size_t i = 0; i < items; ++i) {
        s += pick(8) == 0 ? "<item rdf:about=\"x\">" : "<item>";
        if (pick(6) != 0)
            s += std::string("<title>") + kTitles[pick(sizeof kTitles / sizeof kTitles[0])] + "</title>";
        if (pick(4) != 0)
            s += "<link>http://x/" + std::to_string(i) + "</link>";
        if (pick(3) == 0)
            s += pick(2) ? "<guid>http://g/" + std::to_string(i) + "</guid>"
                         : "<guid isPermaLink=\"false\">g</guid>";
        if (pick(3) != 0)
            s += pick(2)
                     ? "<description> body " + std::to_string(i) + " &lt;b&gt; </description>"
                     : "<description><![CDATA[<p>Body &amp; " + std::to_string(i) + "</p><br>x]]></description>";
        if (pick(10) != 0)
            s += "</item>\r\n";
    }
    s += pick(2) == 0 ? "</channel></rss>" : "</rdf:RDF>";
    return s;
}

TEST(FeedParseGenerated, AgreesWithTheLiteralAlgorithm)
{
    std::mt19937 rng(2024);
    TBalloonNews balloon;
    for (int round = 0; round < 6000; ++round) {
        std::string doc = round % 2 == 0 ? SoupDocument(rng) : ShapedDocument(rng);
        int maxEntrys = static_cast<int>(rng() % 14) - 1;
        int maxChars = static_cast<int>(rng() % 30) - 2;
        ParseBoth(doc, maxEntrys, maxChars, balloon);
        if (HasFailure())
            break;
    }
}

} // namespace
