#include "app/refresh_cycle.h"

#include <vector>

#include "app/utf8_document.h"
#include "app/content_coding.h"
#include "app/document_encoding.h"
#include "app/document_memo.h"
#include "app/headline_menu.h"
#include "app/overlay_icon.h"
#include "app/wrap_text.h"
#include "gui/application.h"
#include "gui/handles.h"
#include "gui/image_list.h"
#include "gui/menus.h"
#include "gui/std_controls.h"
#include "gui/timer.h"
#include "net/adv_http.h"
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

void TRefreshCycle::TimerTimer()
{
    FRememberedCaption = TopLevelCaption(3);
    StartRefresh();
}

void TRefreshCycle::StartRefresh()
{
    // The interval is read at every start: a changed value restarts the countdown, an unchanged
    // one leaves it running, 0 stops it.
    auto applyInterval = [this] { FParts.Timer.SetInterval(TimerInterval(FParts.Settings.IntervalMinutes())); };
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
    // The credentials dialog of the running download waits for the user; starting another would
    // wait with it and freeze the tray. This refresh is skipped, the next tick tries again.
    if (FParts.Http.AwaitingUser()) {
        applyInterval();
        return;
    }
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
    try {
        FParts.Http.SetURL(FParts.CurrentFeed.URL);
        PrepareRequestHeaders();
        // Execute first lets an aborted download finish; its completion and errors arrive in
        // here and belong to that download, so this one counts as under way only afterwards.
        FParts.Http.Execute(false);
    } catch (const std::exception& e) {
        // Shown by the toolkit's message box; the tray must not go on saying it is connecting.
        ShowFailure(e.what());
        throw;
    }
    FFetching = true;
    // An aborted download's late document may have been shown meanwhile; this one is fetching.
    if (!TrayShows(TTrayStatus::Fetching)) {
        FParts.Tray.SetHint("Verbinde mit Server ...");
        SetTrayStatus(TTrayStatus::Fetching);
    }
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

void TRefreshCycle::ShowFailure(const std::string& text)
{
    SetTrayStatus(TTrayStatus::Failed);
    FParts.Tray.SetHint("Fehler: " + text);
}

void TRefreshCycle::AdvHttpError()
{
    if (FAborting || !FFetching)
        return;
    FFetching = false;
    std::string text = TAdvHttp::FailureText(FParts.Http.LastError());
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    ShowFailure(text);
}

void TRefreshCycle::AdvHttpRequestComplete()
{
    if (!FFetching)
        return; // a download given up when the feed lost its address
    FFetching = false;
    const int status = FParts.Http.StatusCode();
    if (status == 304 && FValidators.Present() && FRequested.FeedName == FValidators.FeedName &&
        FRequested.URL == FValidators.URL) {
        // Not modified: the menu, the balloon's news and the Text page still show the document,
        // and the tray shows what it showed before (a fetching picture left by an interrupted
        // refresh, or a failure since mended, gives way to the document's own state).
        SetTrayStatus(FNewsBefore ? TTrayStatus::News : TTrayStatus::Plain);
        FParts.Tray.SetHint(FDocumentHint);
        return;
    }
    const std::string codings = HeaderValue(FParts.Http.ResponseHeaders(), "Content-Encoding");
    std::string decoded;
    const std::string* body = &FParts.Http.ResponseBody();
    if (!codings.empty()) {
        TDecodeStatus s = DecodeContent(codings, *body, decoded);
        if (s != TDecodeStatus::Ok) {
            ShowFailure(DecodeFailureText(s, codings));
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
        ShowFailure("HTTP " + std::to_string(status));
        return;
    }
    // Only a whole document may be asked about later: not one cut short by an abort or a
    // failed read.
    if (status == 200 && FParts.Http.LastError() == 0) {
        const TStringList& h = FParts.Http.ResponseHeaders();
        FValidators = FRequested;
        FValidators.ETag = HeaderValue(h, "ETag");
        FValidators.LastModified = HeaderValue(h, "Last-Modified");
    }
    ProcessDocument(std::move(document));
}

void TRefreshCycle::ProcessDocument(std::string document)
{
    FDocument = FBuffers.Share(std::move(document));
    const int maxEntrys = FParts.Settings.MaxEntrys();
    feed::TParseResult result =
        feed::Parse(*FDocument, maxEntrys, FParts.Settings.MaxChars(), FBalloon, FParts.CurrentFeed.URL);
    if (result.MaxEntrys != maxEntrys && OnMaxEntrysChanged)
        OnMaxEntrysChanged(result.MaxEntrys);
    FParts.Headlines.Rebuild(result);
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
