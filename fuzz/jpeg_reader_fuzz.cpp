// Any bytes given to the JPEG reader either decode or raise EJpegError, and libjpeg never ends
// the process; a decoded picture goes on through the rest of the icon path.
#include "app/icons/icon_converter.h"
#include "app/icons/jpeg_reader.h"
#include "app/icons/resampler.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    icons::TBitmap24 bitmap;
    try {
        bitmap = icons::ReadJpeg(data, size);
    } catch (const icons::EJpegError&) {
        return 0;
    }
    if (bitmap.Empty() || bitmap.Pixels.size() != bitmap.Stride() * std::size_t(bitmap.Height))
        std::abort();
    if (bitmap.Width != icons::kIconSize || bitmap.Height != icons::kIconSize)
        icons::ResampleBitmap(icons::kIconSize, icons::kIconSize, bitmap);
    if (icons::IconFileBytes(icons::MakeIconImage(bitmap), false).size() != 1406)
        std::abort();
    return 0;
}
