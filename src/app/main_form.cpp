#include "app/main_form.h"

#include <algorithm>

#include "app/info_form.h"
#include "app/res/resource.h"
#include "app/resource_icon.h"
#include "app/settings_file.h"
#include "gui/application.h"
#include "gui/platform_ui.h"
#include "gui/single_instance.h"
#include "net/header_limits.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "rtl/text.h"

TMainForm* MainForm = nullptr;

namespace {

const char* const kLinks[][4] = {
    {"Mehr Feeds", "http://www.quorvane.de/feeds/deutsch/", "http://www.quorvane.de/feeds/international/",
     "http://www.quorvane.de/feeds/technik/"},
    {"Mehr Klips", "http://www.quorvane.de/klips/", nullptr, nullptr},
    {"Mehr Software", "http://www.quorvane.de/", "http://www.quorvane.de/software/", nullptr},
    {"Mehr Feedreader", "http://www.quorvane.de/links/feedreader/", "http://www.quorvane.de/links/aggregatoren/",
     nullptr},
};

} // namespace

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner, "TMainForm")
{
    MainForm = this;
    SetCaption("Einstellungen");
    // One row of Feed page buttons taller than the first program's window, for "Feeds exportieren ...".
    SetClientSize(306, 384);
    SetPosition(poScreenCenter);

    Image2 = new TImage(this, this, 0, 0, 320, 60);
    Image2->SetBitmapResources(IDB_BANNER, IDB_BANNER150, IDB_BANNER200);

    // Creation order is the tab order: RefreshBtn, OKBtn, AboutBtn, PageControl.
    RefreshBtn = new TButton(this, this, "Aktualisieren", 144, 352, 75, 25);
    OKBtn = new TButton(this, this, "OK", 223, 352, 75, 25);
    AboutBtn = new TButton(this, this, "Über ...", 8, 352, 75, 25);
    PageControl = new TPageControl(this, this, 8, 64, 289, 281);
    OKBtn->SetDefault(true);
    SetDefaultButton(OKBtn);

    ProgramSheet = new TTabSheet(this, PageControl, "Programm");
    FeedSheet = new TTabSheet(this, PageControl, "Feed");
    ProxySheet = new TTabSheet(this, PageControl, "Proxy");
    TextSheet = new TTabSheet(this, PageControl, "Text");
    NetSheet = new TTabSheet(this, PageControl, "Links");
    CreateProgramPage();
    CreateFeedPage();
    CreateProxyPage();
    CreateTextAndLinksPages();
    CreateStoredPictures();

    Timer = new TTimer(this);
    Timer->SetInterval(600000);
    // The tray and the menus show pictures at the system's small-icon size.
    const int pictureSize = SmallIconSize(SystemDpi());
    FeedIconList = new TImageList(this, pictureSize, pictureSize);
    TrayIconList = new TImageList(this, pictureSize, pictureSize);
    MenuIconsList = new TImageList(this, pictureSize, pictureSize);
    PopupMenu = new TPopupMenu(this);
    PopupMenu->SetImages(MenuIconsList);
    TrayIcon = new TTrayIcon(this);
    BalloonHint = new TBalloonHint(this);
    AdvHttp = new TAdvHttp(this);
    IconHttp = new TAdvHttp(this);
    OpenDialog = new TOpenDialog(this);
    SaveDialog = new TSaveDialog(this);
    ApplyStoredComponentSettings();

    FeedStore = std::make_unique<TFeedStore>(*FeedIconList, *Memo, *TheIcon, *FolderIco, CurrentFeed, Paths);
    FeedStore->OnRefresh = [this] { TimerTimer(this); };
    FeedStore->OnFeedInfo = [this] { RefreshFeedInfo(); };
    HeadlineMenu = std::make_unique<THeadlineMenu>(*PopupMenu, *MenuIconsList, *FeedIconList, CurrentFeed,
                                                   *CutChannelCheckBox);
    HeadlineMenu->LoadCommandImages();
    HeadlineMenu->OnExit = [this] { Close(); };
    // "Jetzt Aktualisieren" is the user's refresh command, as the settings window's button is.
    HeadlineMenu->OnRefresh = [this] { TimerTimer(RefreshBtn); };
    HeadlineMenu->OnShowSettings = [this] { Show(); };
    HeadlineMenu->OnAbout = [this] { AboutBtnClick(this); };
    Refresh = std::make_unique<TRefreshCycle>(TRefreshParts{
        *AdvHttp, *Timer, *TrayIcon, *TrayIconList, *FeedIconList, *TheIcon, *NewImage, *GetNewsImage, *PopupMenu,
        *HeadlineMenu, *BalloonHint, *this, *DescMemo, *Memo, CurrentFeed, FRefreshSettings});
    Refresh->OnMaxEntrysChanged = [this](int maxEntrys) { MaxEntryEdit->SetValue(maxEntrys); };
    FeedCommands = std::make_unique<TFeedCommands>(
        TFeedCommandParts{*this, *FeedStore, CurrentFeed, Paths, *OpenDialog, *SaveDialog, *PopupMenu,
                          *FeedIconList, *NameEdit, *UrlEdit, *FeedIconImage, *DescMemo, *Memo});
    FeedCommands->OnRefresh = [this](bool created) {
        if (created)
            Refresh->TimerTimer(TRefreshTrigger::NewFeed);
        else
            TimerTimer(this);
    };
    Refresh->OnChoosePageFeed = [](const std::vector<html::TFeedLink>& feeds) { return ChoosePageFeed(feeds); };
    Refresh->OnFeedMoved = [this](const std::string& url) { FeedCommands->MoveCurrentFeed(url); };
    SiteIcons = std::make_unique<TSiteIconFetch>(*IconHttp);
    IconHttp->OnRequestComplete = [this](TObject*) { SiteIcons->HttpRequestComplete(); };
    IconHttp->OnError = [this](TObject*) { SiteIcons->HttpError(); };
    SiteIcons->OnIconWritten = [this](const std::string& feedFile, const std::string& iconFile) {
        SiteIconWritten(feedFile, iconFile);
    };
    Refresh->OnDocumentShown = [this](const std::string& channelLink) {
        SiteIcons->Start(CurrentFeed.File, channelLink, CurrentFeed.URL);
    };

    OnMessage = [this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        return FormMessage(msg, wParam, lParam, result);
    };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
    Timer->OnTimer = [this](TObject* s) { TimerTimer(s); };
    OKBtn->OnClick = [this](TObject* s) { OKBtnClick(s); };
    RefreshBtn->OnClick = [this](TObject* s) { RefreshBtnClick(s); };
    AboutBtn->OnClick = [this](TObject* s) { AboutBtnClick(s); };
    Image2->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Image2MouseDown(s, b, sh, x, y);
    };
    ProxyCheckBox->OnClick = [this](TObject* s) { ProxyCheckBoxClick(s); };
    TreeView->OnClick = [this](TObject* s) { TreeViewClick(s); };
    Memo->OnContextPopup = [this](TObject* s, int x, int y) { MemoContextPopup(s, x, y); };
    AdvHttp->OnRequestComplete = [this](TObject* s) { AdvHttpRequestComplete(s); };
    AdvHttp->OnError = [this](TObject*) { Refresh->AdvHttpError(); };
    TrayIcon->OnClick = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        TrayIconClick(s, b, sh, x, y);
    };
    PopupMenu->OnPopup = [this](TObject* s) { PopupMenuPopup(s); };
    FeedIconImage->OnClick = [this](TObject* s) { FeedIconImageClick(s); };
    NewFeedBtn->OnClick = [this](TObject* s) { NewFeedBtnClick(s); };
    BitBtn1->OnClick = [this](TObject* s) { Klipladen1Click(s); };
    DeleteFeedBtn->OnClick = [this](TObject* s) { DelteFeedBtnClick(s); };
    AddIconBtn->OnClick = [this](TObject* s) { AddIconBtnClick(s); };
    ExportFeedsBtn->OnClick = [this](TObject* s) { ExportFeedsBtnClick(s); };

    DoCreate();
}

