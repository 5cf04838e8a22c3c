#include "app/icons/icon_writer.h"

#include <cerrno>

namespace icons {

namespace {

constexpr std::uint32_t kDirectorySize = 6 + 16;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kColorTableSize = 256 * 4;

std::array<TRgb, 256> MakePalette()
{
    static const TRgb first[10] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                                   {192, 220, 192}, {166, 202, 240}};
    static const TRgb last[10] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                  {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                  {0, 255, 255},   {255, 255, 255}};
    std::array<TRgb, 256> p{};
    for (int i = 0; i < 10; ++i) {
        p[std::size_t(i)] = first[i];
        p[std::size_t(246 + i)] = last[i];
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p[std::size_t(10 + 36 * r + 6 * g + b)] =
                    TRgb{std::uint8_t(51 * r), std::uint8_t(51 * g), std::uint8_t(51 * b)};
    // Greys between the cube's six, evenly spaced: n × 255 / 21 rounded, n = 1 to 20.
    for (int n = 1; n <= 20; ++n) {
        std::uint8_t v = std::uint8_t((n * 255 * 2 + 21) / 42);
        p[std::size_t(225 + n)] = TRgb{v, v, v};
    }
    return p;
}

void Put16(std::string& s, unsigned v)
{
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}

void Put32(std::string& s, std::uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::size_t ColorStride(int width)
{
    return (std::size_t(width) + 3) / 4 * 4;
}
std::size_t MaskStride(int width)
{
    return (std::size_t(width) + 31) / 32 * 4;
}

void CheckImage(const TIconImage& icon)
{
    if (icon.Color.Empty() ||
        std::uint64_t(icon.Color.Width) * std::uint64_t(icon.Color.Height) > kMaxBitmapPixels ||
        !icon.Color.Consistent() ||
        icon.Mask.size() != std::size_t(icon.Color.Width) * std::size_t(icon.Color.Height))
        throw EInvalidGraphic("Das Icon-Bild ist leer oder unvollständig");
}

} // namespace

const std::array<TRgb, 256>& IconPalette()
{
    static const std::array<TRgb, 256> palette = MakePalette();
    return palette;
}

std::uint8_t NearestPaletteIndex(TRgb c)
{
    const std::array<TRgb, 256>& palette = IconPalette();
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const TRgb& p = palette[std::size_t(i)];
        const int dr = int(c.R) - p.R, dg = int(c.G) - p.G, db = int(c.B) - p.B;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return std::uint8_t(best);
}

std::vector<std::uint8_t> ColorIndexRows(const TIconImage& icon)
{
    CheckImage(icon);
    const int w = icon.Color.Width, h = icon.Color.Height;
    const std::size_t stride = ColorStride(w);
    std::vector<std::uint8_t> rows(stride * std::size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* dst = rows.data() + std::size_t(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x)
            dst[x] = NearestPaletteIndex(icon.Color.Pixel(x, y));
    }
    return rows;
}

std::vector<std::uint8_t> MaskRows(const TIconImage& icon)
{
    CheckImage(icon);
    const int w = icon.Color.Width, h = icon.Color.Height;
    const std::size_t stride = MaskStride(w);
    std::vector<std::uint8_t> rows(stride * std::size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* dst = rows.data() + std::size_t(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x)
            if (icon.Transparent(x, y))
                dst[x / 8] |= std::uint8_t(0x80 >> (x % 8));
    }
    return rows;
}

// The directory entry's planes and bit-count fields stay 0 and its colour-count byte reads 8:
// readers take the depth from the bitmap header.
std::string IconFileBytes(const TIconImage& icon, bool withLength)
{
    const std::vector<std::uint8_t> colors = ColorIndexRows(icon);
    const std::vector<std::uint8_t> mask = MaskRows(icon);
    const std::uint32_t w = std::uint32_t(icon.Color.Width), h = std::uint32_t(icon.Color.Height);
    const std::uint32_t imageSize = kInfoHeaderSize + kColorTableSize + std::uint32_t(colors.size() + mask.size());

    std::string s;
    s.reserve(4 + kDirectorySize + imageSize);
    if (withLength)
        Put32(s, kDirectorySize + imageSize);
    Put16(s, 0); // reserved
    Put16(s, 1); // icon
    Put16(s, 1); // one image
    s += char(w & 0xFF);
    s += char(h & 0xFF);
    Put16(s, 1 * 8); // planes × bits per pixel, read as colour count 8 and reserved 0
    Put16(s, 0);
    Put16(s, 0);
    Put32(s, imageSize);
    Put32(s, kDirectorySize);

    Put32(s, kInfoHeaderSize);
    Put32(s, w);
    Put32(s, 2 * h); // colour picture and mask together
    Put16(s, 1);
    Put16(s, 8);
    Put32(s, 0); // no compression
    Put32(s, std::uint32_t(colors.size()));
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, 0);
    for (const TRgb& c : IconPalette()) {
        s += char(c.B);
        s += char(c.G);
        s += char(c.R);
        s += char(0);
    }
    s.append(colors.begin(), colors.end());
    s.append(mask.begin(), mask.end());
    return s;
}

void WriteIconFile(std::ostream& stream, const TIconImage& icon, bool withLength)
{
    const std::string bytes = IconFileBytes(icon, withLength);
    stream.write(bytes.data(), std::streamsize(bytes.size()));
    if (!stream)
        throw EInOutError("Das Icon kann nicht geschrieben werden", EIO);
}

} // namespace icons
