#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/current_feed.h"
#include "app/document_buffers.h"
#include "app/feed_parser.h"
#include "app/html_links.h"
#include "app/tray_status.h"
#include "gui/controls.h"

class TAdvHttp;
class TBalloonHint;
class TDocumentMemo;
class THeadlineMenu;
class TImage;
class TImageList;
class TMemo;
class TPopupMenu;
class TTimer;
class TTrayIcon;

// The settings window's values a refresh goes by. Each is read only when and where it is needed:
// a read is a message to the control that holds the value, which costs a fraction of a
// millisecond under Wine.
class TRefreshSettings {
public:
    virtual int IntervalMinutes() const = 0;
    virtual int MaxEntrys() const = 0;
    virtual int MaxChars() const = 0;
    virtual bool Balloonhint() const = 0;
    virtual int Balloonwrap() const = 0;
    virtual bool ProxyEnabled() const = 0;
    virtual std::string ProxyHost() const = 0;
    virtual int ProxyPort() const = 0;
    virtual std::string ProxyUser() const = 0;
    virtual std::string ProxyPass() const = 0;

protected:
    ~TRefreshSettings() = default;
};

// What a refresh works with: the download, the timer, the tray and its pictures, the menu and
// the fields that show the document. Only the current feed is read; the rest is driven.
struct TRefreshParts {
    TAdvHttp& Http;
    TTimer& Timer;
    TTrayIcon& Tray;
    TImageList& TrayPictures;
    TImageList& FeedIcons;
    // The plain tray picture for a feed without an icon, and the badges of news and fetching.
    TImage& TheIcon;
    TImage& NewImage;
    TImage& GetNewsImage;
    TPopupMenu& Menu;
    THeadlineMenu& Headlines;
    TBalloonHint& Balloon;
    // The window the balloon belongs to and whose client origin its anchor is counted from.
    TWinControl& BalloonOwner;
    TMemo& Description;
    TDocumentMemo& Document;
    const TCurrentFeed& CurrentFeed;
    const TRefreshSettings& Settings;
};

// Who started a refresh: the timer's ticks keep away from a server that asked for it, a user's
// refresh always goes at once. The first refresh of a feed the user has just created lets the
// user choose among the feeds its address's web page names. Only the user's own refresh command
// ("Jetzt Aktualisieren", the settings window's button) may show the credentials dialog, and only
// for the configured proxy or a feed whose address names a user.
enum class TRefreshTrigger { Timer, User, NewFeed, Command };

// One refresh: download the current feed, turn its document into the tray menu's headlines, and
// tell the user through the tray picture, its tooltip and a balloon whether there is news.
// Every refresh enters through TimerTimer; the download's completion finishes it. Redirects are
// followed here (the component is told not to), so that a feed that moved for good gets its new
// address; a feed the server says is gone, or asks to be left alone, and one that keeps failing
// is asked less often by the timer.
class TRefreshCycle {
public:
    explicit TRefreshCycle(const TRefreshParts& parts) : FParts(parts) {}

    // The parser's headline limit, when it differs from the one read (it is never below 1).
    std::function<void(int maxEntrys)> OnMaxEntrysChanged;
    // The current feed answered with the same permanent redirect on two refreshes in a row, or
    // its address gave a web page that names its feed: its feed file is to name the new address,
    // and the current feed to take it.
    std::function<void(const std::string& url)> OnFeedMoved;
    // The web page of a feed just created names several feeds: the user picks one. Returns its
    // position in feeds, or -1 for none (the feed then stays as it is, and the refresh fails as
    // for a page that names no feed). Without a handler the first is taken.
    std::function<int(const std::vector<html::TFeedLink>& feeds)> OnChoosePageFeed;
    // A downloaded document was shown (its headlines are in the menu); channelLink is its
    // channel's web address as the document gives it.
    std::function<void(const std::string& channelLink)> OnDocumentShown;

    void TimerTimer(TRefreshTrigger trigger = TRefreshTrigger::User);
    void StartRefresh(TRefreshTrigger trigger = TRefreshTrigger::User);
    void AdvHttpRequestComplete();
    void AdvHttpError();
    // Keeps the document and turns it into menu entries, tooltip, news mark and balloon. False
    // when it gives no channel and no headline: it is no feed, and that is the refresh's failure.
    bool ProcessDocument(std::string document);
    void PopupMenuPopup();
    void TrayIconClick(TMouseButton button);
    // The balloon with the headline and text of the last news, visible for the given time.
    void ShowNewsBalloon(int visibleTime);

