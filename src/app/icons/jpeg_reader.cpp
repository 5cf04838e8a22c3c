#include "app/icons/jpeg_reader.h"

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
    jpeg_error_mgr Public;  // first, so that libjpeg's pointer to it is a pointer to the whole
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
void ErrorExit(j_common_ptr info) { JumpOut(info, nullptr); }

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

std::uint8_t Product255(unsigned a, unsigned b) { return std::uint8_t((a * b + 127) / 255); }

// Returns false when libjpeg gave up (the text is then in job.Error.Message). Our own rejections
// are thrown as exceptions, which is safe here: only libjpeg's frames are ever jumped over.
bool Decode(TJob& job, const std::uint8_t* data, std::size_t size, TBitmap24& out,
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

    // The rows are allocated as they are decoded, so that a header claiming a huge picture in a
    // short file costs no more memory than the data it really holds.
    const int width = int(info.output_width);
    const int height = int(info.output_height);
    out.Width = width;
    out.Height = 0;
    const std::size_t stride = std::size_t(width) * 3;
    if (cmyk)
        cmykRows.resize(std::size_t(width) * 4 * kRowsPerRead);
    JSAMPROW rows[kRowsPerRead];
    while (int(info.output_scanline) < height) {
        const int first = int(info.output_scanline);
        const int count = std::min(kRowsPerRead, height - first);
        out.Pixels.resize(std::size_t(first + count) * stride);
        for (int k = 0; k < count; ++k)
            rows[k] = cmyk ? cmykRows.data() + std::size_t(k) * width * 4
                           : out.Pixels.data() + std::size_t(first + k) * stride;
        const int got = int(jpeg_read_scanlines(&info, rows, JDIMENSION(count)));
        if (cmyk) {
            const bool inverted = info.saw_Adobe_marker;
            for (int k = 0; k < got; ++k) {
                const std::uint8_t* src = rows[k];
                std::uint8_t* dst = out.Pixels.data() + std::size_t(first + k) * stride;
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
        out.Height = first + got;
        if (got == 0)
            throw EJpegError(std::string(kPrefix) + "Bilddaten sind unvollständig");
    }
    return true;
}

}  // namespace

TBitmap24 ReadJpeg(const std::uint8_t* data, std::size_t size)
{
    if (size > ULONG_MAX)
        throw EJpegError(std::string(kPrefix) + "Datei ist zu groß");
    std::unique_ptr<TJob> job(new TJob());
    job->Info.err = jpeg_std_error(&job->Error.Public);
    job->Error.Public.error_exit = ErrorExit;
    job->Error.Public.emit_message = EmitMessage;
    job->Progress.progress_monitor = CheckProgress;
    TCleanup cleanup{job.get()};
    TBitmap24 out;
    std::vector<std::uint8_t> cmykRows;
    if (!Decode(*job, data, size, out, cmykRows))
        throw EJpegError(std::string(kPrefix) + job->Error.Message);
    if (out.Empty())
        throw EJpegError(std::string(kPrefix) + "Bild ist leer");
    return out;
}

}  // namespace icons
