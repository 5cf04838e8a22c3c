#include "app/icons/icon_converter_win.h"

#include <algorithm>
#include <vector>

#include "app/icons/icon_converter.h"
#include "gui/handles.h"

namespace {

BITMAPINFOHEADER TopDownHeader(int width, int height, WORD bits)
{
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    return h;
}

std::size_t Stride24(int width)
{
    return (std::size_t(width) * 3 + 3) / 4 * 4;
}

} // namespace

TIconHandle CreateIconFromImage(const icons::TIconImage& image)
{
    const icons::TBitmap24& c = image.Color;
    icons::CheckPixels(c);
    if (c.Empty() || image.Mask.size() != std::size_t(c.Width) * std::size_t(c.Height))
        throw icons::EInvalidGraphic("Das Icon-Bild ist leer oder unvollständig");

    // A 24-bit colour picture: with 32 bits the platform would look for an alpha channel.
    BITMAPINFO bi = {};
    bi.bmiHeader = TopDownHeader(c.Width, c.Height, 24);
    void* bits = nullptr;
    TWindowDc screen(nullptr);
    TBitmapHandle color(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color)
        throw icons::EInvalidGraphic("Das Icon kann nicht erstellt werden");
    const std::size_t stride = Stride24(c.Width);
    for (int y = 0; y < c.Height; ++y)
        std::copy(c.Row(y), c.Row(y) + c.Stride(), static_cast<std::uint8_t*>(bits) + std::size_t(y) * stride);
    GdiFlush();

    // A monochrome bitmap takes rows padded to 16 bits, top row first; 1 marks transparency.
    const std::size_t maskStride = (std::size_t(c.Width) + 15) / 16 * 2;
    std::vector<std::uint8_t> maskBits(maskStride * std::size_t(c.Height), 0);
    for (int y = 0; y < c.Height; ++y)
        for (int x = 0; x < c.Width; ++x)
            if (image.Transparent(x, y))
                maskBits[std::size_t(y) * maskStride + std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
    TBitmapHandle mask(CreateBitmap(c.Width, c.Height, 1, 1, maskBits.data()));
    if (!mask)
        throw icons::EInvalidGraphic("Das Icon kann nicht erstellt werden");

    ICONINFO ii = {};
    ii.fIcon = TRUE;
    ii.hbmMask = mask.Get();
    ii.hbmColor = color.Get();
    TIconHandle icon(CreateIconIndirect(&ii));
    if (!icon)
        throw icons::EInvalidGraphic("Das Icon kann nicht erstellt werden");
    return icon;
}

icons::TIconImage IconImageOf(HICON icon)
{
    ICONINFO ii = {};
    if (!icon || !GetIconInfo(icon, &ii))
        throw icons::EInvalidGraphic("Das Icon kann nicht gelesen werden");
    TBitmapHandle mask(ii.hbmMask), color(ii.hbmColor);
    BITMAP bm = {};
    if (!mask || !GetObject(mask.Get(), sizeof bm, &bm))
        throw icons::EInvalidGraphic("Das Icon kann nicht gelesen werden");
    // Without a colour picture the mask holds the AND and the XOR picture one above the other.
    const int width = bm.bmWidth;
    const int height = color ? bm.bmHeight : bm.bmHeight / 2;
    if (width <= 0 || height <= 0)
        throw icons::EInvalidGraphic("Das Icon kann nicht gelesen werden");

    TWindowDc screen(nullptr);
    icons::TIconImage image;
    image.Color = icons::TBitmap24(width, height);
    image.Mask.assign(std::size_t(width) * std::size_t(height), 0);

    std::vector<std::uint8_t> rows(Stride24(width) * std::size_t(height));
    BITMAPINFO bi = {};
    if (color) {
        bi.bmiHeader = TopDownHeader(width, height, 24);
        if (GetDIBits(screen.Get(), color.Get(), 0, UINT(height), rows.data(), &bi, DIB_RGB_COLORS) != height)
            throw icons::EInvalidGraphic("Das Icon kann nicht gelesen werden");
        for (int y = 0; y < height; ++y)
            std::copy(rows.data() + std::size_t(y) * Stride24(width),
                      rows.data() + std::size_t(y) * Stride24(width) + image.Color.Stride(), image.Color.Row(y));
    }

    // The mask comes back as a 1-bit picture with a two-entry table; 1 (white) is transparent.
    struct {
        BITMAPINFOHEADER Header;
        RGBQUAD Colors[2];
    } mi = {};
    const int maskRows = color ? height : height * 2;
    mi.Header = TopDownHeader(width, maskRows, 1);
    const std::size_t maskStride = (std::size_t(width) + 31) / 32 * 4;
    std::vector<std::uint8_t> maskBits(maskStride * std::size_t(maskRows));
    if (GetDIBits(screen.Get(), mask.Get(), 0, UINT(maskRows), maskBits.data(), reinterpret_cast<BITMAPINFO*>(&mi),
                  DIB_RGB_COLORS) != maskRows)
        throw icons::EInvalidGraphic("Das Icon kann nicht gelesen werden");
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            image.Mask[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                (maskBits[std::size_t(y) * maskStride + std::size_t(x) / 8] >> (7 - x % 8)) & 1;
            if (!color) {
                const bool on =
                    (maskBits[std::size_t(y + height) * maskStride + std::size_t(x) / 8] >> (7 - x % 8)) & 1;
                image.Color.SetPixel(x, y, on ? icons::TRgb{255, 255, 255} : icons::TRgb{0, 0, 0});
            }
        }
    return image;
}

void WriteIconFile(std::ostream& stream, HICON icon, bool withLength)
{
    icons::WriteIconFile(stream, IconImageOf(icon), withLength);
}

TIconHandle TIconConverter::MakeIconFromBitmap(const icons::TBitmap24& bitmap)
{
    return CreateIconFromImage(icons::MakeIconImage(bitmap));
}

// The file is written from the portable picture that the icon is made of, not read back from
// the platform's icon: the same bytes, without a round trip through the display's colour format.
void TIconConverter::SaveBitmapAsIconFile(const icons::TBitmap24& bitmap, const std::string& path)
{
    icons::SaveBitmapAsIconFile(bitmap, path);
}
