#include "app/icons/jpeg_reader.h"

#include "app/icons/resampler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include <jpeglib.h>

using icons::EJpegError;
using icons::ReadJpeg;
using icons::TBitmap24;
using icons::TRgb;

namespace {

struct TEncoding {
    int Width = 16;
    int Height = 16;
    int Components = 3;
    J_COLOR_SPACE Input = JCS_RGB;
    J_COLOR_SPACE Stored = JCS_YCbCr;
    bool Progressive = false;
    bool AdobeMarker = true;
    std::vector<jpeg_scan_info> Scans;
    // Fills the components of pixel (x, y).
    std::function<void(int, int, JSAMPLE*)> Pixel;
};

std::string Encode(const TEncoding& e)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(e.Width);
    c.image_height = JDIMENSION(e.Height);
    c.input_components = e.Components;
    c.in_color_space = e.Input;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, e.Stored);
    jpeg_set_quality(&c, 100, TRUE);
    if (e.Progressive)
        jpeg_simple_progression(&c);
    if (!e.Scans.empty()) {
        c.scan_info = e.Scans.data();
        c.num_scans = int(e.Scans.size());
    }
    c.write_Adobe_marker = e.AdobeMarker ? TRUE : FALSE;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(std::size_t(e.Width) * std::size_t(e.Components));
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < e.Width; ++x)
            e.Pixel(x, int(c.next_scanline), &row[std::size_t(x) * std::size_t(e.Components)]);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string out(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return out;
}

// Four flat 8 × 8 blocks per 16 × 16 tile survive quality 100 almost unchanged.
const TRgb kQuadrants[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {250, 250, 40}};
TRgb Quadrant(int x, int y)
{
    return kQuadrants[(x / 8) % 2 + 2 * ((y / 8) % 2)];
}

void ExpectNear(TRgb actual, TRgb expected, int tolerance, const std::string& where)
{
    EXPECT_NEAR(actual.R, expected.R, tolerance) << where;
    EXPECT_NEAR(actual.G, expected.G, tolerance) << where;
    EXPECT_NEAR(actual.B, expected.B, tolerance) << where;
}

TEncoding RgbQuadrants(int w, int h)
{
    TEncoding e;
    e.Width = w;
    e.Height = h;
    e.Pixel = [](int x, int y, JSAMPLE* p) {
        const TRgb c = Quadrant(x, y);
        p[0] = c.R;
        p[1] = c.G;
        p[2] = c.B;
    };
    return e;
}

std::string ErrorOf(const std::string& file)
{
    try {
        ReadJpeg(file);
    } catch (const EJpegError& e) {
        return e.Message();
    }
    return "(no error)";
}

bool Contains(const std::string& s, const std::string& part)
{
    return s.find(part) != std::string::npos;
}

// A picture with detail everywhere, so that every part of the file carries picture data.
std::string NoisyJpeg(bool progressive)
{
    TEncoding e;
    e.Width = 48;
    e.Height = 40;
    e.Progressive = progressive;
    e.Pixel = [](int x, int y, JSAMPLE* p) {
        p[0] = JSAMPLE((x * 37 + y * 11) * 7 % 256);
        p[1] = JSAMPLE((x * y + 3) % 256);
        p[2] = JSAMPLE((x ^ y) * 9 % 256);
    };
    return Encode(e);
}

std::size_t FindStartOfFrame(const std::string& file)
{
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (std::uint8_t(file[i]) == 0xFF &&
            (std::uint8_t(file[i + 1]) == 0xC0 || std::uint8_t(file[i + 1]) == 0xC2))
            return i;
    return std::string::npos;
}

void SetFrameSize(std::string& file, unsigned width, unsigned height)
{
    const std::size_t sof = FindStartOfFrame(file);
    ASSERT_NE(sof, std::string::npos);
    file[sof + 5] = char(height >> 8);
    file[sof + 6] = char(height & 0xFF);
    file[sof + 7] = char(width >> 8);
    file[sof + 8] = char(width & 0xFF);
}

TEST(JpegReader, DecodesColourAtFullSizeAsBlueGreenRed)
{
    const TBitmap24 b = ReadJpeg(Encode(RgbQuadrants(37, 23)));
    ASSERT_EQ(b.Width, 37);
    ASSERT_EQ(b.Height, 23);
    ASSERT_EQ(b.Pixels.size(), 37u * 23 * 3);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            if (x % 8 > 0 && x % 8 < 7 && y % 8 > 0 && y % 8 < 7) // away from the block edges
                ExpectNear(b.Pixel(x, y), Quadrant(x, y), 8, std::to_string(x) + "," + std::to_string(y));
    // The top-left block is red: blue first in memory.
    EXPECT_LT(b.Pixels[3 * (1 * 37 + 1)], 20);
    EXPECT_GT(b.Pixels[3 * (1 * 37 + 1) + 2], 235);
}

