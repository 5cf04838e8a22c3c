#include "app/refresh_cycle.h"

#include <vector>

#include "app/ansi_document.h"
#include "app/content_coding.h"
#include "app/document_encoding.h"
#include "app/main_form.h"
#include "app/overlay_icon.h"
#include "app/wrap_text.h"
#include "gui/application.h"
#include "gui/handles.h"
#include "rtl/text.h"

unsigned TimerInterval(int minutes)
{
    // The platform's timers hold at most USER_TIMER_MAXIMUM (0x7FFFFFFF) milliseconds.
    constexpr int kMaxMinutes = 0x7FFFFFFF / 60000;
    return static_cast<unsigned>(minutes < 0 ? 0 : minutes > kMaxMinutes ? kMaxMinutes : minutes) * 60000u;
}

std::string TRefreshCycle::TopLevelCaption(int position) const
{
    TMenuItem* items = F.PopupMenu->Items();
    return position < items->Count() ? items->Items(position)->Caption() : std::string();
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
    auto applyInterval = [this] { F.Timer->SetInterval(TimerInterval(F.IntervalEdit->Value())); };
    // Without a current feed there is nothing to fetch; a user without feeds is not shown an
    // error at every tick. A download still running belongs to the feed before: it ends here,
    // and nothing it delivers late is taken for this one.
    if (F.CurrentFeed.URL.empty()) {
        applyInterval();
        FFetching = false;
        if (AbortRunning()) {
            F.TrayIcon->SetIconIndex(0);
            F.TrayIcon->SetHint("");
        }
        return;
    }
    // The credentials dialog of the running download waits for the user; starting another would
    // wait with it and freeze the tray. This refresh is skipped, the next tick tries again.
    if (F.AdvHttp->AwaitingUser()) {
        applyInterval();
        return;
    }
    FPreviousIconIndex = F.TrayIcon->IconIndex();
    F.TrayIcon->SetHint("Verbinde mit Server ...");
    PrepareTrayPictures();
    applyInterval();
    F.TrayIcon->SetIconIndex(2);
    Application->ProcessMessages();
    AbortRunning();
    if (F.ProxyCheckBox->Checked()) {
        F.AdvHttp->SetProxy(F.ProxyHostEdit->Text() + ":" + std::to_string(F.ProxyPortEdit->Value()));
        F.AdvHttp->SetProxyUserName(F.ProxyUserEdit->Text());
        F.AdvHttp->SetProxyPassword(F.ProxyPassEdit->Text());
    } else if (!F.AdvHttp->Proxy().empty()) {
        // Switched off while running: from now on the downloads go direct.
        F.AdvHttp->SetProxy("");
        F.AdvHttp->SetProxyUserName("");
        F.AdvHttp->SetProxyPassword("");
    }
    F.AdvHttp->SetMethod("GET");
    try {
        F.AdvHttp->SetURL(F.CurrentFeed.URL);
        PrepareRequestHeaders();
        // Execute first lets an aborted download finish; its completion and errors arrive in
        // here and belong to that download, so this one counts as under way only afterwards.
        F.AdvHttp->Execute(false);
    } catch (const std::exception& e) {
        // Shown by the toolkit's message box; the tray must not go on saying it is connecting.
        F.TrayIcon->SetIconIndex(0);
        F.TrayIcon->SetHint(std::string("Fehler: ") + e.what());
        throw;
    }
    FFetching = true;
    // An aborted download's late document may have been shown meanwhile; this one is fetching.
    if (F.TrayIcon->IconIndex() != 2) {
        F.TrayIcon->SetHint("Verbinde mit Server ...");
        F.TrayIcon->SetIconIndex(2);
    }
}

void TRefreshCycle::PrepareTrayPictures()
{
    TTrayPictureSources sources{F.FeedIconList->Stamp(), F.CurrentFeed.IconIndex, F.TheIcon->Icon(),
                                F.NewImage->Icon(),      F.GetNewsImage->Icon(),  F.TrayIconList->Stamp()};
    if (FTrayPicturesMade && sources == FTrayPictures)
        return;
    F.TrayIconList->Clear();
    TIconHandle feedIcon(F.FeedIconList->GetIcon(F.CurrentFeed.IconIndex));
    if (!feedIcon)
        feedIcon.Reset(CopyIcon(F.TheIcon->Icon()));
    F.TrayIconList->AddIcon(feedIcon.Get());
    TIconHandle news(OverlayIcon(F.NewImage->Icon(), feedIcon.Get()));
    F.TrayIconList->AddIcon(news.Get());
    TIconHandle fetching(OverlayIcon(F.GetNewsImage->Icon(), feedIcon.Get()));
    F.TrayIconList->AddIcon(fetching.Get());
    sources.TrayIcons = F.TrayIconList->Stamp();
    FTrayPictures = sources;
    FTrayPicturesMade = true;
}

