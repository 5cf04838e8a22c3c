#include "net/http_events.h"

#include <memory>

#include "gui/window.h"

namespace {

class TEventWindow : public TWindowBase {
protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg != WM_HTTPEVENT)
            return DefaultHandler(msg, wParam, lParam);
        reinterpret_cast<THttpDelivery*>(lParam)->Run();
        return 0;
    }
};

std::unique_ptr<TEventWindow> gWindow;
int gUsers = 0;

} // namespace

void THttpEventWindow::AddUser()
{
    if (gUsers++ > 0 && Handle())
        return;
    gWindow = std::make_unique<TEventWindow>();
    // A class of that name with another procedure would take the deliveries and run none of them.
    TWindowBase::ClaimClass(kHttpWindowClass);
    gWindow->CreateHandle(kHttpWindowClass, 0, "", 0, 0, 0, 0, 0, nullptr);
}

void THttpEventWindow::RemoveUser()
{
    if (gUsers > 0 && --gUsers == 0)
        gWindow.reset();
}

HWND THttpEventWindow::Handle()
{
    return gWindow ? gWindow->Handle() : nullptr;
}

bool THttpEventWindow::OnOwnThread()
{
    return GetWindowThreadProcessId(Handle(), nullptr) == GetCurrentThreadId();
}

void THttpEventWindow::Send(THttpDelivery& delivery)
{
    SendMessageW(Handle(), WM_HTTPEVENT, 0, reinterpret_cast<LPARAM>(&delivery));
}
