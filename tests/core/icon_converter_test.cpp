#include "app/icons/icon_converter.h"

#include "app/icons/resampler.h"
#include "rtl/string_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using icons::kPlaceholderColor;
using icons::MakeIconImage;
using icons::TBitmap24;
using icons::TIconImage;
using icons::TRgb;

namespace {

const TRgb kBlack{0, 0, 0};
const TRgb kMagenta{255, 0, 255};
const TRgb kWhite{255, 255, 255};
const TRgb kGreen{0, 160, 0};

TBitmap24 Filled(int w, int h, TRgb c)
{
    TBitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, c);
    return b;
}

int TransparentCount(const TIconImage& icon)
{
    int n = 0;
    for (std::uint8_t m : icon.Mask)
        n += m;
    return n;
}

TEST(MakeIconImage, MagentaBottomLeftIsTransparentAndBlackStaysOpaque)
{
    TBitmap24 b = Filled(16, 16, kMagenta);
    for (int x = 3; x < 13; ++x) {
        b.SetPixel(x, 4, kBlack);
        b.SetPixel(x, 9, kGreen);
    }
    const TIconImage icon = MakeIconImage(b);
    ASSERT_EQ(icon.Color.Width, 16);
    ASSERT_EQ(icon.Color.Height, 16);
    ASSERT_EQ(icon.Mask.size(), 256u);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const TRgb source = b.Pixel(x, y);
            EXPECT_EQ(icon.Transparent(x, y), source == kMagenta) << x << "," << y;
            EXPECT_EQ(icon.Color.Pixel(x, y), source == kMagenta ? kBlack : source) << x << "," << y;
        }
    EXPECT_EQ(TransparentCount(icon), 256 - 20);
}

TEST(MakeIconImage, BlackBottomLeftMakesEveryBlackPixelTransparent)
{
    TBitmap24 b = Filled(16, 16, kWhite);
    b.SetPixel(0, 15, kBlack);
    b.SetPixel(7, 0, kBlack);
    b.SetPixel(15, 8, kBlack);
    b.SetPixel(2, 2, kGreen);
    const TIconImage icon = MakeIconImage(b);
    EXPECT_TRUE(icon.Transparent(0, 15));
    EXPECT_TRUE(icon.Transparent(7, 0));
    EXPECT_TRUE(icon.Transparent(15, 8));
    EXPECT_EQ(TransparentCount(icon), 3);
    EXPECT_EQ(icon.Color.Pixel(2, 2), kGreen);
    EXPECT_EQ(icon.Color.Pixel(5, 5), kWhite);
}

TEST(MakeIconImage, PlaceholderColouredPixelsComeOutBlackButOpaque)
{
    TBitmap24 b = Filled(16, 16, kMagenta);
    b.SetPixel(5, 5, kPlaceholderColor);
    b.SetPixel(6, 5, kBlack);
    b.SetPixel(7, 5, TRgb{250, 249, 247}); // one step away is an ordinary colour
    const TIconImage icon = MakeIconImage(b);
    EXPECT_FALSE(icon.Transparent(5, 5));
    EXPECT_EQ(icon.Color.Pixel(5, 5), kBlack);
    EXPECT_FALSE(icon.Transparent(6, 5));
    EXPECT_EQ(icon.Color.Pixel(6, 5), kBlack);
    EXPECT_EQ(icon.Color.Pixel(7, 5), (TRgb{250, 249, 247}));
}

TEST(MakeIconImage, PlaceholderAsTheTransparentColourLeavesBlackOpaque)
{
    TBitmap24 b = Filled(16, 16, kPlaceholderColor);
    b.SetPixel(4, 4, kBlack);
    b.SetPixel(5, 4, kGreen);
    const TIconImage icon = MakeIconImage(b);
    EXPECT_EQ(TransparentCount(icon), 254);
    EXPECT_FALSE(icon.Transparent(4, 4));
    EXPECT_EQ(icon.Color.Pixel(4, 4), kBlack);
    EXPECT_EQ(icon.Color.Pixel(5, 4), kGreen);
    EXPECT_EQ(icon.Color.Pixel(0, 0), kBlack);
}

