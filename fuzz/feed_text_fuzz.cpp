// The text cleaning against its literal rules: references after the table, CDATA, captions,
// links and HTML to plain text, on the same bytes.
#include "app/feed_text.h"
#include "../tests/core/feed_text_reference.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto check = [&](const char* what, const std::string& fast, const std::string& ref) {
        FuzzCheck(fast == ref, what, fast, ref);
    };
    const std::string decoded = feed::DecodeReferences(text);
    check("DecodeReferences", decoded, reference::DecodeReferences(text));
    FuzzCheck(decoded.size() <= text.size(), "decoding never lengthens");
    check("DecodeAddressReferences", feed::DecodeAddressReferences(text),
          reference::DecodeAddressReferences(text));
    check("UnwrapCdata", feed::UnwrapCdata(text), reference::UnwrapCdata(text));
    check("CleanCaption", feed::CleanCaption(text), reference::CleanCaption(text));
    check("CleanLink", feed::CleanLink(text), reference::CleanLink(text));
    check("HtmlToText", feed::HtmlToText(text, "\r"), reference::HtmlToText(text, "\r"));
    return 0;
}
