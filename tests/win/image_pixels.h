#pragma once
// Pictures for the Windows tests and reading back what an image list or a menu draws.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

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

// A 16 x 16 icon of one colour; the left half is transparent when halfMasked.
inline HICON SolidIcon(COLORREF rgb, bool halfMasked = false)
{
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof bi.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    TWindowDc screen(nullptr);
    TBitmapHandle color(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    for (int i = 0; i < 256; ++i)
        static_cast<std::uint32_t*>(bits)[i] = (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
    // Mask rows are word-aligned: 2 bytes per 16 pixels; a set bit is transparent.
    unsigned char maskBits[32] = {};
    for (int row = 0; halfMasked && row < 16; ++row)
        maskBits[row * 2] = 0xFF;
    TBitmapHandle mask(CreateBitmap(16, 16, 1, 1, maskBits));
    ICONINFO ii = {TRUE, 0, 0, mask.Get(), color.Get()};
    return CreateIconIndirect(&ii);
}

// A 16 x 16 icon file of one opaque colour (32 bits per pixel, empty mask).
inline std::string SolidIco(COLORREF rgb)
{
    std::string f;
    auto put16 = [&](unsigned v) { f += char(v & 0xFF), f += char(v >> 8); };
    auto put32 = [&](unsigned v) { put16(v & 0xFFFF), put16(v >> 16); };
    put16(0), put16(1), put16(1);
    f += char(16), f += char(16), f += char(0), f += char(0);
    put16(1), put16(32), put32(40 + 16 * 16 * 4 + 64), put32(22);
    put32(40), put32(16), put32(32), put16(1), put16(32), put32(0), put32(16 * 16 * 4 + 64);
    put32(0), put32(0), put32(0), put32(0);
    for (int i = 0; i < 256; ++i)
        f += char(GetBValue(rgb)), f += char(GetGValue(rgb)), f += char(GetRValue(rgb)), f += char(0xFF);
    return f + std::string(64, '\0');
}
