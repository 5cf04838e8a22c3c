// The OPML reader on any bytes: a list it accepts is UTF-8 within the limits, and writing it and
// reading the file back gives the very same outlines.
#include "app/document_encoding.h"
#include "app/opml_reader.h"
#include "app/opml_writer.h"
#include "fuzz_check.h"
#include "rtl/utf8.h"

#include <cstdint>
#include <string>

namespace {

void CheckOutlines(const std::vector<opml::TOutline>& outlines, std::size_t depth)
{
    FuzzCheck(depth <= opml::kMaxDepth + 1, "folder depth");
    for (const opml::TOutline& o : outlines) {
        FuzzCheck(rtl::IsValidUtf8(o.Title) && rtl::IsValidUtf8(o.XmlUrl) && rtl::IsValidUtf8(o.HtmlUrl), "UTF-8",
                  o.Title);
        FuzzCheck(!o.IsFeed() || (!o.Title.empty() && o.Children.empty()), "a feed has a title, no children",
                  o.XmlUrl);
        CheckOutlines(o.Children, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file(reinterpret_cast<const char*>(data), size);
    const opml::TOpmlDocument d = opml::ReadOpml(file);
    opml::LooksLikeOpml(file);
    if (!d.Ok) {
        FuzzCheck(!d.Error.empty() && d.Outlines.empty() && d.Title.empty(), "a refusal gives nothing", d.Error);
        return 0;
    }
    CheckOutlines(d.Outlines, 0);
    const std::string written = opml::WriteOpml(d.Outlines, d.Title);
    FuzzCheck(opml::LooksLikeOpml(written), "the written file is OPML", written);
    const opml::TOpmlDocument back = opml::ReadOpml(written);
    FuzzCheck(back.Ok, "the written file reads", back.Error, written);
    FuzzCheck(back.Outlines == d.Outlines, "round trip", written);
    FuzzCheck(back.Title == d.Title, "round trip of the title", back.Title, d.Title);
    return 0;
}
