#include "tray/tray_icon.h"

#include <windowsx.h>

#include <cstring>

#include "gui/application.h"
#include "gui/forms.h"
#include "gui/hint_window.h"
#include "gui/image_list.h"
#include "gui/menus.h"
#include "gui/timer.h"
#include "rtl/utf8.h"
#include "rtl/wide.h"
#include "tray/shell_queue.h"

namespace {

TShellQueue& PlatformQueue()
{
    static TShellQueue queue([](DWORD m, NOTIFYICONDATAW* d) { return Shell_NotifyIconW(m, d); });
    return queue;
}

// The platform's shell, whose requests go through the queue.
class TPlatformShellTray : public TShellTray {
public:
    BOOL NotifyIconKeeping(DWORD message, NOTIFYICONDATAW* data, std::shared_ptr<const void> picture) override
    {
        return PlatformQueue().Notify(message, *data, std::move(picture));
    }
};

TPlatformShellTray g_platformShell;
TShellTray* g_shell = &g_platformShell;

TShellVersionQuery g_versionQuery = nullptr;
DWORD g_shellVersion = 0; // 0: not known yet, or the last query failed

// Copies as much of the text as the record's field holds (maxUnits UTF-16 units before its NUL),
// in whole characters: a cut never falls inside a surrogate pair, between a letter and its
// marks or inside an emoji sequence.
void CopyCut(wchar_t* dest, std::size_t destSize, const std::string& s, std::size_t maxUnits)
{
    const std::size_t limit = std::min(maxUnits, destSize - 1);
    std::size_t end = 0, units = 0;
    while (end < s.size()) {
        const std::size_t next = rtl::NextCharacter(s, end);
        std::size_t characterUnits = 0;
        for (std::size_t at = end, length; at < next; at += length)
            characterUnits += rtl::DecodeUtf8(s, at, length) > 0xFFFF ? 2 : 1;
        if (units + characterUnits > limit)
            break;
        units += characterUnits;
        end = next;
    }
    // The text is valid UTF-8 as a rule; broken bytes, which a converter may count otherwise,
    // must still not run past the field.
    const std::wstring w = rtl::Utf8ToWide(s.data(), end);
    const std::size_t n = std::min(w.size(), limit);
    std::memcpy(dest, w.data(), n * sizeof(wchar_t));
    dest[n] = L'\0';
}

std::string ReplaceCrLf(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += " - ";
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

TShiftState CurrentShift()
{
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        s |= ssShift;
    if (GetKeyState(VK_MENU) < 0)
        s |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0)
        s |= ssCtrl;
    if (GetKeyState(VK_LBUTTON) < 0)
        s |= ssLeft;
    if (GetKeyState(VK_RBUTTON) < 0)
        s |= ssRight;
    if (GetKeyState(VK_MBUTTON) < 0)
        s |= ssMiddle;
    return s;
}

const UINT kTipFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

// The shell's balloon hide and click notices run their handlers here, and what a handler throws is
// dropped, unlike the exceptions of every other action of the callback, which the application
// shows (GuardedCall). That is this component's promise to its users: the shell sends these two on
// its own, also when the balloon goes because another replaces it or the program ends, when a
// message box about it would make no sense to the user. Nothing may escape into the window
// procedure in either case.
void CallDroppingExceptions(const TNotifyEvent& handler, TObject* sender)
{
    try {
        if (handler)
            handler(sender);
    } catch (...) {
    }
}

} // namespace

BOOL TShellTray::NotifyIcon(DWORD message, NOTIFYICONDATAW* data)
{
    return PlatformQueue().Notify(message, *data);
}

HWND TShellTray::FindTaskbar()
{
    return FindWindowW(L"Shell_TrayWnd", nullptr);
}

TShellTray& ShellTray()
{
    return *g_shell;
}

void SetShellTray(TShellTray* shell)
{
    g_shell = shell ? shell : &g_platformShell;
}

DWORD ReadShellVersion()
{
    const wchar_t* path = L"shell32.dll";
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (!size)
        return 0;
    std::string buffer(size, '\0');
    if (!GetFileVersionInfoW(path, 0, size, &buffer[0]))
        return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(&buffer[0], L"\\", reinterpret_cast<void**>(&info), &len) || !info || len < sizeof *info)
        return 0;
    return info->dwFileVersionMS;
}

DWORD ShellVersion()
{
    if (!g_shellVersion)
        g_shellVersion = g_versionQuery ? g_versionQuery() : ReadShellVersion();
    return g_shellVersion;
}

