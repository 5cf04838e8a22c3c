#include "gui/hint_window.h"

#include <algorithm>
#include <map>
#include <utility>

#include "gui/app_host.h"
#include "gui/controls.h"
#include "gui/dpi.h"
#include "gui/handles.h"
#include "rtl/wide.h"

namespace {
enum : UINT_PTR { kShowTimer = 1, kHideTimer = 2, kTrackTimer = 3 };
}

void THintWindow::HandleNeeded()
{
    if (HandleAllocated())
        return;
    CreateHandle(ClassName(), WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, "", WindowStyle(), 0, 0, 0, 0,
                 AppHandle(), nullptr, ClassStyle(), nullptr, LoadCursor(nullptr, IDC_ARROW));
    if (TAppHost* app = AppHost())
        FColor = app->HintColor();
}

RECT THintWindow::CalcHintRect(int maxWidth, const std::string& hint, void*)
{
    RECT r = {0, 0, maxWidth, 0};
    TMemoryDc dc(CreateCompatibleDC(nullptr));
    TSelectGuard font(dc.Get(), ScreenHintFont());
    const std::wstring text = rtl::Utf8ToWide(hint);
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    r.right += 6;
    r.bottom += 2;
    return r;
}

void THintWindow::ActivateHint(RECT rect, const std::string& hint)
{
    HandleNeeded();
    FCaption = hint;
    SetWindowTextUtf8(Handle(), hint);
    rect.bottom += 4;
    HMONITOR m = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(m, &mi)) {
        int w = rect.right - rect.left, h = rect.bottom - rect.top;
        if (rect.right > mi.rcWork.right)
            OffsetRect(&rect, mi.rcWork.right - rect.right, 0);
        if (rect.bottom > mi.rcWork.bottom)
            OffsetRect(&rect, 0, mi.rcWork.bottom - rect.bottom);
        if (rect.left < mi.rcWork.left)
            OffsetRect(&rect, mi.rcWork.left - rect.left, 0);
        if (rect.top < mi.rcWork.top)
            OffsetRect(&rect, 0, mi.rcWork.top - rect.top);
        rect.right = rect.left + w;
        rect.bottom = rect.top + h;
    }
    SetWindowPos(Handle(), HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void THintWindow::ReleaseHint()
{
    if (HandleAllocated() && IsWindowVisible(Handle()))
        ShowWindow(Handle(), SW_HIDE);
}

bool THintWindow::Showing() const
{
    return HandleAllocated() && IsWindowVisible(Handle());
}

RECT THintWindow::BoundsRect() const
{
    RECT r = {};
    if (HandleAllocated())
        GetWindowRect(Handle(), &r);
    return r;
}

void THintWindow::SetBoundsRect(const RECT& r)
{
    HandleNeeded();
    SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void THintWindow::SetColor(TColor v)
{
    FColor = v;
    if (HandleAllocated())
        InvalidateRect(Handle(), nullptr, TRUE);
}

void THintWindow::EraseBackground(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, ColorBrush(FColor));
}

void THintWindow::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    InflateRect(&r, -2, -1);
    TSelectGuard font(dc, ScreenHintFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ScreenHintFontColor());
    const std::wstring text = rtl::Utf8ToWide(FCaption);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT THintWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PRINTCLIENT:
        if (lParam & PRF_ERASEBKGND)
            EraseBackground(reinterpret_cast<HDC>(wParam));
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PAINT: {
        TPaintGuard paint(Handle());
        Paint(paint.Dc());
        return 0;
    }
    }
    return DefaultHandler(msg, wParam, lParam);
}

HFONT ScreenHintFont(bool bold)
{
    return ScreenHintFont(bold, SystemDpi());
}

