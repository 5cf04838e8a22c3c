#include "gui/smooth_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::uint32_t Alpha(std::uint32_t p)
{
    return p >> 24;
}

TEST(SmoothScale, EnlargingKeepsTheCornersAndBlendsBetweenThem)
{
    const std::vector<std::uint32_t> src = {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
    const std::vector<std::uint32_t> out = ScaleArgbSmooth(src, 2, 2, 4, 4);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(out[0], 0xFF000000u);
    EXPECT_EQ(out[3], 0xFFFFFFFFu);
    EXPECT_EQ(out[15], 0xFF000000u);
    // Between black and white: a grey, neither end.
    const std::uint32_t mid = out[1] & 0xFF;
    EXPECT_GT(mid, 0u);
    EXPECT_LT(mid, 255u);
}

TEST(SmoothScale, ATransparentNeighbourFadesTheEdgeWithoutDarkeningIt)
{
    // Red beside a fully transparent black: the edge grows transparent, and stays red.
    const std::vector<std::uint32_t> out = ScaleArgbSmooth({0xFFFF0000, 0x00000000}, 2, 1, 8, 1);
    ASSERT_EQ(out.size(), 8u);
    EXPECT_EQ(Alpha(out[0]), 255u);
    EXPECT_EQ(Alpha(out[7]), 0u);
    for (std::uint32_t p : out) {
        if (Alpha(p) != 0) {
            EXPECT_EQ(p & 0xFFFFFF, 0xFF0000u) << std::hex << p;
        }
    }
    for (int i = 1; i < 8; ++i)
        EXPECT_LE(Alpha(out[i]), Alpha(out[i - 1]));
}

TEST(SmoothScale, BadSizesGiveNothing)
{
    const std::vector<std::uint32_t> four(4, 0xFFFFFFFF);
    const struct {
        int SourceWidth, SourceHeight, Width, Height;
    } cases[] = {{2, 2, 0, 4}, {2, 2, 4, -1}, {0, 2, 4, 4}, {3, 2, 4, 4}, {2, 3, 4, 4}};
    for (const auto& c : cases)
        EXPECT_TRUE(ScaleArgbSmooth(four, c.SourceWidth, c.SourceHeight, c.Width, c.Height).empty());
    EXPECT_EQ(ScaleArgbSmooth(four, 2, 2, 2, 2), four);
}

} // namespace
