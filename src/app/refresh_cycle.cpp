#include "app/refresh_cycle.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "app/utf8_document.h"
#include "app/content_coding.h"
#include "app/document_encoding.h"
#include "app/document_memo.h"
#include "app/headline_menu.h"
#include "app/html_links.h"
#include "app/feed_text.h"
#include "app/overlay_icon.h"
#include "app/refresh_schedule.h"
#include "app/wrap_text.h"
#include "gui/application.h"
#include "gui/handles.h"
#include "gui/image_list.h"
#include "gui/menus.h"
#include "gui/std_controls.h"
#include "gui/timer.h"
#include "net/adv_http.h"
#include "net/http_address.h"
#include "rtl/text.h"
#include "tray/balloon_hint.h"
#include "tray/tray_icon.h"

unsigned TimerInterval(int minutes)
{
    // The platform's timers hold at most USER_TIMER_MAXIMUM (0x7FFFFFFF) milliseconds.
    constexpr int kMaxMinutes = 0x7FFFFFFF / 60000;
    return static_cast<unsigned>(minutes < 0 ? 0 : minutes > kMaxMinutes ? kMaxMinutes : minutes) * 60000u;
}

std::string TRefreshCycle::TopLevelCaption(int position) const
{
    TMenuItem* items = FParts.Menu.Items();
    return position < items->Count() ? items->Items(position)->Caption() : std::string();
}

void TRefreshCycle::SetTrayStatus(TTrayStatus status)
{
    FParts.Tray.SetIconIndex(TrayPicture(status));
}

// The tray's picture is the record of its status: the tray may refuse a picture it lacks.
bool TRefreshCycle::TrayShows(TTrayStatus status) const
{
    return FParts.Tray.IconIndex() == TrayPicture(status);
}

void TRefreshCycle::TimerTimer(TRefreshTrigger trigger)
{
    FRememberedCaption = TopLevelCaption(3);
    StartRefresh(trigger);
}

void TRefreshCycle::StartRefresh(TRefreshTrigger trigger)
{
    // The interval is read at every start: a changed value restarts the countdown, an unchanged
    // one leaves it running, 0 stops it.
    auto applyInterval = [this] { FParts.Timer.SetInterval(TimerInterval(FParts.Settings.IntervalMinutes())); };
    // The choice among a page's feeds runs inside the download's completion; a refresh now
    // would take the download away under it. It runs once the user has chosen.
    if (FPicking) {
        FRefreshAsked = true;
        applyInterval();
        return;
    }
    // Without a current feed there is nothing to fetch; a user without feeds is not shown an
    // error at every tick. A download still running belongs to the feed before: it ends here,
    // and nothing it delivers late is taken for this one.
    if (FParts.CurrentFeed.URL.empty()) {
        applyInterval();
        FFetching = false;
        if (AbortRunning()) {
            SetTrayStatus(TTrayStatus::Plain);
            FParts.Tray.SetHint("");
        }
        return;
    }
    // The credentials dialog of this feed's download waits for the user; another request would
    // take the dialog away. The refresh is skipped, the next tick tries again. The dialog of
    // another feed's download is closed by the abort below.
    if (FParts.Http.AwaitingUser() && FDownload.Feed == FeedKey()) {
        applyInterval();
        return;
    }
    if (trigger == TRefreshTrigger::Timer && HoldsOff())
        return;
    FNewsBefore = TrayShows(TTrayStatus::News);
    FParts.Tray.SetHint("Verbinde mit Server ...");
    PrepareTrayPictures();
    applyInterval();
    SetTrayStatus(TTrayStatus::Fetching);
    Application->ProcessMessages();
    AbortRunning();
    const TRefreshSettings& settings = FParts.Settings;
    if (settings.ProxyEnabled()) {
        FParts.Http.SetProxy(settings.ProxyHost() + ":" + std::to_string(settings.ProxyPort()));
        FParts.Http.SetProxyUserName(settings.ProxyUser());
        FParts.Http.SetProxyPassword(settings.ProxyPass());
    } else if (!FParts.Http.Proxy().empty()) {
        // Switched off while running: from now on the downloads go direct.
        FParts.Http.SetProxy("");
        FParts.Http.SetProxyUserName("");
        FParts.Http.SetProxyPassword("");
    }
    FParts.Http.SetMethod("GET");
    TDownload download;
    download.Feed = FeedKey();
    download.URL = FParts.CurrentFeed.URL;
    download.Pick = trigger == TRefreshTrigger::NewFeed;
    download.Command = trigger == TRefreshTrigger::Command;
    try {
        PrepareRequestHeaders();
        // Execute first lets an aborted download finish; its completion and errors arrive in
        // here and belong to that download (and its feed), so this one counts as under way only
        // afterwards.
        Execute(FParts.CurrentFeed.URL, download.Command);
    } catch (const std::exception& e) {
        // Shown by the toolkit's message box; the tray must not go on saying it is connecting.
        FDownload = download;
        Failed(e.what());
        throw;
    }
    FDownload = download;
    FFetching = true;
    // An aborted download's late document may have been shown meanwhile; this one is fetching.
    if (!TrayShows(TTrayStatus::Fetching)) {
        FParts.Tray.SetHint("Verbinde mit Server ...");
        SetTrayStatus(TTrayStatus::Fetching);
    }
}

