#pragma once
// Enlarging a small picture smoothly: bilinear filtering over premultiplied alpha, so that a
// transparent pixel's colour never bleeds into its opaque neighbours.
#include <cstdint>
#include <vector>

// Pixels are 0xAARRGGBB, rows top to bottom. Sides of 0 or less, or a source that does not hold
// sourceWidth x sourceHeight pixels, give an empty result.
std::vector<std::uint32_t> ScaleArgbSmooth(const std::vector<std::uint32_t>& source, int sourceWidth,
                                           int sourceHeight, int width, int height);
