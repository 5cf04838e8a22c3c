// The parser against its literal reference: the first two bytes choose MaxEntrys and MaxChars,
// the rest is the document; the balloon state carried in must come out the same as well.
#include "app/feed_parser.h"
#include "../tests/core/feed_parser_reference.h"
#include "fuzz_check.h"
#include "rtl/utf8.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int maxEntrys = data[0] % 40 - 2;
    const int maxChars = data[1] % 100 - 2;
    // Documents reach the readers in UTF-8: the refresh converts or validates every one first.
    std::string doc;
    rtl::AppendValidUtf8(doc, std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));

    feed::TBalloonNews fastBalloon{"previous", "text"}, refBalloon = fastBalloon;
    feed::TParseResult fast = feed::Parse(doc, maxEntrys, maxChars, fastBalloon);
    feed::TParseResult ref = reference::Parse(doc, maxEntrys, maxChars, refBalloon);
    FuzzCheck(reference::Describe(fast, fastBalloon) == reference::Describe(ref, refBalloon), "Parse",
              reference::Describe(fast, fastBalloon), reference::Describe(ref, refBalloon));
    for (const feed::THeadline& h : fast.Headlines)
        FuzzCheck(h.N >= 1 && h.N <= fast.MaxEntrys && !h.Caption.empty(), "headline bounds");

    // The generic element scanner on a name taken from the document itself.
    const std::string name = doc.substr(0, data[0] % 8);
    for (long long n = 0; n <= 3; ++n)
        FuzzCheck(feed::GetElement(doc, name, n) == reference::GetElement(doc, name, n), "GetElement",
                  feed::GetElement(doc, name, n), reference::GetElement(doc, name, n));
    FuzzCheck(feed::Count(doc, name) == reference::Count(doc, name), "Count");
    return 0;
}
