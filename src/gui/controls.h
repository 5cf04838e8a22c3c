#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "gui/component.h"
#include "gui/dpi.h"
#include "gui/graphics.h"
#include "gui/window.h"

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
TShiftState KeyStateToShift(WPARAM keys);

// A control with a window of its own: either a system class (button, edit, tab, tree...),
// subclassed so that the toolkit sees its messages, or a class of the toolkit (forms, panels,
// pictures). Parents reflect WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* back to the child that sent
// them. Controls are created with their window at once; the parent must already have its own.
//
// Bounds, client sizes and fonts are in the design's units (pixels at 96 DPI); the control alone
// turns them into pixels for its window's DPI, when the window is made, at every SetBounds and
// when the top-level window's DPI changes. A top-level window's Left and Top are screen pixels,
// its size design units. Read-backs (Left, Width, ClientWidth...) are design units.
class TWinControl : public TComponent, public TWindowBase {
public:
    TWinControl(TComponent* AOwner, TWinControl* AParent);
    ~TWinControl() override;

    TWinControl* Parent() const { return FParent; }
    static TWinControl* FromHandle(HWND wnd);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;

    // The DPI the control is laid out for: its top-level window's.
    int Dpi() const { return FParent ? FParent->Dpi() : FDpi; }
    int ScaleValue(int v) const { return ScaleForDpi(v, Dpi()); }
    int UnscaleValue(int v) const { return UnscaleForDpi(v, Dpi()); }
    // Where the window goes for the bounds: in its parent's client pixels (screen pixels for a
    // top-level window).
    virtual RECT PixelBounds() const;

    bool Visible() const;
    virtual void SetVisible(bool v);
    bool Enabled() const;
    virtual void SetEnabled(bool v);
    std::string Caption() const;
    virtual void SetCaption(const std::string& v);
    std::string Text() const { return Caption(); }
    void SetText(const std::string& v) { SetCaption(v); }
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor v);
    const TFontSpec& Font() const { return FFont; }
    void SetFont(const TFontSpec& v);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& v) { FHint = v; }
    // A system cursor id (IDC_HAND...), nullptr for the class default.
    void SetCursor(LPCTSTR cursor) { FCursor = cursor; }
    LPCTSTR Cursor() const { return FCursor; }
    int ControlId() const { return FControlId; }

    void SetFocus();
    void Invalidate();

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    // Right click or the context key: screen coordinates (-1, -1 from the keyboard).
    std::function<void(TObject* Sender, int X, int Y)> OnContextPopup;

    virtual void Click();

protected:
    void CreateSystemWindow(const char* className, DWORD style, DWORD exStyle, const std::string& caption = "");
    void CreateOwnWindow(const char* className, DWORD style, DWORD exStyle, const std::string& caption = "",
                         HWND parentOverride = nullptr, UINT classStyle = 0);
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Reflected from the parent. Return true when handled.
    virtual bool HandleCommand(WORD code)
    {
        (void)code;
        return false;
    }
    virtual bool HandleNotify(NMHDR* hdr, LRESULT& result)
    {
        (void)hdr;
        (void)result;
        return false;
    }
    virtual HBRUSH HandleCtlColor(HDC dc);
    // Places the window at a size measured in pixels (autosized texts); the bounds keep it in
    // design units.
    void SetPixelSize(int width, int height);
    // Lays a top-level window out again for a new DPI: every control of it is placed, given its
    // font for the DPI and told (DpiChanged), parents before their children.
    void ChangeDpi(int dpi);
    // A top-level window takes the rectangle (screen pixels) for that DPI as its own.
    void TakeWindowRect(const RECT& r, int dpi);
    // After the control's window was placed and given its font for a new DPI.
    virtual void DpiChanged() {}
    // The control's font made for its DPI.
    HFONT DpiFont() const { return SharedFont(FFont, Dpi()); }
    // The colour is the class default until set; system edit fields keep their own.
    bool ColorSet() const { return FColorSet; }

private:
    void PlaceWindow();

    TWinControl* FParent;
    int FDpi; // top-level windows; children follow their parent
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TColor FColor = clBtnFace;
    bool FColorSet = false;
    TColor FFontColor = clWindowText;
    bool FFontColorSet = false;
    TFontSpec FFont;
    std::string FHint;
    LPCTSTR FCursor = nullptr;
    int FControlId;
};
