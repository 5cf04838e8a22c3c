#include "gui/controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <vector>

namespace {
int g_nextControlId = 1000;
} // namespace

TShiftState KeyStateToShift(WPARAM keys)
{
    TShiftState s = 0;
    if (keys & MK_SHIFT)
        s |= ssShift;
    if (keys & MK_CONTROL)
        s |= ssCtrl;
    if (keys & MK_LBUTTON)
        s |= ssLeft;
    if (keys & MK_RBUTTON)
        s |= ssRight;
    if (keys & MK_MBUTTON)
        s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0)
        s |= ssAlt;
    return s;
}

TWinControl::TWinControl(TComponent* AOwner, TWinControl* AParent)
    : TComponent(AOwner), FParent(AParent), FDpi(AParent ? kDesignDpi : SystemDpi()), FControlId(g_nextControlId++)
{
}

// The window goes while this is still a control, so that its last messages reach WndProc here.
TWinControl::~TWinControl()
{
    DestroyHandle();
}

TWinControl* TWinControl::FromHandle(HWND wnd)
{
    return dynamic_cast<TWinControl*>(TWindowBase::FromHandle(wnd));
}

void TWinControl::CreateSystemWindow(const char* className, DWORD style, DWORD exStyle, const std::string& caption)
{
    HWND parent = FParent ? FParent->Handle() : nullptr;
    if (parent)
        style |= WS_CHILD;
    RECT b = PixelBounds();
    HWND h =
        CreateSubclassed(className, exStyle, caption, style, b.left, b.top, b.right - b.left, b.bottom - b.top,
                         parent, parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(FControlId)) : nullptr);
    if (h)
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(DpiFont()), FALSE);
}