TMainForm::~TMainForm()
{
    DestroyComponents();
    if (MainForm == this)
        MainForm = nullptr;
}

TIntEdit* TMainForm::IntRow(TWinControl* page, int y, const char* before, const char* after, int value)
{
    new TStaticText(this, page, before, 8, y + 3);
    TIntEdit* e = new TIntEdit(this, page, 126, y, 36, 21);
    e->SetValue(value);
    new TStaticText(this, page, after, 167, y + 3);
    return e;
}

void TMainForm::CreateProgramPage()
{
    TTabSheet* p = ProgramSheet;
    IntervalEdit = IntRow(p, 10, "Abfrageinterval", "min", 15);
    IntervalEdit->SetRange(1, 400, false);
    MaxEntryEdit = IntRow(p, 38, "zeige nur die letzten", "Überschriften", 15);
    MaxEntryEdit->SetRange(1, 100, true);
    MaxCharEdit = IntRow(p, 66, "zeige maximal", "Zeichen der", 80);
    MaxCharEdit->SetRange(1, 500, false);
    new TStaticText(this, p, "Überschriften", 167, 66 + 17);
    CutChannelCheckBox = new TCheckBox(this, p, "Channelname nicht länger ", 8, 106, 260, 17);
    new TStaticText(this, p, "als die längste Überschrift", 25, 123);
    BalloonCheck = new TCheckBox(this, p, "Balloontip bei neuen", 8, 143, 260, 17);
    BalloonCheck->SetChecked(true);
    new TStaticText(this, p, "Nachrichten anzeigen", 25, 160);
    BalloonWrap = IntRow(p, 178, "Balloontip bei", "Zeichen umbrechen", 80);
    BalloonWrap->SetRange(20, 500, false);
    StartMinCheck = new TCheckBox(this, p, "Einstellungen minimiert starten", 8, 204, 260, 17);
    StartMinCheck->SetChecked(true);
}

