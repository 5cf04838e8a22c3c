// The Atom reader against its literal reference: the first byte chooses MaxEntrys and whether the
// document has an address, the second MaxChars, the rest is the document; the balloon state
// carried in must come out the same as well.
#include "app/atom_parser.h"
#include "app/feed_parser.h"
#include "../tests/core/atom_parser_reference.h"
#include "../tests/core/feed_parser_reference.h"
#include "fuzz_check.h"
#include "rtl/utf8.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int maxEntrys = data[0] % 20 - 2;
    const std::string url = data[0] & 0x80 ? "" : "http://h.example/a/b/feed?x#y";
    const int maxChars = data[1] % 100 - 2;
    // Documents reach the readers in UTF-8: the refresh converts or validates every one first.
    std::string doc;
    rtl::AppendValidUtf8(doc, std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));

    FuzzCheck(feed::IsAtomDocument(doc) == reference_atom::IsAtomDocument(doc), "IsAtomDocument");
    feed::TBalloonNews fastBalloon{"previous", "text"}, refBalloon = fastBalloon;
    feed::TParseResult fast = feed::ParseAtom(doc, maxEntrys, maxChars, fastBalloon, url);
    feed::TParseResult ref = reference_atom::ParseAtom(doc, maxEntrys, maxChars, refBalloon, url);
    FuzzCheck(reference::Describe(fast, fastBalloon) == reference::Describe(ref, refBalloon), "ParseAtom",
              reference::Describe(fast, fastBalloon), reference::Describe(ref, refBalloon));
    // The dispatch reads the document once for both questions, Atom or not and what it holds.
    feed::TBalloonNews parseBalloon{"previous", "text"}, dispatchBalloon = parseBalloon;
    FuzzCheck(
        reference::Describe(feed::Parse(doc, maxEntrys, maxChars, parseBalloon, url), parseBalloon) ==
            reference::Describe(reference::Parse(doc, maxEntrys, maxChars, dispatchBalloon, url), dispatchBalloon),
        "Parse");
    for (const feed::THeadline& h : fast.Headlines)
        FuzzCheck(h.N >= 1 && h.N <= fast.MaxEntrys && !h.Caption.empty(), "headline bounds");
    return 0;
}
