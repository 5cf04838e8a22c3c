// The whole path of a JPEG feed icon (decode, scale, mask, icon file) beside libjpeg's own plain
// decode of the same 12-megapixel photograph-like file.
#include "app/icons/icon_converter.h"
#include "app/icons/jpeg_reader.h"
#include "app/icons/resampler.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

const std::string& TwelveMegapixelJpeg()
{
    static const std::string file = [] {
        const int w = 4000, h = 3000;
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &buffer, &size);
        c.image_width = w;
        c.image_height = h;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 90, TRUE);
        jpeg_start_compress(&c, TRUE);
        std::mt19937 random(3);
        std::vector<JSAMPLE> row(std::size_t(w) * 3);
        while (c.next_scanline < c.image_height) {
            const int y = int(c.next_scanline);
            for (int x = 0; x < w; ++x) {
                const double shade = 0.5 + 0.5 * std::sin(x / 300.0) * std::cos(y / 200.0);
                row[std::size_t(x) * 3] = JSAMPLE(shade * 200 + random() % 24);
                row[std::size_t(x) * 3 + 1] = JSAMPLE((x + y) / 30 % 200 + random() % 24);
                row[std::size_t(x) * 3 + 2] = JSAMPLE(255 - shade * 180 - random() % 24);
            }
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&c, rows, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        std::string out(reinterpret_cast<char*>(buffer), size);
        std::free(buffer);
        return out;
    }();
    return file;
}

void BM_JpegDecode(benchmark::State& state)
{
    const std::string& file = TwelveMegapixelJpeg();
    std::vector<JSAMPLE> pixels(std::size_t(4000) * 3000 * 3);
    for (auto _ : state) {
        jpeg_decompress_struct d;
        jpeg_error_mgr err;
        d.err = jpeg_std_error(&err);
        jpeg_create_decompress(&d);
        jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(file.data()), file.size());
        jpeg_read_header(&d, TRUE);
        d.out_color_space = JCS_RGB;
        jpeg_start_decompress(&d);
        while (d.output_scanline < d.output_height) {
            JSAMPROW rows[1] = {pixels.data() + std::size_t(d.output_scanline) * d.output_width * 3};
            jpeg_read_scanlines(&d, rows, 1);
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetLabel(std::to_string(file.size() / 1024) + " KiB");
}
BENCHMARK(BM_JpegDecode)->Name("BM_JpegDecode/12MP")->Unit(benchmark::kMillisecond);

void BM_JpegToIcon(benchmark::State& state)
{
    const std::string& file = TwelveMegapixelJpeg();
    const std::string path = (std::filesystem::temp_directory_path() / "qv_bench_icon.ico").string();
    for (auto _ : state) {
        icons::SaveBitmapAsIconFile(icons::ReadJpegResampled(file, icons::kIconSize, icons::kIconSize), path);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_JpegToIcon)->Name("BM_JpegToIcon/12MP")->Unit(benchmark::kMillisecond);

// The same in two steps, with the whole picture in memory between them.
void BM_JpegFullThenResample(benchmark::State& state)
{
    const std::string& file = TwelveMegapixelJpeg();
    for (auto _ : state) {
        icons::TBitmap24 b = icons::ReadJpeg(file);
        icons::ResampleBitmap(icons::kIconSize, icons::kIconSize, b);
        benchmark::DoNotOptimize(b.Pixels.data());
    }
}
BENCHMARK(BM_JpegFullThenResample)->Name("BM_JpegFullThenResample/12MP")->Unit(benchmark::kMillisecond);

} // namespace
