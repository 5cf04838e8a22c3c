#include "app/refresh_cycle.h"

#include <vector>

#include "app/ansi_document.h"
#include "app/document_encoding.h"
#include "app/main_form.h"
#include "app/overlay_icon.h"
#include "app/wrap_text.h"
#include "gui/application.h"
#include "gui/handles.h"

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
    auto applyInterval = [this] { F.Timer->SetInterval(static_cast<unsigned>(F.IntervalEdit->Value()) * 60000u); };
    // Without a current feed there is nothing to fetch; a user without feeds is not shown an
    // error at every tick.
    if (F.CurrentFeed.URL.empty()) {
        applyInterval();
        return;
    }
    F.TrayIcon->SetHint("Verbinde mit Server ...");
    F.TrayIconList->Clear();
    TIconHandle feedIcon(F.FeedIconList->GetIcon(F.CurrentFeed.IconIndex));
    if (!feedIcon)
        feedIcon.Reset(CopyIcon(F.TheIcon->Icon()));
    F.TrayIconList->AddIcon(feedIcon.Get());
    TIconHandle news(OverlayIcon(F.NewImage->Icon(), feedIcon.Get()));
    F.TrayIconList->AddIcon(news.Get());
    TIconHandle fetching(OverlayIcon(F.GetNewsImage->Icon(), feedIcon.Get()));
    F.TrayIconList->AddIcon(fetching.Get());
    applyInterval();
    F.TrayIcon->SetIconIndex(2);
    Application->ProcessMessages();
    if (F.AdvHttp->Busy()) {
        // The abort's own "cancelled" report is not a failure of the new download.
        FAborting = true;
        try {
            F.AdvHttp->Abort();
        } catch (...) {
            FAborting = false;
            throw;
        }
        FAborting = false;
    }
    if (F.ProxyCheckBox->Checked()) {
        F.AdvHttp->SetProxy(F.ProxyHostEdit->Text() + ":" + std::to_string(F.ProxyPortEdit->Value()));
        F.AdvHttp->SetProxyUserName(F.ProxyUserEdit->Text());
        F.AdvHttp->SetProxyPassword(F.ProxyPassEdit->Text());
    }
    F.AdvHttp->SetMethod("GET");
    try {
        F.AdvHttp->SetURL(F.CurrentFeed.URL);
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

void TRefreshCycle::AdvHttpError()
{
    if (FAborting || !FFetching)
        return;
    FFetching = false;
    F.TrayIcon->SetIconIndex(0);
    std::string text = TAdvHttp::FailureText(F.AdvHttp->LastError());
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    F.TrayIcon->SetHint("Fehler: " + text);
}

void TRefreshCycle::AdvHttpRequestComplete()
{
    FFetching = false;
    F.Memo->Clear();
    // The Text page shows the document as the parser reads it: in the ANSI code page, CR LF.
    const std::string charset = ContentTypeCharset(F.AdvHttp->ResponseHeaders().Text());
    F.Memo->SetText(ToCrLf(DocumentToAnsi(F.AdvHttp->ResponseBody(), charset)));
    int status = F.AdvHttp->StatusCode();
    if (status < 200 || status > 299) {
        // An error page is shown on the Text page, but it is no document: the menu keeps its
        // headlines and there is no news.
        F.TrayIcon->SetIconIndex(0);
        F.TrayIcon->SetHint("Fehler: HTTP " + std::to_string(status));
        return;
    }
    ProcessDocument();
}

void TRefreshCycle::ProcessDocument()
{
    std::string document = F.Memo->Text();
    feed::TParseResult result = feed::Parse(document, F.MaxEntryEdit->Value(), F.MaxCharEdit->Value(), FBalloon,
                                              F.CurrentFeed.URL);
    if (result.MaxEntrys != F.MaxEntryEdit->Value())
        F.MaxEntryEdit->SetValue(result.MaxEntrys);
    F.HeadlineMenu->Rebuild(result);
    if (F.BalloonCheck->Checked())
        F.TrayIcon->SetHint("");
    else
        F.TrayIcon->SetHint(result.Channel.Caption + ":\r" + result.Channel.Description);
    F.DescMemo->SetText(result.Channel.Description);
    F.TrayIcon->SetIconIndex(TopLevelCaption(3) != FRememberedCaption ? 1 : 0);
    if (F.TrayIcon->IconIndex() == 1)
        ShowNewsBalloon(5000);
    F.TrayIcon->SetPopupMenu(F.PopupMenu);
}

void TRefreshCycle::PopupMenuPopup()
{
    F.TrayIcon->SetIconIndex(0);
}

void TRefreshCycle::TrayIconClick(TMouseButton button)
{
    if (button != mbLeft)
        return;
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