HFONT ScreenHintFont(bool bold, int dpi)
{
    static std::map<std::pair<int, bool>, TFontHandle> fonts;
    TFontHandle& f = fonts[std::make_pair(dpi, bold)];
    if (!f) {
        NONCLIENTMETRICSW ncm = {};
        LOGFONTW lf = {};
        if (NonClientMetricsForDpi(ncm, dpi)) {
            lf = ncm.lfStatusFont;
        } else {
            lf.lfHeight = ScaleForDpi(-11, dpi);
            lf.lfCharSet = DEFAULT_CHARSET;
            lstrcpynW(lf.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
        }
        lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        f.Reset(CreateFontIndirectW(&lf));
    }
    return f.Get();
}

COLORREF ScreenHintFontColor()
{
    return GetSysColor(COLOR_INFOTEXT);
}

std::string GetShortHint(const std::string& hint)
{
    std::string::size_type bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

THintController::THintController(const THintWindowClass& windowClass) : FWindowClass(windowClass), FTimer(*this)
{
    FTimer.CreateHandle("THintTimerWindow", 0, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE);
}

THintController::~THintController()
{
    if (FTimer.Handle()) {
        KillTimer(FTimer.Handle(), kShowTimer);
        KillTimer(FTimer.Handle(), kHideTimer);
        KillTimer(FTimer.Handle(), kTrackTimer);
    }
}

TWinControl* THintController::ControlWithHint(HWND wnd)
{
    for (; wnd; wnd = GetParent(wnd)) {
        TWinControl* c = TWinControl::FromHandle(wnd);
        if (c && !GetShortHint(c->Hint()).empty())
            return c;
    }
    return nullptr;
}

TWinControl* THintController::HintControl() const
{
    return TWinControl::FromHandle(FControlWnd);
}

void THintController::Observe(const MSG& msg)
{
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        TWinControl* c = ControlWithHint(msg.hwnd);
        if (c == HintControl())
            return;
        CancelHint();
        FSuppressed = false;
        FControlWnd = c ? c->Handle() : nullptr;
        if (c) {
            SetTimer(FTimer.Handle(), kShowTimer, HintPause, nullptr);
            SetTimer(FTimer.Handle(), kTrackTimer, 100, nullptr);
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEWHEEL:
        if (FControlWnd) {
            HWND c = FControlWnd;
            CancelHint();
            FControlWnd = c;
            FSuppressed = true;
        }
        break;
    }
}

void THintController::ActivateHint(TWinControl* control, POINT cursor)
{
    KillTimer(FTimer.Handle(), kShowTimer);
    std::string hint = control ? GetShortHint(control->Hint()) : std::string();
    if (hint.empty())
        return;
    if (!FWindow) {
        FWindow = FWindowClass ? FWindowClass() : std::unique_ptr<THintWindow>(new THintWindow());
    }
    FControlWnd = control->Handle();
    RECT r = FWindow->CalcHintRect(GetSystemMetrics(SM_CXSCREEN), hint, nullptr);
    // Below the cursor, as far down as the cursor is high.
    OffsetRect(&r, cursor.x, cursor.y + GetSystemMetrics(SM_CYCURSOR));
    FWindow->ActivateHint(r, hint);
    if (HintHidePause)
        SetTimer(FTimer.Handle(), kHideTimer, HintHidePause, nullptr);
    SetTimer(FTimer.Handle(), kTrackTimer, 100, nullptr);
}

void THintController::CancelHint()
{
    KillTimer(FTimer.Handle(), kShowTimer);
    KillTimer(FTimer.Handle(), kHideTimer);
    KillTimer(FTimer.Handle(), kTrackTimer);
    if (FWindow)
        FWindow->ReleaseHint();
    FControlWnd = nullptr;
}

void THintController::ClassChanged()
{
    CancelHint();
    FWindow.reset();
}

void THintController::OnTimer(UINT_PTR id)
{
    switch (id) {
    case kShowTimer:
        KillTimer(FTimer.Handle(), kShowTimer);
        if (TWinControl* c = HintControl()) {
            if (!FSuppressed) {
                POINT p;
                GetCursorPos(&p);
                ActivateHint(c, p);
            }
        }
        break;
    case kHideTimer:
        KillTimer(FTimer.Handle(), kHideTimer);
        if (FWindow)
            FWindow->ReleaseHint();
        break;
    case kTrackTimer: {
        // The pointer may leave without any message reaching us (onto another program's window).
        POINT p;
        GetCursorPos(&p);
        TWinControl* c = HintControl();
        if (!c || ControlWithHint(WindowFromPoint(p)) != c)
            CancelHint();
        break;
    }
    }
}

LRESULT THintController::TTimerWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER) {
        FOwner.OnTimer(wParam);
        return 0;
    }
    return DefaultHandler(msg, wParam, lParam);
}
