#include "app/site_icon_fetch.h"

#include "app/feed_icons.h"
#include "app/feed_text.h"
#include "app/html_links.h"
#include "app/icons/bitmap.h"
#include "app/icons/wic_image.h"
#include "app/utf8_document.h"
#include "net/adv_http.h"
#include "rtl/files.h"

TSiteIconFetch::TSiteIconFetch(TAdvHttp& http) : FHttp(http) {}

void TSiteIconFetch::Start(const std::string& feedFile, const std::string& pageUrl, const std::string& feedUrl)
{
    if (Busy() || feedFile.empty() || rtl::FileExists(FeedIconTarget(feedFile)) || FTried.count(feedFile))
        return;
    const bool page = feed::IsWebAddress(pageUrl);
    FPageUrl = page ? pageUrl : feedUrl;
    const std::string favicon = html::FaviconAddress(FPageUrl);
    if (favicon.empty())
        return;
    FTried.insert(feedFile);
    FFeedFile = feedFile;
    FTriedFavicon = !page;
    if (page)
        Fetch(TStage::Page, pageUrl);
    else
        Fetch(TStage::Icon, favicon);
}

void TSiteIconFetch::Fetch(TStage stage, const std::string& url)
{
    FStage = stage;
    FIconUrl = stage == TStage::Icon ? url : std::string();
    try {
        FHttp.SetMethod("GET");
        FHttp.SetURL(url);
        FHttp.Execute(false);
    } catch (const std::exception&) {
        Done();
    }
}

// The page names its icon or it does not; the site's favicon is the second and last try.
void TSiteIconFetch::HttpRequestComplete()
{
    const bool ok = FHttp.StatusCode() >= 200 && FHttp.StatusCode() <= 299 && FHttp.BodyEnd() == beComplete;
    if (FStage == TStage::Page) {
        std::string icon;
        if (ok)
            icon = html::FindPageLinks(DocumentToUtf8(FHttp.ResponseBody()), FPageUrl).Icon;
        if (icon.empty()) {
            icon = html::FaviconAddress(FPageUrl);
            FTriedFavicon = true;
        }
        if (icon.empty())
            Done();
        else
            Fetch(TStage::Icon, icon);
        return;
    }
    if (FStage != TStage::Icon)
        return;
    std::string bytes;
    if (ok) {
        try {
            bytes = icons::SiteIconFileBytes(FHttp.ResponseBody());
        } catch (const std::exception&) {
            bytes.clear(); // no picture the platform can read
        }
    }
    if (bytes.empty()) {
        HttpError();
        return;
    }
    Done();
    // The user may have given the feed an icon meanwhile, or deleted the feed.
    const std::string target = FeedIconTarget(FFeedFile);
    if (!rtl::FileExists(FFeedFile) || rtl::FileExists(target) || !rtl::ReplaceFileWith(target, bytes))
        return;
    if (OnIconWritten)
        OnIconWritten(FFeedFile, target);
}

void TSiteIconFetch::HttpError()
{
    if (FStage == TStage::Icon && !FTriedFavicon) {
        FTriedFavicon = true;
        const std::string favicon = html::FaviconAddress(FPageUrl);
        if (!favicon.empty() && favicon != FIconUrl) {
            Fetch(TStage::Icon, favicon);
            return;
        }
    }
    Done();
}