void TRefreshCycle::Execute(const std::string& url, bool command)
{
    // The component keeps a user name and password until an address names others: a feed's
    // credentials must never go to another feed's server.
    FParts.Http.SetUserName("");
    FParts.Http.SetPassword("");
    THttpAddressParts parts;
    const bool namesUser = SplitHttpAddress(url, parts) && !parts.UserName.empty();
    unsigned demands = 0;
    if (command && namesUser)
        demands |= adServer;
    if (command && FParts.Settings.ProxyEnabled())
        demands |= adProxy;
    FParts.Http.SetDialogDemands(demands);
    FParts.Http.SetURL(url);
    FParts.Http.Execute(false);
}

std::string TRefreshCycle::FeedKey() const
{
    return FParts.CurrentFeed.File + "\n" + FParts.CurrentFeed.URL;
}

bool TRefreshCycle::HoldsOff()
{
    THealth& health = Health();
    const unsigned long long now = GetTickCount64();
    // A feed that is gone is asked only by the user; the timer keeps its own interval.
    if (health.Gone) {
        FParts.Timer.SetInterval(TimerInterval(FParts.Settings.IntervalMinutes()));
        return true;
    }
    // A tick may come a little before its time.
    if (health.NotBefore == 0 || now + 1000 >= health.NotBefore)
        return false;
    FParts.Timer.SetInterval(
        static_cast<unsigned>(std::min<unsigned long long>(health.NotBefore - now, 0x7FFFFFFF)));
    return true;
}

void TRefreshCycle::PrepareTrayPictures()
{
    TTrayPictureSources sources{FParts.FeedIcons.Stamp(),   FParts.CurrentFeed.IconIndex,
                                FParts.TheIcon.Icon(),      FParts.NewImage.Icon(),
                                FParts.GetNewsImage.Icon(), FParts.TrayPictures.Stamp()};
    if (FTrayPicturesMade && sources == FTrayPictures)
        return;
    FParts.TrayPictures.Clear();
    TIconHandle feedIcon(FParts.FeedIcons.GetIcon(FParts.CurrentFeed.IconIndex));
    if (!feedIcon)
        feedIcon.Reset(CopyIcon(FParts.TheIcon.Icon()));
    FParts.TrayPictures.AddIcon(feedIcon.Get());
    TIconHandle news(OverlayIcon(FParts.NewImage.Icon(), feedIcon.Get()));
    FParts.TrayPictures.AddIcon(news.Get());
    TIconHandle fetching(OverlayIcon(FParts.GetNewsImage.Icon(), feedIcon.Get()));
    FParts.TrayPictures.AddIcon(fetching.Get());
    sources.TrayIcons = FParts.TrayPictures.Stamp();
    FTrayPictures = sources;
    FTrayPicturesMade = true;
}

