// The link finder on any page: what it gives is a web address, each feed once with a feed type,
// and a page found by its markup stays one whatever the server says it is.
#include "app/feed_text.h"
#include "app/html_links.h"
#include "fuzz_check.h"

#include <cstdint>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    const html::TPageLinks links = html::FindPageLinks(page, "https://www.example.org/blog/post.html");
    std::set<std::string> seen;
    for (const html::TFeedLink& f : links.Feeds) {
        FuzzCheck(feed::IsWebAddress(f.Url), "feed address", f.Url);
        FuzzCheck(seen.insert(f.Url).second, "each feed once", f.Url);
        FuzzCheck(f.Type == "application/rss+xml" || f.Type == "application/atom+xml" ||
                      f.Type == "application/rdf+xml" || f.Type == "application/feed+json" ||
                      f.Type == "application/json",
                  "feed type", f.Type);
    }
    FuzzCheck(links.Icon.empty() || feed::IsWebAddress(links.Icon), "icon address", links.Icon);
    if (html::IsHtmlPage(page))
        FuzzCheck(html::IsHtmlPage(page, "text/plain") && html::IsHtmlPage(page, "text/html"),
                  "the markup decides before the type");
    return 0;
}
