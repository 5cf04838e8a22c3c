// Balloon line wrapping against the recursive rule: the first byte is the width (-8 to 247), the
// rest the text. No character but blanks may be lost and no line may exceed the width in
// characters.
#include "app/wrap_text.h"
#include "../tests/core/wrap_text_reference.h"
#include "fuzz_check.h"
#include "rtl/utf8.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {
std::string NonBlank(const std::string& s)
{
    std::string r;
    for (char c : s)
        if (static_cast<unsigned char>(c) > ' ')
            r += c;
    return r;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int width = static_cast<int>(data[0]) - 8;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string fast = WrapText(text, width);
    const std::string ref = reference::WrapText(text, width);
    FuzzCheck(fast == ref, "WrapText", fast, ref);
    FuzzCheck(NonBlank(fast) == NonBlank(text), "no character lost", fast, text);
    if (width >= 1 && text.find('\r') == std::string::npos) {
        for (std::size_t from = 0, cr; from <= fast.size(); from = cr + 1) {
            cr = std::min(fast.find('\r', from), fast.size());
            FuzzCheck(rtl::CharacterCount(std::string_view(fast).substr(from, cr - from)) <=
                          static_cast<std::size_t>(width),
                      "line within the width", fast, text);
        }
    }
    return 0;
}
