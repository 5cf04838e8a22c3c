#include "gui/forms.h"

#include <vector>

#include "gui/app_host.h"
#include "gui/page_control.h"
#include "gui/std_controls.h"
#include "gui/window.h"

TForm::TForm(TComponent* AOwner, const char* className) : TWinControl(AOwner, nullptr)
{
    SetBounds(0, 0, 320, 240);
    CreateOwnWindow(className, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                    WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE, "", AppHandle());
}

TForm::~TForm()
{
    DestroyComponents();
    if (TAppHost* app = AppHost())
        app->UnregisterForm(this);
}

void TForm::BeforeDestruction()
{
    if (FDestroyFired)
        return;
    FDestroyFired = true;
    if (OnDestroy)
        GuardedCall([&] { OnDestroy(this); });
}

// An exception from the creation handler is shown like one from any other handler; the form
// exists and the program goes on.
void TForm::DoCreate()
{
    if (OnCreate)
        GuardedCall([&] { OnCreate(this); });
    FCreated = true;
    if (FSessionEnded)
        BeforeDestruction();
}

bool TForm::IsMainForm() const
{
    return AppHost() && AppHost()->MainForm() == this;
}

RECT TForm::ClientToWindowPixels(int dpi) const
{
    RECT r = {0, 0, ScaleForDpi(FClientWidth, dpi), ScaleForDpi(FClientHeight, dpi)};
    AdjustWindowRectForDpi(r, static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)),
                           static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)), dpi);
    return r;
}

void TForm::SetClientSize(int width, int height)
{
    FClientWidth = width;
    FClientHeight = height;
    RECT r = ClientToWindowPixels(Dpi());
    SetBounds(Left(), Top(), UnscaleValue(r.right - r.left), UnscaleValue(r.bottom - r.top));
}

// With a client size the window's pixels come from it, so that the client area is the design's
// times the scale exactly, whatever the frame measures at that DPI.
RECT TForm::PixelBounds() const
{
    if (FClientWidth <= 0 || FClientHeight <= 0)
        return TWinControl::PixelBounds();
    RECT r = ClientToWindowPixels(Dpi());
    return {Left(), Top(), Left() + r.right - r.left, Top() + r.bottom - r.top};
}

void TForm::MoveToScreenPoint(int left, int top)
{
    RECT b = PixelBounds();
    RECT there = {left, top, left + b.right - b.left, top + b.bottom - b.top};
    int dpi = MonitorDpiFor(there);
    if (dpi == Dpi()) {
        SetBounds(left, top, Width(), Height());
        return;
    }
    RECT size = FClientWidth > 0 ? ClientToWindowPixels(dpi)
                                 : RECT{0, 0, ScaleForDpi(Width(), dpi), ScaleForDpi(Height(), dpi)};
    TakeWindowRect({left, top, left + size.right - size.left, top + size.bottom - size.top}, dpi);
    ChangeDpi(dpi);
}

bool RectOnSomeMonitor(const RECT& r)
{
    HMONITOR m = MonitorFromRect(&r, MONITOR_DEFAULTTONULL);
    if (!m)
        return false;
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoW(m, &mi))
        return false;
    RECT both;
    // The title bar, at least, must be reachable for the user to move the window back.
    RECT caption = {r.left, r.top, r.right, r.top + GetSystemMetrics(SM_CYCAPTION)};
    return IntersectRect(&both, &caption, &mi.rcWork) != 0;
}

void TForm::ApplyPosition()
{
    if (FPosition != poScreenCenter)
        return;
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT b = PixelBounds();
    SetBounds(work.left + (work.right - work.left - (b.right - b.left)) / 2,
              work.top + (work.bottom - work.top - (b.bottom - b.top)) / 2, Width(), Height());
}

void TForm::Show()
{
    if (!Handle())
        return;
    if (!FShownOnce) {
        FShownOnce = true;
        ApplyPosition();
    }
    // The main form brings the application's taskbar button with it.
    if (IsMainForm() && AppHandle()) {
        if (AppHost()->Minimized())
            ShowWindow(AppHandle(), SW_RESTORE);
        else if (!IsWindowVisible(AppHandle()))
            ShowWindow(AppHandle(), SW_SHOWNA);
    }
    bool wasVisible = Visible();
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    // OnShow runs at every show, also when the window is brought up again while visible.
    (void)wasVisible;
    if (OnShow)
        OnShow(this);
}

void TForm::Hide()
{
    if (!Handle() || !Visible())
        return;
    ShowWindow(Handle(), SW_HIDE);
    if (OnHide)
        OnHide(this);
}

void TForm::SetVisible(bool v)
{
    if (v)
        Show();
    else
        Hide();
}

void TForm::Close()
{
    TCloseAction action = IsMainForm() ? caFree : caHide;
    if (OnClose)
        OnClose(this, action);
    if (action == caNone)
        return;
    if (IsMainForm()) {
        Hide();
        AppHost()->Terminate();
    } else {
        Hide();
    }
}

