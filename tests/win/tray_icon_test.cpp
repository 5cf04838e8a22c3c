#include "tray/tray_icon.h"

#include "rtl/wide.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/forms.h"
#include "gui/image_list.h"
#include "gui/menus.h"
#include "test_support.h"

namespace {

struct TCall {
    DWORD Message;
    NOTIFYICONDATAW Data;
};

// Stands in for the shell: records every request, and names a taskbar window of its choosing.
class TRecordingShell : public TShellTray {
public:
    TRecordingShell() { SetShellTray(this); }
    ~TRecordingShell() override { SetShellTray(nullptr); }
    BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) override
    {
        Calls.push_back({message, *data});
        return TRUE;
    }
    HWND FindTaskbar() override { return Taskbar; }
    std::vector<DWORD> Messages() const
    {
        std::vector<DWORD> m;
        for (const TCall& c : Calls)
            m.push_back(c.Message);
        return m;
    }
    std::vector<TCall> Calls;
    HWND Taskbar = reinterpret_cast<HWND>(0x1000);
};

DWORD NewShellVersion()
{
    return 0x00060000;
}
DWORD OldShellVersion()
{
    return 0x00040047;
}

struct TEvent {
    std::string Name;
    TMouseButton Button;
    TShiftState Shift;
    int X, Y;
};

// Closes whatever menu is open once the menu loop runs.
void CALLBACK EndMenuSoon(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    EndMenu();
}

class TrayIconTest : public testing::Test {
protected:
    TApplication App;
    TScriptedUi Ui;
    TRecordingShell Shell;
    TTrayIcon* Tray = nullptr;
    std::vector<TEvent> Events;

    void SetUp() override
    {
        SetShellVersionQuery(&NewShellVersion);
        App.Initialize();
        App.SetTitle("Quorvane");
        Tray = new TTrayIcon(&App);
    }
    void TearDown() override { SetShellVersionQuery(nullptr); }

    LRESULT Callback(UINT code) { return SendMessageW(Tray->Handle(), kTrayCallbackMessage, 1, code); }
    void Record()
    {
        auto rec = [this](const char* name) {
            return [this, name](TObject*, TMouseButton b, TShiftState s, int x, int y) {
                Events.push_back({name, b, s, x, y});
            };
        };
        Tray->OnMouseDown = rec("down");
        Tray->OnMouseUp = rec("up");
        Tray->OnClick = rec("click");
    }
    std::vector<std::string> EventNames() const
    {
        std::vector<std::string> n;
        for (const TEvent& e : Events)
            n.push_back(e.Name);
        return n;
    }
};

TEST_F(TrayIconTest, ANewComponentHasTheDocumentedDefaults)
{
    EXPECT_FALSE(Tray->Active());
    EXPECT_FALSE(Tray->Animated());
    EXPECT_EQ(Tray->Icon(), nullptr);
    EXPECT_EQ(Tray->IconIndex(), 0);
    EXPECT_EQ(Tray->Icons(), nullptr);
    EXPECT_EQ(Tray->Hint(), "");
    EXPECT_EQ(Tray->DropDownMenu(), nullptr);
    EXPECT_EQ(Tray->PopupMenu(), nullptr);
    EXPECT_EQ(Tray->Delay(), 100u);
    EXPECT_FALSE(Tray->Snap());
    EXPECT_EQ(Tray->Visibility(), (TTrayVisibilities{tvVisibleTaskBar, tvVisibleTaskList, tvAutoHide}));
    EXPECT_TRUE(Tray->ApplicationShown());
    EXPECT_TRUE(IsWindow(Tray->Handle()));
    EXPECT_FALSE(IsWindowVisible(Tray->Handle()));
    EXPECT_TRUE(Shell.Calls.empty());
}

