#pragma once
#include <windows.h>

#include <string>

// Base of every window the toolkit creates from a class of its own. The static thunk stores
// `this` on WM_NCCREATE and clears it on WM_NCDESTROY; WndProc dispatches and falls through to
// DefaultHandler. No exception ever leaves the window procedure: it goes to the application's
// exception display.
class TWindowBase {
public:
    TWindowBase() = default;
    virtual ~TWindowBase();
    TWindowBase(const TWindowBase&) = delete;
    TWindowBase& operator=(const TWindowBase&) = delete;

    HWND Handle() const { return FHandle; }
    bool HandleAllocated() const { return FHandle != nullptr; }
    void DestroyHandle();

    // Registers className once per process (if needed) and creates the window.
    HWND CreateHandle(const char* className, DWORD exStyle, const char* caption, DWORD style, int x, int y, int w,
                      int h, HWND parent, HMENU menu = nullptr, UINT classStyle = 0, HBRUSH background = nullptr,
                      HCURSOR cursor = nullptr);

    static TWindowBase* FromHandle(HWND wnd);

protected:
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void HandleDestroyed() {}

private:
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND FHandle = nullptr;
};

// Registers a window class of the toolkit once per process; false when the system refuses it.
bool RegisterToolkitClass(const char* className, WNDPROC proc, UINT classStyle = 0, HBRUSH background = nullptr,
                          HCURSOR cursor = nullptr);

// Calls fn and hands any exception to the application's exception display. Used at every
// boundary where the platform calls back into the program.
template <class F> void GuardedCall(F&& fn);

void HandleCurrentException();

template <class F> void GuardedCall(F&& fn)
{
    try {
        fn();
    } catch (...) {
        HandleCurrentException();
    }
}
