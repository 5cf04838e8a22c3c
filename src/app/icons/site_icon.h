#pragma once
#include "app/icons/bitmap.h"
#include "app/icons/icon_writer.h"

#include <cstdint>
#include <vector>

namespace icons {

// A picture with an alpha channel as image decoders give it: Height rows, top row first, each
// Width pixels of blue, green, red and alpha (not premultiplied).
struct TBitmapBgra {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    bool Consistent() const
    {
        return Width > 0 && Height > 0 && Pixels.size() == std::size_t(Width) * std::size_t(Height) * 4;
    }
};

// The 16 × 16 icon of a site's picture. Unlike a bitmap the user picks, the picture says itself
// which pixels are transparent: colour (weighted by alpha, so that invisible pixels lend it none)
// and alpha are scaled apart by ResampleBitmap, and a pixel whose scaled alpha is below half is
// transparent. Raises EInvalidGraphic for an empty or inconsistent picture.
TIconImage SiteIconImage(const TBitmapBgra& picture);

} // namespace icons
