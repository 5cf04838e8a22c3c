#include "tray/balloon_window.h"

#include <algorithm>
#include <vector>

#include "gui/app_host.h"
#include "gui/controls.h"
#include "gui/dpi.h"
#include "gui/handles.h"
#include "rtl/wide.h"

namespace {

RECT ToRect(const TGeoRect& g)
{
    return {g.Left, g.Top, g.Right, g.Bottom};
}
TGeoRect ToGeo(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

TGeoRect WorkArea()
{
    RECT a;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &a, 0))
        a = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return ToGeo(a);
}

const UINT kTextFlags = DT_WORDBREAK | DT_NOPREFIX;

// Text whose first strongly directed character is written right to left (Hebrew, Arabic) is
// laid out in that reading order, as told by the platform's own character classes.
bool RightToLeft(const std::wstring& text)
{
    if (text.empty())
        return false;
    std::vector<WORD> types(text.size());
    if (!GetStringTypeW(CT_CTYPE2, text.data(), static_cast<int>(text.size()), types.data()))
        return false;
    for (WORD t : types) {
        if (t == C2_RIGHTTOLEFT)
            return true;
        if (t == C2_LEFTTORIGHT)
            return false;
    }
    return false;
}

// Measures or draws UTF-8 text through the wide function, so that every script is laid out and
// characters the font lacks come from the platform's fallback fonts. Right-to-left text is drawn
// in its reading order, its lines against the right edge of the measured width.
void DrawUtf8(HDC dc, const std::string& text, RECT r, UINT flags, int width = 0)
{
    const std::wstring wide = rtl::Utf8ToWide(text);
    if (RightToLeft(wide)) {
        flags |= DT_RTLREADING | DT_RIGHT;
        if (width > 0 && r.left + width < r.right)
            r.right = r.left + width;
    }
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, flags);
}

SIZE MeasureText(HDC dc, HFONT font, const std::string& text, int maxWidth)
{
    TSelectGuard sel(dc, font);
    const std::wstring wide = rtl::Utf8ToWide(text);
    RECT r = {0, 0, maxWidth, 0};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
              DT_CALCRECT | kTextFlags | (RightToLeft(wide) ? DT_RTLREADING : 0));
    return {r.right - r.left, r.bottom - r.top};
}

} // namespace

bool IsWinXPOrNewer()
{
    OSVERSIONINFOW vi = {};
    vi.dwOSVersionInfoSize = sizeof vi;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&vi))
        return false;
#pragma GCC diagnostic pop
    return vi.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (vi.dwMajorVersion > 5 || (vi.dwMajorVersion == 5 && vi.dwMinorVersion > 0));
}

DWORD AnimationFlags(TAnimationStyle style)
{
    switch (style) {
    case atSlide:
        return AW_SLIDE;
    case atRollHorNeg:
        return AW_HOR_NEGATIVE;
    case atRollHorPos:
        return AW_HOR_POSITIVE;
    case atRollVerNeg:
        return AW_VER_NEGATIVE;
    case atRollVerPos:
        return AW_VER_POSITIVE;
    case atSlideHorNeg:
        return AW_SLIDE | AW_HOR_NEGATIVE;
    case atSlideHorPos:
        return AW_SLIDE | AW_HOR_POSITIVE;
    case atSlideVerNeg:
        return AW_SLIDE | AW_VER_NEGATIVE;
    case atSlideVerPos:
        return AW_SLIDE | AW_VER_POSITIVE;
    case atCenter:
        return AW_CENTER;
    case atBlend:
        return AW_BLEND;
    case atNone:
    case atRoll:
        break;
    }
    return 0;
}

UINT TBalloonWindow::ClassStyle() const
{
    return IsWinXPOrNewer() ? CS_SAVEBITS | CS_DROPSHADOW : CS_SAVEBITS;
}

