#include "app/icons/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace icons {

namespace {

// The box filter of radius 0.5: the upper edge belongs to it, the lower one does not.
bool BoxFilter(float x) { return x > -0.5f && x <= 0.5f; }

// Halves go to the even neighbour, whatever rounding mode the floating-point unit is in.
int RoundHalfEven(float x)
{
    const float lower = std::floor(x);
    const float fraction = x - lower;
    int n = int(lower);
    if (fraction > 0.5f || (fraction == 0.5f && (n % 2) != 0))
        ++n;
    return n;
}

int Mirror(int j, int size)
{
    if (j < 0)
        j = -j;
    else if (j >= size)
        j = 2 * size - j - 1;
    // Only reachable through rounding at the very ends; keeps the index inside the picture.
    return std::clamp(j, 0, size - 1);
}

struct TWeightedList {
    TContributorList List;
    std::vector<std::uint64_t> Sums;
};

TWeightedList WithSums(TContributorList list)
{
    TWeightedList w;
    std::size_t n = list.Start.size() - 1;
    w.Sums.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        for (int k = list.Start[i]; k < list.Start[i + 1]; ++k)
            w.Sums[i] += std::uint64_t(list.Items[std::size_t(k)].Weight);
    w.List = std::move(list);
    return w;
}

std::uint8_t Average(std::uint64_t sum, std::uint64_t weights)
{
    if (weights == 0)
        return 0;
    return std::uint8_t(std::min<std::uint64_t>(sum / weights, 255));
}

}  // namespace

// All arithmetic of the contributor lists is single-precision, as the scale factors are. The
// scale factor of an axis is (target - 1) / (source - 1), so that the first and the last pixels
// of source and target are centred on each other; with one pixel on either side (the quotient
// would be 0 / 0 or 0 for a single target pixel) it is target / source instead.
TContributorList BuildContributors(int sourceSize, int targetSize)
{
    const float s = (sourceSize == 1 || targetSize == 1) ? float(targetSize) / float(sourceSize)
                                                         : float(targetSize - 1) / float(sourceSize - 1);
    TContributorList list;
    list.Start.reserve(std::size_t(targetSize) + 1);
    list.Start.push_back(0);
    if (s < 1.0f) {
        const float r = 0.5f / s;
        // All weights of a shrinking box filter are equal. When the shrink is so strong that the
        // weight rounds to 0 it is taken as 1, which gives the same average the equal weights
        // would; dropping them would leave the picture black.
        const int weight = std::max(1, RoundHalfEven(s * 256.0f));
        for (int i = 0; i < targetSize; ++i) {
            const float c = float(i) / s;
            const long long lo = (long long)std::floor(c - r);
            const long long hi = (long long)std::ceil(c + r);
            for (long long j = lo; j <= hi; ++j)
                if (BoxFilter((c - float(j)) * s))
                    list.Items.push_back(TContributor{Mirror(int(j), sourceSize), weight});
            list.Start.push_back(int(list.Items.size()));
        }
    } else {
        for (int i = 0; i < targetSize; ++i) {
            const float c = float(i) / s;
            const long long lo = (long long)std::floor(c - 0.5f);
            const long long hi = (long long)std::ceil(c + 0.5f);
            for (long long j = lo; j <= hi; ++j)
                if (BoxFilter(c - float(j)))
                    list.Items.push_back(TContributor{Mirror(int(j), sourceSize), 256});
            list.Start.push_back(int(list.Items.size()));
        }
    }
    return list;
}

// Two passes over 24-bit rows: across every source row into a newWidth × Height picture, then
// down its columns (row by row, for the cache) into the result.
void ResampleBitmap(int newWidth, int newHeight, TBitmap24& bitmap)
{
    if (bitmap.Empty())
        return;
    if (newWidth <= 0 || newHeight <= 0) {
        bitmap = TBitmap24();
        return;
    }
    if (std::uint64_t(newWidth) * std::uint64_t(newHeight) > kMaxBitmapPixels ||
        std::uint64_t(newWidth) * std::uint64_t(bitmap.Height) > kMaxBitmapPixels)
        throw EInvalidGraphic("Die Zielgröße des Bildes ist zu groß");

    const TWeightedList across = WithSums(BuildContributors(bitmap.Width, newWidth));
    TBitmap24 middle(newWidth, bitmap.Height);
    for (int y = 0; y < bitmap.Height; ++y) {
        const std::uint8_t* src = bitmap.Row(y);
        std::uint8_t* dst = middle.Row(y);
        for (int i = 0; i < newWidth; ++i, dst += 3) {
            std::uint64_t b = 0, g = 0, r = 0;
            for (int k = across.List.Start[std::size_t(i)]; k < across.List.Start[std::size_t(i) + 1]; ++k) {
                const TContributor& c = across.List.Items[std::size_t(k)];
                const std::uint8_t* p = src + std::size_t(c.Pixel) * 3;
                b += std::uint64_t(p[0]) * unsigned(c.Weight);
                g += std::uint64_t(p[1]) * unsigned(c.Weight);
                r += std::uint64_t(p[2]) * unsigned(c.Weight);
            }
            dst[0] = Average(b, across.Sums[std::size_t(i)]);
            dst[1] = Average(g, across.Sums[std::size_t(i)]);
            dst[2] = Average(r, across.Sums[std::size_t(i)]);
        }
    }

    const TWeightedList down = WithSums(BuildContributors(bitmap.Height, newHeight));
    TBitmap24 result(newWidth, newHeight);
    const std::size_t stride = result.Stride();
    std::vector<std::uint64_t> sums(stride);
    for (int i = 0; i < newHeight; ++i) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int k = down.List.Start[std::size_t(i)]; k < down.List.Start[std::size_t(i) + 1]; ++k) {
            const TContributor& c = down.List.Items[std::size_t(k)];
            const std::uint8_t* src = middle.Row(c.Pixel);
            for (std::size_t x = 0; x < stride; ++x)
                sums[x] += std::uint64_t(src[x]) * unsigned(c.Weight);
        }
        std::uint8_t* dst = result.Row(i);
        for (std::size_t x = 0; x < stride; ++x)
            dst[x] = Average(sums[x], down.Sums[std::size_t(i)]);
    }
    bitmap = std::move(result);
}

}  // namespace icons
