// Klip extraction against the element rule, comment removal and cleaning of the reference, and the name
// checks: an accepted name can never reach outside the feed folder.
#include "app/klip.h"
#include "../tests/core/feed_parser_reference.h"
#include "fuzz_check.h"
#include "rtl/string_list.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file(reinterpret_cast<const char*>(data), size);
    const TKlipFeed klip = ExtractKlip(file);

    TStringList lines;
    lines.SetText(file);
    lines.SetText(reference::GetElement(lines.Text(), "klip", 1));
    const std::string body = lines.Text();
    const std::string title =
        reference::CleanCaption(reference::StripComments(reference::GetElement(body, "title", 1)));
    const std::string url =
        reference::CleanLink(reference::StripComments(reference::GetElement(body, "contentsource", 1)));
    FuzzCheck(klip.Title == title, "title", klip.Title, title);
    FuzzCheck(klip.URL == url, "content source", klip.URL, url);
    FuzzCheck(klip.Name == SanitizeFeedName(klip.Title), "name");
    if (klip.Success)
        FuzzCheck(!klip.URL.empty() && !klip.Name.empty() && klip.Name[0] != '.' &&
                      klip.Name.find_first_of("\\/:") == std::string::npos,
                  "accepted name stays in the folder", klip.Name);
    return 0;
}
