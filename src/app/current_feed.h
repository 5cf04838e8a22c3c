#pragma once
#include <string>

// The one selected feed: its name (the feed file's name without ".nfd", saved as "FeedName"),
// its URL (line 1 of the feed file) and the position of its icon in the feed icon list.
// File is the path of its own feed file, taken when it became current: another feed of the
// same name in another folder is not it.
struct TCurrentFeed {
    std::string Name;
    std::string URL;
    int IconIndex = 0;
    std::string File{};
};
