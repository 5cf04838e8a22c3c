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

    void SetClientSize(int width, int height);
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

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;

protected:
    void DoCreate();
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ApplyPosition();
    bool IsMainForm() const;

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
