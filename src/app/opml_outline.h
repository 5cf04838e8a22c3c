#pragma once
#include <cstddef>
#include <string>
#include <vector>

// A subscription list as OPML files carry it: folders and feeds in their order, every text UTF-8.
namespace opml {

struct TOutline {
    // A feed's title (its title, else its text, else its address's host); a folder's name (its
    // title, else its text; may be empty).
    std::string Title;
    std::string XmlUrl;             // the feed's address; empty for a folder
    std::string HtmlUrl;            // the web site the feed belongs to, where the file names it
    std::vector<TOutline> Children; // a folder's outlines; a feed has none

    bool IsFeed() const { return !XmlUrl.empty(); }
};

inline bool operator==(const TOutline& a, const TOutline& b)
{
    return a.Title == b.Title && a.XmlUrl == b.XmlUrl && a.HtmlUrl == b.HtmlUrl && a.Children == b.Children;
}
inline bool operator!=(const TOutline& a, const TOutline& b)
{
    return !(a == b);
}

// The number of feeds in the outlines and all folders below them.
std::size_t CountFeeds(const std::vector<TOutline>& outlines);

} // namespace opml
