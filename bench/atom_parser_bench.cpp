// Atom reader speed against a plain memchr pass over the same bytes: 1 MB Atom documents of 100
// entries with several links and media groups, their content escaped html as most publishers
// send it, or (mixed) also html in CDATA and xhtml, whose markup puts a "<" every few bytes;
// parsed through the program's entry point with MaxEntrys 100 and MaxChars 80, and the literal
// reference on the first.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "app/feed_parser.h"
#include "../tests/core/atom_parser_reference.h"

namespace {

// Roughly 10 KB of entry content: escaped html, or (mixed) escaped html, html in CDATA and xhtml in turn.
std::string Content(int entry, bool mixed)
{
    static const char* const kEscaped[] = {
        "&lt;p&gt;The council voted on Tuesday to extend the tram line &amp;ndash; a decision that &lt;a "
        "href=&quot;https://news.example.com/tram&quot;&gt;had been delayed&lt;/a&gt; twice.&lt;/p&gt;\n",
        "&lt;p&gt;Critics say the &amp;#8364;40m budget is too small for the route&amp;#8217;s "
        "length.&lt;/p&gt;\n",
    };
    static const char* const kMarkup[] = {
        "<p>The council voted on Tuesday to extend the tram line &#8211; a decision that <a "
        "href=\"https://news.example.com/tram\">had been delayed</a> twice.</p>\n",
        "<p>Critics say the <strong>&#8364;40m</strong> budget is too small for the route&#8217;s length.</p>\n",
    };
    std::string body;
    const int form = mixed ? entry % 3 : 0;
    int k = entry;
    while (body.size() < 10000)
        body += form == 0 ? kEscaped[k++ % 2] : kMarkup[k++ % 2];
    if (form == 0)
        return "<content type=\"html\">" + body + "</content>";
    if (form == 1)
        return "<content type=\"html\"><![CDATA[" + body + "]]></content>";
    return "<content type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">" + body + "</div></content>";
}

std::string MakeDocument(int entries, bool mixed)
{
    std::string s =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\" "
        "xmlns:media=\"http://search.yahoo.com/mrss/\" xml:base=\"https://news.example.com/\">\n"
        "<title type=\"html\">City &amp;amp; Region</title>\n<subtitle>Generated feed for the "
        "benchmarks</subtitle>\n<link rel=\"self\" href=\"/feeds/all.atom\"/>\n<link rel=\"alternate\" "
        "type=\"text/html\" href=\"/\"/>\n<id>https://news.example.com/</id>\n"
        "<updated>2026-12-08T01:00:00Z</updated>\n";
    for (int i = 0; i < entries; ++i) {
        const std::string n = std::to_string(i);
        s += "<entry>\n<title type=\"html\">Story " + n + ": tram line &amp;amp; budget &lt;" +
             std::to_string(i % 7) + "&gt;</title>\n<link rel=\"replies\" href=\"/" + n +
             "#comments\"/>\n<link rel=\"alternate\" type=\"text/html\" href=\"/city/" + n +
             ".html\"/>\n<id>tag:news.example.com,2026:" + n +
             "</id>\n<updated>2026-12-08T01:00:00Z</updated>\n<author><name>Desk</name></author>\n"
             "<media:group><media:title>Photo " +
             n + "</media:title><media:thumbnail url=\"https://img.example.com/" + n +
             ".jpg\"/></media:group>\n<summary>A short summary of story " + n + ".</summary>\n" +
             Content(i, mixed) + "\n</entry>\n";
    }
    return s + "</feed>\n";
}

const std::string* Document1MB()
{
    static const std::string doc = MakeDocument(100, false);
    return &doc;
}

const std::string* Mixed1MB()
{
    static const std::string doc = MakeDocument(100, true);
    return &doc;
}

void BM_Memchr(benchmark::State& state, const std::string* doc)
{
    for (auto _ : state) {
        const void* p = std::memchr(doc->data(), '\x01', doc->size());
        benchmark::DoNotOptimize(p);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc->size()));
}

void BM_ParseAtom(benchmark::State& state, const std::string* doc)
{
    feed::TBalloonNews balloon;
    std::size_t headlines = 0;
    for (auto _ : state) {
        feed::TParseResult r = feed::Parse(*doc, 100, 80, balloon, "https://news.example.com/feeds/all.atom");
        headlines = r.Headlines.size();
        benchmark::DoNotOptimize(r);
    }
    state.counters["headlines"] = static_cast<double>(headlines);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc->size()));
}

void BM_ParseAtomReference(benchmark::State& state, const std::string* doc)
{
    feed::TBalloonNews balloon;
    for (auto _ : state) {
        feed::TParseResult r =
            reference_atom::ParseAtom(*doc, 100, 80, balloon, "https://news.example.com/feeds/all.atom");
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(doc->size()));
}

} // namespace

BENCHMARK_CAPTURE(BM_Memchr, 1MB, Document1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ParseAtom, 1MB, Document1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Memchr, Mixed1MB, Mixed1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ParseAtom, Mixed1MB, Mixed1MB())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ParseAtomReference, 1MB, Document1MB())->Unit(benchmark::kMicrosecond);
