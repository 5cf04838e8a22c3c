#include "app/feed_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <random>
#include <regex>
#include <string>

#include "rtl/utf8.h"
#include "app/feed_parser.h"
#include "app/html_entities.h"
#include "feed_parser_corpus.h"
#include "feed_text_reference.h"

namespace {

struct TCase {
    const char* Input;
    const char* Expected;
};

template <typename F> void ExpectAll(F f, std::initializer_list<TCase> cases)
{
    for (const TCase& c : cases)
        EXPECT_EQ(f(c.Input), c.Expected) << "input: " << c.Input;
}

TEST(FeedText, CaptionsShowWhatThePublisherMeant)
{
    ExpectAll(feed::CleanCaption,
              {
                  {"Buyer&#8217;s Guide", "Buyer’s Guide"},
                  {"Don&#39;t Panic", "Don't Panic"},
                  {"you&#x27;re", "you're"},
                  {"Trainers &#038; Power Meters", "Trainers & Power Meters"},
                  {"<![CDATA[Hodl Hodl closes funding round]]>", "Hodl Hodl closes funding round"},
                  {"<![CDATA[Tom & Jerry]]>", "Tom & Jerry"},
                  {"<![CDATA[Caf&eacute; &amp; Bar]]>", "Café & Bar"},
                  {"Part <![CDATA[one]]> and <![CDATA[two", "Part one and two"},
                  {" \r\n Line one\r\n\tline  two \r\n", "Line one line two"},
                  {"&Auml;rger &auml;", "Ärger ä"},
                  // The table's own rules stay: a reference its output spells is not read again.
                  {"AT&amp;amp;T", "AT&amp;T"},
                  {"a &amp;lt; b", "a < b"},
                  {"Don&amp;#39;t", "Don&#39;t"},
                  {"&#151;News &#8211; more", "—News – more"},
              });
}

TEST(FeedText, EveryReferenceIsDecodedAfterTheTable)
{
    ExpectAll(
        feed::DecodeReferences,
        {
            {"&nbsp;|&#160;|&#xA0;", "\xC2\xA0|\xC2\xA0|\xC2\xA0"},
            {"&copy; &reg; &trade; &euro;5 &hellip;", "© ® ™ €5 …"},
            {"&mdash;&ndash;&lsquo;&rsquo;&ldquo;&rdquo;&laquo;&raquo;&bull;", "—–‘’“”«»•"},
            {"&Eacute;&Uuml;&Ouml;&Agrave;&Ccedil;&Ntilde;&ntilde;&aring;&Oslash;&thorn;", "ÉÜÖÀÇÑñåØþ"},
            {"&oelig;&OElig;&Scaron;&scaron;&Yuml;&dagger;&Dagger;&permil;&fnof;&circ;&tilde;", "œŒŠšŸ†‡‰ƒˆ˜"},
            {"&#x2019;&#X2019;&#x41;&#65;&#0065;&#00000000065;", "’’AAAA"},
            {"&#150;&#153;&#128;&#x96;&#159;", "–™€–Ÿ"}, // 128 to 159 as Windows-1252
            {"&#x4E2D;|&#0;|&#x110000;|&#xD800;|&#99999999999999999999;", "中|�|�|�|�"},
            {"&copy 2026 &amp &lt &gt &QUOT &notit;", "© 2026 & < > \" ¬it;"}, // no semicolon, as browsers
            {"&AMP; &LT;&GT;", "& <>"},
            // Unknown or malformed: as written.
            {"&foo; &Nbsp; &#; &#x; &#12a; &#65 &# x; & amp; AT&T R&D &",
             "&foo; &Nbsp; &#; &#x; &#12a; &#65 &# x; & amp; AT&T R&D &"},
            {"&CounterClockwiseContourIntegralX;", "&CounterClockwiseContourIntegralX;"},
        });
}

TEST(FeedText, AddressesKeepParametersThatLookLikeOldNames)
{
    ExpectAll(feed::CleanLink, {
                                   {"http://x/?a=1&amp;b=2", "http://x/?a=1&b=2"},
                                   {"http://x/?a=1&copy=2&not=3&para", "http://x/?a=1&copy=2&not=3¶"},
                                   {"http://example/?a=1&b=2&c", "http://example/?a=1&b=2&c"},
                                   {"<![CDATA[ http://x/?a=1&b=2 ]]>", "http://x/?a=1&b=2"},
                                   {"\r\n   http://x/a\r\n   ", "http://x/a"},
                                   {"http://x/&#x41;&copy;", "http://x/A©"},
                               });
    for (auto [text, web] : {std::pair{"HTTP://x", true},
                             {"https://", true},
                             {"ftp://x", false},
                             {" http://x", false},
                             {"http:/x", false},
                             {"", false}})
        EXPECT_EQ(feed::IsWebAddress(text), web) << text;
}

TEST(FeedText, CdataMarkersGoAndTheirContentStays)
{
    ExpectAll(feed::UnwrapCdata, {
                                     {"<![CDATA[a]]>", "a"},
                                     {"x<![CDATA[a&amp;]]>y<![CDATA[b]]>z", "xa&amp;ybz"},
                                     {"<![CDATA[open", "open"},
                                     {"a]]>b", "a]]>b"},
                                     {"<![CDATA[<![CDATA[a]]>]]>", "<![CDATA[a]]>"},
                                     {"<![CDATA[]]>", ""},
                                 });
}

std::string PlainText(const char* html)
{
    return feed::HtmlToText(html, "|");
}

TEST(FeedText, DescriptionsBecomePlainText)
{
    ExpectAll(PlainText,
              {
                  {"&lt;p&gt;First&lt;/p&gt;&lt;p&gt;Second&lt;/p&gt;", "First|Second"},
                  {"<![CDATA[<p>Tom &amp; Jerry</p><script>a<b</script><style>p{}</STYLE>ok]]>", "Tom & Jerry|ok"},
                  {"a<br>b<br/>c<BR />d", "a|b|c|d"},
                  {"<ul>\r\n<li>one</li>\r\n<li>two</li></ul>", "one|two"},
                  {"<div>a</div><div> </div><div>b</div>", "a|b"},
                  {"x<!-- <p>hidden</p> -->y", "xy"},
                  {"<a href=\"http://x/\">link</a> <img src=\"i.png\"/>text", "link text"},
                  {"<td>a</td><td>b</td>", "a b"},
                  {"  lots   of\r\n\t space  ", "lots of space"},
                  {"1 &lt; 2 &amp;&amp; 3 &gt; 2, 1 < 2", "1 < 2 && 3 > 2, 1 < 2"},
                  {"&amp;lt;b&amp;gt; shows its tag", "<b> shows its tag"},
                  {"caf&eacute; &#8217;&nbsp;x", "café ’\xC2\xA0x"},
                  {"<script>only script", ""},
                  {"text <unfinished", "text"},
              });
    EXPECT_EQ(feed::HtmlToText("a<p>b"), "a\r\nb");
}

TEST(FeedText, TheEntityListIsCompleteAndSorted)
{
    std::size_t legacy = 0;
    for (std::size_t i = 0; i < feed::kHtmlEntityCount; ++i) {
        const feed::THtmlEntity& e = feed::kHtmlEntities[i];
        if (i > 0) {
            ASSERT_LT(feed::kHtmlEntities[i - 1].Name, e.Name);
        }
        legacy += e.Legacy;
        EXPECT_LE(e.Name.size(), e.Legacy ? feed::kMaxLegacyEntityName : feed::kMaxEntityName);
    }
    EXPECT_EQ(feed::kHtmlEntityCount, 2125u);
    EXPECT_EQ(legacy, 106u);
}

// Text built from pieces of references, CDATA markers, tags and whitespace.
std::string Soup(std::mt19937& rng)
{
    static const char* const kParts[] = {
        "&",    "&amp;", "&AMP;",  "amp;",  "amp",      "#",       "#38;", "#x27;", "#X41",      ";",
        "&#",   "&#x",   "39",     "8217;", "lt",       "&lt;",    "gt;",  "<",     ">",         "b>",
        "/",    "</",    "p>",     "br/>",  "script>",  "style>",  "!--",  "-->",   "<![CDATA[", "]]>",
        "copy", "not",   "notin;", "Auml;", "auml;",    "nbsp",    "=",    "x",     " ",         "\r\n",
        "\t",   "\xE4",  "&#151;", "&#0;",  "9999999;", "http://", "guid"};
    std::string s;
    int parts = static_cast<int>(rng() % 16);
    for (int i = 0; i < parts; ++i)
        s += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
    return s;
}

TEST(FeedText, AgreesWithTheLiteralRulesOnGeneratedText)
{
    std::mt19937 rng(31);
    for (int round = 0; round < 3000; ++round) {
        const std::string s = Soup(rng);
        ASSERT_EQ(feed::DecodeReferences(s), reference::DecodeReferences(s)) << s;
        ASSERT_EQ(feed::DecodeAddressReferences(s), reference::DecodeAddressReferences(s)) << s;
        ASSERT_EQ(feed::UnwrapCdata(s), reference::UnwrapCdata(s)) << s;
        ASSERT_EQ(feed::CleanCaption(s), reference::CleanCaption(s)) << s;
        ASSERT_EQ(feed::CleanLink(s), reference::CleanLink(s)) << s;
        ASSERT_EQ(feed::HtmlToText(s, "\n"), reference::HtmlToText(s, "\n")) << s;
    }
}

// The value of a quoted Python string literal, in UTF-8.
std::string PythonString(const std::string& body)
{
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\\' || i + 1 == body.size()) {
            out += body[i];
            continue;
        }
        const char c = body[++i];
        const int digits = c == 'x' ? 2 : c == 'u' ? 4 : c == 'U' ? 8 : 0;
        if (digits > 0) {
            const auto cp = static_cast<char32_t>(std::stoul(body.substr(i + 1, digits), nullptr, 16));
            rtl::AppendUtf8(out, cp);
            i += digits;
        } else {
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
    }
    return out;
}

