#include "app/atom_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "rtl/utf8.h"
#include "app/feed_text.h"
#include "atom_parser_reference.h"
#include "feed_parser_reference.h"

namespace {

using feed::TBalloonNews;
using feed::TParseResult;

const char* const kUrl = "http://news.example.com/feeds/all.atom";

// Parses through the program's entry point and with the literal reference, checks that both
// agree (result and balloon), and returns the program's result.
TParseResult ParseBoth(const std::string& doc, TBalloonNews& balloon, const std::string& url = kUrl,
                       int maxEntrys = 15, int maxChars = 80)
{
    TBalloonNews refBalloon = balloon;
    TParseResult fast = feed::Parse(doc, maxEntrys, maxChars, balloon, url);
    EXPECT_EQ(feed::IsAtomDocument(doc), reference_atom::IsAtomDocument(doc)) << doc;
    if (!reference_atom::IsAtomDocument(doc))
        return fast;
    TParseResult ref = reference_atom::ParseAtom(doc, maxEntrys, maxChars, refBalloon, url);
    EXPECT_EQ(reference::Describe(fast, balloon), reference::Describe(ref, refBalloon))
        << "document (" << doc.size() << " bytes):\n"
        << doc.substr(0, 3000);
    return fast;
}

TParseResult ParseBoth(const std::string& doc)
{
    TBalloonNews balloon;
    return ParseBoth(doc, balloon);
}

std::string Feed(const std::string& body, const std::string& rootAttributes = "")
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\"" +
           rootAttributes + ">\n<title>Feed</title>\n" + body + "</feed>\n";
}

std::string Entry(const std::string& inner, const std::string& attributes = "")
{
    return "<entry" + attributes + ">\n" + inner + "\n</entry>\n";
}

std::string Titled(const std::string& title, const std::string& more = "")
{
    return Entry("<title>" + title + "</title>" + more);
}

