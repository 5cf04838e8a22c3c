#include "app/icons/bitmap.h"

namespace icons {

TBitmap24::TBitmap24(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    Width = width;
    Height = height;
    Pixels.assign(std::size_t(width) * std::size_t(height) * 3, 0);
}

TRgb TBitmap24::Pixel(int x, int y) const
{
    const std::uint8_t* p = Row(y) + std::size_t(x) * 3;
    return TRgb{p[2], p[1], p[0]};
}

void TBitmap24::SetPixel(int x, int y, TRgb c)
{
    std::uint8_t* p = Row(y) + std::size_t(x) * 3;
    p[0] = c.B;
    p[1] = c.G;
    p[2] = c.R;
}

void CheckPixels(const TBitmap24& bitmap)
{
    if (bitmap.Width < 0 || bitmap.Height < 0 || !bitmap.Consistent())
        throw EInvalidGraphic("Die Bitmap ist unvollständig");
}

} // namespace icons
