#include "gui/std_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "rtl/text.h"
#include "rtl/wide.h"

// ---- TButton

TButton::TButton(TComponent* AOwner, TWinControl* AParent, const std::string& caption, int left, int top,
                 int width, int height)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    CreateSystemWindow("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, caption);
}

void TButton::SetDefault(bool v)
{
    FDefault = v;
    SendMessageW(Handle(), BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::SetGlyphResource(int id)
{
    FGlyphId = id;
    int size = SmallIconSize(Dpi());
    FGlyph.Reset(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    SendMessageW(Handle(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FGlyph.Get()));
    // A little air between the glyph and the caption.
    RECT margin = {ScaleValue(4), 0, 0, 0};
    SendMessageW(Handle(), BCM_SETTEXTMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
}

void TButton::DpiChanged()
{
    if (FGlyphId)
        SetGlyphResource(FGlyphId);
}

bool TButton::HandleCommand(WORD code)
{
    if (code != BN_CLICKED)
        return false;
    Click();
    return true;
}

// ---- TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner, TWinControl* AParent, const std::string& caption, int left, int top,
                     int width, int height)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    CreateSystemWindow("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, caption);
}

bool TCheckBox::Checked() const
{
    return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool v)
{
    if (v == Checked())
        return;
    SendMessageW(Handle(), BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
    Click();
}

bool TCheckBox::HandleCommand(WORD code)
{
    if (code != BN_CLICKED)
        return false;
    Click();
    return true;
}

// ---- TEdit

TEdit::TEdit(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height, bool border,
             DWORD extraStyle)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    CreateSystemWindow("EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | extraStyle,
                       border ? WS_EX_CLIENTEDGE : 0);
    SetColor(clWindow);
}

bool TEdit::ReadOnly() const
{
    return (GetWindowLongW(Handle(), GWL_STYLE) & ES_READONLY) != 0;
}

void TEdit::SetReadOnly(bool v)
{
    SendMessageW(Handle(), EM_SETREADONLY, v, 0);
}

bool TEdit::HandleCommand(WORD code)
{
    if (code == EN_CHANGE && OnChange) {
        OnChange(this);
        return true;
    }
    return false;
}

HBRUSH TEdit::HandleCtlColor(HDC dc)
{
    // Disabled and read-only edits arrive as WM_CTLCOLORSTATIC; they take the colour set too.
    SetTextColor(dc, ColorToRGB(IsWindowEnabled(Handle()) ? FontColor() : clGrayText));
    SetBkColor(dc, ColorToRGB(Color()));
    return ColorBrush(Color());
}

// ---- TListBox

TListBox::TListBox(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    CreateSystemWindow("LISTBOX",
                       WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                       WS_EX_CLIENTEDGE);
}

void TListBox::AddItem(const std::string& text)
{
    SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rtl::Utf8ToWide(text).c_str()));
    UpdateExtent();
}

int TListBox::Count() const
{
    return static_cast<int>(SendMessageW(Handle(), LB_GETCOUNT, 0, 0));
}

int TListBox::ItemIndex() const
{
    const LRESULT i = SendMessageW(Handle(), LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void TListBox::SetItemIndex(int index)
{
    SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool TListBox::HandleCommand(WORD code)
{
    if (code == LBN_DBLCLK && OnDblClick) {
        OnDblClick(this);
        return true;
    }
    return false;
}

void TListBox::UpdateExtent()
{
    HWND h = Handle();
    TWindowDc dc(h);
    if (!dc.Get())
        return;
    TSelectGuard font(dc.Get(), DpiFont());
    int widest = 0;
    std::wstring line;
    for (int i = 0, n = Count(); i < n; ++i) {
        const LRESULT length = SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length == LB_ERR)
            continue;
        line.assign(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&line[0]));
        SIZE size = {};
        if (GetTextExtentPoint32W(dc.Get(), line.c_str(), static_cast<int>(length), &size))
            widest = std::max<int>(widest, size.cx);
    }
    SendMessageW(h, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + ScaleValue(6)), 0);
}

// ---- TMemo

TMemo::TMemo(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height, TScrollBars bars,
             bool wordWrap, bool border)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    DWORD style = WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_NOHIDESEL;
    if (bars == ssVertical || bars == ssBoth)
        style |= WS_VSCROLL;
    if (bars == ssHorizontal || bars == ssBoth)
        style |= WS_HSCROLL;
    if (!wordWrap)
        style |= ES_AUTOHSCROLL;
    CreateSystemWindow("EDIT", style, border ? WS_EX_CLIENTEDGE : 0);
    // The default limit is 32 KB; feed documents run to megabytes.
    SendMessageW(Handle(), EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    SetColor(clWindow);
}

bool TMemo::ReadOnly() const
{
    return (GetWindowLongW(Handle(), GWL_STYLE) & ES_READONLY) != 0;
}

void TMemo::SetReadOnly(bool v)
{
    SendMessageW(Handle(), EM_SETREADONLY, v, 0);
}

TStringList TMemo::Lines() const
{
    TStringList l;
    l.SetText(Text());
    return l;
}

void TMemo::SetLines(const TStringList& lines)
{
    std::string t = lines.Text();
    // The field shows no empty line after the last one.
    if (t.size() >= 2)
        t.resize(t.size() - 2);
    SetText(t);
}

void TMemo::LoadFromFile(const std::string& fileName)
{
    TStringList l;
    l.LoadFromFile(fileName);
    SetLines(l);
}

HBRUSH TMemo::HandleCtlColor(HDC dc)
{
    SetTextColor(dc, ColorToRGB(IsWindowEnabled(Handle()) ? FontColor() : clGrayText));
    SetBkColor(dc, ColorToRGB(Color()));
    return ColorBrush(Color());
}

// ---- TIntEdit

TIntEdit::TIntEdit(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    CreateSystemWindow("EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT, WS_EX_CLIENTEDGE, "0");
    SetColor(clWindow);
}

void TIntEdit::SetRange(int minValue, int maxValue, bool enforced)
{
    FHasRange = true;
    FMin = minValue;
    FMax = maxValue;
    FEnforced = enforced;
    if (FEnforced)
        SetValue(Value());
}

int TIntEdit::Value() const
{
    long long v;
    std::string t = Text();
    // Only plain decimal counts; anything else, and the empty field, reads 0.
    if (t.empty() || t.find_first_not_of("-0123456789") != std::string::npos || !rtl::TryStrToInt(t, v))
        return 0;
    return static_cast<int>(v);
}

void TIntEdit::SetValue(int v)
{
    if (FEnforced) {
        if (v < FMin)
            v = FMin;
        if (v > FMax)
            v = FMax;
    }
    SetText(std::to_string(v));
}

bool TIntEdit::Acceptable(const std::string& text) const
{
    if (text.empty())
        return true;
    std::size_t i = 0;
    if (text[0] == '-') {
        if (!MinusAllowed())
            return false;
        i = 1;
        if (text.size() == 1)
            return true;
    }
    if (text.find_first_not_of("0123456789", i) != std::string::npos)
        return false;
    if (!FEnforced)
        return text.size() - i <= 10;
    long long v;
    if (!rtl::TryStrToInt(text, v))
        return false;
    return v >= FMin && v <= FMax;
}

// The selection is counted in UTF-16 units, so the candidate text is put together in them.
LRESULT TIntEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    std::wstring inserted;
    if (msg == WM_CHAR && wParam >= 32) {
        inserted.assign(1, static_cast<wchar_t>(wParam));
    } else if (msg == WM_PASTE) {
        TClipboardGuard clipboard(Handle());
        if (clipboard.Opened()) {
            if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
                if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h))) {
                    inserted = p;
                    GlobalUnlock(h);
                }
            }
        }
    } else {
        return TWinControl::WndProc(msg, wParam, lParam);
    }
    DWORD selStart = 0, selEnd = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    const std::wstring t = rtl::Utf8ToWide(Text());
    const std::wstring next = t.substr(0, selStart) + inserted + t.substr(std::min<std::size_t>(selEnd, t.size()));
    if (!Acceptable(rtl::WideToUtf8(next))) {
        MessageBeep(MB_OK);
        return 0;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

HBRUSH TIntEdit::HandleCtlColor(HDC dc)
{
    SetTextColor(dc, ColorToRGB(IsWindowEnabled(Handle()) ? FontColor() : clGrayText));
    SetBkColor(dc, ColorToRGB(Color()));
    return ColorBrush(Color());
}

// ---- TStaticText

TStaticText::TStaticText(TComponent* AOwner, TWinControl* AParent, const std::string& caption, int left, int top,
                         int width, int height)
    : TWinControl(AOwner, AParent), FAutoSize(width == 0)
{
    SetBounds(left, top, width, height);
    CreateSystemWindow("STATIC", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, caption);
    AutoSize();
}

void TStaticText::SetCaption(const std::string& v)
{
    TWinControl::SetCaption(v);
    AutoSize();
}

void TStaticText::AutoSize()
{
    if (!FAutoSize || !Handle())
        return;
    TWindowDc dc(Handle());
    TSelectGuard font(dc.Get(), DpiFont());
    const std::wstring t = rtl::Utf8ToWide(Caption());
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc.Get(), t.empty() ? L" " : t.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    // A few pixels of slack: the control draws italic overhangs and underlines past the measure.
    SetPixelSize(r.right + ScaleValue(4), r.bottom);
}

// Only a text created or restyled with SS_NOTIFY reports clicks.
bool TStaticText::HandleCommand(WORD code)
{
    if (code != STN_CLICKED)
        return false;
    Click();
    return true;
}

HBRUSH TStaticText::HandleCtlColor(HDC dc)
{
    SetTextColor(dc, ColorToRGB(FontColor()));
    SetBkColor(dc, ColorToRGB(Color()));
    return ColorBrush(Color());
}

// ---- TBevel

TBevel::TBevel(TComponent* AOwner, TWinControl* AParent, TShape shape, int left, int top, int width, int height)
    : TWinControl(AOwner, AParent), FShape(shape)
{
    SetBounds(left, top, width, height);
    CreateOwnWindow("TBevel", WS_VISIBLE, 0);
}

LRESULT TBevel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        TPaintGuard paint(Handle());
        HDC dc = paint.Dc();
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(dc, &r, ColorBrush(clBtnFace));
        switch (FShape) {
        case bsTopLine:
            DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
            break;
        case bsFrame:
            DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
            break;
        case bsRaisedFrame:
            DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
            break;
        case bsSunkenLine:
            DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
            break;
        }
        return 0;
    }
    if (msg == WM_ERASEBKGND)
        return 1;
    if (msg == WM_NCHITTEST)
        return HTTRANSPARENT;
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---- TPanel