void TBalloonWindow::InitFromData(void*)
{
    TBalloonSettings b = FSource.BalloonSettings();
    FIconKind = b.Icon;
    FImageIndex = b.ImageIndex;
    FShowIcon = b.HintOptions.Contains(ahShowIconInHint) && FIconKind != ikNone &&
                !(FIconKind == ikCustom && FImageIndex < 0);
    FHeader = b.Header;
    FShowHeader = b.HintOptions.Contains(ahShowHeaderInHint) && !FHeader.empty();
    FPosition = b.Position;
    SIZE s = FSource.BalloonIconSize(FIconKind, FImageIndex);
    FIconWidth = s.cx;
    FIconHeight = s.cy;
    FStemGap = GetSystemMetrics(SM_CYCURSOR);
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    FMetrics.Dpi = MonitorDpiAt(cursor);
}

HFONT TBalloonWindow::Font(bool bold) const
{
    return ScreenHintFont(bold, FMetrics.Dpi);
}

void TBalloonWindow::MeasureBody(HDC dc, TBalloonMeasure& m)
{
    m.HasBody = !FText.empty();
    if (!m.HasBody)
        return;
    SIZE s = MeasureText(dc, Font(false), FText, FMaxWidth);
    FBodyWidth = s.cx;
    m.BodyWidth = s.cx;
    m.BodyHeight = s.cy;
}

void TBalloonWindow::MeasureHeaderRow(HDC dc, TBalloonMeasure& m)
{
    m.ShowHeader = FShowHeader;
    if (FShowHeader) {
        SIZE s = MeasureText(dc, Font(true), FHeader, FMaxWidth);
        FHeaderWidth = s.cx;
        m.HeaderWidth = s.cx;
        m.HeaderHeight = s.cy;
    }
    m.ShowIcon = FShowIcon;
    m.IconWidth = FIconWidth;
    m.IconHeight = FIconHeight;
}

RECT TBalloonWindow::CalcHintRect(int maxWidth, const std::string& hint, void* data)
{
    HandleNeeded();
    InitFromData(data);
    FText = hint;
    TWindowDc dc(Handle());
    FMaxWidth = maxWidth;
    TBalloonMeasure m;
    MeasureBody(dc.Get(), m);
    MeasureHeaderRow(dc.Get(), m);
    m.Position = FPosition;
    m.StemGap = FStemGap;
    m.Dpi = FMetrics.Dpi;
    TBalloonLayout l = LayoutBalloon(m);
    FMetrics = l.Metrics;
    FStem = l.Stem;
    FTextTop = l.TextTop;
    FBodyTop = l.BodyTop;
    return ToRect(l.Rect);
}

void TBalloonWindow::FitToWorkArea(RECT& r)
{
    TGeoRect g = ToGeo(r);
    FPosition = FitBalloon(g, FPosition, WorkArea(), FStem.StemOffset, FStemGap);
    FBodyTop = BalloonBodyTop(FPosition, FStem.StemHeight);
    r = ToRect(g);
}

void TBalloonWindow::ActivateHint(RECT rect, const std::string& hint)
{
    HandleNeeded();
    if (IsWindowVisible(Handle()))
        ShowWindow(Handle(), SW_HIDE);
    FitToWorkArea(rect);
    // The toolkit's activation makes the window 4 pixels taller; the outline is made for that size.
    RECT shaped = rect;
    shaped.bottom += 4;
    SetBoundsRect(shaped);
    SetShape();
    TBalloonSettings b = FSource.BalloonSettings();
    if (b.HintOptions.Contains(ahPlaySound))
        FSource.PlayBalloonSound(b.Icon);
    THintWindow::ActivateHint(rect, hint);
}

TGeoRect TBalloonWindow::ClientGeoRect() const
{
    RECT r = {};
    if (HandleAllocated())
        GetClientRect(Handle(), &r);
    return ToGeo(r);
}

TRegionHandle TBalloonWindow::CreateShapeRegion() const
{
    RECT wr = BoundsRect();
    return CreateShapeRegion(wr.right - wr.left, wr.bottom - wr.top);
}