bool IsNewShell()
{
    return ShellVersion() > 0x0004FFFF;
}

void SetShellVersionQuery(TShellVersionQuery query)
{
    g_versionQuery = query;
    g_shellVersion = 0;
}

// The record's published sizes for this build (88 and 488 bytes in a 32-bit program; the 64-bit
// layout is larger by its pointer alignment).
DWORD NotifyRecordSize(bool newShell)
{
    return newShell ? NOTIFYICONDATAW_V2_SIZE : NOTIFYICONDATAW_V1_SIZE;
}

TTrayIcon::TTrayIcon(TComponent* AOwner) : TComponent(AOwner), FData(), FWindow(*this)
{
    // A hidden top-level window rather than a message-only one: the shell's "TaskbarCreated" is
    // broadcast to top-level windows only.
    FWindow.CreateHandle("TTrayIconWindow", WS_EX_TOOLWINDOW, "", WS_POPUP, 0, 0, 0, 0, nullptr);
    FTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    FKernel.Reset(LoadLibraryW(L"KERNEL32.DLL"));
    if (FKernel)
        FRegisterServiceProcess = reinterpret_cast<TRegisterServiceProcess>(
            reinterpret_cast<void*>(GetProcAddress(FKernel.Get(), "RegisterServiceProcess")));
}

TTrayIcon::~TTrayIcon()
{
    UnhookApplication();
    SetAnimated(false);
    SetActive(false);
    FIcon.reset();
    FWindow.DestroyHandle();
}

void TTrayIcon::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FPopupMenu)
        FPopupMenu = nullptr;
    if (AComponent == FDropDownMenu)
        FDropDownMenu = nullptr;
    if (AComponent == FIcons) {
        FIcons = nullptr;
        FListIcons.clear();
        FListIconsList = nullptr;
    }
    if (AComponent == FTimer)
        FTimer = nullptr;
}

void TTrayIcon::Notify(DWORD message)
{
    // FData.hIcon is always FIcon's picture.
    ShellTray().NotifyIconKeeping(message, &FData, FIcon);
}

// The record's tip holds 128 characters with its NUL; older shells read only the first 64, so
// it is cut there for them to stay terminated.
void TTrayIcon::SetTip(const std::string& hint)
{
    CopyCut(FData.szTip, ARRAYSIZE(FData.szTip), GetShortHint(hint), IsNewShell() ? 127 : 63);
}

void TTrayIcon::SetActive(bool v)
{
    if (v)
        HookApplication();
    else
        UnhookApplication();
    if (!v) {
        Notify(NIM_DELETE);
    } else {
        FTaskbar = ShellTray().FindTaskbar();
        if (!Icon()) {
            HICON app = nullptr;
            if (Application && Application->Handle())
                app = reinterpret_cast<HICON>(GetClassLongPtrW(Application->Handle(), GCLP_HICON));
            if (!app)
                app = LoadIcon(nullptr, IDI_APPLICATION);
            FIcon = std::make_shared<TIconHandle>(CopyIcon(app));
        }
        bool newShell = IsNewShell();
        FData.cbSize = NotifyRecordSize(newShell);
        if (newShell)
            FData.uVersion = NOTIFYICON_VERSION;
        FData.hWnd = FWindow.Handle();
        FData.uID = 1;
        FData.uCallbackMessage = kTrayCallbackMessage;
        FData.hIcon = Icon();
        SetTip(FHint);
        FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
        Notify(NIM_ADD);
        if (newShell)
            Notify(NIM_SETVERSION);
    }
    FActive = v;
}

void TTrayIcon::TaskbarCheck()
{
    if (!FActive)
        return;
    HWND taskbar = ShellTray().FindTaskbar();
    if (taskbar != FTaskbar) {
        FTaskbar = taskbar;
        SetActive(false);
        SetActive(true);
    }
}

void TTrayIcon::SetHint(const std::string& v)
{
    TaskbarCheck();
    FHint = IsNewShell() ? v : ReplaceCrLf(v);
}

void TTrayIcon::SetIcon(HICON v)
{
    TaskbarCheck();
    FIcon = v ? std::make_shared<TIconHandle>(CopyIcon(v)) : nullptr;
    FData.hIcon = Icon();
    if (FActive)
        Notify(NIM_MODIFY);
}

