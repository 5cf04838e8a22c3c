#include "app/overlay_icon.h"

#include "gui/handles.h"

namespace {

struct TIconParts {
    TBitmapHandle Mask;
    TBitmapHandle Color;
    int Width = 0;
    int Height = 0;
};

bool ReadIcon(HICON icon, TIconParts& parts)
{
    ICONINFO ii = {};
    if (!icon || !GetIconInfo(icon, &ii))
        return false;
    parts.Mask.Reset(ii.hbmMask);
    parts.Color.Reset(ii.hbmColor);
    BITMAP bm = {};
    if (!ii.hbmColor || !GetObject(ii.hbmColor, sizeof bm, &bm))
        return false; // monochrome icons are not used here
    parts.Width = bm.bmWidth;
    parts.Height = bm.bmHeight;
    return true;
}

} // namespace

TIconHandle OverlayIcon(HICON badge, HICON feedIcon)
{
    TIconParts b, f;
    if (!ReadIcon(badge, b) || !ReadIcon(feedIcon, f))
        return TIconHandle();
    HDC screen = GetDC(nullptr);
    TMemoryDc maskDc(CreateCompatibleDC(screen));
    TMemoryDc srcDc(CreateCompatibleDC(screen));
    TMemoryDc colorDc(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    {
        TSelectGuard target(maskDc.Get(), f.Mask.Get());
        TSelectGuard source(srcDc.Get(), b.Mask.Get());
        BitBlt(maskDc.Get(), 0, 0, b.Width, b.Height, srcDc.Get(), 0, 0, SRCAND);
    }
    {
        TSelectGuard target(colorDc.Get(), f.Color.Get());
        DrawIconEx(colorDc.Get(), 0, 0, badge, b.Width, b.Height, 0, nullptr, DI_NORMAL);
    }
    ICONINFO result = {};
    result.fIcon = TRUE;
    result.hbmMask = f.Mask.Get();
    result.hbmColor = f.Color.Get();
    return TIconHandle(CreateIconIndirect(&result));
}
