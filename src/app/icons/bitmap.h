#pragma once
#include "rtl/exceptions.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace icons {

struct TRgb {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
};

inline bool operator==(TRgb a, TRgb b)
{
    return a.R == b.R && a.G == b.G && a.B == b.B;
}
inline bool operator!=(TRgb a, TRgb b)
{
    return !(a == b);
}

// The largest picture the decoders accept (64 Mi pixels, 192 MiB at 24 bits).
constexpr std::uint64_t kMaxBitmapPixels = std::uint64_t(1) << 26;

// A 24-bit picture: Height rows, top row first; each row Width pixels of three bytes in the order
// blue, green, red (as in a Windows DIB), rows packed without padding. Empty when either side is 0.
struct TBitmap24 {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    TBitmap24() = default;
    // A black picture; a side of 0 or less gives an empty one.
    TBitmap24(int width, int height);

    bool Empty() const { return Width <= 0 || Height <= 0; }
    std::size_t Stride() const { return std::size_t(Width) * 3; }
    std::uint8_t* Row(int y) { return Pixels.data() + std::size_t(y) * Stride(); }
    const std::uint8_t* Row(int y) const { return Pixels.data() + std::size_t(y) * Stride(); }
    // Pixels holds exactly Height rows of Width pixels.
    bool Consistent() const { return Pixels.size() == Stride() * std::size_t(Height < 0 ? 0 : Height); }
    TRgb Pixel(int x, int y) const;
    void SetPixel(int x, int y, TRgb c);
};

// A picture file that cannot be decoded: not of a supported kind, truncated or inconsistent.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Raises EInvalidGraphic unless the bitmap is consistent.
void CheckPixels(const TBitmap24& bitmap);

} // namespace icons