TEST_F(TrayIconTest, RegistrationOnANewShellAddsTheIconAndSetsTheVersion)
{
    Tray->SetHint("Quorvane|lange Beschreibung");
    Tray->SetActive(true);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    const NOTIFYICONDATAW& d = Shell.Calls[0].Data;
    EXPECT_EQ(d.cbSize, NotifyRecordSize(true));
    EXPECT_EQ(d.hWnd, Tray->Handle());
    EXPECT_EQ(d.uID, 1u);
    EXPECT_EQ(d.uCallbackMessage, 1025u);
    EXPECT_EQ(d.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_EQ(rtl::WideToUtf8(d.szTip), "Quorvane");
    EXPECT_EQ(d.uVersion, 3u);
    EXPECT_EQ(d.dwState, 0u);
    EXPECT_EQ(d.dwStateMask, 0u);
    // Without an icon of its own it shows a copy of the application's.
    ASSERT_NE(d.hIcon, nullptr);
    EXPECT_EQ(d.hIcon, Tray->Icon());
    EXPECT_TRUE(Tray->Active());
    // Writing True again adds again; nothing is removed first.
    Tray->SetActive(true);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_ADD, NIM_SETVERSION}));
    Tray->SetActive(false);
    EXPECT_EQ(Shell.Calls.back().Message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_FALSE(Tray->Active());
}

TEST_F(TrayIconTest, TheRecordSizeFollowsTheShellVersion)
{
#ifndef _WIN64
    EXPECT_EQ(NotifyRecordSize(false), 152u);
    EXPECT_EQ(NotifyRecordSize(true), 936u);
#endif
    EXPECT_EQ(NotifyRecordSize(false), offsetof(NOTIFYICONDATAW, szTip) + 64 * sizeof(WCHAR));
    EXPECT_EQ(NotifyRecordSize(true), offsetof(NOTIFYICONDATAW, guidItem));
    SetShellVersionQuery(&OldShellVersion);
    Tray->SetActive(true);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD}));
    EXPECT_EQ(Shell.Calls[0].Data.cbSize, NotifyRecordSize(false));
}

int g_queries = 0;
DWORD FailOnceThenVersion6()
{
    return ++g_queries == 1 ? 0 : 0x00060001;
}

TEST_F(TrayIconTest, TheShellVersionIsCachedAndAFailedQueryIsRetried)
{
    g_queries = 0;
    SetShellVersionQuery(&FailOnceThenVersion6);
    EXPECT_FALSE(IsNewShell());
    EXPECT_EQ(g_queries, 1);
    EXPECT_TRUE(IsNewShell());
    EXPECT_EQ(g_queries, 2);
    EXPECT_EQ(ShellVersion(), 0x00060001u);
    EXPECT_TRUE(IsNewShell());
    EXPECT_EQ(g_queries, 2);
    // The real version resource of this system's shell32.
    EXPECT_GT(ReadShellVersion(), 0x0004FFFFu);
}

TEST_F(TrayIconTest, OnAnOldShellCrLfInTheHintBecomesADashAndTheTipIsCutAt63)
{
    SetShellVersionQuery(&OldShellVersion);
    Tray->SetHint("Nachrichten\r\nHeute");
    EXPECT_EQ(Tray->Hint(), "Nachrichten - Heute");
    Tray->SetHint(std::string(100, 'x'));
    Tray->SetActive(true);
    EXPECT_EQ(std::wcslen(Shell.Calls[0].Data.szTip), 63u);

    SetShellVersionQuery(&NewShellVersion);
    Tray->SetHint("Nachrichten\r\nHeute");
    EXPECT_EQ(Tray->Hint(), "Nachrichten\r\nHeute");
}

