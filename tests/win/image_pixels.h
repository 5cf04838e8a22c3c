#pragma once
// Reading back what an image list or a menu draws, for the Windows tests.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>

#include "gui/handles.h"
#include "gui/image_list.h"

// The backdrop the pictures are drawn on: pixels that stay this colour were transparent.
const COLORREF kBackdrop = RGB(255, 0, 255);

// Runs draw on a 16 x 16 bitmap filled with the backdrop and returns pixel (x, y).
inline COLORREF DrawnPixel(const std::function<void(HDC dc, const RECT& r)>& draw, int x = 8, int y = 8)
{
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof bi.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    TWindowDc screen(nullptr);
    TMemoryDc mem(CreateCompatibleDC(screen.Get()));
    TBitmapHandle bmp(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    TSelectGuard sel(mem.Get(), bmp.Get());
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < 256; ++i)
        px[i] = (GetRValue(kBackdrop) << 16) | (GetGValue(kBackdrop) << 8) | GetBValue(kBackdrop);
    RECT r = {0, 0, 16, 16};
    draw(mem.Get(), r);
    GdiFlush();
    std::uint32_t p = px[y * 16 + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// Pixel (x, y) of an image-list entry drawn transparently over the backdrop.
inline COLORREF ImageColor(const TImageList& list, int index, int x = 8, int y = 8)
{
    return DrawnPixel(
        [&](HDC dc, const RECT&) { ImageList_Draw(list.Handle(), index, dc, 0, 0, ILD_TRANSPARENT); }, x, y);
}
