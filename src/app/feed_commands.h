#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app/app_paths.h"
#include "app/current_feed.h"
#include "app/html_links.h"

class TEdit;
class TFeedStore;
class TImage;
class TImageList;
class TMemo;
class TMenuItem;
class TOpenDialog;
class TPopupMenu;
class TSaveDialog;
class TWinControl;

// What the commands work with: the feed store and the current feed they change, the Feed page's
// fields that show it, the dialog for choosing files and the window that owns the commands.
struct TFeedCommandParts {
    TWinControl& Window;
    TFeedStore& Store;
    TCurrentFeed& CurrentFeed;
    const TAppPaths& Paths;
    TOpenDialog& OpenDialog;
    TSaveDialog& SaveDialog;
    // Its first entry is the channel, whose link the feed picture opens.
    TPopupMenu& Menu;
    TImageList& FeedIcons;
    TEdit& NameEdit;
    TEdit& UrlEdit;
    TImage& FeedIconImage;
    TMemo& Description;
    // The Text page's field, emptied when another feed becomes current.
    TMemo& Document;
};

// The Feed page's commands: show the current feed, create, import (Klip and OPML), export and
// delete feeds, give the current feed an icon, and open the current feed's web site from its
// picture.
class TFeedCommands {
public:
    explicit TFeedCommands(const TFeedCommandParts& parts) : FParts(parts) {}

    // Starts a refresh exactly as the refresh timer does; created tells a feed the user has just
    // made with "Neues Feed ..." (its web page may name several feeds to choose from).
    std::function<void(bool created)> OnRefresh;

    void RefreshFeedInfo();
    void FeedIconImageClick();
    void NewFeedBtnClick();
    void DelteFeedBtnClick();
    // Imports a Klip file, or an OPML list when the chosen file's content is one.
    void Klipladen1Click();
    void ExportFeedsBtnClick();
    void AddIconBtnClick();
    // The current feed's address moved: its feed file's first line becomes url (the rest of the
    // file kept), and the feed menu and the Feed page show it. A file that cannot be rewritten
    // keeps its address, and so does the current feed.
    void MoveCurrentFeed(const std::string& url);
    // Rebuilds the feed menu, makes the feed of that name (a file directly in the feed folder)
    // the current one, starts its download and shows it on the Feed page.
    void MakeFeedCurrent(const std::string& name, bool created = false);

private:
    // Writes a new feed file directly in the feed folder: the URL and a line end.
    void WriteFeedFile(const std::string& name, const std::string& url);
    void RebuildFeedMenu();
    void ImportOpml(const std::string& bytes);

    TFeedCommandParts FParts;
};

// Asks which of the feeds a new feed's web page names is to be the feed: the position of the one
// chosen, -1 for none.
int ChoosePageFeed(const std::vector<html::TFeedLink>& feeds);

// Messages of the commands beyond the duplicate and Klip messages.
std::string UnusableFeedNameMessage(const std::string& name);
std::string FeedFileMissingMessage(const std::string& name);

// The feed entry among the direct entries of level whose caption equals name, letter case and
// the "&" of menu accelerators ignored; nullptr when there is none. Folders do not count.
TMenuItem* FindNewFeedEntry(const TMenuItem& level, const std::string& name);
// The first feed entry in the tree below level with exactly that caption and URL.
TMenuItem* FindFeedEntry(const TMenuItem& level, const std::string& name, const std::string& url);
