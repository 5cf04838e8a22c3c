#include "net/http_events.h"

#include "gui/handles.h"

namespace {

TWindowHandle gWindow;
int gUsers = 0;

LRESULT CALLBACK EventWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_HTTPEVENT)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    reinterpret_cast<THttpDelivery*>(lParam)->Run();
    return 0;
}

} // namespace

void THttpEventWindow::AddUser()
{
    if (gUsers++ > 0 && gWindow)
        return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    bool registered = GetClassInfoA(instance, kHttpWindowClass, &wc) != FALSE;
    if (!registered || wc.lpfnWndProc != &EventWndProc) {
        if (registered)
            UnregisterClassA(kHttpWindowClass, instance);
        wc = WNDCLASSA{};
        wc.lpfnWndProc = &EventWndProc;
        wc.hInstance = instance;
        wc.lpszClassName = kHttpWindowClass;
        RegisterClassA(&wc);
    }
    gWindow.Reset(CreateWindowExA(0, kHttpWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr));
}

void THttpEventWindow::RemoveUser()
{
    if (gUsers > 0 && --gUsers == 0)
        gWindow.Reset();
}

HWND THttpEventWindow::Handle()
{
    return gWindow.Get();
}

bool THttpEventWindow::OnOwnThread()
{
    return GetWindowThreadProcessId(gWindow.Get(), nullptr) == GetCurrentThreadId();
}

void THttpEventWindow::Send(THttpDelivery& delivery)
{
    SendMessageA(gWindow.Get(), WM_HTTPEVENT, 0, reinterpret_cast<LPARAM>(&delivery));
}
