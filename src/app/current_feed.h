#pragma once
#include <string>

// The one selected feed: its name (the feed file's name without ".nfd", saved as "FeedName"),
// its URL (line 1 of the feed file) and the position of its icon in the feed icon list.
struct TCurrentFeed {
    std::string Name;
    std::string URL;
    int IconIndex = 0;
};
