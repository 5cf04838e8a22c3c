#include "app/icons/jpeg_reader.h"

#include "app/icons/resampler.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo is needed: the reader decodes straight into blue-green-red rows (JCS_EXT_BGR)"
#endif

namespace icons {

namespace {

constexpr int kMaxScans = 100;
// The coefficient buffers of a progressive picture of kMaxBitmapPixels take 384 MiB.
constexpr long kMaxLibraryMemory = 512L * 1024 * 1024;
constexpr int kRowsPerRead = 8;

const char kPrefix[] = "JPEG-Datei kann nicht gelesen werden: ";

struct TErrorManager {
    jpeg_error_mgr Public; // first, so that libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

// libjpeg and everything the decoder needs across a longjmp: kept on the heap so that no
// automatic variable of the function that calls setjmp has to survive the jump.
struct TJob {
    jpeg_decompress_struct Info;
    TErrorManager Error;
    jpeg_progress_mgr Progress;
    bool Created;
};

[[noreturn]] void JumpOut(j_common_ptr info, const char* message)
{
    TErrorManager* error = reinterpret_cast<TErrorManager*>(info->err);
    if (message) {
        std::strncpy(error->Message, message, sizeof error->Message - 1);
        error->Message[sizeof error->Message - 1] = '\0';
    } else {
        (*info->err->format_message)(info, error->Message);
    }
    std::longjmp(error->Jump, 1);
}

// libjpeg's own handler would end the process.
void ErrorExit(j_common_ptr info)
{
    JumpOut(info, nullptr);
}

// Warnings (level -1) about damaged or missing data end the decoding: libjpeg would fill the gap
// with grey and report success. Notes on unusual header fields and stray bytes between segments
// lose no picture data and are let through; trace messages are dropped.
void EmitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    switch (info->err->msg_code) {
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_NOT_SEQUENTIAL:
        ++info->err->num_warnings;
        return;
    default:
        JumpOut(info, nullptr);
    }
}

// A progressive file may hold any number of scans, each a pass over the whole picture.
void CheckProgress(j_common_ptr info)
{
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        JumpOut(info, "zu viele Abschnitte (Scans)");
}

struct TCleanup {
    TJob* Job;
    ~TCleanup()
    {
        if (Job->Created)
            jpeg_destroy_decompress(&Job->Info);
    }
};

std::uint8_t Product255(unsigned a, unsigned b)
{
    return std::uint8_t((a * b + 127) / 255);
}

// Receives the decoded rows: 3 bytes per pixel, blue first.
class TRowTarget {
public:
    virtual ~TRowTarget() = default;
    virtual void Begin(int width, int height) = 0;
    // Room for rows first to first + count - 1, one after the other.
    virtual std::uint8_t* Rows(int first, int count) = 0;
    // Rows first to first + count - 1 hold their pixels.
    virtual void Done(int first, int count) = 0;
};

// The whole picture. Its rows are allocated as they are decoded, after a first guess from the
// file's length, so that a header claiming a huge picture in a short file costs no more memory
// than the data it really holds.
class TBitmapTarget : public TRowTarget {
public:
    TBitmapTarget(TBitmap24& bitmap, std::size_t fileSize) : FBitmap(bitmap), FFileSize(fileSize) {}
    void Begin(int width, int height) override
    {
        FBitmap.Width = width;
        FBitmap.Height = 0;
        const std::uint64_t full = std::uint64_t(width) * std::uint64_t(height) * 3;
        FBitmap.Pixels.reserve(std::size_t(std::min<std::uint64_t>(full, std::uint64_t(FFileSize) * 64)));
    }
    std::uint8_t* Rows(int first, int count) override
    {
        const std::size_t needed = std::size_t(first + count) * FBitmap.Stride();
        if (FBitmap.Pixels.size() < needed)
            FBitmap.Pixels.resize(needed);
        return FBitmap.Row(first);
    }
    void Done(int first, int count) override { FBitmap.Height = first + count; }
    // libjpeg may deliver fewer rows than there was room for.
    void End() { FBitmap.Pixels.resize(std::size_t(FBitmap.Height) * FBitmap.Stride()); }

private:
    TBitmap24& FBitmap;
    std::size_t FFileSize;
};

// Scales while decoding: each row goes through the horizontal pass while it is still in the cache.
class TResamplingTarget : public TRowTarget {
public:
    TResamplingTarget(int newWidth, int newHeight) : FNewWidth(newWidth), FNewHeight(newHeight) {}
    void Begin(int width, int height) override
    {
        FWidth = width;
        FResampler = std::make_unique<TRowResampler>(width, height, FNewWidth, FNewHeight);
    }
    std::uint8_t* Rows(int, int count) override
    {
        FBuffer.resize(std::size_t(count) * std::size_t(FWidth) * 3);
        return FBuffer.data();
    }
    void Done(int, int count) override
    {
        for (int k = 0; k < count; ++k)
            FResampler->AddRow(FBuffer.data() + std::size_t(k) * std::size_t(FWidth) * 3);
    }
    TBitmap24 Finish() { return FResampler->Finish(); }

private:
    int FNewWidth;
    int FNewHeight;
    int FWidth = 0;
    std::unique_ptr<TRowResampler> FResampler;
    std::vector<std::uint8_t> FBuffer;
};

// Returns false when libjpeg gave up (the text is then in job.Error.Message). Our own rejections
// and the target's are thrown as exceptions, which is safe here: only libjpeg's frames are ever
// jumped over, and no object with a destructor lives in this frame.
bool Decode(TJob& job, const std::uint8_t* data, std::size_t size, TRowTarget& target,
            std::vector<std::uint8_t>& cmykRows)
{
    if (setjmp(job.Error.Jump))
        return false;
    jpeg_create_decompress(&job.Info);
    job.Created = true;
    job.Info.mem->max_memory_to_use = kMaxLibraryMemory;
    job.Info.progress = &job.Progress;
    jpeg_mem_src(&job.Info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&job.Info, TRUE);

    jpeg_decompress_struct& info = job.Info;
    if (std::uint64_t(info.image_width) * info.image_height > kMaxBitmapPixels)
        throw EJpegError(std::string(kPrefix) + "Bild ist zu groß");
    bool cmyk = false;
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        info.out_color_space = JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        info.out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        throw EJpegError(std::string(kPrefix) + "Farbraum wird nicht unterstützt");
    }
    jpeg_start_decompress(&info);
    if (info.output_width != info.image_width || info.output_height != info.image_height ||
        info.output_components != (cmyk ? 4 : 3))
        throw EJpegError(std::string(kPrefix) + "unerwartetes Ausgabeformat");