TEST_F(TrayIconTest, AHintReachesTheShellOnlyWithTheNextMouseMove)
{
    Tray->SetActive(true);
    Shell.Calls.clear();
    Tray->SetHint("Verbinde mit Server ...");
    EXPECT_TRUE(Shell.Calls.empty());
    Callback(WM_MOUSEMOVE);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
    EXPECT_EQ(rtl::WideToUtf8(Shell.Calls[0].Data.szTip), "Verbinde mit Server ...");
    EXPECT_EQ(Shell.Calls[0].Data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    // The same hint is not pushed twice.
    Callback(WM_MOUSEMOVE);
    EXPECT_EQ(Shell.Calls.size(), 1u);
}

TEST_F(TrayIconTest, ALongHintShowsItsFirst127CharactersAndABarEndsTheShortPart)
{
    std::string hint;
    for (int i = 0; i < 200; ++i)
        hint += static_cast<char>('a' + i % 26);
    Tray->SetActive(true);
    Tray->SetHint(hint);
    Callback(WM_MOUSEMOVE);
    EXPECT_EQ(rtl::WideToUtf8(Shell.Calls.back().Data.szTip), hint.substr(0, 127));
    Tray->SetHint("A|B");
    Callback(WM_MOUSEMOVE);
    EXPECT_EQ(rtl::WideToUtf8(Shell.Calls.back().Data.szTip), "A");
}

// The record's tip holds 127 UTF-16 units: a cut there never splits a surrogate pair, separates
// a letter from its mark or breaks an emoji sequence; what fits whole is kept.
TEST_F(TrayIconTest, TheTipIsCutAtACharacterBoundary)
{
    const std::string pad(125, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {pad + "Новости", pad + "Но"},     {pad + "ab🚀", pad + "ab"}, // the pair would end at unit 128
        {pad + "a🚀", pad + "a"},                                      // the pair would take units 127 and 128
        {pad + "e\u0301\u0301", pad},      // a letter with two marks is one character: it goes whole
        {pad + "ae\u0301", pad + "a"},     // the letter would lose its mark
        {pad + "👍🏽", pad},           // no skin tone without its hand
        {pad + "👨‍👩‍👧", pad}, // a joined family stays whole or goes
    };
    Tray->SetActive(true);
    for (const auto& [hint, tip] : cases) {
        Tray->SetHint(hint);
        Callback(WM_MOUSEMOVE);
        EXPECT_EQ(rtl::WideToUtf8(Shell.Calls.back().Data.szTip), tip) << hint;
    }
}

TEST_F(TrayIconTest, AnIconIndexOutsideTheListReadsBackMinusOneAndKeepsThePicture)
{
    TImageList* icons = new TImageList(&App);
    icons->AddIcon(LoadIcon(nullptr, IDI_WARNING));
    Tray->SetIcons(icons);
    Tray->SetIcon(LoadIcon(nullptr, IDI_ERROR));
    Tray->SetActive(true);
    HICON before = Tray->Icon();
    Shell.Calls.clear();
    Tray->SetIconIndex(1);
    EXPECT_EQ(Tray->IconIndex(), -1);
    EXPECT_EQ(Tray->Icon(), before);
    Tray->SetIconIndex(-1);
    EXPECT_EQ(Tray->IconIndex(), -1);
    EXPECT_TRUE(Shell.Calls.empty());
    Tray->SetIconIndex(0);
    EXPECT_EQ(Tray->IconIndex(), 0);
    EXPECT_NE(Tray->Icon(), before);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
    EXPECT_EQ(Shell.Calls[0].Data.hIcon, Tray->Icon());
    EXPECT_EQ(Shell.Calls[0].Data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    // Without a list every index reads back -1.
    Free(icons);
    EXPECT_EQ(Tray->Icons(), nullptr);
    Tray->SetIconIndex(0);
    EXPECT_EQ(Tray->IconIndex(), -1);
}

TEST_F(TrayIconTest, TheShownListPictureIsSentAgainOnlyAfterTheListOrIconChanged)
{
    TImageList* icons = new TImageList(&App);
    for (LPCTSTR id : {IDI_WARNING, IDI_ERROR})
        icons->AddIcon(LoadIcon(nullptr, id));
    Tray->SetIcons(icons);
    Tray->SetActive(true);
    Tray->SetIconIndex(1);
    Shell.Calls.clear();
    Tray->SetIconIndex(1);
    EXPECT_TRUE(Shell.Calls.empty());
    icons->ReplaceIcon(1, LoadIcon(nullptr, IDI_INFORMATION));
    Tray->SetIconIndex(1);
    Tray->SetIcon(LoadIcon(nullptr, IDI_QUESTION));
    Tray->SetIconIndex(1);
    Tray->SetIconIndex(0);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>(4, NIM_MODIFY)));
}

TEST_F(TrayIconTest, WritingTheIconKeepsACopyAndModifiesAnActiveIcon)
{
    HICON given = LoadIcon(nullptr, IDI_QUESTION);
    Tray->SetIcon(given);
    EXPECT_NE(Tray->Icon(), nullptr);
    EXPECT_NE(Tray->Icon(), given);
    EXPECT_TRUE(Shell.Calls.empty());
    Tray->SetActive(true);
    Shell.Calls.clear();
    Tray->SetIcon(LoadIcon(nullptr, IDI_INFORMATION));
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
    EXPECT_EQ(Shell.Calls[0].Data.hIcon, Tray->Icon());
}