void TMainForm::CreateFeedPage()
{
    TTabSheet* p = FeedSheet;
    FeedIconFrame = new TBevel(this, p, TBevel::bsRaisedFrame, 10, 10, 20, 20);
    FeedIconImage = new TImage(this, p, 12, 12, 16, 16);
    FeedIconImage->SetCursor(IDC_HAND);
    NameEdit = new TEdit(this, p, 40, 12, 233, 21, false);
    NameEdit->SetReadOnly(true);
    NameEdit->SetColor(clBtnFace);
    TFontSpec bold;
    bold.Bold = true;
    NameEdit->SetFont(bold);
    NameEdit->SetText("wählen sie ein Feed aus");
    UrlEdit = new TEdit(this, p, 8, 40, 265, 21);
    UrlEdit->SetReadOnly(true);
    UrlEdit->SetColor(clBtnFace);
    DescMemo = new TMemo(this, p, 8, 72, 265, 65, TMemo::ssVertical, true);
    DescMemo->SetReadOnly(true);
    DescMemo->SetColor(clBtnFace);
    FeedSeparator = new TBevel(this, p, TBevel::bsTopLine, 8, 144, 265, 2);
    NewFeedBtn = new TBitBtn(this, p, "Neues Feed ...", 8, 152, 129, 25);
    BitBtn1 = new TBitBtn(this, p, "Klip importieren ...", 144, 152, 129, 25);
    DeleteFeedBtn = new TBitBtn(this, p, "Feed löschen", 8, 184, 129, 25);
    AddIconBtn = new TBitBtn(this, p, "Icon hinzufügen ...", 144, 184, 129, 25);
    ExportFeedsBtn = new TBitBtn(this, p, "Feeds exportieren ...", 144, 216, 129, 25);
    NewFeedBtn->SetGlyphResource(IDI_GLYPH_NEW);
    BitBtn1->SetGlyphResource(IDI_GLYPH_KLIP);
    DeleteFeedBtn->SetGlyphResource(IDI_GLYPH_DELETE);
    AddIconBtn->SetGlyphResource(IDI_GLYPH_ICON);
    ExportFeedsBtn->SetGlyphResource(IDI_GLYPH_EXPORT);
}

