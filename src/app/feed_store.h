#pragma once
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "rtl/string_list.h"

#include "app/app_paths.h"
#include "app/current_feed.h"
#include "gui/handles.h"
#include "gui/image_list.h"
#include "gui/menu_item.h"
#include "gui/std_controls.h"

// The feeds are files: "<name>.nfd" (line 1 is the URL) in the feed folder or any sub-folder,
// with an optional "<name>.ico" beside it; a sub-folder's icon is "<folder>.ico" beside the
// sub-folder. The "Newsfeeds" submenu built from that tree is the program's only list of feeds.
//
// Entry n made by a build (counting folder and feed entries from 1) has image n - 1 in the
// feed icon list and Tag FeedEntryTag(n); a feed entry's Hint is its URL and its click selects it.
class TFeedStore {
public:
    // Feed files are read through memo (the settings window's text page shows the last one);
    // theIcon and folderIco hold the pictures of entries without an icon file.
    TFeedStore(TImageList& feedIconList, TMemo& memo, TImage& theIcon, TImage& folderIco,
               TCurrentFeed& currentFeed, const TAppPaths& paths);

    // The "Newsfeeds" entry that the full rebuild fills.
    TMenuItem* FeedsEntry() const { return FFeedsEntry; }
    void SetFeedsEntry(TMenuItem* v) { FFeedsEntry = v; }
    int FeedCounter() const { return FFeedCounter; }
    void SetFeedCounter(int v) { FFeedCounter = v; }

    // Appends the folder's feed and folder entries to parent, recursively, in the order of the
    // feed menu. Hidden and system entries, names beginning with ".", folders named like feed
    // files (as feeds: they are listed as folders) and paths too long for the platform are
    // skipped; a folder that cannot be listed adds nothing. An icon file that cannot be read gives its entry the
    // built-in picture; a feed file that cannot be read throws, ending the build at that entry;
    // the entries made so far stay.
    void BuildFeedMenu(const std::string& folder, TMenuItem* parent);
    // Empties the "Newsfeeds" entry, the feed counter and the feed icon list and builds them
    // again from the feed folder. The current feed's icon index is left to the caller.
    void Rebuild();
    // Searches the entry's feed entries (a folder of that name does not count) for the exact
    // caption, then, when none matched directly, every sub-folder in order; each match sets the
    // current feed's URL and icon index, so the last one searched wins. Nothing found leaves
    // them as they were.
    void FindFeedByName(const std::string& name, TMenuItem* entry);
    // The click of a feed entry: makes it the current feed, then OnRefresh and OnFeedInfo.
    void SelectFeed(TMenuItem* entry);
    // The icon files of the last build that exist but could not be read; their entries show the
    // built-in picture.
    const std::vector<std::string>& DamagedIcons() const { return FDamagedIcons; }
    // The feed files and sub-folders of the last build that were left out because their path is
    // too long for the platform (MAX_PATH); what lies inside such a folder is not looked at.
    const std::vector<std::string>& TooLongPaths() const { return FTooLong; }
    // The bytes just written to the feed file at path: the next rebuild takes them instead of
    // reading the file back (an import writes thousands, and reading each again under Wine costs
    // as much as the rest of the rebuild). A name the platform spells otherwise is simply read.
    void KnowWrittenFeedFile(const std::string& path, std::string bytes);

    // Starts a refresh exactly as the refresh timer does.
    std::function<void()> OnRefresh;
    // Shows the current feed on the settings window's Feed page.
    std::function<void()> OnFeedInfo;

private:
    // Puts the icon of entry n at index n - 1 of the feed icon list (in a slot Rebuild made, or
    // appended). exists says whether the icon file is there.
    void AddIconFile(int n, const std::string& iconFile, bool exists, TImage& fallback);
    void BuildLevel(const std::string& folder, TMenuItem* parent);

    TImageList& FFeedIconList;
    TMemo& FMemo;
    TImage& FTheIcon;
    TImage& FFolderIco;
    TCurrentFeed& FCurrentFeed;
    const TAppPaths& FPaths;
    TMenuItem* FFeedsEntry = nullptr;
    int FFeedCounter = 0;
    std::vector<std::string> FDamagedIcons;
    std::vector<std::string> FTooLong;
    TStringList FLastFeedFile; // the lines of the feed file read last, for the Text page
    // Where each built-in picture was first put in this build: later entries copy it from there.
    std::map<const TImage*, int> FFallbackIndex;
    std::unordered_map<std::string, std::string> FWrittenFiles; // path -> bytes, until the next rebuild
};

// The bytes of a new feed file: the URL and a line end. An address that is plain ASCII is written
// as the 8-bit program wrote it; any other is UTF-8 with a byte-order mark, so that no reader
// takes it for the ANSI code page.
std::string FeedFileBytes(const std::string& url);
// Writes a new feed file of those bytes (replacing one of that name).
void WriteFeedFile(const std::string& path, const std::string& url);

// Whether the entry is a feed entry made by the store (not a folder or any other entry).
bool IsFeedEntry(const TMenuItem* entry);
// The path of the feed file a feed entry was made from; "" for any other entry.
std::string FeedFileOf(const TMenuItem* entry);

// Full path of the first file of that exact name (letter case counts) in the folder tree, or ""
// when there is none. Every entry is looked at, hidden and system ones included. A sub-folder
// is searched before the names that follow it, and a match directly in a folder replaces one
// found in a sub-folder before it and ends that folder's search.
std::string FindFeedFile(const std::string& folder, const std::string& fileName);

// The icon of a feed or folder entry: the icon file read at 16 x 16. Throws EInvalidGraphic when
// the file cannot be read as an icon.
TIconHandle LoadFeedIcon(const std::string& iconFile);