TEST(MakeIconImage, UsesTheTopLeftSixteenSquareOfALargerBitmap)
{
    TBitmap24 b = Filled(20, 24, kGreen);
    b.SetPixel(0, 15, kMagenta); // the transparent colour comes from here, not from (0, 23)
    b.SetPixel(15, 0, kMagenta);
    b.SetPixel(16, 0, kWhite);
    const TIconImage icon = MakeIconImage(b);
    EXPECT_EQ(TransparentCount(icon), 2);
    EXPECT_TRUE(icon.Transparent(15, 0));
    EXPECT_EQ(icon.Color.Pixel(14, 0), kGreen);
}

TEST(MakeIconImage, PixelsASmallerBitmapLacksAreBlack)
{
    const TIconImage icon = MakeIconImage(Filled(8, 8, kGreen));
    // (0, 15) lies outside, so black is the transparent colour: only the 8 × 8 corner stays.
    EXPECT_EQ(TransparentCount(icon), 256 - 64);
    EXPECT_FALSE(icon.Transparent(7, 7));
    EXPECT_TRUE(icon.Transparent(8, 7));
    EXPECT_EQ(icon.Color.Pixel(7, 7), kGreen);
    EXPECT_EQ(icon.Color.Pixel(8, 8), kBlack);
}

TEST(MakeIconImage, AThirtyTwoSquareIsAveragedBeforeTheTransparentColourIsTaken)
{
    // A checkerboard of single red and blue pixels. Halving averages pixel pairs, but the first
    // target pixel of an axis takes sources 1, 0, 1 and the last 30, 31, 31 (mirrored), so the
    // corner pixels get a colour of their own, the same in all four by symmetry.
    TBitmap24 b(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            b.SetPixel(x, y, (x + y) % 2 ? TRgb{200, 0, 0} : TRgb{0, 0, 200});
    icons::ResampleBitmap(16, 16, b);
    // Row 30 over columns 1, 0, 1 gives red 400 / 3 = 133, blue 66; row 31 the reverse.
    EXPECT_EQ(b.Pixel(0, 15), (TRgb{(133 + 66 + 66) / 3, 0, (66 + 133 + 133) / 3}));
    EXPECT_EQ(b.Pixel(5, 5), (TRgb{100, 0, 100}));
    const TIconImage icon = MakeIconImage(b);
    EXPECT_EQ(TransparentCount(icon), 4);
    EXPECT_TRUE(icon.Transparent(0, 15));
    EXPECT_TRUE(icon.Transparent(15, 15));
    EXPECT_TRUE(icon.Transparent(0, 0));
    EXPECT_TRUE(icon.Transparent(15, 0));
    EXPECT_EQ(icon.Color.Pixel(0, 15), kBlack);
}

TEST(MakeIconImage, AnEightSquareIsEnlargedByRepetition)
{
    TBitmap24 b = Filled(8, 8, kGreen);
    b.SetPixel(0, 7, kMagenta);
    b.SetPixel(3, 2, kWhite);
    icons::ResampleBitmap(16, 16, b);
    const TIconImage icon = MakeIconImage(b);
    EXPECT_EQ(TransparentCount(icon), 4);
    for (int y = 14; y < 16; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_TRUE(icon.Transparent(x, y));
    for (int y = 4; y < 6; ++y)
        for (int x = 6; x < 8; ++x)
            EXPECT_EQ(icon.Color.Pixel(x, y), kWhite);
    EXPECT_EQ(icon.Color.Pixel(8, 4), kGreen);
}

TEST(SaveBitmapAsIconFile, WritesTheIconFileAndReplacesAnOldOne)
{
    const std::string path = (std::filesystem::temp_directory_path() / "qv_icon_converter_test.ico").string();
    WriteFileBytes(path, std::string(5000, 'x'));
    TBitmap24 b = Filled(16, 16, kMagenta);
    b.SetPixel(3, 3, kGreen);
    icons::SaveBitmapAsIconFile(b, path);
    const std::string written = ReadFileBytes(path);
    std::remove(path.c_str());
    EXPECT_EQ(written.size(), 1406u);
    EXPECT_EQ(written, icons::IconFileBytes(MakeIconImage(b), false));
}

TEST(SaveBitmapAsIconFile, AFileThatCannotBeCreatedRaisesTheFileError)
{
    const std::filesystem::path missing = std::filesystem::temp_directory_path() / "qv_no_such_folder_7f3a";
    const std::string path = (missing / "feed.ico").string();
    try {
        icons::SaveBitmapAsIconFile(Filled(16, 16, kGreen), path);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_NE(e.Message().find("feed.ico"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