bool TRefreshCycle::AbortRunning()
{
    if (!FParts.Http.Busy())
        return false;
    // The abort's own "cancelled" report is not a failure of the new download.
    FAborting = true;
    try {
        FParts.Http.Abort();
    } catch (...) {
        FAborting = false;
        throw;
    }
    FAborting = false;
    return true;
}

// The request asks for compressed bodies and, for the feed whose document is shown, whether it
// has changed since. Choosing another feed forgets what the last one's server said.
void TRefreshCycle::PrepareRequestHeaders()
{
    if (FValidators.FeedName != FParts.CurrentFeed.Name || FValidators.URL != FParts.CurrentFeed.URL)
        FValidators = TValidators();
    FRequested = TValidators{FParts.CurrentFeed.Name, FParts.CurrentFeed.URL, std::string(), std::string()};
    TStringList& headers = FParts.Http.RequestHeaders();
    for (int i = headers.Count() - 1; i >= 0; --i) {
        const std::string name = rtl::LowerCase(headers.Strings(i).substr(0, headers.Strings(i).find(':')));
        if (name == "accept-encoding" || name == "if-none-match" || name == "if-modified-since")
            headers.Delete(i);
    }
    headers.Add(std::string("Accept-Encoding: ") + kAcceptedCodings);
    if (!FValidators.ETag.empty())
        headers.Add("If-None-Match: " + FValidators.ETag);
    if (!FValidators.LastModified.empty())
        headers.Add("If-Modified-Since: " + FValidators.LastModified);
}

namespace {

// Browsers follow about twenty; a feed that needs more than ten is broken or a trap, and each one
// is a request to somebody's server.
constexpr int kMaxRedirects = 10;
constexpr std::size_t kTooltipLength = 127;

bool IsRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The time of day of a moment that many milliseconds from now, as the tooltip names it; with the
// date when it is not today.
std::string NextTryText(unsigned long long fromNowMs)
{
    SYSTEMTIME now, at;
    GetLocalTime(&now);
    FILETIME ft;
    SystemTimeToFileTime(&now, &ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    t.QuadPart += fromNowMs * 10000ULL;
    ft.dwLowDateTime = t.LowPart;
    ft.dwHighDateTime = t.HighPart;
    FileTimeToSystemTime(&ft, &at);
    char text[64];
    if (at.wDay == now.wDay && at.wMonth == now.wMonth && at.wYear == now.wYear)
        std::snprintf(text, sizeof text, "Nächster Versuch um %02u:%02u", at.wHour, at.wMinute);
    else
        std::snprintf(text, sizeof text, "Nächster Versuch am %02u.%02u. um %02u:%02u", at.wDay, at.wMonth,
                      at.wHour, at.wMinute);
    return text;
}

long long UnixNow()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return static_cast<long long>(t.QuadPart / 10000000ULL) - 11644473600LL;
}

} // namespace

void TRefreshCycle::Succeeded()
{
    THealth& health = Health();
    const std::string movedTo = FDownload.MovedTo;
    const std::string seenBefore = health.MovedTo;
    health = THealth();
    // The same permanent redirect twice in a row: the feed's address is the new one now.
    if (movedTo.empty())
        return;
    if (movedTo != seenBefore) {
        health.MovedTo = movedTo;
        return;
    }
    if (FValidators.URL == FParts.CurrentFeed.URL)
        FValidators.URL = movedTo;
    if (OnFeedMoved)
        OnFeedMoved(movedTo);
}