void TMainForm::CreateProxyPage()
{
    TTabSheet* p = ProxySheet;
    ProxyCheckBox = new TCheckBox(this, p, "Proxy verwenden", 8, 12, 110, 17);
    StaticText6 = new TStaticText(this, p, "Experimenteller Modus!", 130, 14);
    StaticText6->SetFontColor(clGray);
    PortLabel = new TLabel(this, p, "Port", 8, 47);
    ProxyPortEdit = new TIntEdit(this, p, 80, 44, 57, 21);
    ProxyPortEdit->SetValue(1080);
    ProxyHostLabel = new TLabel(this, p, "Proxy Host", 8, 75);
    ProxyHostEdit = new TEdit(this, p, 80, 72, 185, 21);
    ProxyUserLabel = new TLabel(this, p, "Benutzer", 8, 103);
    ProxyUserEdit = new TEdit(this, p, 80, 100, 185, 21);
    ProxyPassLabel = new TLabel(this, p, "Passwort", 8, 131);
    ProxyPassEdit = new TEdit(this, p, 80, 128, 185, 21);
    PortLabel->SetFocusControl(ProxyPortEdit);
    ProxyHostLabel->SetFocusControl(ProxyHostEdit);
    ProxyUserLabel->SetFocusControl(ProxyUserEdit);
    ProxyPassLabel->SetFocusControl(ProxyPassEdit);
    // The layout state: all switched off until the check box says otherwise.
    for (TWinControl* c : {static_cast<TWinControl*>(ProxyPortEdit), static_cast<TWinControl*>(ProxyHostEdit),
                           static_cast<TWinControl*>(ProxyUserEdit), static_cast<TWinControl*>(ProxyPassEdit)}) {
        c->SetColor(clBtnFace);
        c->SetEnabled(false);
    }
    for (TLabel* l : {PortLabel, ProxyHostLabel, ProxyUserLabel, ProxyPassLabel})
        l->SetEnabled(false);
}

void TMainForm::CreateTextAndLinksPages()
{
    const int w = TextSheet->ClientWidth(), h = TextSheet->ClientHeight();
    Memo = new TDocumentMemo(this, TextSheet, 0, 0, w, h, TMemo::ssBoth, false);
    Memo->SetText("Memo");
    TreeView = new TTreeView(this, NetSheet, 0, 0, w, h);
    TreeView->SetIndent(19);
    for (const auto& row : kLinks) {
        HTREEITEM category = TreeView->AddNode(nullptr, row[0]);
        for (int i = 1; i < 4 && row[i]; ++i)
            TreeView->AddNode(category, row[i]);
    }
}

void TMainForm::CreateStoredPictures()
{
    // Stored images, placed outside the client area and never shown.
    // They are drawn over and into the tray's and menus' pictures, so they come at that size.
    TheIcon = new TImage(this, this, -100, -100, 16, 16);
    FolderIco = new TImage(this, this, -100, -100, 16, 16);
    NewImage = new TImage(this, this, -100, -100, 16, 16);
    GetNewsImage = new TImage(this, this, -100, -100, 16, 16);
    const int size = SmallIconSize(SystemDpi());
    TheIcon->SetIcon(LoadResourceIcon(IDI_THEICON, size));
    FolderIco->SetIcon(LoadResourceIcon(IDI_FOLDERICO, size));
    NewImage->SetIcon(LoadResourceIcon(IDI_NEWIMAGE, size));
    GetNewsImage->SetIcon(LoadResourceIcon(IDI_GETNEWSIMAGE, size));
    for (TImage* i : {TheIcon, FolderIco, NewImage, GetNewsImage})
        i->SetVisible(false);
}

void TMainForm::SetSavedPosition(int left, int top)
{
    RECT size = PixelBounds();
    RECT r = {left, top, left + size.right - size.left, top + size.bottom - size.top};
    // A position on no monitor (a screen since removed) would hide the window: centre it instead.
    if (RectOnSomeMonitor(r)) {
        SetPosition(poDesigned);
        MoveToScreenPoint(left, top);
    } else {
        SetPosition(poScreenCenter);
    }
}

