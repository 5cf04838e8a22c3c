#pragma once
#include <windows.h>

// The display scale. Layouts, geometry and font sizes are given in the design's units, pixels at
// 96 DPI; these turn them into pixels for a DPI and back. The functions newer systems have
// (per-monitor DPI, metrics for a DPI) are looked up at run time; without them the system's one
// DPI holds for every window and monitor.
constexpr int kDesignDpi = 96;

// value x dpi / 96, rounded to the nearest pixel (halves away from zero).
int ScaleForDpi(int value, int dpi);
// The inverse, rounded the same way.
int UnscaleForDpi(int pixels, int dpi);

int SystemDpi();
// The DPI a window is drawn at: its monitor's for a per-monitor aware window.
int WindowDpi(HWND wnd);
// The DPI of the monitor that holds the point, or the rectangle's greater part.
int MonitorDpiAt(POINT p);
int MonitorDpiFor(const RECT& r);

// The system's small icon for a DPI (16 pixels at 96 DPI): the tray's and the menus' picture size.
int SmallIconSize(int dpi);
// The window rectangle for a client rectangle, with the frame of that DPI.
void AdjustWindowRectForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi);
// The system's non-client metrics (its fonts among them) for a DPI.
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, int dpi);
