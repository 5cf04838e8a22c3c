#pragma once
#include "app/icons/bitmap.h"

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace icons {

// An icon in portable form: the colour picture and its mask, both top row first. Transparent
// pixels are black in Color, as an icon's colour image requires.
struct TIconImage {
    TBitmap24 Color;
    std::vector<std::uint8_t> Mask; // one byte per pixel of Color, 1 = transparent, 0 = opaque

    bool Transparent(int x, int y) const { return Mask[std::size_t(y) * std::size_t(Color.Width) + x] != 0; }
};

// The fixed colour table of the written icons: the 20 static colours of the Windows system
// palette at indexes 0 to 9 and 246 to 255; between them a 6 × 6 × 6 colour cube (levels 0, 51,
// 102, 153, 204, 255; red r, green g, blue b at index 10 + 36 r + 6 g + b) and 20 greys.
const std::array<TRgb, 256>& IconPalette();

// The palette entry nearest to c by squared distance in RGB, the lowest index on a tie.
std::uint8_t NearestPaletteIndex(TRgb c);

// The colour picture as palette indexes and the mask as bits (1 = transparent, most significant
// bit leftmost), bottom row first, each row padded to 4 bytes with zeros: the layout of the icon
// file, and of bottom-up 8-bit and 1-bit DIBs.
std::vector<std::uint8_t> ColorIndexRows(const TIconImage& icon);
std::vector<std::uint8_t> MaskRows(const TIconImage& icon);

// Writes the icon as a one-image icon file (8 bits per pixel with the palette above and a 1-bit
// mask); when withLength, the file's length comes first as 4 bytes. For 16 × 16 the file is
// 1406 bytes. Raises EInvalidGraphic for an empty or inconsistent image and EInOutError when the
// stream fails.
void WriteIconFile(std::ostream& stream, const TIconImage& icon, bool withLength);
std::string IconFileBytes(const TIconImage& icon, bool withLength);

} // namespace icons
