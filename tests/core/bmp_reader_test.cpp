#include "app/icons/bmp_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

using icons::EInvalidGraphic;
using icons::ReadBmp;
using icons::TBitmap24;
using icons::TRgb;

namespace {

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
void Set16(std::string& s, std::size_t at, unsigned v)
{
    s[at] = char(v & 0xFF);
    s[at + 1] = char((v >> 8) & 0xFF);
}
void Set32(std::string& s, std::size_t at, std::uint32_t v)
{
    Set16(s, at, v & 0xFFFF);
    Set16(s, at + 2, v >> 16);
}

// Offsets in a file with the 40-byte header.
constexpr std::size_t kOffBits = 10, kWidth = 18, kHeight = 22, kPlanes = 26, kBpp = 28, kCompression = 30,
                      kColorsUsed = 46;

struct TBmpSpec {
    std::uint32_t HeaderSize = 40;
    int Width = 0;
    int Height = 0; // negative for top-down rows
    int Bpp = 24;
    std::uint32_t Compression = 0;
    std::vector<TRgb> Palette;
    std::uint32_t ColorsUsed = 0;
    std::uint32_t Masks[3] = {0, 0, 0}; // red, green, blue
    // The stored value of pixel (x, y), y = 0 being the top row: a palette index, 0xRRGGBB for
    // 24 bits, the raw 32-bit word for 32.
    std::function<std::uint32_t(int, int)> Value;
};

std::string BuildBmp(const TBmpSpec& s)
{
    const bool core = s.HeaderSize == 12;
    std::string header;
    if (core) {
        Put32(header, 12);
        Put16(header, unsigned(s.Width));
        Put16(header, unsigned(s.Height));
        Put16(header, 1);
        Put16(header, unsigned(s.Bpp));
    } else {
        Put32(header, s.HeaderSize);
        Put32(header, std::uint32_t(s.Width));
        Put32(header, std::uint32_t(s.Height));
        Put16(header, 1);
        Put16(header, unsigned(s.Bpp));
        Put32(header, s.Compression);
        Put32(header, 0);
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, s.ColorsUsed);
        Put32(header, 0);
        if (s.HeaderSize > 40 || s.Compression == 3)
            for (std::uint32_t m : s.Masks)
                Put32(header, m);
        while (header.size() < s.HeaderSize)
            header += '\0';
    }
    for (const TRgb& c : s.Palette) {
        header += char(c.B);
        header += char(c.G);
        header += char(c.R);
        if (!core)
            header += '\0';
    }
    const int height = s.Height < 0 ? -s.Height : s.Height;
    const std::size_t rowSize = (std::size_t(s.Width) * s.Bpp + 31) / 32 * 4;
    std::string pixels(rowSize * std::size_t(height), '\0');
    for (int r = 0; r < height; ++r) {
        const int y = s.Height < 0 ? r : height - 1 - r;
        char* row = &pixels[std::size_t(r) * rowSize];
        for (int x = 0; x < s.Width; ++x) {
            const std::uint32_t v = s.Value(x, y);
            if (s.Bpp <= 8) {
                const int bit = x * s.Bpp;
                row[bit / 8] = char(row[bit / 8] | (v << (8 - s.Bpp - bit % 8)));
            } else if (s.Bpp == 24) {
                row[x * 3] = char(v & 0xFF);
                row[x * 3 + 1] = char((v >> 8) & 0xFF);
                row[x * 3 + 2] = char((v >> 16) & 0xFF);
            } else {
                for (int k = 0; k < 4; ++k)
                    row[x * 4 + k] = char((v >> (8 * k)) & 0xFF);
            }
        }
    }
    std::string file = "BM";
    Put32(file, std::uint32_t(14 + header.size() + pixels.size()));
    Put32(file, 0);
    Put32(file, std::uint32_t(14 + header.size()));
    return file + header + pixels;
}

std::vector<TRgb> TestPalette(int count)
{
    std::vector<TRgb> p;
    for (int i = 0; i < count; ++i)
        p.push_back(TRgb{std::uint8_t(i * 7 + 1), std::uint8_t(255 - i), std::uint8_t(i * 13 % 256)});
    return p;
}

