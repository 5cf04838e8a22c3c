#include "app/json_feed.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/feed_parser.h"
#include "feed_parser_reference.h"

namespace {

using feed::TBalloonNews;
using feed::TParseResult;

const char* const kUrl = "https://blog.example.org/feed.json";

std::string Feed(const std::string& items, const std::string& version = "https://jsonfeed.org/version/1.1")
{
    return R"({"version": ")" + version +
           R"(", "title": "Blog", "home_page_url": "https://blog.example.org/", "items": [)" + items + "]}";
}

TParseResult Headlines(const std::string& doc, TBalloonNews& balloon, int maxEntrys = 15, int maxChars = 80,
                       const std::string& url = kUrl)
{
    TParseResult r;
    EXPECT_TRUE(feed::ParseIfJsonFeed(doc, maxEntrys, maxChars, balloon, url, r)) << doc;
    return r;
}

// One item in, what the menu and the balloon show of it.
TEST(JsonFeedItems, TitleLinkAndBalloonTextFollowTheirFallbacks)
{
    struct {
        const char* item;
        std::string caption, link, balloon;
    } cases[] = {
        {R"({"title": "Plain", "url": "https://a.example/1", "summary": "S", "content_text": "T"})", "Plain",
         "https://a.example/1", "S"},
        {R"({"title": " Tom &amp; Jerry\n  again ", "content_text": "T", "content_html": "<p>H</p>"})",
         "Tom & Jerry again", "", "T"},
        {R"({"title": "Only HTML", "content_html": "<p>One<br>two &lt;b&gt; &amp; <i>three</i></p><p>caf&eacute;</p>"})",
         "Only HTML", "", "One\rtwo <b> & three\r" + std::string(u8"café")},
        {R"({"title": "Lines", "summary": "first\r\n\r\n  second   line\n"})", "Lines", "", "first\rsecond line"},
        {R"({"title": "Elsewhere", "external_url": "https://b.example/x"})", "Elsewhere", "https://b.example/x",
         ""},
        {R"({"title": "Both", "url": "https://a.example/2", "external_url": "https://b.example/y"})", "Both",
         "https://a.example/2", ""},
        {R"({"title": "Relative", "url": "../posts/3?a=1&b=2"})", "Relative",
         "https://blog.example.org/posts/3?a=1&b=2", ""},
        {R"({"title": "Unicode \u00e9\ud83d\ude80 \u2019", "url": "https:\/\/a.example\/4"})", u8"Unicode é🚀 ’",
         "https://a.example/4", ""},
        {R"({"content_text": "A short note without a title."})", "A short note without a title.", "",
         "A short note without a title."},
        {R"({"content_html": "<p>Finally got the garden beds covered before the frost. Tomatoes are done for the year.</p>"})",
         "Finally got the garden beds covered before the frost. Tomatoes are done for...", "",
         "Finally got the garden beds covered before the frost. Tomatoes are done for the year."},
        {R"({"summary": "Averyveryveryveryveryveryveryveryveryveryveryveryveryveryveryverylongwordthatneverends"})",
         "Averyveryveryveryveryveryveryveryveryveryveryveryveryveryveryverylongwordthat...", "",
         "Averyveryveryveryveryveryveryveryveryveryveryveryveryveryveryverylongwordthatneverends"},
        // Members of nested objects are not the item's own.
        {R"({"attachments": [{"url": "https://cdn.example/a.mp3", "title": "audio"}], "author": {"url": "https://me"},
             "title": "Episode", "url": "https://a.example/5"})",
         "Episode", "https://a.example/5", ""},
        // The first of a repeated member counts; members that are no strings count as missing.
        {R"({"title": 42, "url": null, "external_url": "https://b.example/z", "summary": ["x"], "content_text": "T",
             "title": "Late"})",
         "Late", "https://b.example/z", "T"},
    };
    for (const auto& c : cases) {
        TBalloonNews balloon;
        TParseResult r = Headlines(Feed(c.item), balloon, 15, 200);
        ASSERT_EQ(r.Headlines.size(), 1u) << c.item;
        EXPECT_EQ(r.Headlines[0].Caption, c.caption) << c.item;
        EXPECT_EQ(r.Headlines[0].Link, c.link) << c.item;
        EXPECT_EQ(balloon.Headline, c.caption) << c.item;
        EXPECT_EQ(balloon.Text, c.balloon) << c.item;
    }
}

TEST(JsonFeedItems, AnItemWithoutTitleOrTextIsNoHeadline)
{
    TBalloonNews balloon;
    TParseResult r =
        Headlines(Feed(R"({"url": "https://a.example/1"}, {"title": "  ", "content_html": "<img src=x>"},
                                       {"title": "Kept"})"),
                  balloon);
    ASSERT_EQ(r.Headlines.size(), 1u);
    EXPECT_EQ(r.Headlines[0].N, 3);
}