TEST_F(TrayIconTest, ARestartedTaskbarIsNoticedWhenTheHintOrIconIsWritten)
{
    Tray->SetActive(true);
    Shell.Calls.clear();
    Tray->SetHint("gleich");
    EXPECT_TRUE(Shell.Calls.empty());
    Shell.Taskbar = reinterpret_cast<HWND>(0x2000);
    Tray->SetHint("neu");
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_SETVERSION}));
    Shell.Calls.clear();
    Shell.Taskbar = reinterpret_cast<HWND>(0x3000);
    Tray->SetIcon(LoadIcon(nullptr, IDI_WARNING));
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_SETVERSION, NIM_MODIFY}));
}

TEST_F(TrayIconTest, TaskbarCreatedRegistersAnActiveIconAgain)
{
    UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    SendMessageW(Tray->Handle(), taskbarCreated, 0, 0);
    EXPECT_TRUE(Shell.Calls.empty());
    Tray->SetHint("Quorvane");
    Tray->SetActive(true);
    Shell.Calls.clear();
    Shell.Taskbar = reinterpret_cast<HWND>(0x2000);
    SendMessageW(Tray->Handle(), taskbarCreated, 0, 0);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    EXPECT_EQ(rtl::WideToUtf8(Shell.Calls[0].Data.szTip), "Quorvane");
    // The new taskbar is remembered: the next write does not register a third time.
    Shell.Calls.clear();
    Tray->SetHint("x");
    EXPECT_TRUE(Shell.Calls.empty());
}

TEST_F(TrayIconTest, TaskbarCreatedArrivesAsABroadcast)
{
    Tray->SetActive(true);
    Shell.Calls.clear();
    // Posted to the window as the shell's broadcast would: through the message loop.
    PostMessageW(Tray->Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    App.ProcessMessages();
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    // The window is a top-level one, which is what broadcasts reach.
    EXPECT_EQ(GetAncestor(Tray->Handle(), GA_PARENT), GetDesktopWindow());
}

TEST_F(TrayIconTest, ButtonMessagesFireTheEventsWithTheCursorPositionAndKeyState)
{
    Record();
    SetCursorPos(321, 234);
    POINT cursor;
    GetCursorPos(&cursor);
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE saved[256];
    std::memcpy(saved, keys, sizeof keys);
    keys[VK_SHIFT] = 0x80;
    keys[VK_CONTROL] = 0x80;
    keys[VK_MENU] = 0;
    keys[VK_LBUTTON] = 0;
    keys[VK_RBUTTON] = 0;
    keys[VK_MBUTTON] = 0x80;
    SetKeyboardState(keys);
    Callback(WM_LBUTTONDOWN);
    Callback(WM_LBUTTONUP);
    Callback(WM_MBUTTONUP);
    SetKeyboardState(saved);
    ASSERT_EQ(EventNames(), (std::vector<std::string>{"down", "up", "click", "up", "click"}));
    for (const TEvent& e : Events) {
        EXPECT_EQ(e.Shift, static_cast<TShiftState>(ssShift | ssCtrl | ssMiddle));
        EXPECT_EQ(e.X, cursor.x);
        EXPECT_EQ(e.Y, cursor.y);
    }
    EXPECT_EQ(Events[0].Button, mbLeft);
    EXPECT_EQ(Events[1].Button, mbLeft);
    EXPECT_EQ(Events[3].Button, mbMiddle);
    // Select and balloon-show notifications are ignored.
    Callback(NIN_SELECT);
    Callback(NIN_BALLOONSHOW);
    EXPECT_EQ(Events.size(), 5u);
}

TEST_F(TrayIconTest, MouseMoveFiresOnMouseMove)
{
    int moves = 0;
    Tray->OnMouseMove = [&](TObject* sender, TShiftState, int, int) {
        EXPECT_EQ(sender, Tray);
        ++moves;
    };
    Callback(WM_MOUSEMOVE);
    EXPECT_EQ(moves, 1);
}

TEST_F(TrayIconTest, RightButtonUpOpensTheMenuAndThenFiresMouseUpAndClick)
{
    Record();
    TPopupMenu* menu = new TPopupMenu(&App);
    TMenuItem* item = new TMenuItem();
    item->SetCaption("Beenden");
    menu->Items()->Add(item);
    HWND foreground = nullptr;
    menu->OnPopup = [&](TObject*) {
        Events.push_back({"popup", mbLeft, 0, 0, 0});
        foreground = GetForegroundWindow();
        SetTimer(nullptr, 0, 50, &EndMenuSoon);
    };
    Tray->SetPopupMenu(menu);
    Callback(WM_RBUTTONUP);
    ASSERT_EQ(EventNames(), (std::vector<std::string>{"popup", "up", "click"}));
    EXPECT_EQ(Events[1].Button, mbRight);
    EXPECT_EQ(Events[2].Button, mbRight);
    EXPECT_EQ(foreground, Tray->Handle());
    // The trailing empty message that lets the next menu open at once.
    MSG m;
    EXPECT_TRUE(PeekMessageW(&m, Tray->Handle(), WM_NULL, WM_NULL, PM_REMOVE));

    // A left button press opens the drop-down menu.
    Events.clear();
    Tray->SetDropDownMenu(menu);
    Callback(WM_LBUTTONDOWN);
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"down", "popup"}));
}