TRegionHandle TBalloonWindow::CreateShapeRegion(int width, int height) const
{
    TBalloonShape s = BalloonShape(FPosition, width, height, FStem, FMetrics.CornerSize);
    POINT pts[3];
    for (int i = 0; i < 3; ++i)
        pts[i] = {s.Stem[i].X, s.Stem[i].Y};
    TRegionHandle stem(CreatePolygonRgn(pts, 3, WINDING));
    TRegionHandle body(
        CreateRoundRectRgn(s.Body.Left, s.Body.Top, s.Body.Right, s.Body.Bottom, s.CornerSize, s.CornerSize));
    if (!stem || !body)
        return TRegionHandle();
    TRegionHandle shape(CreateRectRgn(0, 0, 0, 0));
    if (!shape || CombineRgn(shape.Get(), stem.Get(), body.Get(), RGN_OR) == ERROR)
        return TRegionHandle();
    return shape;
}

void TBalloonWindow::SetShape()
{
    RECT wr = BoundsRect();
    SetShape(wr.right - wr.left, wr.bottom - wr.top);
}

void TBalloonWindow::SetShape(int width, int height)
{
    if (!HandleAllocated())
        return;
    TRegionHandle shape = CreateShapeRegion(width, height);
    if (!shape)
        return;
    // Setting a region redraws the window's frame: an outline already in place is kept. (The
    // same area may come back cut into other rectangles, so it is compared by what differs.)
    TRegionHandle current(CreateRectRgn(0, 0, 0, 0));
    if (current && GetWindowRgn(Handle(), current.Get()) != ERROR &&
        CombineRgn(current.Get(), current.Get(), shape.Get(), RGN_XOR) == NULLREGION)
        return;
    // The system owns the region once it is set; a failed call leaves it to us to free.
    if (SetWindowRgn(Handle(), shape.Get(), FALSE))
        shape.Release();
}

void TBalloonWindow::EraseBackground(HDC dc)
{
    TRegionHandle shape = CreateShapeRegion();
    if (!shape)
        return;
    OffsetRgn(shape.Get(), -1, -1);
    FillRgn(dc, shape.Get(), ColorBrush(FColor));
    FrameRgn(dc, shape.Get(), static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
}

void TBalloonWindow::PaintBody(HDC dc)
{
    if (FText.empty())
        return;
    TGeoRect c = ClientGeoRect();
    RECT r = {c.Left + FMetrics.TextLeft, c.Top + FBodyTop + FTextTop, c.Right, c.Bottom};
    SetTextColor(dc, ScreenHintFontColor());
    TSelectGuard font(dc, Font(false));
    DrawUtf8(dc, FText, r, kTextFlags, FBodyWidth);
}

void TBalloonWindow::PaintHeader(HDC dc, RECT r)
{
    SetTextColor(dc, ScreenHintFontColor());
    TSelectGuard font(dc, Font(true));
    DrawUtf8(dc, FHeader, r, kTextFlags, FHeaderWidth);
}

void TBalloonWindow::Paint(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    if (FShowIcon)
        FSource.DrawBalloonIcon(dc, FMetrics.TextLeft, IconTop(), FIconKind, FImageIndex, FColor);
    PaintCloseButton(dc);
    PaintBody(dc);
    if (FShowHeader) {
        TGeoRect c = ClientGeoRect();
        RECT r = {c.Left + FMetrics.TextLeft + (FShowIcon ? FIconWidth + FMetrics.IconGap : 0),
                  c.Top + FBodyTop + FMetrics.RowTop, c.Right, c.Bottom};
        PaintHeader(dc, r);
    }
}

LRESULT TBalloonWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCPAINT:
        return 0;
    case WM_SETTEXT:
        // The caption is the hint's text; it never resizes the balloon.
        return DefaultHandler(msg, wParam, lParam);
    case WM_SHOWWINDOW:
        if (wParam)
            SetShape();
        break;
    case WM_WINDOWPOSCHANGED:
        if (reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)
            SetShape();
        break;
    }
    return THintWindow::WndProc(msg, wParam, lParam);
}