void TTrayIcon::SetIconIndex(int v)
{
    FIconIndex = v;
    if (FIcons && v >= 0 && v < FIcons->Count()) {
        if (FListIconsList != FIcons || FListIconsStamp != FIcons->Stamp()) {
            FListIcons.clear();
            FListIconsList = FIcons;
            FListIconsStamp = FIcons->Stamp();
        }
        if (FListIcons.size() <= static_cast<std::size_t>(v))
            FListIcons.resize(static_cast<std::size_t>(v) + 1);
        std::shared_ptr<TIconHandle>& picture = FListIcons[static_cast<std::size_t>(v)];
        // Showing it already: the shell's round trip would change nothing.
        if (picture && FIcon == picture) {
            TaskbarCheck();
            return;
        }
        FData.uFlags = kTipFlags;
        if (!picture || !*picture)
            picture = std::make_shared<TIconHandle>(FIcons->GetIcon(v));
        TaskbarCheck();
        FIcon = picture;
        FData.hIcon = Icon();
        if (FActive)
            Notify(NIM_MODIFY);
    } else {
        FIconIndex = -1;
    }
}

// Not owned. Unlike a bare pointer it is cleared when the list goes, so that neither the animation
// nor IconIndex reaches a destroyed list.
void TTrayIcon::SetIcons(TImageList* v)
{
    FIcons = v;
    if (v)
        v->FreeNotification(this);
}

void TTrayIcon::SetDropDownMenu(TPopupMenu* v)
{
    FDropDownMenu = v;
    if (v)
        v->FreeNotification(this);
}

void TTrayIcon::SetPopupMenu(TPopupMenu* v)
{
    FPopupMenu = v;
    if (v)
        v->FreeNotification(this);
}

void TTrayIcon::SetDelay(unsigned v)
{
    FDelay = v;
    if (FTimer)
        FTimer->SetInterval(v);
}

void TTrayIcon::SetAnimated(bool v)
{
    FAnimated = v;
    if (v) {
        if (!FTimer) {
            FTimer = new TTimer(this);
            FTimer->SetInterval(FDelay);
            FTimer->OnTimer = [this](TObject*) { AnimationStep(); };
        }
        FTimer->SetEnabled(true);
    } else if (FTimer) {
        TTimer* t = FTimer;
        FTimer = nullptr;
        Free(t);
    }
}

void TTrayIcon::AnimationStep()
{
    if (!FActive || !FIcons)
        return;
    int count = FIcons->Count();
    // An empty list has nothing to step through.
    if (count <= 0)
        return;
    SetIconIndex(FIconIndex < 0 ? 0 : (FIconIndex + 1) % count);
    if (OnAnimate)
        OnAnimate(this, FIconIndex);
}

void TTrayIcon::SetVisibility(TTrayVisibilities v)
{
    FVisibility = v;
    bool inList = v.Contains(tvVisibleTaskList);
    if (inList != FInTaskList) {
        FInTaskList = inList;
        if (FRegisterServiceProcess)
            FRegisterServiceProcess(GetCurrentProcessId(), inList ? 0 : 1);
    }
    FApplicationShown = v.Contains(tvVisibleTaskBar);
    if (FLoading) {
        if (Application)
            Application->SetShowMainForm(FApplicationShown);
    } else if (FApplicationShown) {
        ShowApplication();
    } else {
        HideApplication();
    }
    SetActive(FActive);
    SetAnimated(FAnimated);
}

void TTrayIcon::ShowApplication()
{
    if (!Application)
        return;
    if (Application->Handle())
        ShowWindow(Application->Handle(), SW_SHOW);
    Application->Restore();
    if (TForm* main = Application->MainForm())
        main->Show();
    FApplicationShown = true;
}

void TTrayIcon::HideApplication()
{
    if (!Application)
        return;
    TForm* main = Application->MainForm();
    if (main && main->Handle() && !IsIconic(main->Handle())) {
        if (FSnap) {
            main->Hide();
            Application->SetShowMainForm(false);
        }
        Application->Minimize();
    }
    if (Application->Handle())
        ShowWindow(Application->Handle(), SW_HIDE);
    FApplicationShown = false;
}

void TTrayIcon::HookApplication()
{
    if (FAppHook || !Application)
        return;
    FAppHook = Application->HookMainWindow(
        [this](UINT msg, WPARAM wParam, LPARAM, LRESULT&) { return WatchApplication(msg, wParam); });
}

void TTrayIcon::UnhookApplication()
{
    if (!FAppHook)
        return;
    if (Application)
        Application->UnhookMainWindow(FAppHook);
    FAppHook = 0;
}