// A failure: the tray says what failed and, when the timer holds off, when it tries next.
void TRefreshCycle::Failed(const std::string& text, int status)
{
    THealth& health = Health();
    health.MovedTo.clear();
    ++health.Failures;
    health.NotBefore = 0;
    std::string hint = "Fehler: " + text;
    if (status == 410) {
        health.Gone = true;
        hint = "Fehler: HTTP 410, der Feed wurde entfernt\rAbruf nur noch auf Wunsch";
    } else {
        std::optional<long long> retryAfter;
        if (status == 429 || status == 503)
            retryAfter = RetryAfterSeconds(HeaderValue(FParts.Http.ResponseHeaders(), "Retry-After"), UnixNow());
        const long long interval = TimerInterval(FParts.Settings.IntervalMinutes());
        const long long hold = HoldOffMilliseconds(health.Failures, interval, retryAfter);
        // Within the timer's own interval the next tick comes late enough.
        if (hold > interval) {
            health.NotBefore = GetTickCount64() + static_cast<unsigned long long>(hold);
            FParts.Timer.SetInterval(static_cast<unsigned>(std::min<long long>(hold, 0x7FFFFFFF)));
            // The shell shows 127 characters of a tooltip: the failure gives way to the next try.
            const std::string next = NextTryText(static_cast<unsigned long long>(hold));
            const std::size_t room = kTooltipLength - next.size() - 1;
            if (hint.size() > room)
                hint = hint.substr(0, room - 3) + "...";
            hint += "\r" + next;
        }
    }
    SetTrayStatus(TTrayStatus::Failed);
    FParts.Tray.SetHint(hint);
}

void TRefreshCycle::AdvHttpError()
{
    if (FAborting || !FFetching)
        return;
    FFetching = false;
    // A download of a feed that is no longer current says nothing about this one.
    if (FDownload.Feed != FeedKey())
        return;
    // A demand for credentials that no dialog answered (none may be shown for it, or the user
    // cancelled it).
    const int status = FParts.Http.StatusCode();
    if (FParts.Http.LastError() == ERROR_INTERNET_OPERATION_CANCELLED && (status == 401 || status == 407)) {
        Failed("Anmeldung verlangt");
        return;
    }
    std::string text = TAdvHttp::FailureText(FParts.Http.LastError());
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    Failed(text);
}

// A redirect is followed from here: the component is told not to, so that its status tells a
// permanent move from another, and an address that is no web address is never asked for. Only
// the redirects that lead the download from the feed's own address are a move of the feed.
bool TRefreshCycle::FollowRedirect(int status)
{
    const std::string location = HeaderValue(FParts.Http.ResponseHeaders(), "Location");
    if (!IsRedirect(status) || location.empty() || FParts.Http.BodyEnd() == beAborted)
        return false;
    std::string target;
    // The address may end up as the feed file's first line: nothing in it may break a line.
    auto plain = [&target] {
        return std::none_of(target.begin(), target.end(),
                            [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '\x7F'; });
    };
    const bool resolved = ResolveHttpAddress(FDownload.URL, location, target);
    if (!resolved && GetLastError() == static_cast<DWORD>(kErrorAddressTooLong)) {
        Failed("Weiterleitung auf eine Adresse mit mehr als 2083 Zeichen");
        return true;
    }
    if (!resolved || !plain() || !feed::IsWebAddress(target)) {
        Failed("Weiterleitung auf eine Adresse, die kein http oder https ist");
        return true;
    }
    if (++FDownload.Redirects > kMaxRedirects) {
        Failed("zu viele Weiterleitungen");
        return true;
    }
    if (FDownload.OnlyPermanent && (status == 301 || status == 308))
        FDownload.MovedTo = target;
    else
        FDownload.OnlyPermanent = false;
    FDownload.URL = target;
    GoOn(target);
    return true;
}

void TRefreshCycle::GoOn(const std::string& url)
{
    try {
        Execute(url, FDownload.Command);
    } catch (const std::exception& e) {
        Failed(e.what());
        return;
    }
    FFetching = true;
}