// The corpus documents name what a full feed parser reads from them in an "Expect:" line. Every
// RSS and RDF title and link named there must be what the program shows.
TEST(FeedTextCorpus, TitlesAndLinksAreWhatAFullParserReads)
{
    QV_SKIP_WITHOUT_CORPUS();
    static const std::regex kExpect(
        R"re((feed|entries\[0\])(?:\['(title|link)'\]|\.(title|link))\s*==\s*u?(['"])((?:\\.|[^\\])*?)\4)re");
    std::size_t checked = 0;
    for (const auto& path : CorpusFiles()) {
        if (path.extension() != ".xml")
            continue;
        const std::string doc = CorpusDocument(path);
        std::smatch m;
        const std::size_t expectAt = doc.find("Expect:");
        if (expectAt == std::string::npos || doc.find("<feed") != std::string::npos ||
            doc.find("encoding=") != std::string::npos)
            continue; // Atom, and character sets: other parts of the program
        const std::string line = doc.substr(expectAt, doc.find('\n', expectAt) - expectAt);
        if (!std::regex_search(line, m, kExpect) || line.find(" or ") != std::string::npos)
            continue;
        feed::TBalloonNews balloon;
        const feed::TParseResult r = feed::Parse(doc, 15, 200, balloon);
        const bool isFeed = m[1] == "feed";
        const bool isTitle = m[2] == "title" || m[3] == "title";
        // The scanner's design: an item shows only with a title of its own (not dc:title).
        if ((!isFeed && r.Headlines.empty()) || (isTitle && doc.find("<title") == std::string::npos))
            continue;
        const std::string shown = isFeed ? (isTitle ? r.Channel.Caption : r.Channel.Link)
                                         : (isTitle ? r.Headlines[0].Caption : r.Headlines[0].Link);
        // HTML 4 named U+2329 and U+232A "&lang;" and "&rang;", which the corpus expects; today's
        // HTML, which browsers and this program follow, names U+27E8 and U+27E9.
        if (doc.find("&lang;") != std::string::npos || doc.find("&rang;") != std::string::npos)
            continue;
        const std::string expected = PythonString(m[5]);
        EXPECT_EQ(shown, expected) << path << "\n" << line;
        ++checked;
    }
    EXPECT_GE(checked, 150u); // of about 260 named titles and links
}

} // namespace
