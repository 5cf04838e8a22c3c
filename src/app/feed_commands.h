#pragma once
#include <string>

class TMainForm;
class TMenuItem;

// The Feed page's commands: show the current feed, create, import and delete feeds, give the
// current feed an icon, and open the current feed's web site from its picture.
class TFeedCommands {
public:
    explicit TFeedCommands(TMainForm& form) : F(form) {}

    void RefreshFeedInfo();
    void FeedIconImageClick();
    void NewFeedBtnClick();
    void DelteFeedBtnClick();
    void Klipladen1Click();
    void AddIconBtnClick();
    // Rebuilds the feed menu, makes the feed of that name (a file directly in the feed folder)
    // the current one, starts its download and shows it on the Feed page.
    void MakeFeedCurrent(const std::string& name);

private:
    // Writes a new feed file directly in the feed folder: the URL and a line end.
    void WriteFeedFile(const std::string& name, const std::string& url);
    void RebuildFeedMenu();

    TMainForm& F;
};

// Messages of the commands beyond the duplicate and Klip messages.
std::string UnusableFeedNameMessage(const std::string& name);
std::string FeedFileMissingMessage(const std::string& name);

// The feed entry among the direct entries of level whose caption equals name, letter case and
// the "&" of menu accelerators ignored; nullptr when there is none. Folders do not count.
TMenuItem* FindNewFeedEntry(const TMenuItem& level, const std::string& name);
// The first feed entry in the tree below level with exactly that caption and URL.
TMenuItem* FindFeedEntry(const TMenuItem& level, const std::string& name, const std::string& url);
