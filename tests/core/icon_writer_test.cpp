#include "app/icons/icon_writer.h"

#include "app/icons/icon_converter.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using icons::IconFileBytes;
using icons::IconPalette;
using icons::NearestPaletteIndex;
using icons::TBitmap24;
using icons::TIconImage;
using icons::TRgb;

namespace {

std::uint32_t U32(const std::string& s, std::size_t at)
{
    return std::uint32_t(std::uint8_t(s[at])) | std::uint32_t(std::uint8_t(s[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(s[at + 2])) << 16 | std::uint32_t(std::uint8_t(s[at + 3])) << 24;
}
unsigned U16(const std::string& s, std::size_t at)
{
    return unsigned(std::uint8_t(s[at])) | unsigned(std::uint8_t(s[at + 1])) << 8;
}
std::uint8_t Byte(const std::string& s, std::size_t at)
{
    return std::uint8_t(s[at]);
}

TIconImage Image(int w, int h, TRgb fill)
{
    TIconImage icon;
    icon.Color = TBitmap24(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            icon.Color.SetPixel(x, y, fill);
    icon.Mask.assign(std::size_t(w) * h, 0);
    return icon;
}

TRgb Cube(int r, int g, int b)
{
    return TRgb{std::uint8_t(51 * r), std::uint8_t(51 * g), std::uint8_t(51 * b)};
}

constexpr std::size_t kInfo = 22, kTable = 62, kColors = 1086, kMask = 1342;

TEST(IconFile, EverySixteenSquareGivesA1406ByteFileWithTheFixedDirectory)
{
    const std::string expected(
        "\x00\x00\x01\x00\x01\x00\x10\x10\x08\x00\x00\x00\x00\x00\x68\x05\x00\x00\x16\x00\x00\x00", 22);
    std::mt19937 random(99);
    for (int round = 0; round < 20; ++round) {
        TBitmap24 b(16, 16);
        for (std::uint8_t& v : b.Pixels)
            v = std::uint8_t(round < 10 ? random() % 256 : random() % 2 * 255);
        const std::string file = IconFileBytes(icons::MakeIconImage(b), false);
        ASSERT_EQ(file.size(), 1406u);
        EXPECT_EQ(file.substr(0, 22), expected);
    }
}

TEST(IconFile, BitmapHeaderDescribesColourAndMaskTogether)
{
    const std::string file = IconFileBytes(Image(16, 16, TRgb{1, 2, 3}), false);
    EXPECT_EQ(U32(file, kInfo), 40u);
    EXPECT_EQ(U32(file, kInfo + 4), 16u);
    EXPECT_EQ(U32(file, kInfo + 8), 32u);
    EXPECT_EQ(U16(file, kInfo + 12), 1u);
    EXPECT_EQ(U16(file, kInfo + 14), 8u);
    EXPECT_EQ(U32(file, kInfo + 16), 0u);
    EXPECT_EQ(U32(file, kInfo + 20), 256u);
    for (std::size_t at = kInfo + 24; at < kInfo + 40; at += 4)
        EXPECT_EQ(U32(file, at), 0u) << at;
}

TEST(IconFile, ColourTableIsThePaletteAsBlueGreenRedZero)
{
    const std::string file = IconFileBytes(Image(16, 16, TRgb{1, 2, 3}), false);
    for (std::size_t i = 0; i < 256; ++i) {
        const TRgb& c = IconPalette()[i];
        EXPECT_EQ(Byte(file, kTable + 4 * i), c.B) << i;
        EXPECT_EQ(Byte(file, kTable + 4 * i + 1), c.G) << i;
        EXPECT_EQ(Byte(file, kTable + 4 * i + 2), c.R) << i;
        EXPECT_EQ(Byte(file, kTable + 4 * i + 3), 0) << i;
    }
}

TEST(IconPalette, HoldsTheStaticSystemColoursAColourCubeAndGreys)
{
    const std::array<TRgb, 256>& p = IconPalette();
    const TRgb statics[20] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                              {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
                              {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
                              {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(p[std::size_t(i)], statics[i]) << i;
        EXPECT_EQ(p[std::size_t(246 + i)], statics[10 + i]) << 246 + i;
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                EXPECT_EQ(p[std::size_t(10 + 36 * r + 6 * g + b)], Cube(r, g, b));
    for (int i = 226; i < 246; ++i) {
        EXPECT_EQ(p[std::size_t(i)].R, p[std::size_t(i)].G);
        EXPECT_EQ(p[std::size_t(i)].R, p[std::size_t(i)].B);
        EXPECT_NE(p[std::size_t(i)].R % 51, 0) << "grey " << i << " repeats a cube grey";
        if (i > 226) {
            EXPECT_LT(p[std::size_t(i - 1)].R, p[std::size_t(i)].R);
        }
    }
}

TEST(IconPalette, NearestColourMapping)
{
    const std::array<TRgb, 256>& p = IconPalette();
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint8_t n = NearestPaletteIndex(p[i]);
        EXPECT_EQ(p[n], p[i]) << i;
        EXPECT_LE(n, i) << "an exact colour maps to its first entry";
    }
    EXPECT_EQ(NearestPaletteIndex(TRgb{1, 2, 3}), 0);
    EXPECT_EQ(NearestPaletteIndex(TRgb{130, 128, 126}), 248);
    EXPECT_EQ(NearestPaletteIndex(TRgb{100, 0, 0}), 10 + 36 * 2);
    EXPECT_EQ(NearestPaletteIndex(TRgb{26, 26, 26}), 227); // grey 24
    EXPECT_EQ(NearestPaletteIndex(icons::kPlaceholderColor), 246);
    // Equally far from dark red (1) and the cube's 102, 0, 0 (82): the lower index wins.
    EXPECT_EQ(NearestPaletteIndex(TRgb{115, 0, 0}), 1);
    EXPECT_EQ(NearestPaletteIndex(TRgb{255, 0, 0}), 10 + 36 * 5);
}

TEST(IconFile, ColourPixelsAreIndexesBottomRowFirst)
{
    TIconImage icon = Image(16, 16, TRgb{0, 0, 0});
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            icon.Color.SetPixel(x, y, Cube(y % 6, x % 6, (x + y) % 6));
    const std::string file = IconFileBytes(icon, false);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int cube = 10 + 36 * (y % 6) + 6 * (x % 6) + (x + y) % 6;
            ASSERT_EQ(Byte(file, kColors + std::size_t(15 - y) * 16 + std::size_t(x)), cube == 10 ? 0 : cube)
                << x << "," << y; // the cube's black is also entry 0
        }
}

TEST(IconFile, MaskBitsAreMostSignificantFirstBottomRowFirstWithZeroPadding)
{
    TIconImage icon = Image(16, 16, TRgb{0, 200, 0});
    auto setTransparent = [&](int x, int y) {
        icon.Mask[std::size_t(y) * 16 + std::size_t(x)] = 1;
        icon.Color.SetPixel(x, y, TRgb{0, 0, 0});
    };
    setTransparent(0, 0);
    setTransparent(15, 0);
    setTransparent(8, 15);
    setTransparent(3, 7);
    const std::string file = IconFileBytes(icon, false);
    std::string expected(64, '\0');
    expected[15 * 4 + 0] = char(0x80); // top row is the last
    expected[15 * 4 + 1] = char(0x01);
    expected[0 * 4 + 1] = char(0x80);
    expected[8 * 4 + 0] = char(0x10);
    EXPECT_EQ(file.substr(kMask), expected);
    EXPECT_EQ(Byte(file, kColors + 15 * 16 + 0), 0); // transparent pixels are black
    EXPECT_EQ(Byte(file, kColors + 15 * 16 + 1), NearestPaletteIndex(TRgb{0, 200, 0}));
}

TEST(IconFile, MaskOfAConvertedIconMarksTheTransparentColour)
{
    TBitmap24 b(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            b.SetPixel(x, y, x < 4 ? TRgb{255, 0, 255} : TRgb{0, 0, 0});
    const std::string file = IconFileBytes(icons::MakeIconImage(b), false);
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(Byte(file, kMask + std::size_t(row) * 4), 0xF0) << row;
        EXPECT_EQ(Byte(file, kMask + std::size_t(row) * 4 + 1), 0x00) << row;
    }
    for (std::size_t i = 0; i < 256; ++i)
        EXPECT_EQ(Byte(file, kColors + i), 0) << i;
}

TEST(IconFile, WithLengthPutsTheFileLengthFirst)
{
    const TIconImage icon = Image(16, 16, TRgb{9, 9, 9});
    const std::string plain = IconFileBytes(icon, false);
    const std::string withLength = IconFileBytes(icon, true);
    ASSERT_EQ(withLength.size(), 1410u);
    EXPECT_EQ(U32(withLength, 0), 1406u);
    EXPECT_EQ(withLength.substr(4), plain);
}

TEST(IconFile, OtherSizesPadRowsToFourBytes)
{
    const std::string file = IconFileBytes(Image(17, 5, TRgb{255, 255, 255}), false);
    // Colour rows of 20 bytes, mask rows of 4.
    ASSERT_EQ(file.size(), 22u + 40 + 1024 + 20 * 5 + 4 * 5);
    EXPECT_EQ(Byte(file, 6), 17);
    EXPECT_EQ(Byte(file, 7), 5);
    EXPECT_EQ(U32(file, 14), 40u + 1024 + 100 + 20);
    EXPECT_EQ(U32(file, kInfo + 8), 10u);
    EXPECT_EQ(U32(file, kInfo + 20), 100u);
    EXPECT_EQ(Byte(file, kColors + 16), NearestPaletteIndex(TRgb{255, 255, 255}));
    EXPECT_EQ(Byte(file, kColors + 17), 0);                             // padding
    EXPECT_EQ(Byte(IconFileBytes(Image(256, 1, TRgb{}), false), 6), 0); // low byte of 256
}

TEST(IconFile, InconsistentImagesAreRejected)
{
    EXPECT_THROW(IconFileBytes(TIconImage{}, false), icons::EInvalidGraphic);
    TIconImage shortMask = Image(16, 16, TRgb{});
    shortMask.Mask.pop_back();
    EXPECT_THROW(IconFileBytes(shortMask, false), icons::EInvalidGraphic);
}

TEST(WriteIconFile, WritesToTheStreamAndReportsAFailingOne)
{
    const TIconImage icon = Image(16, 16, TRgb{40, 50, 60});
    std::ostringstream out;
    out << "head";
    icons::WriteIconFile(out, icon, false);
    EXPECT_EQ(out.str(), "head" + IconFileBytes(icon, false));

    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_THROW(icons::WriteIconFile(broken, icon, true), EInOutError);
}

} // namespace
