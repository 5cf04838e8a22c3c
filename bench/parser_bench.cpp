// Feed parser speed against a plain memchr pass over the same bytes, so that the ratios hold
// from machine to machine: a 1 MB RSS 2.0 document of 100 items and a 20 MB one of 2,000 items,
// both parsed with MaxEntrys 100 and MaxChars 80, and the literal reference on the 1 MB one; and
// a 1 MB document as blog systems write them (titles with references in CDATA, HTML descriptions
// in CDATA, a guid instead of a link); and a 1 MB UTF-8 document in Russian and Japanese with emoji.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "app/feed_parser.h"
#include "../tests/core/feed_parser_reference.h"

namespace {

// Roughly 10 KB of description text: sentences with escaped markup and entities, CR LF lines.
std::string Description(int item)
{
    static const char* const kSentences[] = {
        "Die B&ouml;rse schloss am Abend mit leichten Gewinnen, w&auml;hrend die Anleger auf neue Zahlen "
        "warteten. ",
        "&lt;p&gt;Analysten sprechen von einer &quot;Atempause&quot; nach der Rally der letzten "
        "Wochen.&lt;/p&gt; ",
        "Im Handel mit Technologiewerten &#8211; vor allem Chips &amp; Software &#8211; ging es aufw&auml;rts. ",
        "The quarterly report shows revenue up 12 percent year on year, driven by services and cloud. ",
    };
    std::string s;
    s.reserve(10300);
    int k = item;
    while (s.size() < 10000) {
        s += kSentences[k++ % 4];
        if (k % 3 == 0)
            s += "\r\n";
    }
    return s;
}

std::string MakeDocument(int items)
{
    std::string s = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n"
                    "<title>Wirtschaft &amp; B&ouml;rse</title>\r\n<link>http://example.com/</link>\r\n"
                    "<description>Generated feed for the benchmarks</description>\r\n<language>de</language>\r\n";
    for (int i = 0; i < items; ++i) {
        s += "<item>\r\n<title>Meldung " + std::to_string(i) +
             ": M&auml;rkte &amp; B&ouml;rsen &#8211; &quot;Zahl&quot; des Tages &lt;" + std::to_string(i % 7) +
             "&gt;</title>\r\n<link>http://example.com/news/" + std::to_string(i) +
             ".html</link>\r\n<description>" + Description(i) +
             "</description>\r\n<pubDate>Tue, 08 Dec 2026 01:00:00 GMT</pubDate>\r\n</item>\r\n";
    }
    return s + "</channel>\r\n</rss>\r\n";
}

std::string MakeBlogDocument(int items)
{
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n"
        "<title><![CDATA[Trainers &#038; Power Meters]]></title>\r\n<link>http://example.com/</link>\r\n"
        "<description><![CDATA[<p>Reviews &amp; guides</p>]]></description>\r\n";
    for (int i = 0; i < items; ++i) {
        s += "<item>\r\n<title><![CDATA[Buyer&#8217;s Guide " + std::to_string(i) +
             ": you&#x27;re &ldquo;right&rdquo; &hellip;]]></title>\r\n<guid "
             "isPermaLink=\"true\">http://example.com/?p=" +
             std::to_string(i) + "&amp;lang=en</guid>\r\n<description><![CDATA[<p>" + Description(i) +
             "</p><br/><script>track()</script>]]></description>\r\n</item>\r\n";
    }
    return s + "</channel>\r\n</rss>\r\n";
}

// About 10 KB of Russian and Japanese prose with emoji, UTF-8.
std::string Utf8Description(int item)
{
    static const char* const kSentences[] = {
        "Биржа закрылась ростом индексов, а инвесторы ждут новых данных. ",
        "東京株式市場は小幅に反発し、投資家は新しい指標を待っている。 ",
        "Аналитики говорят о «передышке» после ралли последних недель 📈. ",
        "Технологические компании — особенно производители чипов 🚀 — выросли. ",
    };
    std::string s;
    s.reserve(10300);
    int k = item;
    while (s.size() < 10000) {
        s += kSentences[k++ % 4];
        if (k % 3 == 0)
            s += "\r\n";
    }
    return s;
}

std::string MakeUtf8Document(int items)
{
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n"
                    "<title>Экономика и биржа 📰</title>\r\n<link>http://example.com/</link>\r\n"
                    "<description>Новости — каждый день</description>\r\n<language>ru</language>\r\n";
    for (int i = 0; i < items; ++i) {
        s += "<item>\r\n<title>Сообщение " + std::to_string(i) +
             ": Рынки и биржи — «цифра» дня 👨‍👩‍👧 株価 🇯🇵 &lt;" +
             std::to_string(i % 7) + "&gt;</title>\r\n<link>http://example.com/news/" + std::to_string(i) +
             ".html</link>\r\n<description>" + Utf8Description(i) +
             "</description>\r\n<pubDate>Tue, 08 Dec 2026 01:00:00 GMT</pubDate>\r\n</item>\r\n";
    }
    return s + "</channel>\r\n</rss>\r\n";
}

const std::string& DocumentUtf8_1MB()
{
    static const std::string doc = MakeUtf8Document(100);
    return doc;
}

const std::string& DocumentBlog1MB()
{
    static const std::string doc = MakeBlogDocument(100);
    return doc;
}

const std::string& Document1MB()
{
    static const std::string doc = MakeDocument(100);
    return doc;
}

const std::string& Document20MB()
{
    static const std::string doc = MakeDocument(2000);
    return doc;
}

void BM_Memchr(benchmark::State& state, const std::string* doc)
{
    for (auto _ : state) {
        const void* p = std::memchr(doc->data(), '\x01', doc->size());
        benchmark::DoNotOptimize(p);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc->size()));
}

void BM_Parse(benchmark::State& state, const std::string* doc)
{
    feed::TBalloonNews balloon;
    std::size_t headlines = 0;
    for (auto _ : state) {
        feed::TParseResult r = feed::Parse(*doc, 100, 80, balloon);
        headlines = r.Headlines.size();
        benchmark::DoNotOptimize(r);
    }
    state.counters["headlines"] = static_cast<double>(headlines);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc->size()));
}

void BM_ParseReference(benchmark::State& state, const std::string* doc)
{
    feed::TBalloonNews balloon;
    for (auto _ : state) {
        feed::TParseResult r = reference::Parse(*doc, 100, 80, balloon);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc->size()));
}

} // namespace

BENCHMARK_CAPTURE(BM_Memchr, 1MB, &Document1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Parse, 1MB, &Document1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Parse, 20MB, &Document20MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Memchr, Blog1MB, &DocumentBlog1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Parse, Blog1MB, &DocumentBlog1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Memchr, Utf8_1MB, &DocumentUtf8_1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Parse, Utf8_1MB, &DocumentUtf8_1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ParseReference, 1MB, &Document1MB())->Unit(benchmark::kMicrosecond);
