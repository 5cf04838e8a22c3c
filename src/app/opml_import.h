#pragma once
#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/opml_outline.h"

class TMenuItem;

// Subscription lists in and out of the feed folder: an OPML list's outlines become feed files and
// sub-folders, and the feed submenu becomes outlines again.

struct TOpmlImportCounts {
    std::size_t Imported = 0;
    std::size_t Skipped = 0; // address already in the store, or twice in the list
};

// Told of every feed file an import made: its path and its bytes.
using TWrittenFeedFile = std::function<void(const std::string& path, const std::string& bytes)>;

// Writes a feed file for every feed of the outlines into folder (ending in a backslash), a
// folder's feeds into a sub-folder of its name (made when missing). Names are made safe as the
// create command makes them; one the store would not list becomes the address's host, else
// "Feed"; a name that would make a path too long for the platform is cut at the end of a
// character; a name taken in its folder gets a number (" 2", " 3", ...). A feed whose address is in
// knownUrls is skipped; every address written is added to it. A folder whose name cannot be a
// folder gives its feeds to its parent. The files are written only once every name is chosen,
// several at a time. A file that cannot be made raises EInOutError naming the first such; the
// files made stay, and written has been told of each.
TOpmlImportCounts ImportOutlines(const std::vector<opml::TOutline>& outlines, const std::string& folder,
                                 std::set<std::string>& knownUrls, const TWrittenFeedFile& written);

// Every feed address of the feed submenu and its folders, as the entries' hints hold them.
std::set<std::string> FeedAddresses(const TMenuItem& feedsEntry);

// The feed submenu as outlines: folders with their entries, feeds with name and address, in the
// menu's order.
std::vector<opml::TOutline> OutlinesOfMenu(const TMenuItem& feedsEntry);

// The German message after an import: how many feeds were imported and how many skipped.
std::string OpmlImportMessage(const TOpmlImportCounts& counts);
