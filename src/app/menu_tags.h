#pragma once

// Tags of the tray menu's entries: the channel (0) and headlines (occurrence + 1) below
// kTagFeedBase, the feed and folder entries of "Newsfeeds" from kTagFeedBase + 1, the fixed
// commands and separators above.
inline constexpr int kTagChannel = 0;
inline constexpr int kTagFeedBase = 100;
inline constexpr int kTagExit = 999;
inline constexpr int kTagRefresh = 1002;
inline constexpr int kTagSettings = 1004;
inline constexpr int kTagAbout = 1005;
inline constexpr int kTagNewsfeeds = 10005;
inline constexpr int kTagFirstSeparator = 10006;
inline constexpr int kTagSeparator = 10007;

// Entry n of a feed menu build (counting from 1) has Tag FeedEntryTag(n) and image n - 1.
constexpr long long FeedEntryTag(int n)
{
    return kTagFeedBase + n;
}
constexpr int FeedImageOfTag(long long tag)
{
    return static_cast<int>(tag - kTagFeedBase - 1);
}
