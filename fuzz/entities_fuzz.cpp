// The fixed entity table in one pass against the table applied one full pass per replacement.
#include "app/feed_parser.h"
#include "../tests/core/feed_parser_reference.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string fast = feed::DecodeEntities(text);
    const std::string ref = reference::DecodeEntities(text);
    FuzzCheck(fast == ref, "DecodeEntities", fast, ref);
    FuzzCheck(fast.size() <= text.size(), "decoding never lengthens");
    return 0;
}