bool TRefreshCycle::AbortRunning()
{
    if (!F.AdvHttp->Busy())
        return false;
    // The abort's own "cancelled" report is not a failure of the new download.
    FAborting = true;
    try {
        F.AdvHttp->Abort();
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
    if (FValidators.FeedName != F.CurrentFeed.Name || FValidators.URL != F.CurrentFeed.URL)
        FValidators = TValidators();
    FRequested = TValidators{F.CurrentFeed.Name, F.CurrentFeed.URL, std::string(), std::string()};
    TStringList& headers = F.AdvHttp->RequestHeaders();
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
    F.TrayIcon->SetIconIndex(0);
    F.TrayIcon->SetHint("Fehler: " + text);
}

void TRefreshCycle::AdvHttpError()
{
    if (FAborting || !FFetching)
        return;
    FFetching = false;
    std::string text = TAdvHttp::FailureText(F.AdvHttp->LastError());
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    ShowFailure(text);
}

void TRefreshCycle::AdvHttpRequestComplete()
{
    if (!FFetching)
        return; // a download given up when the feed lost its address
    FFetching = false;
    const int status = F.AdvHttp->StatusCode();
    if (status == 304 && FValidators.Present() && FRequested.FeedName == FValidators.FeedName &&
        FRequested.URL == FValidators.URL) {
        // Not modified: the menu, the balloon's news and the Text page still show the document,
        // and the tray shows what it showed before (a fetching picture left by an interrupted
        // refresh, or a failure since mended, gives way to the document's own state).
        F.TrayIcon->SetIconIndex(FPreviousIconIndex == 1 ? 1 : 0);
        F.TrayIcon->SetHint(FDocumentHint);
        return;
    }
    const std::string codings = HeaderValue(F.AdvHttp->ResponseHeaders(), "Content-Encoding");
    std::string decoded;
    const std::string* body = &F.AdvHttp->ResponseBody();
    if (!codings.empty()) {
        TDecodeStatus s = DecodeContent(codings, *body, decoded);
        if (s != TDecodeStatus::Ok) {
            ShowFailure(DecodeFailureText(s, codings));
            return;
        }
        body = &decoded;
    }
    const std::string charset = ContentTypeCharset(F.AdvHttp->ResponseHeaders().Text());
    std::string document = DisplayDocument(*body, charset, FBuffers);
    if (status < 200 || status > 299) {
        // An error page is shown on the Text page, but it is no document: the menu keeps its
        // headlines and there is no news.
        F.Memo->ShowDocument(FBuffers.Share(std::move(document)));
        ShowFailure("HTTP " + std::to_string(status));
        return;
    }
    // Only a whole document may be asked about later: not one cut short by an abort or a
    // failed read.
    if (status == 200 && F.AdvHttp->LastError() == 0) {
        const TStringList& h = F.AdvHttp->ResponseHeaders();
        FValidators = FRequested;
        FValidators.ETag = HeaderValue(h, "ETag");
        FValidators.LastModified = HeaderValue(h, "Last-Modified");
    }
    ProcessDocument(std::move(document));
}

void TRefreshCycle::ProcessDocument(std::string document)
{
    FDocument = FBuffers.Share(std::move(document));
    feed::TParseResult result =
        feed::Parse(*FDocument, F.MaxEntryEdit->Value(), F.MaxCharEdit->Value(), FBalloon, F.CurrentFeed.URL);
    if (result.MaxEntrys != F.MaxEntryEdit->Value())
        F.MaxEntryEdit->SetValue(result.MaxEntrys);
    F.HeadlineMenu->Rebuild(result);
    FDocumentHint =
        F.BalloonCheck->Checked() ? std::string() : result.Channel.Caption + ":\r" + result.Channel.Description;
    F.TrayIcon->SetHint(FDocumentHint);
    F.DescMemo->SetText(result.Channel.Description);
    // The balloon first: the tray picture's change waits for the shell's round trip.
    const bool news = TopLevelCaption(3) != FRememberedCaption;
    if (news)
        ShowNewsBalloon(5000);
    F.TrayIcon->SetIconIndex(news ? 1 : 0);
    F.TrayIcon->SetPopupMenu(F.PopupMenu);
    // Last: when the Text page is on screen its field takes the text now, after the news is out.
    F.Memo->ShowDocument(FDocument);
}

void TRefreshCycle::PopupMenuPopup()
{
    F.TrayIcon->SetIconIndex(0);
}

void TRefreshCycle::TrayIconClick(TMouseButton button)
{
    if (button != mbLeft)
        return;
    // Before any document has been read there is nothing to show.
    if (!FBalloon.Headline.empty() || !FBalloon.Text.empty())
        ShowNewsBalloon(20000);
    F.TrayIcon->SetIconIndex(0);
}

void TRefreshCycle::ShowNewsBalloon(int visibleTime)
{
    POINT origin = {0, 0};
    ClientToScreen(F.Handle(), &origin);
    POINT anchor = {GetSystemMetrics(SM_CXSCREEN) - origin.x - 30, GetSystemMetrics(SM_CYSCREEN) - origin.y - 20};
    std::string header = WrapText(FBalloon.Headline, F.BalloonWrap->Value() - 10);
    std::string body = WrapText(FBalloon.Text, F.BalloonWrap->Value());
    F.BalloonHint->ShowBalloonAt(&F, anchor, header, body, visibleTime, ikCustom, F.CurrentFeed.IconIndex);
}
