// The work done on every downloaded document before it is parsed, against a plain memchr pass
// over the same bytes: deciding its character set (UTF-8 validity is the costly part) and
// bringing its line ends to CR LF. A UTF-8 document of 1 MB with LF line ends, as most are.
#include "app/document_encoding.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

const std::string& Document1MB()
{
    static const std::string doc = [] {
        std::string d = "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel><title>Bench</title>\n";
        for (int i = 0; d.size() < (1u << 20); ++i)
            d += "<item>\n<title>Gr\xC3\xBC\xC3\x9F"
                 "e aus K\xC3\xB6ln \xE2\x80\x93 Nummer " +
                 std::to_string(i) + "</title>\n<link>https://example.com/a?id=" + std::to_string(i) +
                 "&amp;x=1</link>\n<description>Ein Text \xE2\x80\x9E"
                 "mit\xE2\x80\x9C Zeichen.</description>\n"
                 "</item>\n";
        return d + "</channel></rss>\n";
    }();
    return doc;
}

void BM_Memchr(benchmark::State& state)
{
    const std::string& doc = Document1MB();
    for (auto _ : state) {
        const void* p = std::memchr(doc.data(), '\x01', doc.size());
        benchmark::DoNotOptimize(p);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * doc.size()));
}

void BM_DecideEncoding(benchmark::State& state)
{
    const std::string& doc = Document1MB();
    for (auto _ : state)
        benchmark::DoNotOptimize(DecideEncoding(doc, ""));
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * doc.size()));
}

void BM_ToCrLf(benchmark::State& state)
{
    const std::string& doc = Document1MB();
    for (auto _ : state)
        benchmark::DoNotOptimize(ToCrLf(doc));
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * doc.size()));
}

} // namespace

BENCHMARK(BM_Memchr)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecideEncoding)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToCrLf)->Unit(benchmark::kMicrosecond);