// The notification area reached by keyboard (Win+B, arrows): the shell's messages for the
// record's version 3.
TEST_F(TrayIconTest, TheKeyboardClicksWithEnterOrSpaceAndOpensTheMenuWithTheContextKey)
{
    Record();
    TPopupMenu* menu = new TPopupMenu(&App);
    TMenuItem* item = new TMenuItem();
    item->SetCaption("Beenden");
    menu->Items()->Add(item);
    menu->OnPopup = [&](TObject*) {
        Events.push_back({"popup", mbLeft, 0, 0, 0});
        SetTimer(nullptr, 0, 50, &EndMenuSoon);
    };
    Tray->SetPopupMenu(menu);
    const struct {
        LPARAM Code;
        std::vector<std::string> Events;
        TMouseButton Button;
    } cases[] = {
        {NIN_KEYSELECT, {"up", "click"}, mbLeft},            // Enter or Space
        {NIN_SELECT, {"up", "click"}, mbLeft},               // selected without the mouse
        {WM_CONTEXTMENU, {"popup", "up", "click"}, mbRight}, // the context-menu key, Shift+F10
    };
    for (const auto& c : cases) {
        Events.clear();
        Callback(c.Code);
        EXPECT_EQ(EventNames(), c.Events) << c.Code;
        ASSERT_FALSE(Events.empty());
        EXPECT_EQ(Events.back().Button, c.Button) << c.Code;
    }
    // The NIN_SELECT that follows a click of the mouse belongs to that click.
    Events.clear();
    Callback(WM_LBUTTONUP);
    Callback(NIN_SELECT);
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"up", "click"}));
}

TEST_F(TrayIconTest, ADestroyedMenuIsForgotten)
{
    Record();
    TPopupMenu* menu = new TPopupMenu(&App);
    Tray->SetPopupMenu(menu);
    Tray->SetDropDownMenu(menu);
    Free(menu);
    EXPECT_EQ(Tray->PopupMenu(), nullptr);
    EXPECT_EQ(Tray->DropDownMenu(), nullptr);
    Callback(WM_RBUTTONUP);
    EXPECT_EQ(EventNames(), (std::vector<std::string>{"up", "click"}));
}

TEST_F(TrayIconTest, AnExceptionFromAHandlerIsShownAndDoesNotLeaveTheWindowProcedure)
{
    Tray->OnClick = [](TObject*, TMouseButton, TShiftState, int, int) {
        throw std::runtime_error("Fehler im Klick");
    };
    Callback(WM_LBUTTONUP);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text, "Fehler im Klick");
    // Balloon hide and click handlers are swallowed silently.
    Tray->OnBalloonHide = [](TObject*) { throw std::runtime_error("still"); };
    Tray->OnBalloonClick = [](TObject*) { throw std::runtime_error("still"); };
    EXPECT_EQ(Callback(NIN_BALLOONHIDE), 1);
    EXPECT_EQ(Callback(NIN_BALLOONUSERCLICK), 1);
    EXPECT_EQ(Ui.Messages.size(), 1u);
}