void TMainForm::ApplySettings(const TSettings& s)
{
    SetSavedPosition(s.Left, s.Top);
    CurrentFeed.Name = s.FeedName;
    StartMinCheck->SetChecked(s.StartMinimized);
    IntervalEdit->SetValue(s.Interval);
    MaxEntryEdit->SetValue(s.MaxEntrys);
    MaxCharEdit->SetValue(s.MaxChars);
    CutChannelCheckBox->SetChecked(s.CutChannelname);
    BalloonCheck->SetChecked(s.Balloonhint);
    BalloonWrap->SetValue(s.Balloonwrap);
    // A change of the check box runs its click handler, which switches the proxy fields.
    ProxyCheckBox->SetChecked(s.ProxyEnabled);
    ProxyPortEdit->SetValue(s.ProxyPort);
    ProxyHostEdit->SetText(s.ProxyHost);
    ProxyUserEdit->SetText(s.ProxyUser);
    ProxyPassEdit->SetText(s.ProxyPass);
}

TSettings TMainForm::CurrentSettings() const
{
    TSettings s;
    RECT r = {};
    GetWindowRect(Handle(), &r);
    s.Top = r.top;
    s.Left = r.left;
    s.FeedName = CurrentFeed.Name;
    s.StartMinimized = StartMinCheck->Checked();
    s.Interval = IntervalEdit->Value();
    s.MaxEntrys = MaxEntryEdit->Value();
    s.MaxChars = MaxCharEdit->Value();
    s.CutChannelname = CutChannelCheckBox->Checked();
    s.Balloonhint = BalloonCheck->Checked();
    s.Balloonwrap = BalloonWrap->Value();
    s.ProxyEnabled = ProxyCheckBox->Checked();
    s.ProxyPort = ProxyPortEdit->Value();
    s.ProxyHost = ProxyHostEdit->Text();
    s.ProxyUser = ProxyUserEdit->Text();
    s.ProxyPass = ProxyPassEdit->Text();
    return s;
}

void TMainForm::FormCreate(TObject*)
{
    Application->SetHintColor(clWindow);
    Paths = TAppPaths::FromProgramFile(rtl::ProgramFileName());
    // The refresh cycle starts with no remembered caption: the first refresh counts as news.
    TrayIcon->SetIconIndex(TrayPicture(TTrayStatus::Plain));
    PageControl->SetActivePage(ProgramSheet);
    ApplySettings(TSettingsFile(Paths.SettingsFile).Load());
    SetShowOnRun(false);
    if (!StartMinCheck->Checked())
        Show();
    Timer->SetInterval(TimerInterval(IntervalEdit->Value()));
    HeadlineMenu->CreateFixedEntries();
    FeedStore->SetFeedsEntry(HeadlineMenu->NewsfeedsEntry());
    // A feed file that cannot be read ends the build at that entry, not the start-up: the feeds
    // read so far are listed and the saved one is still looked for among them.
    try {
        FeedStore->Rebuild();
    } catch (const std::exception& e) {
        Application->HandleException(e);
    }
    FeedStore->FindFeedByName(CurrentFeed.Name, HeadlineMenu->NewsfeedsEntry());
    // The Feed page is filled before the first download starts: a download can finish while the
    // tray talks to the shell, and showing the feed afterwards would empty its description.
    RefreshFeedInfo();
    if (!CurrentFeed.URL.empty())
        TimerTimer(this);
    // Said once, in the tooltip, while nothing else has been said there: a message box would
    // greet every start until the folder is mended, and one that waits for an answer in the
    // middle of the start holds up the first download and "Beenden".
    const std::string notice = FeedFolderNotice();
    if (!notice.empty() && (CurrentFeed.URL.empty() || Refresh->Fetching()))
        TrayIcon->SetHint(notice);
    TreeView->FullExpand();
    FInstanceKey = InstanceKeyOf(Paths.SettingsFile);
    FAnswersOtherStarts = true;
}

