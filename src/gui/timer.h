#pragma once
#include "gui/component.h"
#include "gui/window.h"

// A window timer delivered through the message loop. Setting Interval or Enabled restarts the
// countdown; an interval of 0 stops it.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    // Whether the system timer is running now.
    bool Running() const { return FRunning; }
    TNotifyEvent OnTimer;

private:
    class TTimerWindow : public TWindowBase {
    public:
        explicit TTimerWindow(TTimer& t) : FTimer(t) {}
        LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    private:
        TTimer& FTimer;
    };
    void UpdateTimer();
    TTimerWindow FWindow;
    unsigned FInterval = 1000;
    bool FEnabled = true;
    bool FRunning = false;
};
