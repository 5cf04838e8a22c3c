#include "app/icons/icon_converter.h"

#include "rtl/string_list.h"

namespace icons {

// The placeholder colour exists because a drawing surface can only key out one colour at a
// time: black is moved aside, the transparent colour turned into black for the mask, and the
// placeholder turned back into black. Working on the pixels directly gives the same picture and
// mask in one pass, with one exception made on purpose: when the transparent colour is the
// placeholder itself, genuine black stays black and opaque instead of vanishing with it.
TIconImage MakeIconImage(const TBitmap24& bitmap)
{
    CheckPixels(bitmap);
    TIconImage icon;
    icon.Color = TBitmap24(kIconSize, kIconSize);
    for (int y = 0; y < kIconSize && y < bitmap.Height; ++y)
        for (int x = 0; x < kIconSize && x < bitmap.Width; ++x)
            icon.Color.SetPixel(x, y, bitmap.Pixel(x, y));

    const TRgb transparent = icon.Color.Pixel(0, kIconSize - 1);
    icon.Mask.assign(std::size_t(kIconSize) * kIconSize, 0);
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) {
            const TRgb c = icon.Color.Pixel(x, y);
            if (c == transparent)
                icon.Mask[std::size_t(y) * kIconSize + x] = 1;
            if (c == transparent || c == kPlaceholderColor)
                icon.Color.SetPixel(x, y, TRgb{0, 0, 0});
        }
    return icon;
}

void SaveBitmapAsIconFile(const TBitmap24& bitmap, const std::string& path)
{
    WriteFileBytes(path, IconFileBytes(MakeIconImage(bitmap), false));
}

} // namespace icons
