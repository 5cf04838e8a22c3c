#include "app/icons/resampler.h"

#include "app/icons/icon_converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using icons::BuildContributors;
using icons::ResampleBitmap;
using icons::TBitmap24;
using icons::TContributorList;
using icons::TRgb;

namespace {

TRgb Grey(int v)
{
    return TRgb{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)};
}

// A one-row picture of grey values.
TBitmap24 Row(const std::vector<int>& values)
{
    TBitmap24 b(int(values.size()), 1);
    for (std::size_t x = 0; x < values.size(); ++x)
        b.SetPixel(int(x), 0, Grey(values[x]));
    return b;
}

std::vector<int> Reds(const TBitmap24& b)
{
    std::vector<int> v;
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width; ++x)
            v.push_back(b.Pixel(x, y).R);
    return v;
}

std::vector<int> ScaleRow(const std::vector<int>& values, int newWidth)
{
    TBitmap24 b = Row(values);
    ResampleBitmap(newWidth, 1, b);
    EXPECT_EQ(b.Width, newWidth);
    EXPECT_EQ(b.Height, 1);
    return Reds(b);
}

std::vector<std::pair<int, int>> Pairs(const TContributorList& list, int i)
{
    std::vector<std::pair<int, int>> v;
    for (int k = list.Start[std::size_t(i)]; k < list.Start[std::size_t(i) + 1]; ++k)
        v.emplace_back(list.Items[std::size_t(k)].Pixel, list.Items[std::size_t(k)].Weight);
    return v;
}

using P = std::vector<std::pair<int, int>>;

TEST(ResampleContributors, ShrinkingMirrorsAtTheEdgesWithEqualWeights)
{
    // 5 to 2: s = 0.25, half-width 2. Target 0 reaches to -2 and -1, target 1 to 5 (6 lies on the
    // open edge of the filter).
    const TContributorList list = BuildContributors(5, 2);
    EXPECT_EQ(Pairs(list, 0), (P{{2, 64}, {1, 64}, {0, 64}, {1, 64}}));
    EXPECT_EQ(Pairs(list, 1), (P{{2, 64}, {3, 64}, {4, 64}, {4, 64}}));
}

TEST(ResampleContributors, AHalfPixelDistanceBelongsToTheLowerIndex)
{
    // 3 to 2 (s = 0.5): target 1 has its centre at source 2; source 1 is exactly half a target
    // pixel away on the included side, source 3 on the excluded one.
    const TContributorList shrink = BuildContributors(3, 2);
    EXPECT_EQ(Pairs(shrink, 0), (P{{1, 128}, {0, 128}}));
    EXPECT_EQ(Pairs(shrink, 1), (P{{1, 128}, {2, 128}}));
    // 2 to 3 (s = 2): target 1 lies exactly between sources 0 and 1.
    const TContributorList grow = BuildContributors(2, 3);
    EXPECT_EQ(Pairs(grow, 0), (P{{0, 256}}));
    EXPECT_EQ(Pairs(grow, 1), (P{{0, 256}}));
    EXPECT_EQ(Pairs(grow, 2), (P{{1, 256}}));
}

TEST(ResampleContributors, WeightsRoundHalvesToEven)
{
    // s × 256 = 2.5, 1.5 and 0.75 exactly.
    EXPECT_EQ(BuildContributors(513, 6).Items.front().Weight, 2);
    EXPECT_EQ(BuildContributors(513, 4).Items.front().Weight, 2);
    EXPECT_EQ(BuildContributors(1025, 4).Items.front().Weight, 1);
    EXPECT_EQ(BuildContributors(7, 7).Items.front().Weight, 256);
}

TEST(ResampleContributors, AWeightRoundingToZeroIsKeptAsOne)
{
    // s × 256 = 0.5 rounds to 0; dropped weights would leave no contributors at all.
    const TContributorList list = BuildContributors(513, 2);
    ASSERT_FALSE(list.Items.empty());
    for (const icons::TContributor& c : list.Items)
        EXPECT_EQ(c.Weight, 1);
    EXPECT_EQ(ScaleRow(std::vector<int>(513, 100), 2), (std::vector<int>{100, 100}));
}

TEST(ResampleBitmap, ShrinkingAveragesAndRoundsDown)
{
    EXPECT_EQ(ScaleRow({10, 20, 31}, 2), (std::vector<int>{15, 25}));
    EXPECT_EQ(ScaleRow({0, 40, 80, 120, 200}, 2), (std::vector<int>{40, 150}));
}

