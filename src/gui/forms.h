#pragma once
#include "gui/controls.h"

class TButton;

enum TPosition { poDesigned, poScreenCenter };
enum TCloseAction { caNone, caHide, caFree };

// A top-level window owned by the application window, with a dialog frame by default.
// Derived forms create their controls in their constructor, then call DoCreate(); their
// destructor calls DestroyComponents() first. OnDestroy fires in BeforeDestruction, which the
// end of a Windows session runs too (once DoCreate has run).
class TForm : public TWinControl {
public:
    TForm(TComponent* AOwner, const char* className = "TForm");
    ~TForm() override;

    // The client area's size in design units; the frame around it is the one of the window's DPI.
    void SetClientSize(int width, int height);
    RECT PixelBounds() const override;
    // Puts the window's top-left corner at a screen point, at its size for the DPI of the monitor
    // it then lies on.
    void MoveToScreenPoint(int left, int top);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition v) { FPosition = v; }
    // The default button is clicked by Enter wherever the focus is not in a multi-line field.
    TButton* DefaultButton() const { return FDefaultButton; }
    void SetDefaultButton(TButton* b) { FDefaultButton = b; }
    // Whether Application::Run shows this (main) form; a form hidden by its OnCreate stays hidden.
    bool ShowOnRun() const { return FShowOnRun; }
    void SetShowOnRun(bool v) { FShowOnRun = v; }

    void Show();
    void Hide();
    void SetVisible(bool v) override;
    void Close();
    void BeforeDestruction() override;
    // The Windows session has ended: the process goes without its windows being destroyed, and
    // nobody is there to answer a question.
    bool SessionEnded() const { return FSessionEnded; }
    // The keyboard's way through the controls, for a key message of this window: Tab and
    // Shift+Tab go from control to control in creation order and stop on a page control's tab
    // strip before its page; Ctrl+Tab and Ctrl+Shift+Tab turn the pages. True when it was taken.
    bool DialogKey(const MSG& msg);
    // Moves the focus to the next (or previous) control from the focused one, as Tab does.
    void SelectNext(bool backwards);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;
    // Sees the window's messages before the form does (those other programs and the system send
    // it); true when it took the message, with its result.
    std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)> OnMessage;

protected:
    void DoCreate();
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ApplyPosition();
    bool IsMainForm() const;

    RECT ClientToWindowPixels(int dpi) const;
    void FocusChild(HWND wnd);

    int FClientWidth = 0, FClientHeight = 0; // 0 x 0 while the size is the window's own
    TPosition FPosition = poDesigned;
    TButton* FDefaultButton = nullptr;
    bool FShowOnRun = true;
    bool FShownOnce = false;
    bool FDestroyFired = false;
    // OnCreate has run (DoCreate returned); a session that ended before waits for it.
    bool FCreated = false;
    bool FSessionEnded = false;
    HWND FFocusedChild = nullptr;
};

// A window rectangle lies on some monitor when it overlaps one's work area.
bool RectOnSomeMonitor(const RECT& r);