TPanel::TPanel(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    CreateOwnWindow("TPanel", WS_VISIBLE | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
}

LRESULT TPanel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, ColorBrush(Color()));
        return 1;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---- TImage

TImage::TImage(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    CreateOwnWindow("TImage", WS_VISIBLE, 0);
}

void TImage::SetIcon(TIconHandle icon)
{
    FIcon = std::move(icon);
    FBitmap.Reset();
    FIconId = 0;
    Invalidate();
}

void TImage::SetIconResource(int id, int designSize)
{
    int size = ScaleValue(designSize);
    SetIcon(TIconHandle(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR))));
    FIconId = id;
    FIconDesignSize = designSize;
}

void TImage::SetBitmap(TBitmapHandle bitmap)
{
    FBitmap = std::move(bitmap);
    FIcon.Reset();
    FBitmapIds[0] = 0;
    Invalidate();
}

void TImage::SetBitmapResources(int id100, int id150, int id200)
{
    FBitmapIds[0] = id100;
    FBitmapIds[1] = id150;
    FBitmapIds[2] = id200;
    LoadBitmapForDpi();
}

void TImage::LoadBitmapForDpi()
{
    int dpi = Dpi();
    int id = dpi <= kDesignDpi ? FBitmapIds[0] : dpi <= kDesignDpi * 3 / 2 ? FBitmapIds[1] : FBitmapIds[2];
    FBitmap.Reset(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    FIcon.Reset();
    Invalidate();
}

void TImage::DpiChanged()
{
    if (FBitmapIds[0])
        LoadBitmapForDpi();
    else if (FIconId)
        SetIconResource(FIconId, FIconDesignSize);
}

LRESULT TImage::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        TPaintGuard paint(Handle());
        HDC dc = paint.Dc();
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(dc, &r, ColorBrush(Color()));
        if (FIcon) {
            ICONINFO ii = {};
            int w = r.right, h = r.bottom;
            if (GetIconInfo(FIcon.Get(), &ii)) {
                // The icon's bitmaps are copies that are ours to delete.
                TBitmapHandle color(ii.hbmColor), mask(ii.hbmMask);
                BITMAP bm = {};
                if (color && GetObjectW(color.Get(), sizeof bm, &bm)) {
                    w = bm.bmWidth;
                    h = bm.bmHeight;
                } else if (mask && GetObjectW(mask.Get(), sizeof bm, &bm)) {
                    w = bm.bmWidth;
                    h = bm.bmHeight / 2;
                }
            }
            DrawIconEx(dc, 0, 0, FIcon.Get(), w, h, 0, nullptr, DI_NORMAL);
        } else if (FBitmap) {
            TMemoryDc mem(CreateCompatibleDC(dc));
            TSelectGuard sel(mem.Get(), FBitmap.Get());
            BITMAP bm = {};
            GetObjectW(FBitmap.Get(), sizeof bm, &bm);
            // A picture drawn for a larger scale is scaled down to the control with a filter that
            // averages, which keeps its edges clean; a plain bitmap is drawn as it is.
            if (FBitmapIds[0] && (bm.bmWidth != r.right || bm.bmHeight != r.bottom)) {
                SetStretchBltMode(dc, HALFTONE);
                SetBrushOrgEx(dc, 0, 0, nullptr);
                StretchBlt(dc, 0, 0, r.right, r.bottom, mem.Get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
            } else {
                BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem.Get(), 0, 0, SRCCOPY);
            }
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        FPressed = true;
        break;
    case WM_LBUTTONUP:
        if (FPressed) {
            FPressed = false;
            TWinControl::WndProc(msg, wParam, lParam);
            Click();
            return 0;
        }
        break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}
