#pragma once
#include <windows.h>
#include <commctrl.h>
#include <wininet.h>

#include <utility>

// One move-only owner for every kind of handle; the traits say what "no handle" is and how to
// release one. Copying is deleted so that no handle is ever released twice.
template <class Traits> class TUniqueHandle {
public:
    using Handle = typename Traits::Handle;
    TUniqueHandle() = default;
    explicit TUniqueHandle(Handle h) : FHandle(h) {}
    ~TUniqueHandle() { Reset(); }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& o) noexcept : FHandle(o.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& o) noexcept
    {
        if (this != &o)
            Reset(o.Release());
        return *this;
    }
    Handle Get() const { return FHandle; }
    explicit operator bool() const { return FHandle != Traits::Invalid(); }
    Handle Release()
    {
        Handle h = FHandle;
        FHandle = Traits::Invalid();
        return h;
    }
    void Reset(Handle h = Traits::Invalid())
    {
        if (FHandle != Traits::Invalid())
            Traits::Close(FHandle);
        FHandle = h;
    }

private:
    Handle FHandle = Traits::Invalid();
};

template <class H, class Deleter> struct TSimpleTraits {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { Deleter()(h); }
};

struct TGdiDeleter {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct TIconDeleter {
    void operator()(HICON h) const { DestroyIcon(h); }
};
struct TMenuDeleter {
    void operator()(HMENU h) const { DestroyMenu(h); }
};
struct TMemDcDeleter {
    void operator()(HDC h) const { DeleteDC(h); }
};
struct TKernelDeleter {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct TInternetDeleter {
    void operator()(HINTERNET h) const { InternetCloseHandle(h); }
};
struct TWindowDeleter {
    void operator()(HWND h) const { DestroyWindow(h); }
};
struct TImageListDeleter {
    void operator()(HIMAGELIST h) const { ImageList_Destroy(h); }
};
struct TModuleDeleter {
    void operator()(HMODULE h) const { FreeLibrary(h); }
};
struct TRegKeyDeleter {
    void operator()(HKEY h) const { RegCloseKey(h); }
};

using TFontHandle = TUniqueHandle<TSimpleTraits<HFONT, TGdiDeleter>>;
using TBitmapHandle = TUniqueHandle<TSimpleTraits<HBITMAP, TGdiDeleter>>;
using TBrushHandle = TUniqueHandle<TSimpleTraits<HBRUSH, TGdiDeleter>>;
using TPenHandle = TUniqueHandle<TSimpleTraits<HPEN, TGdiDeleter>>;
using TRegionHandle = TUniqueHandle<TSimpleTraits<HRGN, TGdiDeleter>>;
using TIconHandle = TUniqueHandle<TSimpleTraits<HICON, TIconDeleter>>;
using TMenuHandle = TUniqueHandle<TSimpleTraits<HMENU, TMenuDeleter>>;
using TMemoryDc = TUniqueHandle<TSimpleTraits<HDC, TMemDcDeleter>>;
using TKernelHandle = TUniqueHandle<TSimpleTraits<HANDLE, TKernelDeleter>>;
using TInternetHandle = TUniqueHandle<TSimpleTraits<HINTERNET, TInternetDeleter>>;
using TWindowHandle = TUniqueHandle<TSimpleTraits<HWND, TWindowDeleter>>;
using TImageListHandle = TUniqueHandle<TSimpleTraits<HIMAGELIST, TImageListDeleter>>;
using TModuleHandle = TUniqueHandle<TSimpleTraits<HMODULE, TModuleDeleter>>;
using TRegKeyHandle = TUniqueHandle<TSimpleTraits<HKEY, TRegKeyDeleter>>;

// A directory enumeration of FindFirstFile: "no handle" is INVALID_HANDLE_VALUE, not null.
struct TFindTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using TFindHandle = TUniqueHandle<TFindTraits>;

// A window DC remembers its window for ReleaseDC.
class TWindowDc {
public:
    explicit TWindowDc(HWND wnd) : FWnd(wnd), FDc(GetDC(wnd)) {}
    ~TWindowDc()
    {
        if (FDc)
            ReleaseDC(FWnd, FDc);
    }
    TWindowDc(const TWindowDc&) = delete;
    TWindowDc& operator=(const TWindowDc&) = delete;
    HDC Get() const { return FDc; }

private:
    HWND FWnd;
    HDC FDc;
};

// Restores a DC's previous selection when the scope ends.
class TSelectGuard {
public:
    TSelectGuard(HDC dc, HGDIOBJ obj) : FDc(dc), FOld(SelectObject(dc, obj)) {}
    ~TSelectGuard()
    {
        if (FOld)
            SelectObject(FDc, FOld);
    }
    TSelectGuard(const TSelectGuard&) = delete;
    TSelectGuard& operator=(const TSelectGuard&) = delete;

private:
    HDC FDc;
    HGDIOBJ FOld;
};

// BeginPaint and its EndPaint, also when painting throws: a window left without EndPaint keeps
// its caret hidden and its update region.
class TPaintGuard {
public:
    explicit TPaintGuard(HWND wnd) : FWnd(wnd), FDc(BeginPaint(wnd, &FPaint)) {}
    ~TPaintGuard() { EndPaint(FWnd, &FPaint); }
    TPaintGuard(const TPaintGuard&) = delete;
    TPaintGuard& operator=(const TPaintGuard&) = delete;
    HDC Dc() const { return FDc; }

private:
    HWND FWnd;
    PAINTSTRUCT FPaint = {};
    HDC FDc;
};

// The clipboard, open for this scope; Opened() false when another window holds it.
class TClipboardGuard {
public:
    explicit TClipboardGuard(HWND owner) : FOpened(OpenClipboard(owner) != FALSE) {}
    ~TClipboardGuard()
    {
        if (FOpened)
            CloseClipboard();
    }
    TClipboardGuard(const TClipboardGuard&) = delete;
    TClipboardGuard& operator=(const TClipboardGuard&) = delete;
    bool Opened() const { return FOpened; }

private:
    bool FOpened;
};

// Disables a window (the owner of a modal prompt) for this scope and enables it again at its end.
// nullptr disables nothing.
class TDisabledWindow {
public:
    explicit TDisabledWindow(HWND wnd) : FWnd(wnd)
    {
        if (FWnd)
            EnableWindow(FWnd, FALSE);
    }
    ~TDisabledWindow()
    {
        if (FWnd)
            EnableWindow(FWnd, TRUE);
    }
    TDisabledWindow(const TDisabledWindow&) = delete;
    TDisabledWindow& operator=(const TDisabledWindow&) = delete;

private:
    HWND FWnd;
};