TEST(AtomDocument, IsAtomWithoutItemMarkersAndWithAnEntryOrFeedElement)
{
    const struct {
        std::string doc;
        bool atom;
    } cases[] = {
        {Feed(Titled("A")), true},
        {Feed(""), true},
        {"<atom:feed xmlns:atom=\"http://www.w3.org/2005/Atom\"><atom:entry/></atom:feed>", true},
        {"<rss><channel><item><title>A</title></item></channel></rss>", false},
        {Feed(Titled("A") + "<!-- <item> -->"), false},
        {"<html><body><p>entry</p><entries/></body></html>", false},
        {"<!-- <entry> --><html/>", false},
        {"<feedburner:info uri=\"x\"/><entry>", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(feed::IsAtomDocument(c.doc), c.atom) << c.doc;
}

// The dispatch learns of "<item" markers while reading the entries, wherever they hide; an RSS
// reading must then start from the balloon as it was.
TEST(AtomDocument, ItemMarkersAnywhereMakeTheDispatchReadRss)
{
    const std::string dense(600, 'x');
    const std::string places[] = {
        "<content type=\"html\"><![CDATA[<p>a</p><item>]]></content>",
        "<content type=\"xhtml\"><div><p>" + dense + "</p><!-- <items> --><p>b</p></div></content>",
        "<content type=\"xhtml\"><div><p><itemize/>" + dense + "</p></div></content>",
        "<summary>" + dense + "<p><item></p>" + dense + "</summary>",
        "<content>x</content><item><title>Rss</title></item>",
        "<content>x<item",
    };
    for (const std::string& place : places)
        for (int maxEntrys : {1, 15})
            for (const std::string& doc :
                 {Feed(Titled("A", place) + Titled("B")), Feed(Titled("A") + Titled("B", place))}) {
                TBalloonNews balloon{"previous", "text"}, refBalloon = balloon;
                const TParseResult fast = feed::Parse(doc, maxEntrys, 80, balloon, kUrl);
                const TParseResult ref = reference::Parse(doc, maxEntrys, 80, refBalloon, kUrl);
                EXPECT_FALSE(feed::IsAtomDocument(doc)) << doc;
                EXPECT_EQ(reference::Describe(fast, balloon), reference::Describe(ref, refBalloon)) << doc;
            }
}

TEST(AtomTitles, ReadByTheirType)
{
    const struct {
        std::string element, caption;
    } cases[] = {
        {"<title>Fish &amp; Chips</title>", "Fish & Chips"},
        {"<title type=\"text\">a &lt;b&gt; is bold</title>", "a <b> is bold"},
        {"<title>AT&amp;amp;T</title>", "AT&amp;T"},
        {"<title>  Line\n\tbreak   inside </title>", "Line break inside"},
        {"<title>Caf&#233; &#x2014; na&#xEF;ve</title>", "Café — naïve"},
        {"<title>Don&#146;t &#8211; &quot;now&quot; &amp;#8217;</title>", "Don’t – \"now\" &#8217;"},
        {"<title type=\"html\">&lt;b&gt;A&lt;/b&gt; &amp;#8211; B&amp;#146;s</title>", "A – B’s"},
        {"<title><![CDATA[Tom & Jerry <3]]></title>", "Tom & Jerry <3"},
        {"<title type=\"html\">&lt;b&gt;Bold&lt;/b&gt; move</title>", "Bold move"},
        {"<title type=\"html\"><![CDATA[<em>Big</em> news]]></title>", "Big news"},
        {"<title type=\"html\">Q&amp;amp;A</title>", "Q&A"},
        {"<title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">An <i>xhtml</i> &amp; "
         "&lt;title&gt;</div></title>",
         "An xhtml & <title>"},
        {"<title type=\"text/html\" mode=\"escaped\">&lt;b&gt;Old&lt;/b&gt; style</title>", "Old style"},
        {"<title type=\"text/plain\" mode=\"base64\">SGVsbG8gV29ybGQ=</title>", "Hello World"},
        {"<title type=\"text/html\" mode=\"base64\">PGI+SGk8L2I+IHRoZXJl</title>", "Hi there"},
        {"<title type='HTML'>Upper &lt;i&gt;case&lt;/i&gt;</title>", "Upper case"},
    };
    for (const auto& c : cases) {
        TParseResult r = ParseBoth(Feed(Entry(c.element)));
        ASSERT_EQ(r.Headlines.size(), 1u) << c.element;
        EXPECT_EQ(r.Headlines[0].Caption, c.caption) << c.element;
    }
}

TEST(AtomTitles, OnlyTheEntrysOwnTitleCounts)
{
    const struct {
        std::string inner, caption;
    } cases[] = {
        {"<media:group><media:title>Media</media:group></media:group><title>Own</title>", "Own"},
        {"<source><title>Source feed</title></source><title>Own</title>", "Own"},
        {"<content type=\"xhtml\"><div><title>Inner</title></div></content><title>Own</title>", "Own"},
        {"<title>First</title><title>Second</title>", "First"},
        {"<!-- <title>Comment</title> --><title>Own</title>", "Own"},
        {"<media:title>Media only</media:title>", ""},
    };
    for (const auto& c : cases) {
        TParseResult r = ParseBoth(Feed(Entry(c.inner)));
        EXPECT_EQ(r.Headlines.empty() ? "" : r.Headlines[0].Caption, c.caption) << c.inner;
    }
}

TEST(AtomLinks, ChosenAndResolved)
{
    const std::string alternate = "<link rel=\"alternate\" type=\"text/html\" href=\"http://a/html\"/>";
    const struct {
        std::string inner, rootAttributes, entryAttributes, url, link;
    } cases[] = {
        {"<link href=\"http://a/1\"/>", "", "", kUrl, "http://a/1"},
        {"<link rel=\"self\" href=\"http://a/self\"/><link rel=\"alternate\" href=\"http://a/2\"/>", "", "", kUrl,
         "http://a/2"},
        {"<link rel=\"alternate\" type=\"application/pdf\" href=\"http://a/pdf\"/>" + alternate, "", "", kUrl,
         "http://a/html"},
        {"<link href=\"http://a/first\"/><link href=\"http://a/second\"/>", "", "", kUrl, "http://a/first"},
        {"<link rel=\"replies\" href=\"http://a/r\"/><link rel=\"enclosure\" href=\"http://a/e.mp3\"/>"
         "<id>http://a/id</id>",
         "", "", kUrl, "http://a/id"},
        {"<id>tag:example.com,2026:1</id>", "", "", kUrl, ""},
        {"<link href=\" http://a/?x=1&amp;y=2 \"/>", "", "", kUrl, "http://a/?x=1&y=2"},
        {"<link href=\"/2026/12/post\"/>", "", "", kUrl, "http://news.example.com/2026/12/post"},
        {"<link href=\"post.html\"/>", "", "", kUrl, "http://news.example.com/feeds/post.html"},
        {"<link href=\"../img/../a.html?q#f\"/>", "", "", kUrl, "http://news.example.com/a.html?q#f"},
        {"<link href=\"//cdn.example.net/x\"/>", "", "", "https://s/f", "https://cdn.example.net/x"},
        {"<link href=\"post.html\"/>", " xml:base=\"http://base.example.org/blog/\"", "", kUrl,
         "http://base.example.org/blog/post.html"},
        {"<link href=\"p\"/>", " xml:base=\"http://b.org/blog/\"", " xml:base=\"2026/\"", kUrl,
         "http://b.org/blog/2026/p"},
        {"<link xml:base=\"/x/\" href=\"p\"/>", "", "", kUrl, "http://news.example.com/x/p"},
        {"<link href=\"post.html\"/>", "", "", "", "post.html"},
        {"<link href=\"mailto:a@b.c\"/>", "", "", kUrl, "mailto:a@b.c"},
        {"<link>http://a/text-link</link>", "", "", kUrl, "http://a/text-link"},
        {"<link href=\"\"/><id>https://a/id</id>", "", "", kUrl, "https://a/id"},
    };
    for (const auto& c : cases) {
        TBalloonNews balloon;
        const std::string doc = Feed(Entry("<title>T</title>" + c.inner, c.entryAttributes), c.rootAttributes);
        TParseResult r = ParseBoth(doc, balloon, c.url);
        ASSERT_EQ(r.Headlines.size(), 1u) << doc;
        EXPECT_EQ(r.Headlines[0].Link, c.link) << doc;
    }
}

TEST(AtomChannel, FeedTitleAlternateLinkAndSubtitle)
{
    TParseResult r = ParseBoth(
        "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"http://blog.example.org/\">\n"
        "<title type=\"html\">Ben &amp;amp; Jerry&lt;br/&gt;s blog</title>\n"
        "<subtitle type=\"html\">&lt;p&gt;First&lt;/p&gt;&lt;p&gt;Second &amp;amp; last&lt;/p&gt;</subtitle>\n"
        "<link rel=\"self\" href=\"/feed.atom\"/><link href=\"/\"/>\n" +
        Titled("Entry", "<link href=\"/e\"/>") + "<title>Later title</title></feed>");
    EXPECT_EQ(r.Channel.Caption, "Ben & Jerry s blog");
    EXPECT_EQ(r.Channel.Link, "http://blog.example.org/");
    EXPECT_EQ(r.Channel.Description, "First\r\nSecond & last");
    ASSERT_EQ(r.Headlines.size(), 1u);
    EXPECT_EQ(r.Headlines[0].Link, "http://blog.example.org/e");

    TParseResult old = ParseBoth("<feed version=\"0.3\" xmlns=\"http://purl.org/atom/ns#\"><title>Old</title>"
                                 "<tagline>Since 2004</tagline><link rel=\"alternate\" type=\"text/html\" "
                                 "href=\"http://old.example.com/\"/>" +
                                 Titled("E") + "</feed>");
    EXPECT_EQ(old.Channel.Caption, "Old");
    EXPECT_EQ(old.Channel.Description, "Since 2004");
    EXPECT_EQ(old.Channel.Link, "http://old.example.com/");
}

TEST(AtomHeadlines, FollowTheRulesOfItems)
{
    TBalloonNews balloon;
    const std::string doc =
        Feed(Titled("One", "<summary>First &lt;b&gt;summary</summary><content>c</content>") + Titled("One") +
             Titled("   ") + Titled("Customize this feed") + Titled("Three") + Titled("A rather long headline"));
    TParseResult r = ParseBoth(doc, balloon, kUrl, 15, 10);
    ASSERT_EQ(r.Headlines.size(), 4u);
    const int numbers[] = {1, 4, 5, 6};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(r.Headlines[i].N, numbers[i]);
    EXPECT_EQ(r.Headlines[1].Caption, "Customize ...");
    EXPECT_FALSE(r.Headlines[1].Customize);
    EXPECT_EQ(r.Headlines[3].Caption, "A rather l...");
    EXPECT_EQ(feed::LongestCaption(r), 13);
    EXPECT_EQ(balloon.Headline, "One");
    EXPECT_EQ(balloon.Text, "First <b>summary");

    TBalloonNews customizeFirst{"kept", "kept"};
    r = ParseBoth(Feed(Titled("Customize this feed") + Titled("News", "<content type=\"html\">&lt;p&gt;a&lt;/p"
                                                                      "&gt;&lt;p&gt;b&lt;/p&gt;</content>")),
                  customizeFirst, kUrl, 15, 80);
    EXPECT_TRUE(r.Headlines[0].Customize);
    EXPECT_EQ(customizeFirst.Headline, "News");
    EXPECT_EQ(customizeFirst.Text, "a\rb");

    r = ParseBoth(Feed(Titled("1") + Titled("2") + Titled("3")), balloon, kUrl, 2, 80);
    EXPECT_EQ(r.Headlines.size(), 2u);
    r = ParseBoth(Feed(Titled("1") + Titled("2")), balloon, kUrl, 0, 80);
    EXPECT_EQ(r.MaxEntrys, 1);
    EXPECT_EQ(r.Headlines.size(), 1u);
}

TEST(AtomHeadlines, ACutOffDocumentGivesTheEntriesBeforeTheCut)
{
    const std::string doc = Feed(Titled("One") + Titled("Two") + Titled("Three"));
    const struct {
        std::string cut;
        std::size_t headlines;
    } cases[] = {
        {doc.substr(0, doc.find("Three")), 2},
        {doc.substr(0, doc.find("<title>Two")), 1},
        {doc.substr(0, doc.find("</entry>") + 3), 0},
        {Feed(Titled("One") + "<entry><title>Open <!-- comment" + Titled("Two")), 1},
        {Feed(Titled("One") + "<entry><title a=\"unclosed>Two</title></entry>"), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseBoth(c.cut).Headlines.size(), c.headlines) << c.cut;
}

TEST(AtomHeadlines, PrefixedElementsAreRecognised)
{
    TParseResult r = ParseBoth("<atom:feed xmlns:atom=\"http://www.w3.org/2005/Atom\"><atom:title>P</atom:title>"
                               "<atom:entry><title>Not atom</title><atom:title>Prefixed</atom:title>"
                               "<atom:link href=\"http://a/p\"/></atom:entry></atom:feed>");
    EXPECT_EQ(r.Channel.Caption, "P");
    ASSERT_EQ(r.Headlines.size(), 1u);
    EXPECT_EQ(r.Headlines[0].Caption, "Prefixed");
    EXPECT_EQ(r.Headlines[0].Link, "http://a/p");
}

TEST(ResolveUrl, FollowsTheWebsResolutionRules)
{
    const char* const base = "http://a/b/c/d;p?q";
    const struct {
        const char *reference, *result;
    } cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"HTTPS://Other/", "HTTPS://Other/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(feed::ResolveUrl(base, c.reference), c.result) << c.reference;
    EXPECT_EQ(feed::ResolveUrl("http://host", "x"), "http://host/x");
    EXPECT_EQ(feed::ResolveUrl("no scheme/", "x"), "x");
}

TEST(DecodeBase64, IgnoresLineBreaksAndStopsAtPadding)
{
    EXPECT_EQ(feed::DecodeBase64("SGVs\r\nbG8="), "Hello");
    EXPECT_EQ(feed::DecodeBase64("QQ==QUFB"), "A");
    EXPECT_EQ(feed::DecodeBase64("!!"), "");
}

// Tag soup from the pieces the reader looks at: markers, attributes, references, cut-off markup.
std::string SoupDocument(std::mt19937& rng)
{
    static const char* const kParts[] = {"<feed>",
                                         "<entry>",
                                         "</entry>",
                                         "<entry/>",
                                         "<atom:entry>",
                                         "</atom:entry>",
                                         "<title>",
                                         "</title>",
                                         "<title type=\"html\">",
                                         "<title type='xhtml'>",
                                         "<summary>",
                                         "</summary>",
                                         "<content type=\"html\">",
                                         "</content>",
                                         "<link href=\"x\"/>",
                                         "<link rel=\"alternate\" type=\"text/html\" href=\"/h\">",
                                         "</link>",
                                         "<link rel='self' href='s'/>",
                                         "<id>",
                                         "</id>",
                                         "http://i/",
                                         " xml:base=\"http://b/\"",
                                         "<subtitle>",
                                         "<tagline mode=\"base64\">",
                                         "</subtitle>",
                                         "<![CDATA[",
                                         "]]>",
                                         "<!--",
                                         "-->",
                                         "<?pi?>",
                                         "<!DOCTYPE x>",
                                         "&amp;",
                                         "&lt;",
                                         "&#233;",
                                         "&#x41;",
                                         "&nbsp;",
                                         "&",
                                         ";",
                                         "<",
                                         ">",
                                         "/",
                                         "\"",
                                         "'",
                                         "=",
                                         " ",
                                         "\n",
                                         "One",
                                         "Customize this feed",
                                         "<b>",
                                         "</b>",
                                         "<p>",
                                         "<media:title>",
                                         "</media:title>",
                                         "<div>",
                                         "</div>"};
    std::string s;
    const int parts = static_cast<int>(rng() % 100);
    for (int i = 0; i < parts; ++i)
        s += rng() % 20 == 0 ? std::string(1, static_cast<char>(rng() % 256))
                             : std::string(kParts[rng() % (sizeof kParts / sizeof kParts[0])]);
    return s;
}

TEST(AtomGenerated, AgreesWithTheLiteralRules)
{
    std::mt19937 rng(12);
    TBalloonNews balloon;
    for (int round = 0; round < 4000 && !HasFailure(); ++round) {
        std::string doc = SoupDocument(rng);
        if (doc.find("<item") != std::string::npos)
            continue;
        ParseBoth(doc, balloon, round % 3 == 0 ? "" : kUrl, static_cast<int>(rng() % 8) - 1,
                  static_cast<int>(rng() % 20) - 1);
    }
}

} // namespace
