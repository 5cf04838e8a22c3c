#pragma once
#include <windows.h>

#include <string>

#include "gui/controls.h"
#include "gui/handles.h"
#include "rtl/string_list.h"

class TButton : public TWinControl {
public:
    TButton(TComponent* AOwner, TWinControl* AParent, const std::string& caption, int left, int top, int width,
            int height);
    bool Default() const { return FDefault; }
    // A default button is drawn with the thick frame and clicked by Enter (see TForm).
    void SetDefault(bool v);
    // A glyph shown left of the caption: the program's icon resource, at the small-icon size of
    // the button's DPI.
    void SetGlyphResource(int id);
    HICON Glyph() const { return FGlyph.Get(); }

protected:
    bool HandleCommand(WORD code) override;
    void DpiChanged() override;

private:
    bool FDefault = false;
    int FGlyphId = 0;
    TIconHandle FGlyph;
};

using TBitBtn = TButton;

class TCheckBox : public TWinControl {
public:
    TCheckBox(TComponent* AOwner, TWinControl* AParent, const std::string& caption, int left, int top, int width,
              int height);
    bool Checked() const;
    // A change of state made by the program runs the click handler, as a click would.
    void SetChecked(bool v);

protected:
    bool HandleCommand(WORD code) override;
};

// Single-line text field.
class TEdit : public TWinControl {
public:
    TEdit(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height, bool border = true,
          DWORD extraStyle = 0);
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    TNotifyEvent OnChange;

protected:
    bool HandleCommand(WORD code) override;
    HBRUSH HandleCtlColor(HDC dc) override;
};

// Multi-line text field. Its text limit is the control's maximum, so multi-megabyte documents fit.
class TMemo : public TWinControl {
public:
    enum TScrollBars { ssNone, ssVertical, ssHorizontal, ssBoth };
    TMemo(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height, TScrollBars bars,
          bool wordWrap, bool border = true);
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    // The lines as a list (CR LF separated), and loading a file through the field.
    TStringList Lines() const;
    void SetLines(const TStringList& lines);
    void LoadFromFile(const std::string& fileName);
    void Clear() { SetText(""); }

protected:
    HBRUSH HandleCtlColor(HDC dc) override;
};

// Integer field: right-aligned, digits only, a leading minus where the minimum allows it. With
// an enforced range a keystroke that would leave it is refused and a value set by the program is
// clamped; a declared range without enforcement only decides whether a minus may be typed.
class TIntEdit : public TWinControl {
public:
    TIntEdit(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height);
    void SetRange(int minValue, int maxValue, bool enforced);
    int MinValue() const { return FMin; }
    int MaxValue() const { return FMax; }
    bool RangeEnforced() const { return FEnforced; }
    // Empty or unreadable text reads 0.
    int Value() const;
    void SetValue(int v);
    // Would this text be accepted as the field's content by typing?
    bool Acceptable(const std::string& text) const;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    HBRUSH HandleCtlColor(HDC dc) override;

private:
    bool MinusAllowed() const { return !FHasRange || FMin < 0; }
    bool FHasRange = false;
    bool FEnforced = false;
    int FMin = 0, FMax = 0;
};

// A list of text lines of which one can be selected; the arrow keys move the selection.
class TListBox : public TWinControl {
public:
    TListBox(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height);
    void AddItem(const std::string& text);
    int Count() const;
    // -1 when nothing is selected.
    int ItemIndex() const;
    void SetItemIndex(int index);
    TNotifyEvent OnDblClick;

protected:
    bool HandleCommand(WORD code) override;
    void DpiChanged() override { UpdateExtent(); }

private:
    // Lets the list scroll sideways as far as its longest line reaches at the current font.
    void UpdateExtent();
};

// Static text and label: a system static without a frame.
class TStaticText : public TWinControl {
public:
    TStaticText(TComponent* AOwner, TWinControl* AParent, const std::string& caption, int left, int top,
                int width = 0, int height = 0);
    void SetCaption(const std::string& v) override;
    // A label follows its associated field's enabled state.
    void SetFocusControl(TWinControl* c) { FFocusControl = c; }
    TWinControl* FocusControl() const { return FFocusControl; }

protected:
    HBRUSH HandleCtlColor(HDC dc) override;
    bool HandleCommand(WORD code) override;
    void DpiChanged() override { AutoSize(); }
    void AutoSize();

private:
    bool FAutoSize;
    TWinControl* FFocusControl = nullptr;
};
using TLabel = TStaticText;

// A line or frame.
class TBevel : public TWinControl {
public:
    enum TShape { bsTopLine, bsFrame, bsRaisedFrame, bsSunkenLine };
    TBevel(TComponent* AOwner, TWinControl* AParent, TShape shape, int left, int top, int width, int height);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TShape FShape;
};

// A container that paints its background (tab sheets, group areas).
class TPanel : public TWinControl {
public:
    TPanel(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A picture: an icon (drawn at its natural size or the size given) or a bitmap.
class TImage : public TWinControl {
public:
    TImage(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height);
    void SetIcon(TIconHandle icon);
    // The program's icon resource at designSize (96-DPI pixels) scaled to the image's DPI, loaded
    // again when the DPI changes.
    void SetIconResource(int id, int designSize);
    void SetBitmap(TBitmapHandle bitmap);
    // A bitmap resource drawn for 100 %, 150 % and 200 %: the one for the image's DPI (the next
    // larger one, scaled down, between them) fills the control.
    void SetBitmapResources(int id100, int id150, int id200);
    HICON Icon() const { return FIcon.Get(); }
    HBITMAP Bitmap() const { return FBitmap.Get(); }
    void SetTransparent(bool v) { FTransparent = v; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DpiChanged() override;

private:
    void LoadBitmapForDpi();

    TIconHandle FIcon;
    TBitmapHandle FBitmap;
    int FBitmapIds[3] = {0, 0, 0};
    int FIconId = 0, FIconDesignSize = 0;
    bool FTransparent = true;
    bool FPressed = false;
};