// Never consumes the message: the minimise itself goes on.
bool TTrayIcon::WatchApplication(UINT msg, WPARAM wParam)
{
    if (msg == WM_SYSCOMMAND && wParam == SC_MINIMIZE && FVisibility.Contains(tvAutoHide) && FActive)
        GuardedCall([this] { HideApplication(); });
    return false;
}

void TTrayIcon::ShowTrayBalloon(const std::string& Title, const std::string& Text, TrayBalloonKind Kind,
                                int TimeoutMs)
{
    if (!IsNewShell())
        return;
    FBalloonShownAt = GetTickCount();
    FBalloonTimeout = TimeoutMs / 1000;
    CopyCut(FData.szInfoTitle, ARRAYSIZE(FData.szInfoTitle), Title, 63);
    CopyCut(FData.szInfo, ARRAYSIZE(FData.szInfo), Text, 255);
    FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    FData.uTimeout = static_cast<UINT>(TimeoutMs);
    switch (Kind) {
    case bkError:
        FData.dwInfoFlags = NIIF_ERROR;
        break;
    case bkInformation:
        FData.dwInfoFlags = NIIF_INFO;
        break;
    case bkWarning:
        FData.dwInfoFlags = NIIF_WARNING;
        break;
    case bkNone:
        FData.dwInfoFlags = NIIF_NONE;
        break;
    }
    Notify(NIM_MODIFY);
    if (OnBalloonShow)
        OnBalloonShow(this);
}

void TTrayIcon::ClearTrayBalloon()
{
    ShowTrayBalloon("", "", bkNone, 5000);
}

void TTrayIcon::MouseMove(TShiftState shift, POINT p)
{
    if (FHint != FPushedHint) {
        FPushedHint = FHint;
        SetTip(FHint);
        FData.uFlags = kTipFlags;
        if (FActive)
            Notify(NIM_MODIFY);
    }
    if (OnMouseMove)
        OnMouseMove(this, shift, p.x, p.y);
}

// A menu opened from a notification-area icon closes on a click elsewhere only when our window
// was in the foreground, and the next menu opens at once only after a message reached it.
void TTrayIcon::ShowMenu(TPopupMenu* menu, POINT p)
{
    SetForegroundWindow(FWindow.Handle());
    menu->Popup(p.x, p.y, FWindow.Handle());
    PostMessageW(FWindow.Handle(), WM_NULL, 0, 0);
}

void TTrayIcon::ButtonDown(TMouseButton b, TShiftState shift, POINT p)
{
    if (OnMouseDown)
        OnMouseDown(this, b, shift, p.x, p.y);
    if (b == mbLeft && FDropDownMenu)
        ShowMenu(FDropDownMenu, p);
}

void TTrayIcon::ButtonUp(TMouseButton b, TShiftState shift, POINT p)
{
    if (b == mbRight && FPopupMenu)
        ShowMenu(FPopupMenu, p);
    if (b == mbLeft) {
        if (FApplicationShown && FVisibility.Contains(tvMinimizeClick))
            SetVisibility(FVisibility.Without(tvVisibleTaskBar));
        else if (!FApplicationShown && FVisibility.Contains(tvRestoreClick))
            SetVisibility(FVisibility.With(tvVisibleTaskBar));
    }
    if (OnMouseUp)
        OnMouseUp(this, b, shift, p.x, p.y);
    if (OnClick)
        OnClick(this, b, shift, p.x, p.y);
}

void TTrayIcon::DoubleClick(TMouseButton b, TShiftState shift, POINT p)
{
    if (OnDblClick) {
        OnDblClick(this, b, shift, p.x, p.y);
        return;
    }
    if (b != mbLeft)
        return;
    if (FPopupMenu) {
        TMenuItem* items = FPopupMenu->Items();
        for (int i = 0; i < items->Count(); ++i) {
            TMenuItem* item = items->Items(i);
            if (item->Default()) {
                item->Click();
                break;
            }
        }
    }
    // The state before the double click decides: a shown application is hidden, a hidden one shown.
    if (FApplicationShown && FVisibility.Contains(tvMinimizeDbClick))
        SetVisibility(FVisibility.Without(tvVisibleTaskBar));
    else if (!FApplicationShown && FVisibility.Contains(tvRestoreDbClick))
        SetVisibility(FVisibility.With(tvVisibleTaskBar));
}

