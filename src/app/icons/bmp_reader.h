#pragma once
#include "app/icons/bitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace icons {

// Decodes a Windows bitmap file held in memory: the 12-byte core header or the 40, 52, 56, 108
// and 124-byte info headers; 1, 4 and 8 bits per pixel with a colour table, 24 bits, and 32 bits
// either as blue-green-red-unused (BI_RGB) or through three colour masks (BI_BITFIELDS); rows
// bottom-up or top-down. Anything else, and any file that is truncated or whose header fields
// disagree with each other or with the file's length, raises EInvalidGraphic with a German
// message beginning "Ungültige Bitmap-Datei: ". The alpha channel is ignored.
TBitmap24 ReadBmp(const std::uint8_t* data, std::size_t size);
inline TBitmap24 ReadBmp(const std::string& bytes)
{
    return ReadBmp(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace icons