TEST_F(TrayIconTest, ShowTrayBalloonFillsTheInfoFieldsAndTheShellsNotificationsAreDecoded)
{
    int shown = 0, hidden = 0, clicked = 0;
    Tray->OnBalloonShow = [&](TObject*) { ++shown; };
    Tray->OnBalloonHide = [&](TObject*) { ++hidden; };
    Tray->OnBalloonClick = [&](TObject*) { ++clicked; };
    Tray->SetActive(true);
    Shell.Calls.clear();
    Tray->ShowTrayBalloon(std::string(80, 'T'), std::string(300, 'x'), bkWarning, 7000);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
    const NOTIFYICONDATAW& d = Shell.Calls[0].Data;
    EXPECT_EQ(std::wcslen(d.szInfoTitle), 63u);
    EXPECT_EQ(std::wcslen(d.szInfo), 255u);
    EXPECT_EQ(d.uTimeout, 7000u);
    EXPECT_EQ(d.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_EQ(d.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_EQ(shown, 1);
    const std::pair<TrayBalloonKind, DWORD> kinds[] = {
        {bkNone, NIIF_NONE}, {bkError, NIIF_ERROR}, {bkInformation, NIIF_INFO}};
    for (auto k : kinds) {
        Tray->ShowTrayBalloon("a", "b", k.first, 1000);
        EXPECT_EQ(Shell.Calls.back().Data.dwInfoFlags, k.second);
    }

    EXPECT_EQ(Callback(NIN_BALLOONHIDE), 1);
    EXPECT_EQ(hidden, 1);
    Shell.Calls.clear();
    EXPECT_EQ(Callback(NIN_BALLOONUSERCLICK), 1);
    EXPECT_EQ(clicked, 1);
    // The click clears the balloon: empty texts, no icon kind, 5000 ms.
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
    EXPECT_EQ(rtl::WideToUtf8(Shell.Calls[0].Data.szInfo), "");
    EXPECT_EQ(rtl::WideToUtf8(Shell.Calls[0].Data.szInfoTitle), "");
    EXPECT_EQ(Shell.Calls[0].Data.uTimeout, 5000u);
}

TEST_F(TrayIconTest, ABalloonTimeOutClearsOnlyOnceItsTimeHasPassed)
{
    Tray->SetActive(true);
    Tray->ShowTrayBalloon("Titel", "Text", bkInformation, 5000);
    Shell.Calls.clear();
    EXPECT_EQ(Callback(NIN_BALLOONTIMEOUT), 1);
    EXPECT_TRUE(Shell.Calls.empty());
    Tray->ShowTrayBalloon("Titel", "Text", bkInformation, 0);
    Shell.Calls.clear();
    Sleep(1100);
    Callback(NIN_BALLOONTIMEOUT);
    ASSERT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_MODIFY}));
    EXPECT_EQ(rtl::WideToUtf8(Shell.Calls[0].Data.szInfo), "");
}

TEST_F(TrayIconTest, AnOldShellShowsNoBalloonOfItsOwn)
{
    SetShellVersionQuery(&OldShellVersion);
    int shown = 0;
    Tray->OnBalloonShow = [&](TObject*) { ++shown; };
    Tray->ShowTrayBalloon("Titel", "Text", bkInformation, 5000);
    EXPECT_TRUE(Shell.Calls.empty());
    EXPECT_EQ(shown, 0);
}

TEST_F(TrayIconTest, AnimationStartsAtZeroAndWraps)
{
    TImageList* icons = new TImageList(&App);
    for (LPCTSTR id : {IDI_WARNING, IDI_ERROR, IDI_INFORMATION})
        icons->AddIcon(LoadIcon(nullptr, id));
    Tray->SetIcons(icons);
    Tray->SetIconIndex(-1);
    Tray->SetActive(true);
    std::vector<int> steps;
    Tray->OnAnimate = [&](TObject*, int index) { steps.push_back(index); };
    Tray->SetDelay(20);
    Tray->SetAnimated(true);
    DWORD end = GetTickCount() + 3000;
    while (steps.size() < 5 && static_cast<int>(end - GetTickCount()) > 0)
        PumpFor(10);
    Tray->SetAnimated(false);
    ASSERT_GE(steps.size(), 5u);
    EXPECT_EQ(std::vector<int>(steps.begin(), steps.begin() + 5), (std::vector<int>{0, 1, 2, 0, 1}));
    std::size_t n = steps.size();
    PumpFor(100);
    EXPECT_EQ(steps.size(), n);
}

