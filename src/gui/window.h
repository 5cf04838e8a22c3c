#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <string>

// The one base of every window the program handles itself: windows of classes of its own (forms,
// panels, timers, the application, hint, balloon, tray and HTTP event windows) and system
// controls it subclasses (buttons, edit fields, tabs, trees). Both kinds come through one entry,
// Dispatch: `this` is stored when the window is created or subclassed and cleared on
// WM_NCDESTROY; WndProc dispatches and falls through to DefaultHandler. No exception ever leaves
// the window procedure: it goes to the installed exception handler.
class TWindowBase {
public:
    TWindowBase() = default;
    virtual ~TWindowBase();
    TWindowBase(const TWindowBase&) = delete;
    TWindowBase& operator=(const TWindowBase&) = delete;

    HWND Handle() const { return FHandle; }
    bool HandleAllocated() const { return FHandle != nullptr; }
    void DestroyHandle();

    // Registers className once per process (if needed) and creates the window. Class names are
    // ASCII; the caption is UTF-8. Every window is a Unicode window.
    HWND CreateHandle(const char* className, DWORD exStyle, const std::string& caption, DWORD style, int x, int y,
                      int w, int h, HWND parent, HMENU menu = nullptr, UINT classStyle = 0,
                      HBRUSH background = nullptr, HCURSOR cursor = nullptr);
    // Creates a window of a system class and subclasses it, so that its messages reach WndProc.
    HWND CreateSubclassed(const char* className, DWORD exStyle, const std::string& caption, DWORD style, int x,
                          int y, int w, int h, HWND parent, HMENU menu);

    static TWindowBase* FromHandle(HWND wnd);
    // Makes sure the class of that name is the toolkit's own: when another window procedure holds
    // the name (a class registered by someone else, or left behind), it is registered again.
    // False when the system refuses (a window of the other class still exists, say).
    static bool ClaimClass(const char* className);

protected:
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void HandleDestroyed() {}
    bool Subclassed() const { return FSubclassed; }

private:
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR refData);
    void Attach(HWND wnd);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    bool FSubclassed = false;
};

// Registers a window class of the toolkit once per process; false when the system refuses it.
bool RegisterToolkitClass(const char* className, WNDPROC proc, UINT classStyle = 0, HBRUSH background = nullptr,
                          HCURSOR cursor = nullptr);

// Where an exception caught at a boundary with the platform is reported. The application installs
// its display at start-up; while none is installed the exception is dropped.
using TExceptionHandler = std::function<void(const std::exception& e)>;
void SetExceptionHandler(TExceptionHandler handler);

// Hands the exception being handled to the installed handler; call it only inside a catch block.
void HandleCurrentException();

// The text of a window (a caption, an edit field's content) as UTF-8, and setting it.
std::string GetWindowTextUtf8(HWND wnd);
bool SetWindowTextUtf8(HWND wnd, const std::string& text);

// Calls fn and hands any exception to the installed handler. Used at every boundary where the
// platform calls back into the program.
template <class F> void GuardedCall(F&& fn)
{
    try {
        fn();
    } catch (...) {
        HandleCurrentException();
    }
}
