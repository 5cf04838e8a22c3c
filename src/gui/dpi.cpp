#include "gui/dpi.h"

#include <initializer_list>

namespace {

template <class F> F UserFunction(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int RoundedMulDiv(int value, int num, int den)
{
    long long p = static_cast<long long>(value) * num;
    long long half = den / 2;
    return static_cast<int>(p >= 0 ? (p + half) / den : -((-p + half) / den));
}

// GetDpiForMonitor lives in shcore.dll (Windows 8.1 and later); 0 where it is missing or fails.
int DpiOfMonitor(HMONITOR m)
{
    using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static HMODULE shcore = LoadLibraryW(L"shcore.dll");
    static auto get = shcore ? reinterpret_cast<TGetDpiForMonitor>(
                                   reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                             : nullptr;
    UINT x = 0, y = 0;
    if (!m || !get || FAILED(get(m, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) || y == 0)
        return 0;
    return static_cast<int>(y);
}

} // namespace

int ScaleForDpi(int value, int dpi)
{
    return dpi == kDesignDpi ? value : RoundedMulDiv(value, dpi, kDesignDpi);
}

int UnscaleForDpi(int pixels, int dpi)
{
    return dpi == kDesignDpi || dpi <= 0 ? pixels : RoundedMulDiv(pixels, kDesignDpi, dpi);
}

int SystemDpi()
{
    static auto get = UserFunction<UINT(WINAPI*)()>("GetDpiForSystem");
    if (get)
        return static_cast<int>(get());
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : kDesignDpi;
    if (dc)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND wnd)
{
    static auto get = UserFunction<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    UINT dpi = wnd && get ? get(wnd) : 0;
    return dpi ? static_cast<int>(dpi) : SystemDpi();
}

int MonitorDpiAt(POINT p)
{
    int dpi = DpiOfMonitor(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST));
    return dpi ? dpi : SystemDpi();
}

int MonitorDpiFor(const RECT& r)
{
    int dpi = DpiOfMonitor(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
    return dpi ? dpi : SystemDpi();
}

int SmallIconSize(int dpi)
{
    static auto get = UserFunction<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    int size = get ? get(SM_CXSMICON, static_cast<UINT>(dpi)) : 0;
    return size > 0 ? size : ScaleForDpi(16, dpi);
}

void AdjustWindowRectForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi)
{
    static auto adjust = UserFunction<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    if (adjust && adjust(&r, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        return;
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
}

// The system's metrics are those of the system DPI; their fonts are scaled to the one asked for.
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, int dpi)
{
    metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return false;
    int system = SystemDpi();
    if (dpi != system) {
        for (LOGFONTW* f : {&metrics.lfStatusFont, &metrics.lfMenuFont, &metrics.lfMessageFont,
                            &metrics.lfCaptionFont, &metrics.lfSmCaptionFont})
            f->lfHeight = RoundedMulDiv(f->lfHeight, dpi, system);
    }
    return true;
}