TBalloonWindowEx::~TBalloonWindowEx()
{
    if (HandleAllocated() && GetCapture() == Handle())
        ReleaseCapture();
}

void TBalloonWindowEx::InitFromData(void* data)
{
    const TBalloonData& d = *static_cast<const TBalloonData*>(data);
    if (TAppHost* app = AppHost())
        FColor = app->HintColor();
    FImageIndex = d.ImageIndex;
    FIconKind = d.IconKind;
    FHeader = d.Header;
    FShowHeader = !FHeader.empty();
    FShowIcon = !(FIconKind == ikNone || (FIconKind == ikCustom && FImageIndex == -1));
    FShowCloseBtn = d.ShowCloseBtn;
    FAnimationTime = d.AnimationTime;
    FAnimationStyle = d.AnimationStyle;
    FStemGap = d.StemGap;
    FAnchored = d.AnchorWindow != nullptr;
    SIZE s = FSource.BalloonIconSize(FIconKind, FImageIndex);
    FIconWidth = s.cx;
    FIconHeight = s.cy;
    FPosition = FSource.BalloonSettings().Position;
    // The balloon is measured for the screen its anchor point lies on.
    POINT p = d.Position;
    if (d.AnchorWindow && d.AnchorWindow->Handle())
        ClientToScreen(d.AnchorWindow->Handle(), &p);
    FMetrics.Dpi = MonitorDpiAt(p);
}

void TBalloonWindowEx::MeasureHeaderRow(HDC dc, TBalloonMeasure& m)
{
    TBalloonWindow::MeasureHeaderRow(dc, m);
    m.ShowCloseBtn = FShowCloseBtn;
}