namespace {

bool Usable(HWND wnd)
{
    const LONG style = GetWindowLongW(wnd, GWL_STYLE);
    return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

struct TTabEntry {
    HWND Wnd;
    bool Stop;
};

// The windows below parent in the order Tab visits them: each in creation order, and the controls
// of a container (WS_EX_CONTROLPARENT: a panel, a page) right after it. A container that is a tab
// stop itself, as a page control is, is a stop of its own before its page. Hidden and disabled
// windows are listed (the focus may still be in one) but are no stops and are not entered.
void CollectTabOrder(HWND parent, std::vector<TTabEntry>& out)
{
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        const bool usable = Usable(w);
        out.push_back({w, usable && (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP)});
        if (usable && (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_CONTROLPARENT))
            CollectTabOrder(w, out);
    }
}

bool IsPushButton(HWND wnd)
{
    return (SendMessageW(wnd, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// The page control that holds wnd, or else the window's first one shown.
TPageControl* PageControlFor(HWND form, HWND wnd)
{
    for (HWND w = wnd; w && w != form; w = GetParent(w))
        if (auto* pc = dynamic_cast<TPageControl*>(TWinControl::FromHandle(w)))
            return pc;
    std::vector<TTabEntry> all;
    CollectTabOrder(form, all);
    for (const TTabEntry& e : all)
        if (auto* pc = dynamic_cast<TPageControl*>(TWinControl::FromHandle(e.Wnd)))
            if (Usable(e.Wnd))
                return pc;
    return nullptr;
}

} // namespace

bool TForm::DialogKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_MENU) < 0)
        return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    HWND focus = GetFocus();
    if (GetKeyState(VK_CONTROL) < 0) {
        TPageControl* pc = PageControlFor(Handle(), focus);
        if (!pc)
            return false;
        const bool inside = focus && (focus == pc->Handle() || IsChild(pc->Handle(), focus));
        pc->SelectNextPage(!shift);
        // The control that had the focus went with its page: the tab strip takes it.
        if (inside)
            FocusChild(pc->Handle());
        return true;
    }
    // A control that takes Tab keeps it; a multi-line edit hands it back with WM_NEXTDLGCTL.
    if (focus && IsChild(Handle(), focus)) {
        MSG copy = msg;
        if (SendMessageW(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&copy)) &
            (DLGC_WANTTAB | DLGC_WANTMESSAGE))
            return false;
    }
    SelectNext(shift);
    return true;
}

void TForm::SelectNext(bool backwards)
{
    std::vector<TTabEntry> order;
    CollectTabOrder(Handle(), order);
    const int n = static_cast<int>(order.size());
    if (n == 0)
        return;
    // Where the focus is: its own entry, or that of the nearest window around it.
    int at = backwards ? n : -1;
    for (HWND w = GetFocus(); w && w != Handle() && (at < 0 || at == n); w = GetParent(w))
        for (int i = 0; i < n; ++i)
            if (order[static_cast<std::size_t>(i)].Wnd == w)
                at = i;
    for (int k = 1; k <= n; ++k) {
        const int i = ((backwards ? at - k : at + k) % n + n) % n;
        if (order[static_cast<std::size_t>(i)].Stop) {
            FocusChild(order[static_cast<std::size_t>(i)].Wnd);
            return;
        }
    }
}

// As the dialog manager does: an edit's text is selected as Tab enters it, and the focused push
// button is the one Enter presses (the form's default button again once the focus leaves buttons).
void TForm::FocusChild(HWND wnd)
{
    if (SendMessageW(wnd, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(wnd, EM_SETSEL, 0, -1);
    ::SetFocus(wnd);
    HWND def = IsPushButton(wnd) ? wnd : (FDefaultButton ? FDefaultButton->Handle() : nullptr);
    std::vector<TTabEntry> all;
    CollectTabOrder(Handle(), all);
    for (const TTabEntry& e : all) {
        if (!IsPushButton(e.Wnd))
            continue;
        const bool isDefault = (SendMessageW(e.Wnd, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0;
        if (isDefault != (e.Wnd == def))
            SendMessageW(e.Wnd, BM_SETSTYLE, e.Wnd == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (OnMessage) {
        LRESULT result = 0;
        if (OnMessage(msg, wParam, lParam, result))
            return result;
    }
    switch (msg) {
    case WM_SYSCOMMAND:
        // The main form's minimise goes to the application window as its own minimise command, so
        // that observers of that window (the tray icon) see it; the window takes every form with it.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && IsMainForm()) {
            if (AppHandle())
                SendMessageW(AppHandle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            else
                AppHost()->Minimize();
            return 0;
        }
        break;
    case WM_CLOSE:
        Close();
        return 0;
    // The end of a Windows session ends the process without destroying its windows: the form's
    // destruction handler (which saves what the user changed) runs now instead. The messages come
    // from another process whenever this thread waits for one (a call to the shell while the form
    // is still being made, say): before OnCreate has run, the destruction handler would save what
    // was never read, so it waits until the form is made.
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) {
            FSessionEnded = true;
            if (FCreated)
                BeforeDestruction();
        }
        return 0;
    // The dialog manager's request to move the focus: to a given control (lParam set), or on
    // from the focused one (a multi-line edit's Tab, a label's accelerator).
    case WM_NEXTDLGCTL:
        if (LOWORD(lParam)) {
            HWND target = reinterpret_cast<HWND>(wParam);
            if (target && IsChild(Handle(), target))
                FocusChild(target);
        } else {
            SelectNext(wParam != 0);
        }
        return 0;
    case DM_GETDEFID:
        if (FDefaultButton && FDefaultButton->Handle() && IsWindowEnabled(FDefaultButton->Handle()))
            return MAKELRESULT(FDefaultButton->ControlId(), DC_HASDEFID);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND f = GetFocus();
            if (f && IsChild(Handle(), f))
                FFocusedChild = f;
        } else if (FFocusedChild && IsWindow(FFocusedChild) && IsChild(Handle(), FFocusedChild)) {
            ::SetFocus(FFocusedChild);
            return 0;
        }
        break;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, ColorBrush(Color()));
        return 1;
    }
    case WM_DPICHANGED:
        // Moved to a monitor of another scale (or the scale changed): the system suggests where
        // the window goes at the new size; everything in it is laid out again for the new DPI.
        if (lParam && HIWORD(wParam)) {
            TakeWindowRect(*reinterpret_cast<const RECT*>(lParam), HIWORD(wParam));
            ChangeDpi(HIWORD(wParam));
        }
        return 0;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}
