#include "gui/controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <set>

#include "gui/window.h"

namespace {
const char* const kControlProp = "QvControl";
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
    : TComponent(AOwner), FParent(AParent), FControlId(g_nextControlId++)
{
}

TWinControl::~TWinControl()
{
    if (FHandle) {
        HWND h = FHandle;
        DestroyWindow(h); // WM_NCDESTROY clears FHandle
        FHandle = nullptr;
    }
}

TWinControl* TWinControl::FromHandle(HWND wnd)
{
    return wnd ? static_cast<TWinControl*>(GetPropA(wnd, kControlProp)) : nullptr;
}

void TWinControl::Attach(HWND wnd)
{
    FHandle = wnd;
    SetPropA(wnd, kControlProp, this);
}

void TWinControl::CreateSystemWindow(const char* className, DWORD style, DWORD exStyle, const std::string& caption)
{
    HWND parent = FParent ? FParent->Handle() : nullptr;
    if (parent)
        style |= WS_CHILD;
    HWND h = CreateWindowExA(exStyle, className, caption.c_str(), style, FLeft, FTop, FWidth, FHeight, parent,
                             parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(FControlId)) : nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (!h)
        return;
    FSystemClass = true;
    Attach(h);
    SetWindowSubclass(h, &TWinControl::SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(SharedFont(FFont)), FALSE);
}

void TWinControl::CreateOwnWindow(const char* className, DWORD style, DWORD exStyle, const std::string& caption,
                                  HWND parentOverride, UINT classStyle)
{
    RegisterToolkitClass(className, &TWinControl::OwnWndProc, classStyle);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND parent = parentOverride ? parentOverride : (FParent ? FParent->Handle() : nullptr);
    bool child = (style & WS_CHILD) != 0 || (FParent && !parentOverride);
    if (child)
        style |= WS_CHILD;
    CreateWindowExA(exStyle, className, caption.c_str(), style, FLeft, FTop, FWidth, FHeight, parent,
                    child ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(FControlId)) : nullptr, instance, this);
    if (FHandle)
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(SharedFont(FFont)), FALSE);
}

LRESULT CALLBACK TWinControl::OwnWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->Attach(wnd);
    } else {
        self = FromHandle(wnd);
    }
    if (!self)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    return self->Dispatch(msg, wParam, lParam);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR refData)
{
    TWinControl* self = reinterpret_cast<TWinControl*>(refData);
    if (!self || self->FHandle != wnd)
        return DefSubclassProc(wnd, msg, wParam, lParam);
    return self->Dispatch(msg, wParam, lParam);
}

LRESULT TWinControl::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCDESTROY) {
        HWND h = FHandle;
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        if (FSystemClass)
            RemoveWindowSubclass(h, &TWinControl::SubclassProc, 1);
        RemovePropA(h, kControlProp);
        FHandle = nullptr;
        GuardedCall([&] { HandleDestroyed(); });
        return r;
    }
    LRESULT result = 0;
    try {
        result = WndProc(msg, wParam, lParam);
    } catch (...) {
        HandleCurrentException();
    }
    return result;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return FSystemClass ? DefSubclassProc(FHandle, msg, wParam, lParam)
                        : DefWindowProcA(FHandle, msg, wParam, lParam);
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
    case WM_SETCURSOR:
        if (FCursor && reinterpret_cast<HWND>(wParam) == FHandle && LOWORD(lParam) == HTCLIENT) {
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
            if (!FHandle)
                return 0;
        }
        break;
    case WM_CONTEXTMENU:
        if (OnContextPopup && reinterpret_cast<HWND>(wParam) == FHandle) {
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
    if (FHandle)
        SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWinControl::ClientWidth() const
{
    RECT r = {};
    if (FHandle)
        GetClientRect(FHandle, &r);
    return r.right;
}

int TWinControl::ClientHeight() const
{
    RECT r = {};
    if (FHandle)
        GetClientRect(FHandle, &r);
    return r.bottom;
}

bool TWinControl::Visible() const
{
    return FHandle && (GetWindowLongA(FHandle, GWL_STYLE) & WS_VISIBLE);
}

void TWinControl::SetVisible(bool v)
{
    if (FHandle)
        ShowWindow(FHandle, v ? SW_SHOW : SW_HIDE);
}

bool TWinControl::Enabled() const
{
    return FHandle && IsWindowEnabled(FHandle);
}

void TWinControl::SetEnabled(bool v)
{
    if (FHandle)
        EnableWindow(FHandle, v);
}

std::string TWinControl::Caption() const
{
    if (!FHandle)
        return std::string();
    int n = GetWindowTextLengthA(FHandle);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    int got = GetWindowTextA(FHandle, &s[0], n + 1);
    s.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return s;
}

void TWinControl::SetCaption(const std::string& v)
{
    if (FHandle)
        SetWindowTextA(FHandle, v.c_str());
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
    if (FHandle)
        SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(SharedFont(FFont)), TRUE);
}

void TWinControl::SetFocus()
{
    if (FHandle)
        ::SetFocus(FHandle);
}

void TWinControl::Invalidate()
{
    if (FHandle)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Click()
{
    if (OnClick)
        OnClick(this);
}
