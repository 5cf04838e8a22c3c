#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "gui/graphics.h"
#include "gui/window.h"

class TWinControl;

// The window the application shows a control's hint in: a borderless (thin-framed) topmost popup,
// owned by the application window, never activated and transparent to the mouse. Derived classes
// (balloon-shaped ones) replace measuring, activation and painting.
class THintWindow : public TWindowBase {
public:
    THintWindow() = default;
    ~THintWindow() override = default;

    // Creates the window, invisible, the first time it is needed.
    void HandleNeeded();
    // The size the hint needs, at the origin; data is whatever the caller's hint machinery passes.
    virtual RECT CalcHintRect(int maxWidth, const std::string& hint, void* data);
    // Shows the hint at rect (its bottom made 4 pixels taller for the frame), kept on the monitor.
    virtual void ActivateHint(RECT rect, const std::string& hint);
    void ReleaseHint();

    bool Showing() const;
    RECT BoundsRect() const;
    void SetBoundsRect(const RECT& r);
    const std::string& Caption() const { return FCaption; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v);

protected:
    virtual const char* ClassName() const { return "THintWindow"; }
    virtual UINT ClassStyle() const { return CS_SAVEBITS; }
    virtual DWORD WindowStyle() const { return WS_POPUP | WS_BORDER; }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void Paint(HDC dc);
    // Erases the background; the default fills the client area with Color().
    virtual void EraseBackground(HDC dc);

    std::string FCaption;
    TColor FColor = clInfoBk;
};

// A factory standing for the class of the application's hint windows.
using THintWindowClass = std::function<std::unique_ptr<THintWindow>()>;

template <class T> THintWindowClass HintWindowClassOf()
{
    return [] { return std::unique_ptr<THintWindow>(new T()); };
}

// The screen's hint font (the system's status font), regular or bold, for the system's DPI or
// another, and its colour.
HFONT ScreenHintFont(bool bold = false);
HFONT ScreenHintFont(bool bold, int dpi);
COLORREF ScreenHintFontColor();

// The part of a hint before its first "|" (all of it when there is none).
std::string GetShortHint(const std::string& hint);

// The application's hint machinery: watches the mouse over the toolkit's controls, shows the hint
// of the control under the cursor after a pause, below the cursor, and hides it when the pointer
// leaves, a button or key is pressed, or the hint has been up for a while.
class THintController {
public:
    // windowClass is the application's setting, read whenever a hint window is made.
    explicit THintController(const THintWindowClass& windowClass);
    ~THintController();
    void Observe(const MSG& msg);
    // Shows the control's hint at once for a cursor at the given screen point.
    void ActivateHint(TWinControl* control, POINT cursor);
    void CancelHint();
    // A new class takes effect with the next hint.
    void ClassChanged();
    THintWindow* Window() const { return FWindow.get(); }
    TWinControl* HintControl() const;

    unsigned HintPause = 500;
    unsigned HintHidePause = 2500;

private:
    class TTimerWindow : public TWindowBase {
    public:
        explicit TTimerWindow(THintController& c) : FOwner(c) {}
        LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    private:
        THintController& FOwner;
    };
    void OnTimer(UINT_PTR id);
    static TWinControl* ControlWithHint(HWND wnd);

    const THintWindowClass& FWindowClass;
    TTimerWindow FTimer;
    std::unique_ptr<THintWindow> FWindow;
    // The control is remembered by its window, so that a control destroyed meanwhile is not used.
    HWND FControlWnd = nullptr;
    bool FSuppressed = false; // a click or key hides the hint until the pointer moves on
};
