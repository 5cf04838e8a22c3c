#include "app/icons/site_icon.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using icons::TBitmapBgra;

// A picture whose pixel colour and alpha come from f(x, y) as {b, g, r, a}.
template <class F> TBitmapBgra Make(int w, int h, F f)
{
    TBitmapBgra p;
    p.Width = w;
    p.Height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::array<int, 4> c = f(x, y);
            for (int v : c)
                p.Pixels.push_back(static_cast<std::uint8_t>(v));
        }
    return p;
}

TEST(SiteIconImage, MaskComesFromAlphaAndInvisiblePixelsLendNoColour)
{
    // 32 × 32: a red square on white that is fully transparent, scaled to 16 × 16.
    const TBitmapBgra p = Make(32, 32, [](int x, int y) {
        const bool inside = x >= 8 && x < 24 && y >= 8 && y < 24;
        return inside ? std::array<int, 4>{0, 0, 255, 255} : std::array<int, 4>{255, 255, 255, 0};
    });
    const icons::TIconImage icon = icons::SiteIconImage(p);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            ASSERT_EQ(icon.Transparent(x, y), !inside) << x << "," << y;
            const icons::TRgb expected = inside ? icons::TRgb{255, 0, 0} : icons::TRgb{0, 0, 0};
            ASSERT_EQ(icon.Color.Pixel(x, y), expected) << x << "," << y;
        }
}

TEST(SiteIconImage, AlphaBelowHalfIsTransparentAndColourIsUnweighted)
{
    struct {
        int alpha;
        bool transparent;
    } cases[] = {{0, true}, {127, true}, {128, false}, {200, false}, {255, false}};
    for (const auto& c : cases) {
        const icons::TIconImage icon = icons::SiteIconImage(Make(16, 16, [&](int, int) {
            return std::array<int, 4>{10, 100, 200, c.alpha};
        }));
        EXPECT_EQ(icon.Transparent(3, 3), c.transparent) << c.alpha;
        if (!c.transparent) {
            const icons::TRgb got = icon.Color.Pixel(3, 3);
            EXPECT_NEAR(got.R, 200, 2) << c.alpha;
            EXPECT_NEAR(got.G, 100, 2) << c.alpha;
            EXPECT_NEAR(got.B, 10, 2) << c.alpha;
        }
    }
}

TEST(SiteIconImage, InconsistentPicturesAreRefused)
{
    TBitmapBgra short_ = Make(4, 4, [](int, int) { return std::array<int, 4>{0, 0, 0, 255}; });
    short_.Pixels.pop_back();
    EXPECT_THROW(icons::SiteIconImage(short_), icons::EInvalidGraphic);
    EXPECT_THROW(icons::SiteIconImage(TBitmapBgra()), icons::EInvalidGraphic);
}

} // namespace
