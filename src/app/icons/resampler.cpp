#include "app/icons/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace icons {

namespace {

// The box filter of radius 0.5: the upper edge belongs to it, the lower one does not.
bool BoxFilter(float x)
{
    return x > -0.5f && x <= 0.5f;
}

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

std::uint64_t WeightSum(const TContributorList& list, int i)
{
    std::uint64_t sum = 0;
    for (int k = list.Start[std::size_t(i)]; k < list.Start[std::size_t(i) + 1]; ++k)
        sum += std::uint64_t(list.Items[std::size_t(k)].Weight);
    return sum;
}

std::uint8_t Average(std::uint64_t sum, std::uint64_t weights)
{
    if (weights == 0)
        return 0;
    return std::uint8_t(std::min<std::uint64_t>(sum / weights, 255));
}

void CheckTargetSize(int newWidth, int newHeight, int sourceHeight)
{
    if (std::uint64_t(newWidth) * std::uint64_t(newHeight) > kMaxBitmapPixels ||
        std::uint64_t(newWidth) * std::uint64_t(sourceHeight) > kMaxBitmapPixels)
        throw EInvalidGraphic("Die Zielgröße des Bildes ist zu groß");
}

// A run's 8-bit sums stay below 2^32.
constexpr int kMaxSegment = 1 << 24;

} // namespace

// All arithmetic of the contributor lists is single-precision, as the scale factors are. The
// scale factor of an axis is (target - 1) / (source - 1), so that the first and the last pixels
// of source and target are centred on each other; with one pixel on either side (the quotient
// would be 0 / 0 or 0 for a single target pixel) it is target / source instead.
TContributorList BuildContributors(int sourceSize, int targetSize)
{
    if (sourceSize < 1 || targetSize < 1)
        throw EInvalidGraphic("Das Bild ist leer");
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

// A box filter's contributors are runs of neighbouring pixels with one weight (broken only by
// mirroring at the edges), so the horizontal pass sums each run's pixels and multiplies once;
// the sums are the same as pixel by pixel.
TRowResampler::TRowResampler(int sourceWidth, int sourceHeight, int newWidth, int newHeight)
    : FSourceHeight(sourceHeight), FNewHeight(newHeight)
{
    if (sourceWidth <= 0 || sourceHeight <= 0 || newWidth <= 0 || newHeight <= 0)
        throw EInvalidGraphic("Das Bild ist leer");
    CheckTargetSize(newWidth, newHeight, sourceHeight);
    const TContributorList across = BuildContributors(sourceWidth, newWidth);
    FSegmentStart.push_back(0);
    for (int i = 0; i < newWidth; ++i) {
        const std::size_t first = FSegments.size();
        for (int k = across.Start[std::size_t(i)]; k < across.Start[std::size_t(i) + 1]; ++k) {
            const TContributor& c = across.Items[std::size_t(k)];
            if (FSegments.size() > first) {
                TSegment& last = FSegments.back();
                if (c.Pixel == last.First + last.Count && c.Weight == last.Weight && last.Count < kMaxSegment) {
                    ++last.Count;
                    continue;
                }
            }
            FSegments.push_back(TSegment{c.Pixel, 1, c.Weight});
        }
        FSegmentStart.push_back(int(FSegments.size()));
        FWeightSums.push_back(WeightSum(across, i));
    }
    FMiddle = TBitmap24(newWidth, sourceHeight);
}

void TRowResampler::AddRow(const std::uint8_t* row)
{
    if (FRowsAdded >= FSourceHeight)
        throw EInvalidGraphic("Das Bild hat zu viele Zeilen");
    std::uint8_t* dst = FMiddle.Row(FRowsAdded++);
    for (int i = 0; i < FMiddle.Width; ++i, dst += 3) {
        std::uint64_t b = 0, g = 0, r = 0;
        for (int k = FSegmentStart[std::size_t(i)]; k < FSegmentStart[std::size_t(i) + 1]; ++k) {
            const TSegment& s = FSegments[std::size_t(k)];
            const std::uint8_t* p = row + std::size_t(s.First) * 3;
            std::uint32_t sb = 0, sg = 0, sr = 0;
            for (int n = 0; n < s.Count; ++n, p += 3) {
                sb += p[0];
                sg += p[1];
                sr += p[2];
            }
            b += std::uint64_t(sb) * unsigned(s.Weight);
            g += std::uint64_t(sg) * unsigned(s.Weight);
            r += std::uint64_t(sr) * unsigned(s.Weight);
        }
        const std::uint64_t weights = FWeightSums[std::size_t(i)];
        dst[0] = Average(b, weights);
        dst[1] = Average(g, weights);
        dst[2] = Average(r, weights);
    }
}

// The vertical pass goes down the columns row by row, for the cache.
TBitmap24 TRowResampler::Finish()
{
    if (FRowsAdded != FSourceHeight)
        throw EInvalidGraphic("Das Bild ist unvollständig");
    const TContributorList down = BuildContributors(FSourceHeight, FNewHeight);
    TBitmap24 result(FMiddle.Width, FNewHeight);
    const std::size_t stride = result.Stride();
    std::vector<std::uint64_t> sums(stride);
    for (int i = 0; i < FNewHeight; ++i) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int k = down.Start[std::size_t(i)]; k < down.Start[std::size_t(i) + 1]; ++k) {
            const TContributor& c = down.Items[std::size_t(k)];
            const std::uint8_t* src = FMiddle.Row(c.Pixel);
            for (std::size_t x = 0; x < stride; ++x)
                sums[x] += std::uint64_t(src[x]) * unsigned(c.Weight);
        }
        const std::uint64_t weights = WeightSum(down, i);
        std::uint8_t* dst = result.Row(i);
        for (std::size_t x = 0; x < stride; ++x)
            dst[x] = Average(sums[x], weights);
    }
    return result;
}

void ResampleBitmap(int newWidth, int newHeight, TBitmap24& bitmap)
{
    if (bitmap.Empty())
        return;
    CheckPixels(bitmap);
    if (newWidth <= 0 || newHeight <= 0) {
        bitmap = TBitmap24();
        return;
    }
    TRowResampler resampler(bitmap.Width, bitmap.Height, newWidth, newHeight);
    for (int y = 0; y < bitmap.Height; ++y)
        resampler.AddRow(bitmap.Row(y));
    bitmap = resampler.Finish();
}

} // namespace icons
