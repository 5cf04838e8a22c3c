#include "gui/timer.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FWindow(*this)
{
    FWindow.CreateHandle("TTimerWindow", 0, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE);
    UpdateTimer();
}

TTimer::~TTimer()
{
    if (FWindow.Handle() && FRunning)
        KillTimer(FWindow.Handle(), 1);
}

void TTimer::SetInterval(unsigned v)
{
    if (v == FInterval)
        return;
    FInterval = v;
    UpdateTimer();
}

void TTimer::SetEnabled(bool v)
{
    if (v == FEnabled)
        return;
    FEnabled = v;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    if (FRunning) {
        KillTimer(FWindow.Handle(), 1);
        FRunning = false;
    }
    if (FEnabled && FInterval != 0 && FWindow.Handle())
        FRunning = SetTimer(FWindow.Handle(), 1, FInterval, nullptr) != 0;
}

LRESULT TTimer::TTimerWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER) {
        if (FTimer.OnTimer)
            FTimer.OnTimer(&FTimer);
        return 0;
    }
    return DefaultHandler(msg, wParam, lParam);
}
