#pragma once
#include "app/icons/bitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace icons {

// A JPEG file that libjpeg cannot decode, or that this reader does not accept.
class EJpegError : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Decodes a JPEG file held in memory into a 24-bit picture of its full size. Grey-scale, YCbCr
// and RGB pictures are taken as they are; CMYK and YCCK ones are converted to RGB (inverted
// values when the file carries Adobe's marker, as Adobe's programs write them). Other colour
// spaces, pictures above kMaxBitmapPixels, more than 100 scans, and data that libjpeg reports
// as damaged or missing raise EJpegError with a German message beginning
// "JPEG-Datei kann nicht gelesen werden: ", followed by libjpeg's own (English) text where the
// error is libjpeg's. A file cut anywhere before the end of its end marker counts as damaged.
TBitmap24 ReadJpeg(const std::uint8_t* data, std::size_t size);
inline TBitmap24 ReadJpeg(const std::string& bytes)
{
    return ReadJpeg(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// ReadJpeg followed by ResampleBitmap(newWidth, newHeight), with the same result, but scaling
// each row as it is decoded instead of holding the whole picture: the path of a JPEG feed icon.
// A picture already of the new size comes out unchanged, as the scaling is then the identity.
TBitmap24 ReadJpegResampled(const std::uint8_t* data, std::size_t size, int newWidth, int newHeight);
inline TBitmap24 ReadJpegResampled(const std::string& bytes, int newWidth, int newHeight)
{
    return ReadJpegResampled(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), newWidth,
                             newHeight);
}

} // namespace icons
