#include "app/icons/site_icon.h"

#include "app/icons/icon_converter.h"
#include "app/icons/resampler.h"

#include <algorithm>

namespace icons {

TIconImage SiteIconImage(const TBitmapBgra& picture)
{
    if (!picture.Consistent() || std::uint64_t(picture.Width) * std::uint64_t(picture.Height) > kMaxBitmapPixels)
        throw EInvalidGraphic("Das Bild ist leer oder unvollständig");
    TBitmap24 color(picture.Width, picture.Height), alpha(picture.Width, picture.Height);
    const std::uint8_t* p = picture.Pixels.data();
    for (int y = 0; y < picture.Height; ++y) {
        std::uint8_t* c = color.Row(y);
        std::uint8_t* a = alpha.Row(y);
        for (int x = 0; x < picture.Width; ++x, p += 4, c += 3, a += 3) {
            for (int k = 0; k < 3; ++k)
                c[k] = std::uint8_t((p[k] * p[3] + 127) / 255);
            a[0] = a[1] = a[2] = p[3];
        }
    }
    ResampleBitmap(kIconSize, kIconSize, color);
    ResampleBitmap(kIconSize, kIconSize, alpha);

    TIconImage icon;
    icon.Color = TBitmap24(kIconSize, kIconSize);
    icon.Mask.assign(std::size_t(kIconSize) * kIconSize, 1);
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) {
            const int a = alpha.Row(y)[3 * x];
            if (a < 128)
                continue; // transparent, and black in the colour picture
            icon.Mask[std::size_t(y) * kIconSize + std::size_t(x)] = 0;
            const std::uint8_t* c = color.Row(y) + 3 * x;
            std::uint8_t* out = icon.Color.Row(y) + 3 * x;
            for (int k = 0; k < 3; ++k)
                out[k] = std::uint8_t(std::min(255, (c[k] * 255 + a / 2) / a));
        }
    return icon;
}

} // namespace icons
