// Comment removal in one pass against the literal removal one comment at a time.
#include "app/feed_parser.h"
#include "../tests/core/feed_parser_reference.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string fast = feed::StripComments(text);
    const std::string ref = reference::StripComments(text);
    FuzzCheck(fast == ref, "StripComments", fast, ref);
    FuzzCheck(fast.size() <= text.size(), "removal never lengthens");
    if (text.find("<!--") == std::string::npos)
        FuzzCheck(fast == text, "a text without comments stays as it is", fast, text);
    return 0;
}