TEST(ResampleBitmap, HalvingThirtyTwoAveragesPairsAndMirrorsAtTheEnds)
{
    std::vector<int> source;
    for (int j = 0; j < 32; ++j)
        source.push_back(8 * j);
    std::vector<int> expected{(8 + 0 + 8) / 3};
    for (int i = 1; i < 15; ++i)
        expected.push_back((16 * i + 16 * i + 8) / 2);
    expected.push_back((240 + 248 + 248) / 3);
    EXPECT_EQ(ScaleRow(source, 16), expected);
}

TEST(ResampleBitmap, EnlargingRepeatsTheNearestPixel)
{
    EXPECT_EQ(ScaleRow({10, 20}, 3), (std::vector<int>{10, 10, 20}));
    EXPECT_EQ(ScaleRow({10, 20}, 4), (std::vector<int>{10, 10, 20, 20}));
    EXPECT_EQ(ScaleRow({1, 2, 3, 4, 5, 6, 7, 8}, 16),
              (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8}));
    EXPECT_EQ(ScaleRow({77}, 5), (std::vector<int>{77, 77, 77, 77, 77}));
}

TEST(ResampleBitmap, EqualSizeIsUnchanged)
{
    EXPECT_EQ(ScaleRow({5, 250, 0, 17, 255, 3, 99}, 7), (std::vector<int>{5, 250, 0, 17, 255, 3, 99}));
}

TEST(ResampleBitmap, OneTargetPixelTakesTheMirroredNeighbourhoodOfTheFirst)
{
    // s = 1 / 5: half-width 2.5 around source 0, so sources 2, 1, 0, 1, 2.
    EXPECT_EQ(ScaleRow({10, 20, 30, 40, 50}, 1), (std::vector<int>{(30 + 20 + 10 + 20 + 30) / 5}));
}

TEST(ResampleBitmap, TheVerticalPassWorksOnTheRoundedHorizontalResult)
{
    // Target (0, 0): the rows average to 3 / 2 = 1 and 5 / 2 = 2, then (1 + 2) / 2 = 1, where
    // the four pixels together would average to 2.
    const int grid[3][3] = {{1, 2, 9}, {2, 3, 9}, {9, 9, 9}};
    TBitmap24 b(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            const int v = grid[y][x];
            b.SetPixel(x, y, TRgb{std::uint8_t(v), std::uint8_t(10 * v), std::uint8_t(255 - v)});
        }
    ResampleBitmap(2, 2, b);
    ASSERT_EQ(b.Width, 2);
    ASSERT_EQ(b.Height, 2);
    const int expected[2][2] = {{1, 5}, {5, 7}};
    // Green (ten times as much): rows 15 55 / 25 60 / 90 90.
    const int expectedGreen[2][2] = {{(25 + 15) / 2, (60 + 55) / 2}, {(25 + 90) / 2, (60 + 90) / 2}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(b.Pixel(x, y).R, expected[y][x]) << x << "," << y;
            EXPECT_EQ(b.Pixel(x, y).G, expectedGreen[y][x]) << x << "," << y;
        }
    // Blue: 254 253 / 253 252 → rows 253, 252 → 252.
    EXPECT_EQ(b.Pixel(0, 0).B, 252);
}

TEST(ResampleBitmap, EmptyBitmapsAndEmptyTargets)
{
    TBitmap24 empty;
    ResampleBitmap(16, 16, empty);
    EXPECT_TRUE(empty.Empty());
    EXPECT_TRUE(empty.Pixels.empty());

    TBitmap24 b(4, 4);
    ResampleBitmap(0, 16, b);
    EXPECT_TRUE(b.Empty());
    EXPECT_TRUE(b.Pixels.empty());

    TBitmap24 c(4, 4);
    EXPECT_THROW(ResampleBitmap(1 << 14, 1 << 14, c), icons::EInvalidGraphic);
    EXPECT_EQ(c.Width, 4);

    TBitmap24 shortPixels(4, 4);
    shortPixels.Pixels.pop_back();
    EXPECT_THROW(ResampleBitmap(16, 16, shortPixels), icons::EInvalidGraphic);
    EXPECT_THROW(icons::MakeIconImage(shortPixels), icons::EInvalidGraphic);
}

