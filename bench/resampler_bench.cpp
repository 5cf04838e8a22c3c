#include "app/icons/resampler.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

icons::TBitmap24 Photo(int w, int h)
{
    icons::TBitmap24 b(w, h);
    std::mt19937 random(5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       icons::TRgb{std::uint8_t((x + random() % 16) % 256),
                                   std::uint8_t((y + random() % 16) % 256), std::uint8_t((x ^ y) % 256)});
    return b;
}

void BM_ResampleToIcon(benchmark::State& state)
{
    const icons::TBitmap24 source = Photo(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        icons::TBitmap24 b = source;
        state.ResumeTiming();
        icons::ResampleBitmap(16, 16, b);
        benchmark::DoNotOptimize(b.Pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_ResampleToIcon)->Args({1024, 768})->Args({4000, 3000})->Unit(benchmark::kMillisecond);

void BM_ResampleEnlarge(benchmark::State& state)
{
    const icons::TBitmap24 source = Photo(8, 8);
    for (auto _ : state) {
        icons::TBitmap24 b = source;
        icons::ResampleBitmap(16, 16, b);
        benchmark::DoNotOptimize(b.Pixels.data());
    }
}
BENCHMARK(BM_ResampleEnlarge);

} // namespace