TEST(JpegReader, ProgressiveFilesDecodeLikeBaselineOnes)
{
    TEncoding e = RgbQuadrants(32, 32);
    const TBitmap24 baseline = ReadJpeg(Encode(e));
    e.Progressive = true;
    const TBitmap24 progressive = ReadJpeg(Encode(e));
    ASSERT_EQ(progressive.Width, 32);
    ASSERT_EQ(progressive.Height, 32);
    for (std::size_t i = 0; i < baseline.Pixels.size(); ++i)
        ASSERT_NEAR(progressive.Pixels[i], baseline.Pixels[i], 2) << i;
}

TEST(JpegReader, GreyScaleBecomesEqualChannels)
{
    TEncoding e;
    e.Components = 1;
    e.Input = JCS_GRAYSCALE;
    e.Stored = JCS_GRAYSCALE;
    e.Pixel = [](int x, int y, JSAMPLE* p) { p[0] = (x / 8 + y / 8) % 2 ? 200 : 30; };
    const TBitmap24 b = ReadJpeg(Encode(e));
    ASSERT_EQ(b.Width, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const TRgb c = b.Pixel(x, y);
            EXPECT_EQ(c.R, c.G);
            EXPECT_EQ(c.R, c.B);
        }
    EXPECT_NEAR(b.Pixel(3, 3).R, 30, 3);
    EXPECT_NEAR(b.Pixel(11, 3).R, 200, 3);
}

// Adobe's programs store CMYK inverted (0 = full ink); libjpeg writes Adobe's marker for CMYK and
// YCCK unless told otherwise, and without the marker the values are read as plain ink amounts.
TEST(JpegReader, CmykAndYcckAreConvertedToRgb)
{
    struct TCase {
        J_COLOR_SPACE Stored;
        bool Adobe;
    };
    for (const TCase& t : {TCase{JCS_CMYK, true}, TCase{JCS_YCCK, true}, TCase{JCS_CMYK, false}}) {
        TEncoding e;
        e.Components = 4;
        e.Input = JCS_CMYK;
        e.Stored = t.Stored;
        e.AdobeMarker = t.Adobe;
        // Left half red (no cyan, full magenta and yellow, no black); right half 50 % black.
        e.Pixel = [&](int x, int, JSAMPLE* p) {
            const int ink[4] = {0, x < 8 ? 255 : 0, x < 8 ? 255 : 0, x < 8 ? 0 : 128};
            for (int k = 0; k < 4; ++k)
                p[k] = JSAMPLE(t.Adobe ? 255 - ink[k] : ink[k]);
        };
        const TBitmap24 b = ReadJpeg(Encode(e));
        const std::string name = std::string(t.Stored == JCS_YCCK ? "YCCK" : "CMYK") + (t.Adobe ? " Adobe" : "");
        ExpectNear(b.Pixel(3, 3), TRgb{255, 0, 0}, 4, name);
        ExpectNear(b.Pixel(12, 3), TRgb{127, 127, 127}, 4, name);
    }
}

TEST(JpegReader, OtherColourSpacesAreRejected)
{
    TEncoding e;
    e.Components = 2;
    e.Input = JCS_UNKNOWN;
    e.Stored = JCS_UNKNOWN;
    e.Pixel = [](int x, int y, JSAMPLE* p) {
        p[0] = JSAMPLE(x);
        p[1] = JSAMPLE(y);
    };
    EXPECT_EQ(ErrorOf(Encode(e)), "JPEG-Datei kann nicht gelesen werden: Farbraum wird nicht unterstützt");
}

TEST(JpegReader, NonJpegInputGivesLibjpegsMessage)
{
    EXPECT_EQ(ErrorOf(""), "JPEG-Datei kann nicht gelesen werden: Empty input file");
    const std::string bmp = ErrorOf("BM\x36\x00\x00\x00 this is not a JPEG");
    EXPECT_TRUE(Contains(bmp, "JPEG-Datei kann nicht gelesen werden: Not a JPEG file")) << bmp;
    EXPECT_TRUE(Contains(ErrorOf("\xFF\xD8"), "JPEG-Datei kann nicht gelesen werden: ")) << ErrorOf("\xFF\xD8");
}

TEST(JpegReader, EveryTruncationInsideThePictureIsAnError)
{
    for (bool progressive : {false, true}) {
        const std::string file = NoisyJpeg(progressive);
        ASSERT_GT(file.size(), 500u);
        // Up to the end marker itself: libjpeg cannot tell the last bytes of the picture data
        // from a cut, and libjpeg's fill-in would otherwise pass for a picture.
        for (std::size_t n = 0; n < file.size(); n += (n < 700 || n + 40 > file.size() ? 1 : 13))
            EXPECT_THROW(ReadJpeg(file.substr(0, n)), EJpegError) << n << " of " << file.size() << " bytes";
        EXPECT_EQ(ReadJpeg(file).Width, 48);
    }
}