void TRefreshCycle::AdvHttpRequestComplete()
{
    if (!FFetching)
        return; // a download given up when the feed lost its address
    FFetching = false;
    // A download of a feed that is no longer current is none of this one's business.
    if (FDownload.Feed != FeedKey())
        return;
    const int status = FParts.Http.StatusCode();
    if (FollowRedirect(status))
        return;
    if (status == 304 && FValidators.Present() && FRequested.FeedName == FValidators.FeedName &&
        FRequested.URL == FValidators.URL) {
        // Not modified: the menu, the balloon's news and the Text page still show the document,
        // and the tray shows what it showed before (a fetching picture left by an interrupted
        // refresh, or a failure since mended, gives way to the document's own state).
        SetTrayStatus(FNewsBefore ? TTrayStatus::News : TTrayStatus::Plain);
        FParts.Tray.SetHint(FDocumentHint);
        Succeeded();
        return;
    }
    const std::string codings = HeaderValue(FParts.Http.ResponseHeaders(), "Content-Encoding");
    std::string decoded;
    const std::string* body = &FParts.Http.ResponseBody();
    if (!codings.empty()) {
        TDecodeStatus s = DecodeContent(codings, *body, decoded);
        if (s != TDecodeStatus::Ok) {
            Failed(DecodeFailureText(s, codings));
            return;
        }
        body = &decoded;
    }
    const std::string charset = ContentTypeCharset(FParts.Http.ResponseHeaders().Text());
    std::string document = DisplayDocument(*body, charset, FBuffers);
    if (status < 200 || status > 299) {
        // An error page is shown on the Text page, but it is no document: the menu keeps its
        // headlines and there is no news.
        FParts.Document.ShowDocument(FBuffers.Share(std::move(document)));
        Failed("HTTP " + std::to_string(status), status);
        return;
    }
    if (FollowPageFeed(document))
        return;
    // Only a whole document may be asked about later. A body cut short (by an abort, say) is
    // shown as it is, but the next request asks for the whole document again.
    const bool whole = status == 200 && FParts.Http.BodyEnd() == beComplete;
    FValidators = TValidators();
    if (!ProcessDocument(std::move(document)))
        return;
    if (whole) {
        const TStringList& h = FParts.Http.ResponseHeaders();
        FValidators = FRequested;
        FValidators.ETag = HeaderValue(h, "ETag");
        FValidators.LastModified = HeaderValue(h, "Last-Modified");
    }
    if (FParts.Http.BodyEnd() == beComplete)
        Succeeded();
    if (OnDocumentShown)
        OnDocumentShown(FChannelLink);
}

// A feed that names a web site (a feed just created from a site's address, say) takes the first
// feed the site's page offers, as its <link rel="alternate"> entries list them; a feed the user
// has just created lets the user choose when there are several.
bool TRefreshCycle::FollowPageFeed(const std::string& document)
{
    if (!html::IsHtmlPage(document, HeaderValue(FParts.Http.ResponseHeaders(), "Content-Type")))
        return false;
    const html::TPageLinks links = html::FindPageLinks(document, FDownload.URL);
    auto noFeed = [&](const char* text) {
        FParts.Document.ShowDocument(FBuffers.Share(std::string(document)));
        Failed(text);
        return true;
    };
    if (links.Feeds.empty() || FDownload.Discovered)
        return noFeed(FDownload.Discovered ? "die Seite nennt als Feed wieder eine Seite"
                                           : "die Seite ist kein Feed und nennt keinen");
    int chosen = 0;
    if (FDownload.Pick && links.Feeds.size() > 1 && OnChoosePageFeed) {
        FPicking = true;
        try {
            chosen = OnChoosePageFeed(links.Feeds);
        } catch (...) {
            FPicking = false;
            FRefreshAsked = false;
            throw;
        }
        FPicking = false;
        const bool refreshAsked = std::exchange(FRefreshAsked, false);
        // Another feed became current while the user chose: this page is no longer its business.
        if (FDownload.Feed != FeedKey()) {
            if (refreshAsked)
                StartRefresh();
            return true;
        }
        if (chosen < 0 || chosen >= static_cast<int>(links.Feeds.size()))
            return noFeed("die Seite ist kein Feed und nennt keinen");
    }
    const std::string target = links.Feeds[static_cast<std::size_t>(chosen)].Url;
    if (OnFeedMoved)
        OnFeedMoved(target);
    // The download goes on at the feed's address: it belongs to the current feed as it is now.
    FDownload.Feed = FeedKey();
    FDownload.URL = target;
    FDownload.Discovered = true;
    FDownload.MovedTo.clear();
    GoOn(target);
    return true;
}

