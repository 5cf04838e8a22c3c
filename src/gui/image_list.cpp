#include "gui/image_list.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "gui/smooth_scale.h"

namespace {

// The description of 32-bit pixels, top row first.
BITMAPINFO TopDownPixels(int width, int height)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// The icon's pixels as 0xAARRGGBB, top row first; an icon without alpha takes it from its mask.
bool ReadIconPixels(HICON icon, std::vector<std::uint32_t>& pixels, int& width, int& height)
{
    ICONINFO ii = {};
    if (!icon || !GetIconInfo(icon, &ii))
        return false;
    TBitmapHandle color(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm = {};
    if (!color || !GetObjectW(color.Get(), sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return false;
    width = bm.bmWidth;
    height = bm.bmHeight;
    BITMAPINFO bi = TopDownPixels(width, height);
    pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    std::vector<std::uint32_t> maskBits(pixels.size(), 0);
    HDC screen = GetDC(nullptr);
    bool ok =
        GetDIBits(screen, color.Get(), 0, static_cast<UINT>(height), pixels.data(), &bi, DIB_RGB_COLORS) == height;
    bool haveMask = ok && mask &&
                    GetDIBits(screen, mask.Get(), 0, static_cast<UINT>(height), maskBits.data(), &bi,
                              DIB_RGB_COLORS) == height;
    ReleaseDC(nullptr, screen);
    if (!ok)
        return false;
    bool anyAlpha = false;
    for (std::uint32_t p : pixels)
        anyAlpha = anyAlpha || (p >> 24) != 0;
    if (!anyAlpha) {
        // A mask pixel that is set (white) is transparent.
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = (haveMask && (maskBits[i] & 0xFFFFFF)) ? 0 : (pixels[i] | 0xFF000000u);
    }
    return true;
}

TIconHandle MakeIcon(const std::vector<std::uint32_t>& pixels, int width, int height)
{
    BITMAPINFO bi = TopDownPixels(width, height);
    void* bits = nullptr;
    TBitmapHandle color(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color || !bits)
        return TIconHandle();
    std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
    // The mask marks the wholly transparent pixels, for those who draw without alpha.
    const int stride = ((width + 31) / 32) * 4;
    std::vector<unsigned char> maskBits(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                        static_cast<std::size_t>(x)] >>
                 24) == 0)
                maskBits[static_cast<std::size_t>(y * stride + x / 8)] |=
                    static_cast<unsigned char>(0x80 >> (x % 8));
    TBitmapHandle mask(CreateBitmap(width, height, 1, 1, maskBits.data()));
    ICONINFO ii = {};
    ii.fIcon = TRUE;
    ii.hbmColor = color.Get();
    ii.hbmMask = mask.Get();
    return TIconHandle(CreateIconIndirect(&ii));
}

} // namespace

TIconHandle IconAtSize(HICON icon, int width, int height)
{
    std::vector<std::uint32_t> pixels;
    int w = 0, h = 0;
    if (!ReadIconPixels(icon, pixels, w, h))
        return TIconHandle();
    if (w == width && h == height)
        return TIconHandle(CopyIcon(icon));
    std::vector<std::uint32_t> scaled = ScaleArgbSmooth(pixels, w, h, width, height);
    return scaled.empty() ? TIconHandle() : MakeIcon(scaled, width, height);
}

TImageList::TImageList(TComponent* AOwner, int width, int height)
    : TComponent(AOwner), FHandle(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 8, 8)), FWidth(width),
      FHeight(height)
{
}

TImageList::~TImageList() = default;

int TImageList::Count() const
{
    return FHandle ? ImageList_GetImageCount(FHandle.Get()) : 0;
}

namespace {
// The list stretches an icon of another size itself, pixel by pixel: a smooth copy goes in instead.
bool HasSize(HICON icon, int width, int height)
{
    ICONINFO ii = {};
    if (!GetIconInfo(icon, &ii))
        return true;
    TBitmapHandle color(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm = {};
    if (color && GetObjectW(color.Get(), sizeof bm, &bm))
        return bm.bmWidth == width && bm.bmHeight == height;
    return true;
}
} // namespace

int TImageList::AddIcon(HICON icon)
{
    ++FStamp;
    if (!icon)
        return -1;
    if (!HasSize(icon, FWidth, FHeight)) {
        TIconHandle scaled = IconAtSize(icon, FWidth, FHeight);
        if (scaled)
            return ImageList_AddIcon(FHandle.Get(), scaled.Get());
    }
    return ImageList_AddIcon(FHandle.Get(), icon);
}

bool TImageList::ReplaceIcon(int index, HICON icon)
{
    if (index < 0 || index >= Count() || !icon)
        return false;
    ++FStamp;
    if (!HasSize(icon, FWidth, FHeight)) {
        TIconHandle scaled = IconAtSize(icon, FWidth, FHeight);
        if (scaled)
            return ImageList_ReplaceIcon(FHandle.Get(), index, scaled.Get()) >= 0;
    }
    return ImageList_ReplaceIcon(FHandle.Get(), index, icon) >= 0;
}

bool TImageList::CopyImage(int index, int from)
{
    if (index < 0 || index >= Count() || from < 0 || from >= Count())
        return false;
    ++FStamp;
    return ImageList_Copy(FHandle.Get(), index, FHandle.Get(), from, ILCF_MOVE) != FALSE;
}

TIconHandle TImageList::GetIcon(int index) const
{
    if (index < 0 || index >= Count())
        return TIconHandle();
    return TIconHandle(ImageList_GetIcon(FHandle.Get(), index, ILD_NORMAL));
}

void TImageList::Delete(int index)
{
    if (index >= 0 && index < Count()) {
        ++FStamp;
        ImageList_Remove(FHandle.Get(), index);
    }
}

void TImageList::SetCount(int count)
{
    if (count == Count())
        return;
    ++FStamp;
    ImageList_SetImageCount(FHandle.Get(), static_cast<UINT>(count < 0 ? 0 : count));
}

void TImageList::Clear()
{
    ++FStamp;
    ImageList_Remove(FHandle.Get(), -1);
}

void TImageList::Draw(HDC dc, int x, int y, int index) const
{
    if (index >= 0 && index < Count())
        ImageList_Draw(FHandle.Get(), index, dc, x, y, ILD_NORMAL);
}
