#include "gui/window.h"

#include <set>
#include <stdexcept>

#include "gui/application.h"

namespace {
const char* const kWindowProp = "QvWindowObject";
}

TWindowBase::~TWindowBase()
{
    DestroyHandle();
}

void TWindowBase::DestroyHandle()
{
    if (FHandle) {
        HWND h = FHandle;
        DestroyWindow(h);
        FHandle = nullptr;
    }
}

bool RegisterToolkitClass(const char* className, WNDPROC proc, UINT classStyle, HBRUSH background, HCURSOR cursor)
{
    static std::set<std::string> registered;
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

HWND TWindowBase::CreateHandle(const char* className, DWORD exStyle, const char* caption, DWORD style, int x,
                               int y, int w, int h, HWND parent, HMENU menu, UINT classStyle, HBRUSH background,
                               HCURSOR cursor)
{
    if (!RegisterToolkitClass(className, &TWindowBase::StaticWndProc, classStyle, background, cursor))
        return nullptr;
    CreateWindowExA(exStyle, className, caption, style, x, y, w, h, parent, menu, GetModuleHandleA(nullptr), this);
    return FHandle;
}

TWindowBase* TWindowBase::FromHandle(HWND wnd)
{
    return static_cast<TWindowBase*>(GetPropA(wnd, kWindowProp));
}

LRESULT TWindowBase::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TWindowBase::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(FHandle, msg, wParam, lParam);
}

LRESULT CALLBACK TWindowBase::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWindowBase* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWindowBase*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->FHandle = wnd;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        SetPropA(wnd, kWindowProp, self);
    } else {
        self = reinterpret_cast<TWindowBase*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        LRESULT r = DefWindowProcA(wnd, msg, wParam, lParam);
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        RemovePropA(wnd, kWindowProp);
        self->FHandle = nullptr;
        GuardedCall([&] { self->HandleDestroyed(); });
        return r;
    }
    LRESULT result = 0;
    try {
        result = self->WndProc(msg, wParam, lParam);
    } catch (...) {
        HandleCurrentException();
    }
    return result;
}

void HandleCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        if (Application)
            Application->HandleException(e);
    } catch (...) {
        if (Application)
            Application->HandleException(std::runtime_error("Unbekannter Fehler"));
    }
}
