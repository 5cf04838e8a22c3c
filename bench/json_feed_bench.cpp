// A 1 MB JSON Feed to headlines beside one memchr pass over it and beside the RSS scanner on the
// same 100 items written as RSS 2.0 (titles, links, HTML descriptions in CDATA), all with
// MaxEntrys 100 and MaxChars 80; and a 10,000-feed OPML list read and written.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "app/feed_parser.h"
#include "app/json_feed.h"
#include "app/opml_reader.h"
#include "app/opml_writer.h"

namespace {

constexpr int kItems = 100;

// About 10 KB of an article's HTML.
std::string Article(int item)
{
    static const char* const kParagraphs[] = {
        "<p>The council met on Tuesday to discuss the new cycle lanes, which residents say are "
        "\"long overdue\" &amp; safer.</p>",
        "<p>Prices rose 2.1 % in November &#8211; the smallest rise this year &#8211; as energy costs fell.</p>",
        "<p><a href=\"https://news.example.org/more\">Read more</a> about the plans <em>here</em>.</p><br/>",
        "<p>Die B\xC3\xB6rse schloss am Abend mit leichten Gewinnen, w\xC3\xA4hrend die Anleger warteten.</p>",
    };
    std::string s;
    int k = item;
    while (s.size() < 10000)
        s += kParagraphs[k++ % 4];
    return s;
}

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

std::string Title(int i)
{
    return "Story " + std::to_string(i) + ": council & cycle lanes \xE2\x80\x93 what changes";
}

const std::string& JsonDocument()
{
    static const std::string doc = [] {
        std::string s = "{\n  \"version\": \"https://jsonfeed.org/version/1.1\",\n  \"title\": \"City News\",\n"
                        "  \"home_page_url\": \"https://news.example.org/\",\n  \"description\": \"Local news\",\n"
                        "  \"items\": [\n";
        for (int i = 0; i < kItems; ++i)
            s += std::string(i ? ",\n" : "") + "    {\"id\": \"" + std::to_string(i) +
                 "\", \"title\": " + JsonString(Title(i)) + ", \"url\": \"https://news.example.org/" +
                 std::to_string(i) + "\", \"content_html\": " + JsonString(Article(i)) +
                 ", \"date_published\": \"2026-12-08T01:00:00Z\", \"authors\": [{\"name\": \"Desk\"}]}";
        return s + "\n  ]\n}\n";
    }();
    return doc;
}

// The same items as RSS, with the title escaped as RSS writers escape it.
const std::string& RssDocument()
{
    static const std::string doc = [] {
        std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n"
                        "<title>City News</title>\r\n<link>https://news.example.org/</link>\r\n"
                        "<description>Local news</description>\r\n";
        for (int i = 0; i < kItems; ++i) {
            std::string title = Title(i);
            title.replace(title.find('&'), 1, "&amp;");
            s += "<item>\r\n<title>" + title + "</title>\r\n<link>https://news.example.org/" + std::to_string(i) +
                 "</link>\r\n<description><![CDATA[" + Article(i) +
                 "]]></description>\r\n<pubDate>Tue, 08 Dec 2026 01:00:00 GMT</pubDate>\r\n</item>\r\n";
        }
        return s + "</channel>\r\n</rss>\r\n";
    }();
    return doc;
}

const std::string& OpmlDocument()
{
    static const std::string doc = [] {
        std::vector<opml::TOutline> folders;
        for (int f = 0; f < 100; ++f) {
            opml::TOutline folder{"Folder " + std::to_string(f), "", "", {}};
            for (int i = 0; i < 100; ++i)
                folder.Children.push_back(
                    {"Feed " + std::to_string(f) + "-" + std::to_string(i) + " & more",
                     "https://site" + std::to_string(f) + ".example.org/feed/" + std::to_string(i) + ".xml",
                     "https://site" + std::to_string(f) + ".example.org/",
                     {}});
            folders.push_back(std::move(folder));
        }
        return opml::WriteOpml(folders, "10,000 feeds");
    }();
    return doc;
}

void Bytes(benchmark::State& state, const std::string& doc)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc.size()));
}

void BM_Memchr(benchmark::State& state, const std::string* doc)
{
    for (auto _ : state) {
        const void* p = std::memchr(doc->data(), '\x01', doc->size());
        benchmark::DoNotOptimize(p);
    }
    Bytes(state, *doc);
}

void BM_JsonFeedHeadlines(benchmark::State& state)
{
    feed::TBalloonNews balloon;
    feed::TParseResult r;
    for (auto _ : state) {
        const bool feed = feed::ParseIfJsonFeed(JsonDocument(), 100, 80, balloon, "https://news.example.org/", r);
        benchmark::DoNotOptimize(feed);
    }
    state.counters["headlines"] = static_cast<double>(r.Headlines.size());
    Bytes(state, JsonDocument());
}

void BM_RssHeadlines(benchmark::State& state)
{
    feed::TBalloonNews balloon;
    std::size_t headlines = 0;
    for (auto _ : state) {
        feed::TParseResult r = feed::Parse(RssDocument(), 100, 80, balloon);
        headlines = r.Headlines.size();
        benchmark::DoNotOptimize(r);
    }
    state.counters["headlines"] = static_cast<double>(headlines);
    Bytes(state, RssDocument());
}

void BM_OpmlRead(benchmark::State& state)
{
    std::size_t feeds = 0;
    for (auto _ : state) {
        const opml::TOpmlDocument d = opml::ReadOpml(OpmlDocument());
        feeds = opml::CountFeeds(d.Outlines);
        benchmark::DoNotOptimize(feeds);
    }
    state.counters["feeds"] = static_cast<double>(feeds);
    Bytes(state, OpmlDocument());
}

void BM_OpmlWrite(benchmark::State& state)
{
    const opml::TOpmlDocument d = opml::ReadOpml(OpmlDocument());
    for (auto _ : state) {
        std::string file = opml::WriteOpml(d.Outlines, d.Title);
        benchmark::DoNotOptimize(file);
    }
    Bytes(state, OpmlDocument());
}

} // namespace

BENCHMARK_CAPTURE(BM_Memchr, Json1MB, &JsonDocument())->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JsonFeedHeadlines)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Memchr, Rss1MB, &RssDocument())->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RssHeadlines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpmlRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpmlWrite)->Unit(benchmark::kMillisecond);
