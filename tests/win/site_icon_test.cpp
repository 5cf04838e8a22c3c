// Site icons decoded by the platform's imaging component and written as feed icon files. The
// pictures in tests/data/icons were made with ImageMagick: a 16 × 16 PNG with a transparent
// border round a red square, an opaque blue 32 × 32 PNG, a GIF with a transparent border round a
// green square, an orange 24 × 24 JPEG, and an icon file with a red 16 × 16 and a blue 32 × 32
// image (BMP inside); too-wide.png is a red line 4097 pixels long.
#include "app/icons/wic_image.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "app/feed_store.h"
#include "app/icons/icon_converter.h"
#include "app/icons/icon_converter_win.h"
#include "rtl/string_list.h"
#include "test_support.h"

namespace {

std::string Picture(const std::string& name)
{
    return ReadFileBytes(std::string("Z:") + QV_SOURCE_DIR + "/tests/data/icons/" + name);
}

// An icon file holding one PNG image, as sites serve them.
std::string IconWithPng(const std::string& png)
{
    std::string ico("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0", 14);
    const std::uint32_t size = static_cast<std::uint32_t>(png.size()), offset = 22;
    for (std::uint32_t v : {size, offset})
        for (int k = 0; k < 4; ++k)
            ico.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
    return ico + png;
}

struct TPixel {
    int B, G, R, A;
};

TPixel At(const icons::TBitmapBgra& p, int x, int y)
{
    const std::uint8_t* q = p.Pixels.data() + (std::size_t(y) * std::size_t(p.Width) + std::size_t(x)) * 4;
    return {q[0], q[1], q[2], q[3]};
}

TEST(SiteIcon, DecodesEveryKindOfSiteIcon)
{
    struct {
        const char* name;
        std::string bytes;
        int width, height;
        TPixel centre;
        bool clearCorner; // the top-left pixel is transparent
    } cases[] = {
        {"PNG with alpha", Picture("red16-alpha.png"), 16, 16, {0, 0, 255, 255}, true},
        {"opaque PNG", Picture("blue32.png"), 32, 32, {255, 0, 0, 255}, false},
        {"GIF with a transparent colour", Picture("green16.gif"), 16, 16, {0, 255, 0, 255}, true},
        {"JPEG", Picture("yellow24.jpg"), 24, 24, {0, 200, 250, 255}, false},
        {"icon file with BMP images, the 16-pixel one taken",
         Picture("two-sizes.ico"),
         16,
         16,
         {0, 0, 255, 255},
         false},
        {"icon file with a PNG image", IconWithPng(Picture("red16-alpha.png")), 16, 16, {0, 0, 255, 255}, true},
    };
    for (const auto& c : cases) {
        const icons::TBitmapBgra p = icons::DecodeImage(c.bytes);
        ASSERT_TRUE(p.Consistent()) << c.name;
        EXPECT_EQ(p.Width, c.width) << c.name;
        EXPECT_EQ(p.Height, c.height) << c.name;
        const TPixel m = At(p, c.width / 2, c.height / 2);
        EXPECT_NEAR(m.B, c.centre.B, 6) << c.name;
        EXPECT_NEAR(m.G, c.centre.G, 6) << c.name;
        EXPECT_NEAR(m.R, c.centre.R, 6) << c.name;
        EXPECT_EQ(m.A, 255) << c.name;
        EXPECT_EQ(At(p, 0, 0).A, c.clearCorner ? 0 : 255) << c.name;

        const icons::TIconImage icon = icons::SiteIconImage(p);
        EXPECT_EQ(icon.Transparent(0, 0), c.clearCorner) << c.name;
        EXPECT_FALSE(icon.Transparent(8, 8)) << c.name;
    }
}

TEST(SiteIcon, BrokenPicturesAreErrors)
{
    const std::string png = Picture("red16-alpha.png");
    std::string lying = IconWithPng(png);
    lying[14] = '\x7F'; // the image claims to be far longer than the file
    lying[15] = '\x7F';
    const std::string cases[] = {
        "",
        png.substr(0, 40),
        png.substr(0, png.find("IDAT") + 20), // cut inside the image data
        lying,
        std::string("GIF89a\x10\0\x10\0", 10),
        "<html><body>Not found</body></html>",
        std::string(300, '\xFF'),
        Picture("too-wide.png"), // 4097 x 1: beyond what a site icon may be
    };
    for (const std::string& bytes : cases)
        EXPECT_THROW(icons::DecodeImage(bytes), icons::EInvalidGraphic) << bytes.size() << " bytes";
}

// The file the feed store reads back: the design's format, transparent where the site's picture is.
TEST(SiteIcon, WritesAFeedIconFileTheStoreLoads)
{
    const std::string file = icons::SiteIconFileBytes(IconWithPng(Picture("red16-alpha.png")));
    ASSERT_EQ(file.size(), 1406u);
    EXPECT_EQ(file.substr(0, 6), std::string("\0\0\1\0\1\0", 6));

    TTempFolder folder("qv_siteicon");
    WriteFileBytes(folder / "Site.ico", file);
    const TIconHandle icon = LoadFeedIcon(folder / "Site.ico");
    ASSERT_TRUE(icon);
    const icons::TIconImage back = IconImageOf(icon.Get());
    EXPECT_TRUE(back.Transparent(0, 0));
    EXPECT_TRUE(back.Transparent(15, 15));
    EXPECT_FALSE(back.Transparent(4, 4));
    EXPECT_EQ(back.Color.Pixel(8, 8), (icons::TRgb{255, 0, 0}));
}

// Each call sets up COM for itself and leaves the thread as it was: without COM, or in the
// apartment it already had.
TEST(SiteIcon, LeavesTheThreadsComAsItFoundIt)
{
    const std::string png = Picture("blue32.png");
    HRESULT without = E_FAIL, sta = E_FAIL, stillSta = E_FAIL;
    bool decodedWithout = false, decodedInSta = false;
    std::thread([&] {
        decodedWithout = icons::DecodeImage(png).Width == 32;
        without = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(without))
            CoUninitialize();
    }).join();
    std::thread([&] {
        sta = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        decodedInSta = icons::DecodeImage(png).Width == 32;
        stillSta = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(stillSta))
            CoUninitialize();
        if (SUCCEEDED(sta))
            CoUninitialize();
    }).join();
    EXPECT_TRUE(decodedWithout);
    EXPECT_EQ(without, S_OK) << "COM was left initialised";
    EXPECT_EQ(sta, S_OK);
    EXPECT_TRUE(decodedInSta);
    EXPECT_EQ(stillSta, S_FALSE) << "the thread lost its apartment";
}

} // namespace