namespace {

// "<what>: <first name> (und <n> weitere)"; names below the feed folder, since the tooltip holds
// fewer than 128 characters.
std::string Naming(const char* what, const std::vector<std::string>& paths, const std::string& feedFolder,
                   bool lastPartOnly)
{
    if (paths.empty())
        return "";
    std::string name = paths.front().substr(std::min(feedFolder.size(), paths.front().size()));
    if (lastPartOnly)
        name = rtl::ExtractFileName(name);
    if (paths.size() > 1)
        name += " (und " + std::to_string(paths.size() - 1) + " weitere)";
    return what + (": " + name);
}

} // namespace

// What the start found wrong in the feed folder, for the tooltip: damaged icons first, then the
// entries left out for their path's length (named by their own name: the path is the problem).
std::string TMainForm::FeedFolderNotice() const
{
    std::string damaged = Naming("Ungültige Icon-Datei", FeedStore->DamagedIcons(), Paths.FeedFolder, false);
    std::string tooLong = Naming("Pfad zu lang, übergangen", FeedStore->TooLongPaths(), Paths.FeedFolder, true);
    return damaged + (!damaged.empty() && !tooLong.empty() ? "\r\n" : "") + tooLong;
}

void TMainForm::FormDestroy(TObject*)
{
    // A start from now on waits for this program to end instead.
    FAnswersOtherStarts = false;
    SaveSettingsAtExit();
    if (AdvHttp->Busy())
        AdvHttp->Abort();
    if (IconHttp->Busy())
        IconHttp->Abort();
    FeedIconList->Clear();
}

// Messages from outside: another start of this program for the same settings file, which ends
// once this one shows its settings window; and the machine's sleep and wake, after which the
// refresh the timer missed comes once, a few seconds on, when the network is back.
bool TMainForm::FormMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (msg == InstanceMessage()) {
        if (!FAnswersOtherStarts || wParam != FInstanceKey)
            return false;
        Show();
        result = kInstanceShown;
        return true;
    }
    if (msg != WM_POWERBROADCAST)
        return false;
    if (wParam == PBT_APMSUSPEND)
        FResumeRefresh.Suspended();
    else if ((wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) &&
             FResumeRefresh.Resumed(GetTickCount64()) && Timer->Interval() > 0) {
        Timer->SetInterval(kResumeRefreshDelayMs);
        FResumeTickArmed = true;
    }
    result = TRUE;
    return true;
}

// A settings file that cannot be written (read-only, say, or in a folder that refuses it) is said
// so, and the user may mend it and try again; "Abbrechen" ends the program without the settings,
// the file keeping what it held. At the end of the Windows session nobody is there to answer, and
// a box would hold up the shutdown until the system ends the process anyway: the write is tried
// once, and a failure goes unsaid.
void TMainForm::SaveSettingsAtExit()
{
    const TSettings settings = CurrentSettings();
    for (;;) {
        try {
            TSettingsFile(Paths.SettingsFile).Save(settings);
            return;
        } catch (const EIniFileException& e) {
            if (SessionEnded())
                return;
            // No refresh starts while the question waits.
            Timer->SetEnabled(false);
            if (!RetryMessage(std::string("Die Einstellungen konnten nicht gespeichert werden.\n\n") + e.what() +
                              "\n\n„Wiederholen“ versucht es noch einmal, „Abbrechen“ beendet das Programm ohne "
                              "sie."))
                return;
        }
    }
}

// Every refresh comes through here; only the timer's own ticks are held off from a server that
// asked for it or keeps failing, and only the user's refresh command (the button, and the menu's
// "Jetzt Aktualisieren" in its name) may ask for credentials.
void TMainForm::TimerTimer(TObject* Sender)
{
    // The tick after a wake: the timer goes back to the interval also when the refresh is held off.
    if (FResumeTickArmed) {
        FResumeTickArmed = false;
        Timer->SetInterval(TimerInterval(IntervalEdit->Value()));
    }
    Refresh->TimerTimer(Sender == Timer        ? TRefreshTrigger::Timer
                        : Sender == RefreshBtn ? TRefreshTrigger::Command
                                               : TRefreshTrigger::User);
}