TEST(RowResampler, WantsEveryRowExactlyOnce)
{
    const std::uint8_t row[6] = {1, 2, 3, 4, 5, 6};
    icons::TRowResampler early(2, 2, 1, 1);
    early.AddRow(row);
    EXPECT_THROW(early.Finish(), icons::EInvalidGraphic);

    icons::TRowResampler extra(2, 1, 1, 1);
    extra.AddRow(row);
    EXPECT_THROW(extra.AddRow(row), icons::EInvalidGraphic);
    EXPECT_EQ(extra.Finish().Pixels, (std::vector<std::uint8_t>{2, 3, 4})); // (1 + 4) / 2 and so on

    EXPECT_THROW(icons::TRowResampler(0, 5, 16, 16), icons::EInvalidGraphic);
}

// The algorithm written out once more, pixel by pixel, the way it reads: contributor search for
// every target pixel anew, the intermediate picture per source row, then per column.
struct TRefContributor {
    int Pixel;
    int Weight;
};

std::vector<TRefContributor> RefContributors(int W, int w, int i)
{
    const float s = (W == 1 || w == 1) ? float(w) / float(W) : float(w - 1) / float(W - 1);
    auto F = [](float x) { return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f; };
    auto mirror = [W](int j) { return j < 0 ? -j : (j >= W ? 2 * W - j - 1 : j); };
    std::vector<TRefContributor> out;
    if (s < 1) {
        const float r = 0.5f / s, c = float(i) / s;
        for (int j = int(std::floor(c - r)); j <= int(std::ceil(c + r)); ++j) {
            const float f = F((c - float(j)) * s);
            int weight = int(std::nearbyint(f * s * 256));
            if (f == 1.0f && weight == 0)
                weight = 1;
            if (weight != 0)
                out.push_back({mirror(j), weight});
        }
    } else {
        const float c = float(i) / s;
        for (int j = int(std::floor(c - 0.5f)); j <= int(std::ceil(c + 0.5f)); ++j) {
            const int weight = int(std::nearbyint(F(c - float(j)) * 256));
            if (weight != 0)
                out.push_back({mirror(j), weight});
        }
    }
    return out;
}

int RefFilter(const std::vector<TRefContributor>& list, const std::function<int(int)>& value)
{
    long long sum = 0, weights = 0;
    for (const TRefContributor& c : list) {
        sum += (long long)value(c.Pixel) * c.Weight;
        weights += c.Weight;
    }
    if (weights == 0)
        return 0;
    return int(std::min(255LL, std::max(0LL, sum / weights)));
}

TBitmap24 RefResample(const TBitmap24& src, int w, int h)
{
    TBitmap24 mid(w, src.Height);
    for (int y = 0; y < src.Height; ++y)
        for (int i = 0; i < w; ++i)
            for (int ch = 0; ch < 3; ++ch)
                mid.Row(y)[i * 3 + ch] = std::uint8_t(
                    RefFilter(RefContributors(src.Width, w, i), [&](int j) { return src.Row(y)[j * 3 + ch]; }));
    TBitmap24 out(w, h);
    for (int x = 0; x < w; ++x)
        for (int i = 0; i < h; ++i)
            for (int ch = 0; ch < 3; ++ch)
                out.Row(i)[x * 3 + ch] = std::uint8_t(
                    RefFilter(RefContributors(src.Height, h, i), [&](int j) { return mid.Row(j)[x * 3 + ch]; }));
    return out;
}

TEST(ResampleBitmap, MatchesAPixelByPixelReferenceOnManySizes)
{
    std::mt19937 random(1234);
    const int sizes[] = {1, 2, 3, 4, 5, 7, 8, 15, 16, 17, 31, 32, 33, 48, 64, 100, 257};
    const int targets[] = {1, 2, 3, 5, 8, 15, 16, 17, 24, 40};
    int checked = 0;
    for (int W : sizes)
        for (int w : targets) {
            const int H = sizes[random() % (sizeof sizes / sizeof sizes[0])];
            const int h = targets[random() % (sizeof targets / sizeof targets[0])];
            TBitmap24 b(W, H);
            for (std::uint8_t& v : b.Pixels)
                v = std::uint8_t(random());
            const TBitmap24 expected = RefResample(b, w, h);
            ResampleBitmap(w, h, b);
            ASSERT_EQ(b.Width, w);
            ASSERT_EQ(b.Height, h);
            ASSERT_EQ(b.Pixels, expected.Pixels) << W << "x" << H << " to " << w << "x" << h;
            ++checked;
        }
    EXPECT_EQ(checked, 170);
}

} // namespace