void TWinControl::CreateOwnWindow(const char* className, DWORD style, DWORD exStyle, const std::string& caption,
                                  HWND parentOverride, UINT classStyle)
{
    HWND parent = parentOverride ? parentOverride : (FParent ? FParent->Handle() : nullptr);
    bool child = (style & WS_CHILD) != 0 || (FParent && !parentOverride);
    if (child)
        style |= WS_CHILD;
    RECT b = PixelBounds();
    CreateHandle(className, exStyle, caption, style, b.left, b.top, b.right - b.left, b.bottom - b.top, parent,
                 child ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(FControlId)) : nullptr, classStyle);
    if (!Handle())
        return;
    // A top-level window was sized for the system's DPI; its monitor may have another.
    if (!FParent) {
        int dpi = WindowDpi(Handle());
        if (dpi != FDpi) {
            FDpi = dpi;
            PlaceWindow();
        }
    }
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DpiFont()), FALSE);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        if (lParam) {
            TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
            if (child && child != this && child->HandleCommand(HIWORD(wParam)))
                return 0;
        }
        break;
    case WM_NOTIFY: {
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
        TWinControl* child = FromHandle(hdr->hwndFrom);
        LRESULT r = 0;
        if (child && child != this && child->HandleNotify(hdr, r))
            return r;
        break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
        TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam));
        if (child && child != this) {
            HBRUSH b = child->HandleCtlColor(reinterpret_cast<HDC>(wParam));
            if (b)
                return reinterpret_cast<LRESULT>(b);
        }
        break;
    }
    // A control's request to move the focus on (a multi-line edit's Tab) is the form's to answer.
    case WM_NEXTDLGCTL:
        if (FParent)
            return SendMessageW(GetAncestor(Handle(), GA_ROOT), WM_NEXTDLGCTL, wParam, lParam);
        break;
    case WM_SETCURSOR:
        if (FCursor && reinterpret_cast<HWND>(wParam) == Handle() && LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(LoadCursor(nullptr, FCursor));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnMouseDown) {
            TMouseButton b = msg == WM_LBUTTONDOWN ? mbLeft : msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
            OnMouseDown(this, b, KeyStateToShift(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (!Handle())
                return 0;
        }
        break;
    case WM_CONTEXTMENU:
        if (OnContextPopup && reinterpret_cast<HWND>(wParam) == Handle()) {
            OnContextPopup(this, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        }
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

HBRUSH TWinControl::HandleCtlColor(HDC dc)
{
    if (!FColorSet && !FFontColorSet)
        return nullptr;
    SetTextColor(dc, ColorToRGB(FFontColor));
    SetBkColor(dc, ColorToRGB(FColor));
    return ColorBrush(FColor);
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    PlaceWindow();
}

// Edges are scaled, not sizes, so that controls that meet in the design still meet in pixels.
RECT TWinControl::PixelBounds() const
{
    int dpi = Dpi();
    if (!FParent)
        return {FLeft, FTop, FLeft + ScaleForDpi(FWidth, dpi), FTop + ScaleForDpi(FHeight, dpi)};
    return {ScaleForDpi(FLeft, dpi), ScaleForDpi(FTop, dpi), ScaleForDpi(FLeft + FWidth, dpi),
            ScaleForDpi(FTop + FHeight, dpi)};
}

void TWinControl::PlaceWindow()
{
    if (!Handle())
        return;
    RECT b = PixelBounds();
    SetWindowPos(Handle(), nullptr, b.left, b.top, b.right - b.left, b.bottom - b.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetPixelSize(int width, int height)
{
    RECT b = PixelBounds();
    FWidth = UnscaleValue(width);
    FHeight = UnscaleValue(height);
    if (Handle())
        SetWindowPos(Handle(), nullptr, b.left, b.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::TakeWindowRect(const RECT& r, int dpi)
{
    FDpi = dpi;
    FLeft = r.left;
    FTop = r.top;
    FWidth = UnscaleForDpi(r.right - r.left, dpi);
    FHeight = UnscaleForDpi(r.bottom - r.top, dpi);
    if (Handle())
        SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::ChangeDpi(int dpi)
{
    if (FParent)
        return;
    FDpi = dpi;
    std::vector<TWinControl*> controls;
    EnumChildWindows(
        Handle(),
        [](HWND wnd, LPARAM list) {
            if (TWinControl* c = FromHandle(wnd))
                reinterpret_cast<std::vector<TWinControl*>*>(list)->push_back(c);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DpiFont()), FALSE);
    DpiChanged();
    for (TWinControl* c : controls) {
        c->PlaceWindow();
        SendMessageW(c->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(c->DpiFont()), TRUE);
        c->DpiChanged();
    }
}

int TWinControl::ClientWidth() const
{
    RECT r = {};
    if (Handle())
        GetClientRect(Handle(), &r);
    return UnscaleValue(r.right);
}

int TWinControl::ClientHeight() const
{
    RECT r = {};
    if (Handle())
        GetClientRect(Handle(), &r);
    return UnscaleValue(r.bottom);
}

bool TWinControl::Visible() const
{
    return Handle() && (GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE);
}

void TWinControl::SetVisible(bool v)
{
    if (Handle())
        ShowWindow(Handle(), v ? SW_SHOW : SW_HIDE);
}

bool TWinControl::Enabled() const
{
    return Handle() && IsWindowEnabled(Handle());
}

void TWinControl::SetEnabled(bool v)
{
    if (Handle())
        EnableWindow(Handle(), v);
}

std::string TWinControl::Caption() const
{
    return Handle() ? GetWindowTextUtf8(Handle()) : std::string();
}

void TWinControl::SetCaption(const std::string& v)
{
    if (Handle())
        SetWindowTextUtf8(Handle(), v);
}

void TWinControl::SetColor(TColor v)
{
    FColor = v;
    FColorSet = true;
    Invalidate();
}

void TWinControl::SetFontColor(TColor v)
{
    FFontColor = v;
    FFontColorSet = true;
    Invalidate();
}

void TWinControl::SetFont(const TFontSpec& v)
{
    FFont = v;
    if (Handle())
        SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(DpiFont()), TRUE);
}

void TWinControl::SetFocus()
{
    if (Handle())
        ::SetFocus(Handle());
}

void TWinControl::Invalidate()
{
    if (Handle())
        InvalidateRect(Handle(), nullptr, TRUE);
}

void TWinControl::Click()
{
    if (OnClick)
        OnClick(this);
}
