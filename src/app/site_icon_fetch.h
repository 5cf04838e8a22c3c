#pragma once
#include <functional>
#include <set>
#include <string>

class TAdvHttp;

// Gives a feed without an icon its site's icon, in the background beside the feed's own
// download: the <link rel="icon"> of the site's page, else "/favicon.ico" of its host, decoded
// and written as the feed's 16 × 16 icon file. At most one try per feed file and run; every
// failure is silent, and an icon file that is there (the user's) is never replaced.
class TSiteIconFetch {
public:
    // http is a download component of its own, never the feed's.
    explicit TSiteIconFetch(TAdvHttp& http);

    // The icon file was written.
    std::function<void(const std::string& feedFile, const std::string& iconFile)> OnIconWritten;

    // Starts the fetch for the feed file, whose site's page is pageUrl (the channel's link; without
    // one the favicon of feedUrl's host is asked for), unless the feed has an icon file, was tried
    // before, or another fetch is under way.
    void Start(const std::string& feedFile, const std::string& pageUrl, const std::string& feedUrl);
    void HttpRequestComplete();
    void HttpError();
    bool Busy() const { return FStage != TStage::Idle; }

private:
    enum class TStage { Idle, Page, Icon };
    void Fetch(TStage stage, const std::string& url);
    void Done() { FStage = TStage::Idle; }

    TAdvHttp& FHttp;
    std::set<std::string> FTried;
    TStage FStage = TStage::Idle;
    std::string FFeedFile, FPageUrl, FIconUrl;
    bool FTriedFavicon = false;
};
