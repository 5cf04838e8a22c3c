#include "app/icons/bmp_reader.h"

#include "rtl/text.h"

#include <algorithm>
#include <cstring>

namespace icons {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kFileHeaderSize = 14;

[[noreturn]] void Fail(const std::string& reason)
{
    throw EInvalidGraphic("Ungültige Bitmap-Datei: " + reason);
}

std::uint16_t U16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::int32_t S32(const std::uint8_t* p)
{
    std::uint32_t u = U32(p);
    std::int32_t s;
    std::memcpy(&s, &u, sizeof s);
    return s;
}

// One colour channel of a BI_BITFIELDS pixel: a contiguous run of bits, widened or narrowed to 8.
struct TChannel {
    std::uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;

    std::uint8_t Extract(std::uint32_t pixel) const
    {
        std::uint32_t v = (pixel & Mask) >> Shift;
        if (Bits >= 8)
            return std::uint8_t(v >> (Bits - 8));
        std::uint32_t max = (std::uint32_t(1) << Bits) - 1;
        return std::uint8_t((v * 255 + max / 2) / max);
    }
};

TChannel MakeChannel(std::uint32_t mask)
{
    if (mask == 0)
        Fail("Farbmaske ist leer");
    TChannel c;
    c.Mask = mask;
    while (!(mask & 1)) {
        mask >>= 1;
        ++c.Shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++c.Bits;
    }
    if (mask != 0)
        Fail("Farbmaske ist nicht zusammenhängend");
    return c;
}

} // namespace

TBitmap24 ReadBmp(const std::uint8_t* data, std::size_t size)
{
    if (size < kFileHeaderSize + 4)
        Fail("Datei zu kurz");
    if (data[0] != 'B' || data[1] != 'M')
        Fail("Kennung \"BM\" fehlt");
    const std::uint64_t offBits = U32(data + 10);
    const std::uint32_t headerSize = U32(data + 14);
    const std::uint8_t* h = data + kFileHeaderSize;

    std::int64_t width, height;
    unsigned planes, bpp;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    std::size_t entrySize = 4;
    bool core = false;
    if (headerSize == 12) {
        if (size < kFileHeaderSize + 12)
            Fail("Datei zu kurz");
        core = true;
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        bpp = U16(h + 10);
        entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        if (size < kFileHeaderSize + headerSize)
            Fail("Datei zu kurz");
        width = S32(h + 4);
        height = S32(h + 8);
        planes = U16(h + 12);
        bpp = U16(h + 14);
        compression = U32(h + 16);
        colorsUsed = U32(h + 32);
    } else {
        Fail("Kopfgröße " + rtl::IntToStr(headerSize) + " wird nicht unterstützt");
    }

    if (planes != 1)
        Fail("Ebenenzahl " + rtl::IntToStr(planes) + " ist ungültig");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        Fail(rtl::IntToStr(bpp) + " Bit pro Pixel werden nicht unterstützt");
    if (compression != kBiRgb && compression != kBiBitfields)
        Fail("Kompressionsart " + rtl::IntToStr(compression) + " wird nicht unterstützt");
    if (compression == kBiBitfields && bpp != 32)
        Fail("Farbmasken bei " + rtl::IntToStr(bpp) + " Bit pro Pixel");
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0)
        Fail("Breite oder Höhe ist ungültig");
    if (std::uint64_t(width) * std::uint64_t(height) > kMaxBitmapPixels)
        Fail("Bild ist zu groß");

    std::uint64_t tablePos = kFileHeaderSize + headerSize;
    TChannel red, green, blue;
    if (compression == kBiBitfields) {
        const std::uint8_t* masks = h + 40;
        if (headerSize == 40) {
            if (size < tablePos + 12)
                Fail("Datei zu kurz");
            tablePos += 12;
        }
        red = MakeChannel(U32(masks));
        green = MakeChannel(U32(masks + 4));
        blue = MakeChannel(U32(masks + 8));
        if ((red.Mask & green.Mask) || (red.Mask & blue.Mask) || (green.Mask & blue.Mask))
            Fail("Farbmasken überlappen sich");
    }
    if (offBits < tablePos)
        Fail("Position der Bilddaten ist ungültig");

    std::vector<TRgb> table;
    if (bpp <= 8) {
        std::uint64_t count = std::uint64_t(1) << bpp;
        if (core) {
            // Core-header files often carry a shortened table; the pixel data offset tells its length.
            count = std::min(count, (offBits - tablePos) / entrySize);
        } else if (colorsUsed != 0) {
            if (colorsUsed > count)
                Fail("Farbtabelle ist zu lang");
            count = colorsUsed;
        }
        if (count == 0 || tablePos + count * entrySize > offBits)
            Fail("Farbtabelle ist ungültig");
        if (tablePos + count * entrySize > size)
            Fail("Datei zu kurz");
        table.resize(std::size_t(count));
        for (std::size_t i = 0; i < table.size(); ++i) {
            const std::uint8_t* e = data + tablePos + i * entrySize;
            table[i] = TRgb{e[2], e[1], e[0]};
        }
    }

    const std::uint64_t rowSize = (std::uint64_t(width) * bpp + 31) / 32 * 4;
    if (offBits > size || rowSize * std::uint64_t(height) > size - offBits)
        Fail("Bilddaten sind unvollständig");

    TBitmap24 bitmap{int(width), int(height)};
    const std::uint8_t* pixels = data + offBits;
    for (int y = 0; y < bitmap.Height; ++y) {
        const std::uint8_t* src = pixels + std::size_t(topDown ? y : bitmap.Height - 1 - y) * rowSize;
        std::uint8_t* dst = bitmap.Row(y);
        if (bpp <= 8) {
            const unsigned perByte = 8 / bpp;
            const unsigned indexMask = (1u << bpp) - 1;
            for (int x = 0; x < bitmap.Width; ++x, dst += 3) {
                const unsigned shift = 8 - bpp * (unsigned(x) % perByte + 1);
                const unsigned index = (src[unsigned(x) / perByte] >> shift) & indexMask;
                if (index >= table.size())
                    Fail("Farbindex " + rtl::IntToStr(index) + " liegt außerhalb der Farbtabelle");
                dst[0] = table[index].B;
                dst[1] = table[index].G;
                dst[2] = table[index].R;
            }
        } else if (bpp == 24) {
            std::memcpy(dst, src, bitmap.Stride());
        } else if (compression == kBiRgb) {
            for (int x = 0; x < bitmap.Width; ++x, src += 4, dst += 3) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
            }
        } else {
            for (int x = 0; x < bitmap.Width; ++x, src += 4, dst += 3) {
                const std::uint32_t p = U32(src);
                dst[0] = blue.Extract(p);
                dst[1] = green.Extract(p);
                dst[2] = red.Extract(p);
            }
        }
    }
    return bitmap;
}

} // namespace icons