void TBalloonWindowEx::ShowBalloon(RECT r)
{
    HandleNeeded();
    // The caption is the hint's text, as for the plain hint window: screen readers and other
    // programs read the balloon through it.
    SetWindowTextUtf8(Handle(), FText);
    FitToWorkArea(r);
    if (IsWindowVisible(Handle()))
        ShowWindow(Handle(), SW_HIDE);
    HWND owner = FAnchored ? AppHandle() : nullptr;
    if (GetWindow(Handle(), GW_OWNER) != owner)
        SetWindowLongPtrW(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    TGeoRect g = ToGeo(r);
    TGeoRect desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    desktop.Right = desktop.Left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    desktop.Bottom = desktop.Top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    KeepOnDesktop(g, desktop);
    r = ToRect(g);
    // The outline is set for the coming size while the window is hidden; then one call places,
    // sizes and shows it (each call is a round trip to the window system).
    SetShape(r.right - r.left, r.bottom - r.top);

    FCloseState = DFCS_FLAT;
    FClosePressed = false;
    UINT showFlags = SWP_NOACTIVATE | SWP_SHOWWINDOW;
    if (FAnimationStyle != atNone && IsWinXPOrNewer()) {
        // The animation shows the window where it will stay.
        SetWindowPos(Handle(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
        showFlags |= SWP_NOMOVE | SWP_NOSIZE;
        using TAnimateWindow = BOOL(WINAPI*)(HWND, DWORD, DWORD);
        auto animate = reinterpret_cast<TAnimateWindow>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AnimateWindow")));
        if (animate) {
            DWORD flags = AnimationFlags(FAnimationStyle);
            if (FAnimationStyle == atSlide || FAnimationStyle == atRoll)
                flags |= IsDownward(FPosition) ? AW_VER_POSITIVE : AW_VER_NEGATIVE;
            animate(Handle(), static_cast<DWORD>(FAnimationTime), flags);
        }
    }
    SetWindowPos(Handle(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, showFlags);
    if (!owner)
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

void TBalloonWindowEx::MoveTo(POINT p)
{
    RECT r = BoundsRect();
    SetWindowPos(Handle(), nullptr, p.x, p.y, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

POINT TBalloonWindowEx::StemTip() const
{
    TGeoPoint t = ::StemTip(FPosition, ToGeo(BoundsRect()), FStem.StemOffset);
    return {t.X, t.Y};
}

RECT TBalloonWindowEx::CloseButtonRect() const
{
    return ToRect(::CloseButtonRect(ClientGeoRect().Right, FBodyTop, FMetrics));
}

void TBalloonWindowEx::PaintCloseButton(HDC dc)
{
    if (!FShowCloseBtn)
        return;
    FCloseState = DFCS_FLAT;
    RECT r = CloseButtonRect();
    DrawFrameControl(dc, &r, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_TRANSPARENT | FCloseState);
}

void TBalloonWindowEx::PaintHeader(HDC dc, RECT r)
{
    TSelectGuard font(dc, Font(true));
    DrawUtf8(dc, FHeader, r, kTextFlags, FHeaderWidth);
}

bool TBalloonWindowEx::InCloseButton(LPARAM lParam) const
{
    POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT r = CloseButtonRect();
    return PtInRect(&r, p) != 0;
}

// Draws the button at once in its new state; an unchanged state draws nothing. The button is drawn
// transparently, so the old state is wiped with the window colour first.
void TBalloonWindowEx::SetCloseState(UINT state)
{
    if (state == FCloseState)
        return;
    FCloseState = state;
    if (!HandleAllocated() || !FShowCloseBtn)
        return;
    TWindowDc dc(Handle());
    RECT r = CloseButtonRect();
    FillRect(dc.Get(), &r, ColorBrush(FColor));
    DrawFrameControl(dc.Get(), &r, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_TRANSPARENT | FCloseState);
}

void TBalloonWindowEx::MouseMoved(LPARAM lParam)
{
    bool inside = InCloseButton(lParam);
    if (inside && FClosePressed)
        SetCloseState(DFCS_FLAT | DFCS_HOT | DFCS_PUSHED);
    else if (inside)
        SetCloseState(DFCS_FLAT | DFCS_HOT);
    else
        SetCloseState(DFCS_FLAT);
}

LRESULT TBalloonWindowEx::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCHITTEST:
        if (FShowCloseBtn)
            return HTCLIENT;
        break;
    case WM_LBUTTONDOWN: {
        LRESULT r = TBalloonWindow::WndProc(msg, wParam, lParam);
        if (FShowCloseBtn && InCloseButton(lParam)) {
            SetCapture(Handle());
            FClosePressed = true;
            SetCloseState(FCloseState | DFCS_PUSHED);
        }
        return r;
    }
    case WM_MOUSEMOVE: {
        LRESULT r = TBalloonWindow::WndProc(msg, wParam, lParam);
        if (FShowCloseBtn)
            MouseMoved(lParam);
        return r;
    }
    case WM_LBUTTONUP: {
        LRESULT r = TBalloonWindow::WndProc(msg, wParam, lParam);
        bool wasPressed = FClosePressed;
        FClosePressed = false;
        if (GetCapture() == Handle())
            ReleaseCapture();
        if (wasPressed && FShowCloseBtn) {
            bool inside = InCloseButton(lParam);
            SetCloseState(inside ? DFCS_FLAT | DFCS_HOT : DFCS_FLAT);
            if (inside)
                FSource.BalloonDismissed();
        }
        return r;
    }
    case WM_CAPTURECHANGED:
        // Losing the capture to someone else ends a press without a click.
        if (FClosePressed && reinterpret_cast<HWND>(lParam) != Handle()) {
            FClosePressed = false;
            SetCloseState(DFCS_FLAT);
        }
        break;
    case WM_ACTIVATEAPP: {
        LRESULT r = TBalloonWindow::WndProc(msg, wParam, lParam);
        if (FAnchored && !wParam)
            FSource.BalloonDismissed();
        return r;
    }
    }
    return TBalloonWindow::WndProc(msg, wParam, lParam);
}
