// Compressed bodies from the network: the first byte picks the coding, the rest is the body.
// Nothing may crash or leak, a decoded body keeps within the limit, and a failure leaves nothing.
#include "app/content_coding.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const char* const codings[] = {"gzip", "deflate", "deflate, gzip", "gzip, gzip"};
    const char* coding = codings[data[0] % 4];
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t limit = 1 << 20;
    std::string out = "x";
    TDecodeStatus status = DecodeContent(coding, body, out, limit);
    FuzzCheck(status != TDecodeStatus::UnknownCoding, "known coding", coding);
    FuzzCheck(out.size() <= limit, "within the limit", coding);
    FuzzCheck(status == TDecodeStatus::Ok || out.empty(), "nothing after a failure", coding);
    return 0;
}
