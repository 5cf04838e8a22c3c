#pragma once
#include "app/icons/bitmap.h"

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

// Scales the bitmap in place to newWidth × newHeight with a box filter: shrinking averages the
// source pixels within half a target pixel of each target pixel's centre, enlarging repeats the
// nearest source pixel (a tie going to the lower index). An empty bitmap is left alone; a target
// side of 0 or less gives an empty bitmap; a target larger than kMaxBitmapPixels raises
// EInvalidGraphic.
void ResampleBitmap(int newWidth, int newHeight, TBitmap24& bitmap);

}  // namespace icons