    const feed::TBalloonNews& BalloonNews() const { return FBalloon; }
    const std::string& RememberedCaption() const { return FRememberedCaption; }
    // Whether a download started by the last refresh has not ended yet.
    bool Fetching() const { return FFetching; }

private:
    // What the server said about the current feed's last complete document, for asking it
    // next time whether anything has changed.
    struct TValidators {
        std::string FeedName, URL, ETag, LastModified;
        bool Present() const { return !ETag.empty() || !LastModified.empty(); }
    };
    // The download under way: whose it is, where it is now, and the address the permanent
    // redirects at its start lead to.
    struct TDownload {
        std::string Feed;
        std::string URL;
        std::string MovedTo;
        bool OnlyPermanent = true;
        int Redirects = 0;
        bool Discovered = false; // URL is a feed that a web page named
        bool Pick = false;       // a page with several feeds lets the user choose
        bool Command = false;    // started by the user's refresh command
    };
    // How a feed's server has been answering, by feed file and address, for this run.
    struct THealth {
        int Failures = 0;
        bool Gone = false;
        // GetTickCount64 before which timer refreshes leave the feed alone; 0 for none.
        unsigned long long NotBefore = 0;
        // The permanent redirect of the last refresh, waiting to be seen again.
        std::string MovedTo;
    };

    std::string FeedKey() const;
    THealth& Health() { return FHealth[FeedKey()]; }
    // Whether a timer tick leaves the current feed alone; the timer is then set for its next try.
    bool HoldsOff();
    // Follows a redirect of the download; false when the answer was none to follow.
    bool FollowRedirect(int status);
    // The download gave a web page instead of a feed: the feed it names becomes the feed's
    // address and is fetched at once; a page that names none is a failure. False when the
    // document is no web page.
    bool FollowPageFeed(const std::string& document);
    // Starts the component's download of url; the credentials dialog only where the download's
    // trigger allows it.
    void Execute(const std::string& url, bool command);
    // The download goes on at url (a redirect's or a page's feed); a failure to start is shown.
    void GoOn(const std::string& url);
    // The download's end: a document (or an unchanged one) ends the back-off and may move the
    // feed; a failure counts towards it.
    void Succeeded();
    void Failed(const std::string& text, int status = 0);

    std::string TopLevelCaption(int position) const;
    // Ends a running download; false when none was running.
    bool AbortRunning();
    void PrepareRequestHeaders();
    // Makes the tray's pictures of the current feed (plain, news, fetching) unless those of the
    // same pictures are there: the image list work costs the shell and GDI round trips.
    void PrepareTrayPictures();
    void SetTrayStatus(TTrayStatus status);
    bool TrayShows(TTrayStatus status) const;

    TRefreshParts FParts;
    feed::TBalloonNews FBalloon;
    std::string FRememberedCaption;
    // Shared with the Text page's field, which may still be waiting to show it.
    TDocumentBuffers FBuffers;
    std::shared_ptr<const std::string> FDocument = std::make_shared<const std::string>();
    // The tooltip the last document gave, and whether the tray showed news before the refresh
    // started: an unchanged document brings both back.
    std::string FDocumentHint;
    bool FNewsBefore = false;
    TValidators FValidators;
    TValidators FRequested;
    TDownload FDownload;
    std::string FChannelLink; // of the document shown last
    std::map<std::string, THealth> FHealth;
    // What the tray's pictures were made of; equal sources make equal pictures.
    struct TTrayPictureSources {
        unsigned FeedIcons = 0;
        int IconIndex = 0;
        HICON Fallback = nullptr, News = nullptr, Fetching = nullptr;
        unsigned TrayIcons = 0;
        bool operator==(const TTrayPictureSources& o) const
        {
            return FeedIcons == o.FeedIcons && IconIndex == o.IconIndex && Fallback == o.Fallback &&
                   News == o.News && Fetching == o.Fetching && TrayIcons == o.TrayIcons;
        }
    };
    TTrayPictureSources FTrayPictures;
    bool FTrayPicturesMade = false;
    bool FFetching = false;
    bool FAborting = false;
    // The user is choosing a page's feed; a refresh asked for meanwhile waits for the choice.
    bool FPicking = false;
    bool FRefreshAsked = false;
};

// The timer interval of a refresh interval in minutes: negative ones stop the timer, ones longer
// than the platform's timers can hold are cut to the longest they can.
unsigned TimerInterval(int minutes);