TEST(JpegReader, ATruncatedFileReportsThePrematureEnd)
{
    const std::string file = NoisyJpeg(false);
    const std::string message = ErrorOf(file.substr(0, file.size() * 2 / 3));
    EXPECT_TRUE(Contains(message, "Premature end of JPEG file")) << message;
}

TEST(JpegReader, HeadersClaimingHugePicturesAreRefusedCheaply)
{
    std::string huge = NoisyJpeg(false);
    SetFrameSize(huge, 60000, 60000);
    EXPECT_EQ(ErrorOf(huge), "JPEG-Datei kann nicht gelesen werden: Bild ist zu groß");

    // Allowed dimensions over a few kilobytes of data: the data runs out long before the rows do.
    for (bool progressive : {false, true}) {
        std::string lying = NoisyJpeg(progressive);
        SetFrameSize(lying, 8000, 8000);
        EXPECT_THROW(ReadJpeg(lying), EJpegError);
    }
}

TEST(JpegReader, DamagedBytesGiveAnErrorOrAPictureOfTheRightSize)
{
    const std::string file = NoisyJpeg(false);
    std::mt19937 random(7);
    int errors = 0;
    for (int round = 0; round < 300; ++round) {
        std::string damaged = file;
        const std::size_t at = random() % damaged.size();
        damaged[at] = char(random());
        try {
            const TBitmap24 b = ReadJpeg(damaged);
            EXPECT_EQ(b.Pixels.size(), std::size_t(b.Width) * std::size_t(b.Height) * 3);
        } catch (const EJpegError&) {
            ++errors;
        }
    }
    EXPECT_GT(errors, 0);
}

std::vector<jpeg_scan_info> SuccessiveApproximationScans()
{
    std::vector<jpeg_scan_info> scans;
    auto add = [&](int ss, int se, int ah, int al) {
        jpeg_scan_info s{};
        s.comps_in_scan = 1;
        s.component_index[0] = 0;
        s.Ss = ss;
        s.Se = se;
        s.Ah = ah;
        s.Al = al;
        scans.push_back(s);
    };
    add(0, 0, 0, 1);
    add(0, 0, 1, 0);
    for (int k = 1; k < 64; ++k) {
        add(k, k, 0, 1);
        add(k, k, 1, 0);
    }
    return scans;
}

TEST(JpegReader, AFileWithMoreThanAHundredScansIsRefused)
{
    TEncoding e;
    e.Components = 1;
    e.Input = JCS_GRAYSCALE;
    e.Stored = JCS_GRAYSCALE;
    e.Pixel = [](int x, int y, JSAMPLE* p) { p[0] = JSAMPLE(x * 13 + y * 5); };
    e.Scans = SuccessiveApproximationScans(); // 128 scans
    EXPECT_EQ(ErrorOf(Encode(e)), "JPEG-Datei kann nicht gelesen werden: zu viele Abschnitte (Scans)");

    std::vector<jpeg_scan_info> fewer(e.Scans.begin(), e.Scans.begin() + 100);
    e.Scans = fewer;
    EXPECT_EQ(ReadJpeg(Encode(e)).Width, 16);
}

TEST(JpegReaderResampled, GivesWhatDecodingAndThenScalingGives)
{
    TEncoding cmyk;
    cmyk.Components = 4;
    cmyk.Input = JCS_CMYK;
    cmyk.Stored = JCS_YCCK;
    cmyk.Width = 29;
    cmyk.Height = 50;
    cmyk.Pixel = [](int x, int y, JSAMPLE* p) {
        for (int k = 0; k < 4; ++k)
            p[k] = JSAMPLE(x * (k + 3) + y * (5 - k));
    };
    const std::string files[] = {NoisyJpeg(false), NoisyJpeg(true), Encode(RgbQuadrants(16, 16)),
                                 Encode(RgbQuadrants(7, 5)), Encode(cmyk)};
    for (const std::string& file : files)
        for (int w : {16, 1, 60})
            for (int h : {16, 3}) {
                TBitmap24 expected = ReadJpeg(file);
                const bool unchanged = expected.Width == w && expected.Height == h;
                const std::vector<std::uint8_t> original = expected.Pixels;
                icons::ResampleBitmap(w, h, expected);
                const TBitmap24 b = icons::ReadJpegResampled(file, w, h);
                ASSERT_EQ(b.Width, w);
                ASSERT_EQ(b.Height, h);
                ASSERT_EQ(b.Pixels, expected.Pixels) << file.size() << " bytes to " << w << "x" << h;
                if (unchanged) {
                    EXPECT_EQ(b.Pixels, original);
                }
            }
}

TEST(JpegReaderResampled, ReportsTheSameErrors)
{
    const std::string file = NoisyJpeg(false);
    EXPECT_THROW(icons::ReadJpegResampled(file.substr(0, file.size() / 2), 16, 16), EJpegError);
    EXPECT_THROW(icons::ReadJpegResampled("", 16, 16), EJpegError);
    EXPECT_THROW(icons::ReadJpegResampled(file, 0, 16), icons::EInvalidGraphic);
}

} // namespace