void TMainForm::AdvHttpRequestComplete(TObject*)
{
    Refresh->AdvHttpRequestComplete();
}

void TMainForm::TrayIconClick(TObject*, TMouseButton Button, TShiftState, int, int)
{
    Refresh->TrayIconClick(Button);
}

void TMainForm::PopupMenuPopup(TObject*)
{
    Refresh->PopupMenuPopup();
}

// The settings the form's components are stored with.
void TMainForm::ApplyStoredComponentSettings()
{
    TrayIcon->SetLoading(true);
    TrayIcon->SetIcon(TheIcon->Icon());
    TrayIcon->SetIconIndex(-1);
    TrayIcon->SetIcons(TrayIconList);
    TrayIcon->SetPopupMenu(PopupMenu);
    TrayIcon->SetSnap(true);
    TrayIcon->SetVisibility(TTrayVisibilities{tvVisibleTaskList, tvAutoHide, tvRestoreDbClick, tvMinimizeDbClick});
    TrayIcon->SetLoading(false);
    TrayIcon->SetActive(true);

    BalloonHint->SetCustomAnimationStyle(atNone);
    BalloonHint->SetCustomAnimationTime(0);
    BalloonHint->SetDefaultBalloonPosition(bpRightUp);
    BalloonHint->SetDefaultHeader("Hallo");
    BalloonHint->SetImages(FeedIconList);
    BalloonHint->SetOptions(TBalloonOptions{boShowCloseBtn, boCustomAnimation});
    BalloonHint->SetApplicationHintOptions(
        TApplicationHintOptions{ahShowHeaderInHint, ahShowIconInHint, ahUseBalloonAsHint});

    AdvHttp->SetConnectTimeout(30000);
    AdvHttp->SetMaxBodySize(64u << 20);
    AdvHttp->SetMaxHeaderLines(static_cast<int>(kMaxHeaderLines));
    AdvHttp->SetUserAgent("Lindqar WinInet Component");
    AdvHttp->SetURL("http://localhost/");
    AdvHttp->SetURLPath("/");
    AdvHttp->SetHostName("localhost");
    AdvHttp->SetMethod("GET");
    AdvHttp->SetAuthRetries(3);
    // A feed reader takes no forged server for the real one: certificates are checked. Redirects
    // are followed by the refresh, which tells a feed that moved for good from one that did not.
    // Feeds need no cookies: a server's flood of them would ride along with every later request.
    AdvHttp->SetInternetFlags(
        (kDefaultInternetFlags & ~(InternetFlag(ifIgnoreCertCnInvalid) | InternetFlag(ifIgnoreCertDateInvalid))) |
        InternetFlag(ifNoAutoRedirect) | InternetFlag(ifNoCookies));

    OpenDialog->SetOptions(ofPathMustExist | ofFileMustExist | ofEnableSizing);

    // A site's icon is small and never worth a wait: no credentials dialog, short time-outs.
    IconHttp->SetConnectTimeout(10000);
    IconHttp->SetStallTimeout(10000);
    IconHttp->SetTotalTimeout(20000);
    IconHttp->SetMaxBodySize(1u << 20);
    IconHttp->SetMaxHeaderLines(static_cast<int>(kMaxHeaderLines));
    IconHttp->SetUserAgent("Lindqar WinInet Component");
    IconHttp->SetDefaultUi(false);
    IconHttp->SetAuthRetries(0);
    IconHttp->SetInternetFlags(
        (kDefaultInternetFlags & ~(InternetFlag(ifIgnoreCertCnInvalid) | InternetFlag(ifIgnoreCertDateInvalid))) |
        InternetFlag(ifNoCookies));
}

namespace {

TMenuItem* EntryOfFeedFile(TMenuItem* level, const std::string& feedFile)
{
    for (int i = 0; i < level->Count(); ++i) {
        TMenuItem* e = level->Items(i);
        if (IsFeedEntry(e) ? FeedFileOf(e) == feedFile : false)
            return e;
        if (TMenuItem* deeper = EntryOfFeedFile(e, feedFile))
            return deeper;
    }
    return nullptr;
}

} // namespace