TEST_F(TrayIconTest, AnimationOverAnEmptyListDoesNothing)
{
    TImageList* icons = new TImageList(&App);
    Tray->SetIcons(icons);
    Tray->SetActive(true);
    int steps = 0;
    Tray->OnAnimate = [&](TObject*, int) { ++steps; };
    Tray->SetDelay(10);
    Tray->SetAnimated(true);
    PumpFor(150);
    EXPECT_EQ(steps, 0);
}

TEST_F(TrayIconTest, DestructionRemovesTheIcon)
{
    Tray->SetActive(true);
    Shell.Calls.clear();
    HWND wnd = Tray->Handle();
    Free(Tray);
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_DELETE}));
    EXPECT_FALSE(IsWindow(wnd));
    // The application window is no longer watched: a minimise is harmless.
    SendMessageW(App.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

class TrayApplicationTest : public TrayIconTest {
protected:
    TForm* Main = nullptr;
    void SetUp() override
    {
        TrayIconTest::SetUp();
        Main = App.CreateForm<TForm>();
        Main->SetBounds(100, 100, 300, 200);
        Main->Show();
        App.ProcessMessages();
        Tray->SetActive(true);
    }
    bool AppWindowVisible() const { return IsWindowVisible(App.Handle()) != 0; }
};

TEST_F(TrayApplicationTest, MinimisingTheMainFormHidesTheApplicationAndADoubleClickRestoresIt)
{
    Tray->SetSnap(true);
    Tray->SetVisibility({tvVisibleTaskBar, tvVisibleTaskList, tvAutoHide, tvRestoreDbClick, tvMinimizeDbClick});
    ASSERT_TRUE(Main->Visible());
    ASSERT_TRUE(AppWindowVisible());
    SendMessageW(Main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    App.ProcessMessages();
    EXPECT_FALSE(AppWindowVisible());
    EXPECT_FALSE(Main->Visible());
    EXPECT_FALSE(Tray->ApplicationShown());
    EXPECT_FALSE(App.ShowMainForm());
    // Only the shown flag changed.
    EXPECT_TRUE(Tray->Visibility().Contains(tvVisibleTaskBar));

    Callback(WM_LBUTTONDBLCLK);
    App.ProcessMessages();
    EXPECT_TRUE(AppWindowVisible());
    EXPECT_TRUE(Main->Visible());
    EXPECT_FALSE(IsIconic(App.Handle()));
    EXPECT_TRUE(Tray->ApplicationShown());

    Callback(WM_LBUTTONDBLCLK);
    App.ProcessMessages();
    EXPECT_FALSE(AppWindowVisible());
    EXPECT_FALSE(Main->Visible());
    EXPECT_FALSE(Tray->Visibility().Contains(tvVisibleTaskBar));
}

TEST_F(TrayApplicationTest, WithoutAutoHideTheMinimiseLeavesTheTaskbarButton)
{
    Tray->SetVisibility({tvVisibleTaskBar});
    SendMessageW(Main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(Tray->ApplicationShown());
    EXPECT_TRUE(IsIconic(App.Handle()));
}

TEST_F(TrayApplicationTest, TheMinimiseWatcherOnlyActsOnAnActiveIcon)
{
    Tray->SetActive(false);
    SendMessageW(Main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(Tray->ApplicationShown());
}

TEST_F(TrayApplicationTest, WithoutSnapHidingKeepsTheMainFormsShowFlag)
{
    SendMessageW(App.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(Tray->ApplicationShown());
    EXPECT_FALSE(AppWindowVisible());
    EXPECT_TRUE(App.ShowMainForm());
}

TEST_F(TrayApplicationTest, ADoubleClickRunsTheDefaultMenuEntryAndAnAssignedHandlerReplacesAll)
{
    Tray->SetVisibility({tvVisibleTaskBar, tvMinimizeDbClick});
    TPopupMenu* menu = new TPopupMenu(&App);
    std::vector<std::string> clicked;
    for (const char* caption : {"Erstes", "Standard", "Auch Standard"}) {
        TMenuItem* item = new TMenuItem();
        item->SetCaption(caption);
        item->SetDefault(std::string(caption) != "Erstes");
        item->OnClick = [&clicked, caption](TObject*) { clicked.push_back(caption); };
        menu->Items()->Add(item);
    }
    Tray->SetPopupMenu(menu);
    Callback(WM_RBUTTONDBLCLK); // only the left button has a default behaviour
    EXPECT_TRUE(clicked.empty());
    EXPECT_TRUE(Tray->ApplicationShown());
    Callback(WM_LBUTTONDBLCLK);
    EXPECT_EQ(clicked, (std::vector<std::string>{"Standard"}));
    EXPECT_FALSE(Tray->ApplicationShown());

    int handled = 0;
    Tray->OnDblClick = [&](TObject*, TMouseButton b, TShiftState, int, int) {
        EXPECT_EQ(b, mbLeft);
        ++handled;
    };
    Tray->SetVisibility({tvVisibleTaskBar, tvMinimizeDbClick});
    Callback(WM_LBUTTONDBLCLK);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(clicked.size(), 1u);
    EXPECT_TRUE(Tray->ApplicationShown());
}

TEST_F(TrayIconTest, TheMenuShowsTheEntryADoubleClickChoosesAsItsDefault)
{
    TPopupMenu* menu = new TPopupMenu(&App);
    for (const char* caption : {"Eins", "Zwei"}) {
        TMenuItem* item = new TMenuItem();
        item->SetCaption(caption);
        item->SetDefault(std::string(caption) == "Zwei");
        menu->Items()->Add(item);
    }
    TNativeMenu native(*menu);
    EXPECT_EQ(GetMenuDefaultItem(native.Handle(), TRUE, 0), 1u);
}

TEST_F(TrayApplicationTest, LeftClicksMinimiseAndRestoreWithTheClickOptions)
{
    Tray->SetVisibility({tvVisibleTaskBar, tvMinimizeClick, tvRestoreClick});
    Callback(WM_LBUTTONUP);
    EXPECT_FALSE(Tray->ApplicationShown());
    EXPECT_FALSE(AppWindowVisible());
    Callback(WM_LBUTTONUP);
    EXPECT_TRUE(Tray->ApplicationShown());
    EXPECT_TRUE(Main->Visible());
    // Without the options a click changes nothing.
    Tray->SetVisibility({tvVisibleTaskBar});
    Callback(WM_LBUTTONUP);
    EXPECT_TRUE(Tray->ApplicationShown());
}

TEST_F(TrayApplicationTest, AStoredVisibilityWithoutTaskBarOnlyHidesTheMainFormAtStart)
{
    Tray->SetLoading(true);
    Tray->SetVisibility({tvVisibleTaskList, tvAutoHide, tvRestoreDbClick, tvMinimizeDbClick});
    Tray->SetLoading(false);
    EXPECT_FALSE(App.ShowMainForm());
    EXPECT_FALSE(Tray->ApplicationShown());
    // Nothing was hidden while loading.
    EXPECT_TRUE(Main->Visible());
    EXPECT_TRUE(AppWindowVisible());
}

TEST_F(TrayApplicationTest, WritingTheVisibilityRegistersTheIconAgain)
{
    Shell.Calls.clear();
    Tray->SetVisibility({tvVisibleTaskBar, tvVisibleTaskList});
    EXPECT_EQ(Shell.Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
}

TEST(TrayIconPlatform, RegistersWithTheRealShellWithoutFailing)
{
    TApplication app;
    app.Initialize();
    TTrayIcon tray(&app);
    tray.SetHint("Quorvane");
    tray.SetActive(true);
    EXPECT_TRUE(tray.Active());
    EXPECT_EQ(tray.NotifyData().cbSize, NotifyRecordSize(IsNewShell()));
    tray.SetActive(false);
    EXPECT_FALSE(tray.Active());
}

} // namespace
