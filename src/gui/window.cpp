#include "gui/window.h"

#include <commctrl.h>

#include <set>
#include <stdexcept>

#include "rtl/wide.h"

namespace {
const wchar_t* const kWindowProp = L"QvWindowObject";
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
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring name = rtl::Utf8ToWide(className);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = cursor ? cursor : LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name.c_str();
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    registered.insert(className);
    return true;
}

bool TWindowBase::ClaimClass(const char* className)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring name = rtl::Utf8ToWide(className);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, name.c_str(), &wc)) {
        if (wc.lpfnWndProc == &TWindowBase::StaticWndProc)
            return true;
        if (!UnregisterClassW(name.c_str(), instance))
            return false;
    }
    RegisteredClasses().erase(className);
    return RegisterToolkitClass(className, &TWindowBase::StaticWndProc);
}

HWND TWindowBase::CreateHandle(const char* className, DWORD exStyle, const std::string& caption, DWORD style,
                               int x, int y, int w, int h, HWND parent, HMENU menu, UINT classStyle,
                               HBRUSH background, HCURSOR cursor)
{
    if (!RegisterToolkitClass(className, &TWindowBase::StaticWndProc, classStyle, background, cursor))
        return nullptr;
    CreateWindowExW(exStyle, rtl::Utf8ToWide(className).c_str(), rtl::Utf8ToWide(caption).c_str(), style, x, y, w,
                    h, parent, menu, GetModuleHandleW(nullptr), this);
    return FHandle;
}

HWND TWindowBase::CreateSubclassed(const char* className, DWORD exStyle, const std::string& caption, DWORD style,
                                   int x, int y, int w, int h, HWND parent, HMENU menu)
{
    HWND wnd = CreateWindowExW(exStyle, rtl::Utf8ToWide(className).c_str(), rtl::Utf8ToWide(caption).c_str(),
                               style, x, y, w, h, parent, menu, GetModuleHandleW(nullptr), nullptr);
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
    SetPropW(wnd, kWindowProp, this);
}

TWindowBase* TWindowBase::FromHandle(HWND wnd)
{
    return wnd ? static_cast<TWindowBase*>(GetPropW(wnd, kWindowProp)) : nullptr;
}

LRESULT TWindowBase::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TWindowBase::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return FSubclassed ? DefSubclassProc(FHandle, msg, wParam, lParam)
                       : DefWindowProcW(FHandle, msg, wParam, lParam);
}

LRESULT CALLBACK TWindowBase::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWindowBase* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        // The slot is read at every message; the property serves lookups by handle.
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Attach(wnd);
    } else {
        self = reinterpret_cast<TWindowBase*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcW(wnd, msg, wParam, lParam);
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
            SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        RemovePropW(wnd, kWindowProp);
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

std::string GetWindowTextUtf8(HWND wnd)
{
    const int n = GetWindowTextLengthW(wnd);
    if (n <= 0)
        return std::string();
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(wnd, &text[0], n + 1);
    return rtl::WideToUtf8(text.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

bool SetWindowTextUtf8(HWND wnd, const std::string& text)
{
    return SetWindowTextW(wnd, rtl::Utf8ToWide(text).c_str()) != 0;
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