    const int width = int(info.output_width);
    const int height = int(info.output_height);
    const std::size_t stride = std::size_t(width) * 3;
    const bool inverted = info.saw_Adobe_marker;
    target.Begin(width, height);
    if (cmyk)
        cmykRows.resize(std::size_t(width) * 4 * kRowsPerRead);
    JSAMPROW rows[kRowsPerRead];
    while (int(info.output_scanline) < height) {
        const int first = int(info.output_scanline);
        const int count = std::min(kRowsPerRead, height - first);
        std::uint8_t* out = target.Rows(first, count);
        for (int k = 0; k < count; ++k)
            rows[k] = cmyk ? cmykRows.data() + std::size_t(k) * width * 4 : out + std::size_t(k) * stride;
        const int got = int(jpeg_read_scanlines(&info, rows, JDIMENSION(count)));
        if (got == 0)
            throw EJpegError(std::string(kPrefix) + "Bilddaten sind unvollständig");
        if (cmyk) {
            for (int k = 0; k < got; ++k) {
                const std::uint8_t* src = rows[k];
                std::uint8_t* dst = out + std::size_t(k) * stride;
                for (int x = 0; x < width; ++x, src += 4, dst += 3) {
                    if (inverted) {
                        dst[0] = Product255(src[2], src[3]);
                        dst[1] = Product255(src[1], src[3]);
                        dst[2] = Product255(src[0], src[3]);
                    } else {
                        dst[0] = Product255(255u - src[2], 255u - src[3]);
                        dst[1] = Product255(255u - src[1], 255u - src[3]);
                        dst[2] = Product255(255u - src[0], 255u - src[3]);
                    }
                }
            }
        }
        target.Done(first, got);
    }
    return true;
}

void DecodeInto(const std::uint8_t* data, std::size_t size, TRowTarget& target)
{
    if (size > ULONG_MAX)
        throw EJpegError(std::string(kPrefix) + "Datei ist zu groß");
    std::unique_ptr<TJob> job(new TJob());
    job->Info.err = jpeg_std_error(&job->Error.Public);
    job->Error.Public.error_exit = ErrorExit;
    job->Error.Public.emit_message = EmitMessage;
    job->Progress.progress_monitor = CheckProgress;
    TCleanup cleanup{job.get()};
    std::vector<std::uint8_t> cmykRows;
    if (!Decode(*job, data, size, target, cmykRows))
        throw EJpegError(std::string(kPrefix) + job->Error.Message);
}

} // namespace

TBitmap24 ReadJpeg(const std::uint8_t* data, std::size_t size)
{
    TBitmap24 bitmap;
    TBitmapTarget target(bitmap, size);
    DecodeInto(data, size, target);
    target.End();
    return bitmap;
}

TBitmap24 ReadJpegResampled(const std::uint8_t* data, std::size_t size, int newWidth, int newHeight)
{
    if (newWidth <= 0 || newHeight <= 0)
        throw EInvalidGraphic("Die Zielgröße des Bildes ist ungültig");
    TResamplingTarget target(newWidth, newHeight);
    DecodeInto(data, size, target);
    return target.Finish();
}

} // namespace icons