// A menu opened from the keyboard belongs beside the icon, not wherever the mouse was left: the
// middle of the icon where the shell can tell (Windows 7 and later), else the cursor.
POINT TTrayIcon::KeyboardMenuPoint(POINT cursor) const
{
    struct TIdentifier {
        DWORD cbSize;
        HWND hWnd;
        UINT uID;
        GUID guidItem;
    };
    using TGetRect = HRESULT(WINAPI*)(const TIdentifier*, RECT*);
    static auto getRect = reinterpret_cast<TGetRect>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"shell32.dll"), "Shell_NotifyIconGetRect")));
    TIdentifier id = {sizeof id, FWindow.Handle(), 1, GUID()};
    RECT r = {};
    if (getRect && SUCCEEDED(getRect(&id, &r)) && r.right > r.left)
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    return cursor;
}

LRESULT TTrayIcon::HandleCallback(LPARAM code)
{
    POINT p = {0, 0};
    GetCursorPos(&p);
    TShiftState shift = CurrentShift();
    LRESULT result = 0;
    switch (code) {
    case WM_MOUSEMOVE:
        GuardedCall([&] { MouseMove(shift, p); });
        break;
    case WM_LBUTTONDOWN:
        GuardedCall([&] { ButtonDown(mbLeft, shift, p); });
        break;
    case WM_RBUTTONDOWN:
        GuardedCall([&] { ButtonDown(mbRight, shift, p); });
        break;
    case WM_MBUTTONDOWN:
        GuardedCall([&] { ButtonDown(mbMiddle, shift, p); });
        break;
    case WM_LBUTTONUP:
        FMouseSelectAt = GetTickCount();
        FMouseSelectPending = true;
        GuardedCall([&] { ButtonUp(mbLeft, shift, p); });
        break;
    case WM_RBUTTONUP:
        GuardedCall([&] { ButtonUp(mbRight, shift, p); });
        break;
    // The keyboard, with a shell that speaks the record's version 3 or later: Enter or Space on
    // the icon (NIN_KEYSELECT; NIN_SELECT when the shell reports the selection without the key)
    // acts as a left click; the context-menu key or Shift+F10 (WM_CONTEXTMENU) opens the menu.
    // The shell also sends NIN_SELECT right after a left click of the mouse: that one is the
    // click already handled.
    case NIN_SELECT:
        if (FMouseSelectPending && GetTickCount() - FMouseSelectAt <= GetDoubleClickTime()) {
            FMouseSelectPending = false;
            break;
        }
        FMouseSelectPending = false;
        GuardedCall([&] { ButtonUp(mbLeft, shift, KeyboardMenuPoint(p)); });
        break;
    case NIN_KEYSELECT:
        GuardedCall([&] { ButtonUp(mbLeft, shift, KeyboardMenuPoint(p)); });
        break;
    case WM_CONTEXTMENU:
        GuardedCall([&] { ButtonUp(mbRight, shift, KeyboardMenuPoint(p)); });
        break;
    case WM_MBUTTONUP:
        GuardedCall([&] { ButtonUp(mbMiddle, shift, p); });
        break;
    case WM_LBUTTONDBLCLK:
        GuardedCall([&] { DoubleClick(mbLeft, shift, p); });
        break;
    case WM_RBUTTONDBLCLK:
        GuardedCall([&] { DoubleClick(mbRight, shift, p); });
        break;
    case WM_MBUTTONDBLCLK:
        GuardedCall([&] { DoubleClick(mbMiddle, shift, p); });
        break;
    case NIN_BALLOONHIDE:
        CallDroppingExceptions(OnBalloonHide, this);
        result = 1;
        break;
    case NIN_BALLOONTIMEOUT:
        GuardedCall([&] {
            int elapsed = static_cast<int>((GetTickCount() - FBalloonShownAt) / 1000);
            if (elapsed > FBalloonTimeout)
                ClearTrayBalloon();
        });
        result = 1;
        break;
    case NIN_BALLOONUSERCLICK:
        CallDroppingExceptions(OnBalloonClick, this);
        GuardedCall([&] { ClearTrayBalloon(); });
        result = 1;
        break;
    }
    return result;
}

LRESULT TTrayIcon::TTrayWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kTrayCallbackMessage)
        return FTray.HandleCallback(lParam);
    // A restarted taskbar announces itself: register again at once.
    if (FTray.FTaskbarCreated && msg == FTray.FTaskbarCreated) {
        if (FTray.FActive)
            GuardedCall([this] { FTray.SetActive(true); });
        return 0;
    }
    return DefaultHandler(msg, wParam, lParam);
}