void TMainForm::SiteIconWritten(const std::string& feedFile, const std::string& iconFile)
{
    TMenuItem* entry = FeedStore->FeedsEntry() ? EntryOfFeedFile(FeedStore->FeedsEntry(), feedFile) : nullptr;
    if (!entry)
        return;
    try {
        const TIconHandle icon = LoadFeedIcon(iconFile);
        FeedIconList->ReplaceIcon(FeedImageOfTag(entry->Tag()), icon.Get());
    } catch (const std::exception&) {
        return; // the next listing of the folder shows it, or the built-in picture
    }
    if (feedFile != CurrentFeed.File)
        return;
    // The channel entry of the tray menu and the Feed page show the current feed's picture too.
    const TIconHandle shown = FeedIconList->GetIcon(CurrentFeed.IconIndex);
    if (MenuIconsList->Count() > kImageChannel)
        MenuIconsList->ReplaceIcon(kImageChannel, shown.Get());
    FeedIconImage->SetIcon(FeedIconList->GetIcon(CurrentFeed.IconIndex));
}

void TMainForm::OKBtnClick(TObject*)
{
    if (IsWindowVisible(Handle()))
        PostMessage(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TMainForm::RefreshBtnClick(TObject* Sender)
{
    TimerTimer(Sender);
}

void TMainForm::AboutBtnClick(TObject*)
{
    if (InfoForm)
        InfoForm->Show();
}

void TMainForm::Image2MouseDown(TObject*, TMouseButton, TShiftState, int, int)
{
    ReleaseCapture();
    // SC_MOVE with the caption hit-test code: the window follows the mouse like a title-bar drag.
    SendMessage(Handle(), WM_SYSCOMMAND, 0xF012, 0);
}

void TMainForm::ProxyCheckBoxClick(TObject*)
{
    bool on = ProxyCheckBox->Checked();
    for (TWinControl* c : {static_cast<TWinControl*>(ProxyPortEdit), static_cast<TWinControl*>(ProxyHostEdit),
                           static_cast<TWinControl*>(ProxyUserEdit), static_cast<TWinControl*>(ProxyPassEdit)}) {
        c->SetColor(on ? clWindow : clBtnFace);
        c->SetEnabled(on);
    }
    for (TLabel* l : {PortLabel, ProxyHostLabel, ProxyUserLabel, ProxyPassLabel})
        l->SetEnabled(on);
}

void TMainForm::TreeViewClick(TObject*)
{
    std::string text = TreeView->NodeText(TreeView->Selected());
    if (rtl::Copy(text, 1, 4) == "http")
        PlatformUi().ShellOpen(Handle(), "open", text, "", "", SW_SHOW);
}

// The text page's context menu is the tray menu.
void TMainForm::MemoContextPopup(TObject*, int X, int Y)
{
    if (X == -1 && Y == -1) {
        // From the keyboard: at the field's top-left corner.
        RECT r;
        GetWindowRect(Memo->Handle(), &r);
        X = r.left;
        Y = r.top;
    }
    PopupMenu->Popup(X, Y, Memo->Handle());
}

void TMainForm::RefreshFeedInfo()
{
    FeedCommands->RefreshFeedInfo();
}

void TMainForm::MakeFeedCurrent(const std::string& name)
{
    FeedCommands->MakeFeedCurrent(name);
}

void TMainForm::FeedIconImageClick(TObject*)
{
    FeedCommands->FeedIconImageClick();
}

void TMainForm::NewFeedBtnClick(TObject*)
{
    FeedCommands->NewFeedBtnClick();
}

void TMainForm::DelteFeedBtnClick(TObject*)
{
    FeedCommands->DelteFeedBtnClick();
}

void TMainForm::Klipladen1Click(TObject*)
{
    FeedCommands->Klipladen1Click();
}

void TMainForm::AddIconBtnClick(TObject*)
{
    FeedCommands->AddIconBtnClick();
}

void TMainForm::ExportFeedsBtnClick(TObject*)
{
    FeedCommands->ExportFeedsBtnClick();
}