// The headline rules are those of RSS items: the same items as an RSS document and as a JSON Feed
// give the same menu and balloon.
TEST(JsonFeedRules, AgreeWithTheRssScannerOnTheSameItems)
{
    struct {
        std::vector<std::string> titles;
        int maxEntrys, maxChars;
    } cases[] = {
        {{"One", "One", "Two", "One"}, 15, 80},
        {{"A long title here", "A long title here", "A long title"}, 15, 6},
        {{"Customize this feed", "First real", "Second"}, 15, 80},
        {{"Customize this feed", "Customize this feed", "x"}, 15, 10},
        {{"a", "b", "c", "d", "e"}, 2, 80},
        {{"a", "b"}, 0, 0},
        {{}, 15, 80},
    };
    for (const auto& c : cases) {
        std::string rss = "<rss><channel><title>Blog</title><link>https://blog.example.org/</link>"
                          "<description>D</description>";
        std::string items;
        int n = 0;
        for (const std::string& t : c.titles) {
            const std::string link = "https://blog.example.org/" + std::to_string(++n);
            rss += "<item><title>" + t + "</title><link>" + link + "</link><description>about " + t +
                   "</description></item>";
            items += std::string(items.empty() ? "" : ",") + R"({"title": ")" + t + R"(", "url": ")" + link +
                     R"(", "summary": "about )" + t + R"("})";
        }
        rss += "</channel></rss>";
        const std::string json = R"({"version": "https://jsonfeed.org/version/1", "title": "Blog",
            "home_page_url": "https://blog.example.org/", "description": "D", "items": [)" +
                                 items + "]}";
        TBalloonNews rssBalloon{"before", "kept"}, jsonBalloon = rssBalloon;
        const TParseResult fromRss = feed::Parse(rss, c.maxEntrys, c.maxChars, rssBalloon);
        const TParseResult fromJson = Headlines(json, jsonBalloon, c.maxEntrys, c.maxChars);
        EXPECT_EQ(reference::Describe(fromJson, jsonBalloon), reference::Describe(fromRss, rssBalloon)) << json;
    }
}

TEST(JsonFeedDocuments, WhatIsNoWellFormedJsonFeedGivesNothing)
{
    const std::string good = Feed(R"({"title": "A"})");
    const std::string cases[] = {
        good.substr(0, good.size() - 1),                   // cut off
        good.substr(0, good.find("\"A\"") + 2),            // cut inside a string
        good + " {}",                                      // something after the value
        Feed(R"({"title": "A\x"})"),                       // a broken escape
        Feed("{\"title\": \"\xC3\x28\"}"),                 // not UTF-8
        Feed(R"({"title": "A"},)"),                        // a trailing comma
        Feed(R"({"title": "A"})", "1.1"),                  // a version of something else
        R"({"title": "Blog", "items": [{"title": "A"}]})", // no version
        R"([{"version": "https://jsonfeed.org/version/1", "items": [{"title": "A"}]}])",
        "{\"version\": \"https://jsonfeed.org/version/1\", \"items\": [{\"title\": \"A\"}], \"x\": " +
            std::string(100000, '[') + std::string(100000, ']') + "}" + "x",
        "",
        "{",
        "<rss><channel><item><title>A</title></item></channel></rss>",
    };
    for (const std::string& doc : cases) {
        const feed::TJsonFeed f = feed::ReadJsonFeed(doc, 15);
        EXPECT_FALSE(f.IsFeed) << doc.substr(0, 200);
        EXPECT_TRUE(f.Items.empty() && f.Title.empty()) << doc.substr(0, 200);
        TBalloonNews balloon{"before", "kept"};
        TParseResult r;
        EXPECT_FALSE(feed::ParseIfJsonFeed(doc, 15, 80, balloon, kUrl, r)) << doc.substr(0, 200);
        EXPECT_EQ(balloon.Headline, "before");
    }
}

TEST(JsonFeedDocuments, DeepNestingAndManyItemsAreReadWithoutKeepingThem)
{
    std::string items;
    for (int i = 0; i < 5000; ++i)
        items += std::string(i ? "," : "") + R"({"title": "T)" + std::to_string(i) + R"(", "x": )" +
                 std::string(50, '[') + std::string(50, ']') + "}";
    const std::string doc = "\xEF\xBB\xBF \r\n" + Feed(items, "https://jsonfeed.org/version/1");
    EXPECT_TRUE(feed::LooksLikeJson(doc));
    const feed::TJsonFeed f = feed::ReadJsonFeed(doc, 3);
    ASSERT_TRUE(f.IsFeed);
    EXPECT_EQ(f.ItemCount, 5000u);
    ASSERT_EQ(f.Items.size(), 3u);
    EXPECT_EQ(f.Items[2].Title, "T2");
}

TEST(JsonFeedDocuments, ChannelIsTitleHomePageAndDescription)
{
    TBalloonNews balloon;
    const TParseResult r = Headlines(
        R"({"home_page_url": " https://x.example/ ", "description": "Line one\nline  two", "title": "A &amp; B",
            "version": "https://jsonfeed.org/version/1", "items": []})",
        balloon);
    EXPECT_EQ(r.Channel.Caption, "A & B");
    EXPECT_EQ(r.Channel.Link, "https://x.example/");
    EXPECT_EQ(r.Channel.Description, "Line one\r\nline two");
    EXPECT_TRUE(r.Headlines.empty());
}

} // namespace
