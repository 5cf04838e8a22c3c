#pragma once
#include "app/icons/bitmap.h"

#include <cstdint>
#include <vector>

namespace icons {

// One source pixel (column or row index) and its integer weight, in 1/256.
struct TContributor {
    int Pixel = 0;
    int Weight = 0;
};

// The contributors of every target pixel along one axis: those of target pixel i are
// Items[Start[i]] to Items[Start[i + 1] - 1].
struct TContributorList {
    std::vector<int> Start;
    std::vector<TContributor> Items;
};

// The box filter's contributor lists for scaling one axis from sourceSize to targetSize pixels
// (both at least 1). ResampleBitmap uses them; they are public so that their weights can be checked.
TContributorList BuildContributors(int sourceSize, int targetSize);

// ResampleBitmap's scaling fed one source row at a time, top row first, so that a decoder can
// scale while it decodes without holding the whole source picture. Rows are sourceWidth pixels
// of blue, green, red. The result is the very one ResampleBitmap gives.
class TRowResampler {
public:
    // Sides of at least 1; raises EInvalidGraphic when newWidth × newHeight or newWidth ×
    // sourceHeight exceeds kMaxBitmapPixels.
    TRowResampler(int sourceWidth, int sourceHeight, int newWidth, int newHeight);
    void AddRow(const std::uint8_t* row);
    // The scaled picture; raises EInvalidGraphic unless every source row has been added.
    TBitmap24 Finish();

private:
    struct TSegment {
        int First;
        int Count;
        int Weight;
    };
    int FSourceHeight;
    int FNewHeight;
    int FRowsAdded = 0;
    // Runs of neighbouring source columns with equal weights, per target column.
    std::vector<int> FSegmentStart;
    std::vector<TSegment> FSegments;
    std::vector<std::uint64_t> FWeightSums;
    TBitmap24 FMiddle;
};

// Scales the bitmap in place to newWidth × newHeight with a box filter: shrinking averages the
// source pixels within half a target pixel of each target pixel's centre, enlarging repeats the
// nearest source pixel (a tie going to the lower index). An empty bitmap is left alone; a target
// side of 0 or less gives an empty bitmap; a target larger than kMaxBitmapPixels raises
// EInvalidGraphic.
void ResampleBitmap(int newWidth, int newHeight, TBitmap24& bitmap);

} // namespace icons
