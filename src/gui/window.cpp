#include "gui/window.h"

#include <commctrl.h>

#include <set>
#include <stdexcept>

namespace {
const char* const kWindowProp = "QvWindowObject";
// Distinct from the message observers' subclass of the same windows.
const UINT_PTR kSubclassId = 1;

TExceptionHandler& ExceptionHandler()
{
    static TExceptionHandler handler;
    return handler;
}
} // namespace

TWindowBase::~TWindowBase()
{
    DestroyHandle();
}

void TWindowBase::DestroyHandle()
{
    if (FHandle) {
        HWND h = FHandle;
        DestroyWindow(h); // WM_NCDESTROY clears FHandle
        FHandle = nullptr;
    }
}

namespace {
std::set<std::string>& RegisteredClasses()
{
    static std::set<std::string> registered;
    return registered;
}
} // namespace

bool RegisterToolkitClass(const char* className, WNDPROC proc, UINT classStyle, HBRUSH background, HCURSOR cursor)
{
    std::set<std::string>& registered = RegisteredClasses();
    if (registered.find(className) != registered.end())
        return true;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = cursor ? cursor : LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    registered.insert(className);
    return true;
}

bool TWindowBase::ClaimClass(const char* className)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, className, &wc)) {
        if (wc.lpfnWndProc == &TWindowBase::StaticWndProc)
            return true;
        if (!UnregisterClassA(className, instance))
            return false;
    }
    RegisteredClasses().erase(className);
    return RegisterToolkitClass(className, &TWindowBase::StaticWndProc);
}

HWND TWindowBase::CreateHandle(const char* className, DWORD exStyle, const char* caption, DWORD style, int x,
                               int y, int w, int h, HWND parent, HMENU menu, UINT classStyle, HBRUSH background,
                               HCURSOR cursor)
{
    if (!RegisterToolkitClass(className, &TWindowBase::StaticWndProc, classStyle, background, cursor))
        return nullptr;
    CreateWindowExA(exStyle, className, caption, style, x, y, w, h, parent, menu, GetModuleHandleA(nullptr), this);
    return FHandle;
}

HWND TWindowBase::CreateSubclassed(const char* className, DWORD exStyle, const char* caption, DWORD style, int x,
                                   int y, int w, int h, HWND parent, HMENU menu)
{
    HWND wnd = CreateWindowExA(exStyle, className, caption, style, x, y, w, h, parent, menu,
                               GetModuleHandleA(nullptr), nullptr);
    if (!wnd)
        return nullptr;
    FSubclassed = true;
    Attach(wnd);
    SetWindowSubclass(wnd, &TWindowBase::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return wnd;
}

void TWindowBase::Attach(HWND wnd)
{
    FHandle = wnd;
    SetPropA(wnd, kWindowProp, this);
}

TWindowBase* TWindowBase::FromHandle(HWND wnd)
{
    return wnd ? static_cast<TWindowBase*>(GetPropA(wnd, kWindowProp)) : nullptr;
}

LRESULT TWindowBase::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TWindowBase::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return FSubclassed ? DefSubclassProc(FHandle, msg, wParam, lParam)
                       : DefWindowProcA(FHandle, msg, wParam, lParam);
}

LRESULT CALLBACK TWindowBase::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWindowBase* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWindowBase*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        // The slot is read at every message; the property serves lookups by handle.
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Attach(wnd);
    } else {
        self = reinterpret_cast<TWindowBase*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    return self->Dispatch(msg, wParam, lParam);
}

LRESULT CALLBACK TWindowBase::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR refData)
{
    TWindowBase* self = reinterpret_cast<TWindowBase*>(refData);
    if (!self || self->FHandle != wnd)
        return DefSubclassProc(wnd, msg, wParam, lParam);
    return self->Dispatch(msg, wParam, lParam);
}

LRESULT TWindowBase::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCDESTROY) {
        HWND wnd = FHandle;
        LRESULT r = DefaultHandler(msg, wParam, lParam);
        if (FSubclassed)
            RemoveWindowSubclass(wnd, &TWindowBase::SubclassProc, kSubclassId);
        else
            SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        RemovePropA(wnd, kWindowProp);
        FHandle = nullptr;
        FSubclassed = false;
        GuardedCall([&] { HandleDestroyed(); });
        return r;
    }
    LRESULT result = 0;
    try {
        result = WndProc(msg, wParam, lParam);
    } catch (...) {
        HandleCurrentException();
    }
    return result;
}

void SetExceptionHandler(TExceptionHandler handler)
{
    ExceptionHandler() = std::move(handler);
}

// A handler that throws itself is not let through either: the caller is a platform callback.
void HandleCurrentException()
{
    const TExceptionHandler& handler = ExceptionHandler();
    if (!handler)
        return;
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            handler(e);
        } catch (...) {
            handler(std::runtime_error("Unbekannter Fehler"));
        }
    } catch (...) {
    }
}
