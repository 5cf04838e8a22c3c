#pragma once
#include <functional>
#include <optional>
#include <string>

#include "app/current_feed.h"
#include "app/feed_parser.h"
#include "app/menu_tags.h"
#include "gui/image_list.h"
#include "gui/menus.h"
#include "gui/std_controls.h"

// Images of the menu icon list.
inline constexpr int kImageRefresh = 0;
inline constexpr int kImageSettings = 1;
inline constexpr int kImageAbout = 2;
inline constexpr int kImageExit = 3;
inline constexpr int kImageCustomize = 4;
inline constexpr int kImageNewsfeeds = 5;
inline constexpr int kImageFeedEdit = 6;
inline constexpr int kImageChannel = 7; // the current feed's icon, replaced at every rebuild

// The tray menu's top level: the channel entry, the headlines of the last document and the
// fixed commands, one of which is the "Newsfeeds" submenu that the feed store fills.
class THeadlineMenu {
public:
    THeadlineMenu(TPopupMenu& popupMenu, TImageList& menuIconsList, TImageList& feedIconList,
                  TCurrentFeed& currentFeed, TCheckBox& cutChannelCheckBox);

    // Images 0 to 6 of the menu icon list, from the program's resources (appended).
    void LoadCommandImages();
    // Appends the six fixed entries to the (empty) top level; the menu's image list becomes
    // the menu icon list and that of "Newsfeeds" the feed icon list.
    void CreateFixedEntries();
    TMenuItem* NewsfeedsEntry() const { return FNewsfeeds; }

    // Replaces the channel and headline entries with those of a parsed document: the headlines
    // at the position their occurrence gives (N - 1, but never below "Jetzt Aktualisieren"),
    // separators around them, the channel entry with the current feed's icon on top, cut to
    // the longest headline when the check box says so. The channel caption before cutting is
    // result.Channel.Caption.
    void Rebuild(const feed::TParseResult& result);

    // The click of the channel, headline and command entries, by the entry's tag. A headline
    // or channel link is opened only when it is a web address (see IsWebLink), trimmed.
    void MenuItemClick(TMenuItem* entry);

    // The commands: close the main window, refresh now as the timer does, show the settings
    // window, show the about window.
    std::function<void()> OnExit;
    std::function<void()> OnRefresh;
    std::function<void()> OnShowSettings;
    std::function<void()> OnAbout;

private:
    TMenuItem* AddFixed(const std::string& caption, int image, int tag, bool click);
    TMenuItem* NewSeparator(int tag);

    TPopupMenu& FPopupMenu;
    TImageList& FMenuIconsList;
    TImageList& FFeedIconList;
    TCurrentFeed& FCurrentFeed;
    TCheckBox& FCutChannelCheckBox;
    TMenuItem* FNewsfeeds = nullptr;
    TMenuItem* FRefreshEntry = nullptr;
    // What the channel entry's picture was made from, and the menu list's stamp after it.
    struct TChannelPicture {
        unsigned FeedIcons;
        int IconIndex;
        unsigned MenuIcons;
        bool operator!=(const TChannelPicture& o) const
        {
            return FeedIcons != o.FeedIcons || IconIndex != o.IconIndex || MenuIcons != o.MenuIcons;
        }
    };
    std::optional<TChannelPicture> FChannelPicture;
};

// Whether the entry is the channel entry or a headline entry of a rebuild. Headlines keep the
// tag occurrence + 1, which reaches the feed range from occurrence 99 on.
bool IsHeadlineEntry(const TMenuItem* entry);

// Links come from the network: only one that, trimmed, begins with "http://" or "https://"
// (letter case ignored) and is no longer than browsers take is handed to the shell; a file, UNC
// path, program name or other scheme would be run or opened by it, and a longer address can
// overflow its stack.
bool IsWebLink(const std::string& link);