bool TRefreshCycle::ProcessDocument(std::string document)
{
    FDocument = FBuffers.Share(std::move(document));
    const int maxEntrys = FParts.Settings.MaxEntrys();
    feed::TParseResult result =
        feed::Parse(*FDocument, maxEntrys, FParts.Settings.MaxChars(), FBalloon, FParts.CurrentFeed.URL);
    if (result.MaxEntrys != maxEntrys && OnMaxEntrysChanged)
        OnMaxEntrysChanged(result.MaxEntrys);
    // Bytes that are no feed (binary garbage, zero bytes, a body the server broke) give neither
    // a channel nor a headline: the menu keeps the last feed's headlines, and the tooltip says so.
    const feed::TChannel& channel = result.Channel;
    if (result.Headlines.empty() && channel.Caption.empty() && channel.Link.empty() &&
        channel.Description.empty()) {
        FParts.Document.ShowDocument(FDocument);
        Failed(FParts.Http.ResponseBody().empty() ? "das Dokument ist leer" : "das Dokument ist kein Feed");
        return false;
    }
    FParts.Headlines.Rebuild(result);
    FChannelLink = feed::TrimView(result.Channel.Link);
    FDocumentHint = FParts.Settings.Balloonhint() ? std::string()
                                                  : result.Channel.Caption + ":\r" + result.Channel.Description;
    FParts.Tray.SetHint(FDocumentHint);
    FParts.Description.SetText(result.Channel.Description);
    // The balloon first: the tray picture's change waits for the shell's round trip.
    const bool news = TopLevelCaption(3) != FRememberedCaption;
    if (news)
        ShowNewsBalloon(5000);
    SetTrayStatus(news ? TTrayStatus::News : TTrayStatus::Plain);
    FParts.Tray.SetPopupMenu(&FParts.Menu);
    // Last: when the Text page is on screen its field takes the text now, after the news is out.
    FParts.Document.ShowDocument(FDocument);
    return true;
}

void TRefreshCycle::PopupMenuPopup()
{
    SetTrayStatus(TTrayStatus::Plain);
}

void TRefreshCycle::TrayIconClick(TMouseButton button)
{
    if (button != mbLeft)
        return;
    // Before any document has been read there is nothing to show.
    if (!FBalloon.Headline.empty() || !FBalloon.Text.empty())
        ShowNewsBalloon(20000);
    SetTrayStatus(TTrayStatus::Plain);
}

void TRefreshCycle::ShowNewsBalloon(int visibleTime)
{
    POINT origin = {0, 0};
    ClientToScreen(FParts.BalloonOwner.Handle(), &origin);
    POINT anchor = {GetSystemMetrics(SM_CXSCREEN) - origin.x - 30, GetSystemMetrics(SM_CYSCREEN) - origin.y - 20};
    const int wrap = FParts.Settings.Balloonwrap();
    std::string header = WrapText(FBalloon.Headline, wrap - 10);
    std::string body = WrapText(FBalloon.Text, wrap);
    FParts.Balloon.ShowBalloonAt(&FParts.BalloonOwner, anchor, header, body, visibleTime, ikCustom,
                                 FParts.CurrentFeed.IconIndex);
}