std::string ErrorOf(const std::string& file)
{
    try {
        ReadBmp(file);
    } catch (const EInvalidGraphic& e) {
        return e.Message();
    }
    return "(no error)";
}

bool Contains(const std::string& s, const std::string& part)
{
    return s.find(part) != std::string::npos;
}

// A small 8-bit file that later tests damage one field at a time.
std::string ValidIndexed()
{
    TBmpSpec s;
    s.Width = 5;
    s.Height = 3;
    s.Bpp = 8;
    s.Palette = TestPalette(4);
    s.ColorsUsed = 4;
    s.Value = [](int x, int y) { return std::uint32_t((x + y) % 4); };
    return BuildBmp(s);
}

struct TDepthCase {
    int Bpp;
    bool TopDown;
};

class BmpDepths : public testing::TestWithParam<TDepthCase> {};

// Odd widths make every packing end mid-byte and every row need padding.
TEST_P(BmpDepths, DecodeEveryPixelInTopRowFirstOrder)
{
    const TDepthCase c = GetParam();
    for (int width : {1, 3, 13, 33}) {
        TBmpSpec s;
        s.Width = width;
        s.Height = c.TopDown ? -5 : 5;
        s.Bpp = c.Bpp;
        const std::vector<TRgb> palette = TestPalette(c.Bpp <= 8 ? 1 << c.Bpp : 0);
        s.Palette = palette;
        const int colors = 1 << std::min(c.Bpp, 8);
        s.Value = [&](int x, int y) -> std::uint32_t {
            if (c.Bpp <= 8)
                return std::uint32_t((x * 3 + y * 5) % colors);
            const std::uint32_t rgb =
                std::uint32_t(x * 40 % 256) << 16 | std::uint32_t(y * 50) << 8 | std::uint32_t(x + y);
            return c.Bpp == 32 ? rgb | 0xAB000000u : rgb; // the fourth byte must be ignored
        };
        const TBitmap24 b = ReadBmp(BuildBmp(s));
        ASSERT_EQ(b.Width, width);
        ASSERT_EQ(b.Height, 5);
        ASSERT_EQ(b.Pixels.size(), std::size_t(width) * 5 * 3);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = s.Value(x, y);
                const TRgb expected =
                    c.Bpp <= 8 ? palette[v] : TRgb{std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
                ASSERT_EQ(b.Pixel(x, y), expected) << "width " << width << " at " << x << "," << y;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, BmpDepths,
                         testing::Values(TDepthCase{1, false}, TDepthCase{1, true}, TDepthCase{4, false},
                                         TDepthCase{4, true}, TDepthCase{8, false}, TDepthCase{8, true},
                                         TDepthCase{24, false}, TDepthCase{24, true}, TDepthCase{32, false},
                                         TDepthCase{32, true}));

TEST(BmpReader, StoresPixelsAsBlueGreenRedBytes)
{
    TBmpSpec s;
    s.Width = 1;
    s.Height = 1;
    s.Value = [](int, int) { return 0x112233u; };
    const TBitmap24 b = ReadBmp(BuildBmp(s));
    EXPECT_EQ(b.Pixels, (std::vector<std::uint8_t>{0x33, 0x22, 0x11}));
}

TEST(BmpReader, BitfieldsMasksAfterAnInfoHeaderOrInsideALongerHeader)
{
    for (std::uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
        TBmpSpec s;
        s.HeaderSize = headerSize;
        s.Width = 3;
        s.Height = -2;
        s.Bpp = 32;
        s.Compression = 3;
        // 10 bits per channel, red highest: the top 8 bits are kept.
        s.Masks[0] = 0x3FF00000;
        s.Masks[1] = 0x000FFC00;
        s.Masks[2] = 0x000003FF;
        s.Value = [](int x, int y) {
            const std::uint32_t r = std::uint32_t(x * 300 + 3), g = std::uint32_t(y * 500 + 2), b = 1023;
            return r << 20 | g << 10 | b;
        };
        const TBitmap24 bmp = ReadBmp(BuildBmp(s));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(bmp.Pixel(x, y),
                          (TRgb{std::uint8_t((x * 300 + 3) >> 2), std::uint8_t((y * 500 + 2) >> 2), 255}))
                    << "header " << headerSize << " at " << x << "," << y;
    }
}

TEST(BmpReader, NarrowBitfieldsAreWidenedToTheFullRange)
{
    TBmpSpec s;
    s.Width = 4;
    s.Height = 1;
    s.Bpp = 32;
    s.Compression = 3;
    s.Masks[0] = 0xF800; // 5-6-5 in the low word
    s.Masks[1] = 0x07E0;
    s.Masks[2] = 0x001F;
    const std::uint32_t values[4] = {0xFFFF, 0x0000, 0x8410, 0xF800};
    s.Value = [&](int x, int) { return values[x]; };
    const TBitmap24 b = ReadBmp(BuildBmp(s));
    EXPECT_EQ(b.Pixel(0, 0), (TRgb{255, 255, 255}));
    EXPECT_EQ(b.Pixel(1, 0), (TRgb{0, 0, 0}));
    EXPECT_EQ(b.Pixel(2, 0), (TRgb{132, 130, 132})); // 16/31, 32/63 and 16/31 of 255, rounded
    EXPECT_EQ(b.Pixel(3, 0), (TRgb{255, 0, 0}));
}

TEST(BmpReader, CoreHeaderWithThreeByteColourTable)
{
    TBmpSpec s;
    s.HeaderSize = 12;
    s.Width = 6;
    s.Height = 2;
    s.Bpp = 4;
    s.Palette = TestPalette(16);
    s.Value = [](int x, int y) { return std::uint32_t(x + 8 * y); };
    const TBitmap24 b = ReadBmp(BuildBmp(s));
    EXPECT_EQ(b.Pixel(5, 0), s.Palette[5]);
    EXPECT_EQ(b.Pixel(2, 1), s.Palette[10]);

    // A shortened table: its end is where the pixel data begins.
    s.Palette = TestPalette(3);
    s.Value = [](int x, int) { return std::uint32_t(x % 3); };
    const TBitmap24 shortTable = ReadBmp(BuildBmp(s));
    EXPECT_EQ(shortTable.Pixel(4, 1), s.Palette[1]);
}

TEST(BmpReader, ShortColourTableIsUsedAsLongAsNoIndexGoesBeyondIt)
{
    const TBitmap24 b = ReadBmp(ValidIndexed());
    EXPECT_EQ(b.Pixel(4, 2), TestPalette(4)[2]);

    TBmpSpec s;
    s.Width = 4;
    s.Height = 1;
    s.Bpp = 8;
    s.Palette = TestPalette(2);
    s.ColorsUsed = 2;
    s.Value = [](int x, int) { return std::uint32_t(x == 3 ? 2 : 0); };
    EXPECT_TRUE(Contains(ErrorOf(BuildBmp(s)), "Farbindex 2 liegt außerhalb der Farbtabelle"));
}

TEST(BmpReader, EveryTruncationIsAnError)
{
    const std::string file = ValidIndexed();
    for (std::size_t n = 0; n < file.size(); ++n)
        EXPECT_THROW(ReadBmp(file.substr(0, n)), EInvalidGraphic) << n << " of " << file.size() << " bytes";
    EXPECT_NO_THROW(ReadBmp(file));
}

struct TDamage {
    const char* Name;
    std::function<void(std::string&)> Apply;
    const char* Message;
};

class BmpDamage : public testing::TestWithParam<TDamage> {};

TEST_P(BmpDamage, IsRejectedWithAClearMessage)
{
    std::string file = ValidIndexed();
    GetParam().Apply(file);
    const std::string message = ErrorOf(file);
    EXPECT_TRUE(Contains(message, "Ungültige Bitmap-Datei: ")) << message;
    EXPECT_TRUE(Contains(message, GetParam().Message)) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BmpDamage,
    testing::Values(
        TDamage{"Signature", [](std::string& f) { f[1] = 'A'; }, "Kennung"},
        TDamage{"HeaderSize64", [](std::string& f) { Set32(f, 14, 64); }, "Kopfgröße 64"},
        TDamage{"HeaderSizeHuge", [](std::string& f) { Set32(f, 14, 0xFFFFFFF0u); }, "Kopfgröße"},
        TDamage{"Planes", [](std::string& f) { Set16(f, kPlanes, 2); }, "Ebenenzahl 2"},
        TDamage{"Bpp16", [](std::string& f) { Set16(f, kBpp, 16); }, "16 Bit pro Pixel"},
        TDamage{"Bpp2", [](std::string& f) { Set16(f, kBpp, 2); }, "2 Bit pro Pixel"},
        TDamage{"Bpp0", [](std::string& f) { Set16(f, kBpp, 0); }, "0 Bit pro Pixel"},
        TDamage{"Rle8", [](std::string& f) { Set32(f, kCompression, 1); }, "Kompressionsart 1"},
        TDamage{"Png", [](std::string& f) { Set32(f, kCompression, 5); }, "Kompressionsart 5"},
        TDamage{"BitfieldsAt8Bits", [](std::string& f) { Set32(f, kCompression, 3); }, "Farbmasken bei 8 Bit"},
        TDamage{"WidthZero", [](std::string& f) { Set32(f, kWidth, 0); }, "Breite oder Höhe"},
        TDamage{"WidthNegative", [](std::string& f) { Set32(f, kWidth, std::uint32_t(-5)); }, "Breite oder Höhe"},
        TDamage{"HeightZero", [](std::string& f) { Set32(f, kHeight, 0); }, "Breite oder Höhe"},
        TDamage{"HeightMinimum", [](std::string& f) { Set32(f, kHeight, 0x80000000u); }, "zu groß"},
        TDamage{"TooLarge",
                [](std::string& f) {
                    Set32(f, kWidth, 70000);
                    Set32(f, kHeight, 70000);
                },
                "zu groß"},
        // Large but allowed dimensions over a few bytes of data: refused before anything is allocated.
        TDamage{"LyingDimensions",
                [](std::string& f) {
                    Set32(f, kWidth, 8000);
                    Set32(f, kHeight, 8000);
                },
                "unvollständig"},
        TDamage{"ColorsUsedAboveDepth", [](std::string& f) { Set32(f, kColorsUsed, 257); },
                "Farbtabelle ist zu lang"},
        TDamage{"TableOverlapsPixels", [](std::string& f) { Set32(f, kColorsUsed, 200); },
                "Farbtabelle ist ungültig"},
        TDamage{"PixelsInsideHeader", [](std::string& f) { Set32(f, kOffBits, 20); }, "Position der Bilddaten"},
        TDamage{"PixelsBeyondEnd", [](std::string& f) { Set32(f, kOffBits, 0x7FFFFFFF); }, "unvollständig"},
        TDamage{"PixelsCutShort", [](std::string& f) { f.resize(f.size() - 1); }, "unvollständig"}),
    [](const testing::TestParamInfo<TDamage>& info) { return std::string(info.param.Name); });

TEST(BmpReader, BadColourMasksAreRejected)
{
    struct TMasks {
        std::uint32_t R, G, B;
        const char* Message;
    };
    const TMasks cases[] = {{0, 0xFF00, 0xFF, "leer"},
                            {0xF0F00000, 0xFF00, 0xFF, "nicht zusammenhängend"},
                            {0xFF0000, 0xFFFF00, 0xFF, "überlappen"}};
    for (const TMasks& m : cases) {
        TBmpSpec s;
        s.Width = 2;
        s.Height = 2;
        s.Bpp = 32;
        s.Compression = 3;
        s.Masks[0] = m.R;
        s.Masks[1] = m.G;
        s.Masks[2] = m.B;
        s.Value = [](int, int) { return 0u; };
        const std::string message = ErrorOf(BuildBmp(s));
        EXPECT_TRUE(Contains(message, m.Message)) << message;
    }
}

TEST(BmpReader, BitfieldsMasksCutOffAreAnError)
{
    TBmpSpec s;
    s.Width = 1;
    s.Height = 1;
    s.Bpp = 32;
    s.Compression = 3;
    s.Masks[0] = 0xFF0000;
    s.Masks[1] = 0xFF00;
    s.Masks[2] = 0xFF;
    s.Value = [](int, int) { return 0u; };
    const std::string file = BuildBmp(s).substr(0, 14 + 40 + 8);
    EXPECT_TRUE(Contains(ErrorOf(file), "Datei zu kurz"));
}

} // namespace
