// Any bytes given to the JPEG reader either decode or raise EJpegError, and libjpeg never ends
// the process. Decoding while scaling must agree with decoding and then scaling, error for
// error and pixel for pixel; the picture then goes on through the rest of the icon path.
#include "app/icons/icon_converter.h"
#include "app/icons/jpeg_reader.h"
#include "app/icons/resampler.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    icons::TBitmap24 bitmap;
    bool decoded = true;
    try {
        bitmap = icons::ReadJpeg(data, size);
    } catch (const icons::EJpegError&) {
        decoded = false;
    }
    icons::TBitmap24 scaled;
    try {
        scaled = icons::ReadJpegResampled(data, size, icons::kIconSize, icons::kIconSize);
        if (!decoded)
            std::abort();
    } catch (const icons::EJpegError&) {
        if (decoded)
            std::abort();
        return 0;
    }
    if (bitmap.Empty() || bitmap.Pixels.size() != bitmap.Stride() * std::size_t(bitmap.Height))
        std::abort();
    icons::ResampleBitmap(icons::kIconSize, icons::kIconSize, bitmap);
    if (bitmap.Pixels != scaled.Pixels)
        std::abort();
    if (icons::IconFileBytes(icons::MakeIconImage(scaled), false).size() != 1406)
        std::abort();
    return 0;
}
