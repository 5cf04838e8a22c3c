#include "gui/smooth_scale.h"

#include <cstddef>

namespace {

struct TPremultiplied {
    int A, R, G, B; // 0..255 each, colour already multiplied by alpha
};

TPremultiplied Premultiply(std::uint32_t p)
{
    int a = static_cast<int>(p >> 24);
    auto channel = [a](std::uint32_t c) {
        return static_cast<int>((c & 0xFF) * static_cast<unsigned>(a) + 127) / 255;
    };
    return {a, channel(p >> 16), channel(p >> 8), channel(p)};
}

// Where target pixel i's centre falls in the source, as a pixel index and a weight (in 1/256)
// of the next one; the edges repeat.
struct TTap {
    int First;
    int Next;
    int Weight;
};

std::vector<TTap> Taps(int sourceSize, int targetSize)
{
    std::vector<TTap> taps(static_cast<std::size_t>(targetSize));
    for (int i = 0; i < targetSize; ++i) {
        // (i + 0.5) * source / target - 0.5, in 1/256 of a pixel
        long long pos = ((2LL * i + 1) * sourceSize * 256) / (2LL * targetSize) - 128;
        if (pos < 0)
            pos = 0;
        int first = static_cast<int>(pos / 256);
        int weight = static_cast<int>(pos % 256);
        if (first >= sourceSize - 1) {
            first = sourceSize - 1;
            weight = 0;
        }
        taps[static_cast<std::size_t>(i)] = {first, first + 1 < sourceSize ? first + 1 : first, weight};
    }
    return taps;
}

} // namespace

std::vector<std::uint32_t> ScaleArgbSmooth(const std::vector<std::uint32_t>& source, int sourceWidth,
                                           int sourceHeight, int width, int height)
{
    if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0 ||
        source.size() != static_cast<std::size_t>(sourceWidth) * static_cast<std::size_t>(sourceHeight))
        return {};
    std::vector<TPremultiplied> pre(source.size());
    for (std::size_t i = 0; i < source.size(); ++i)
        pre[i] = Premultiply(source[i]);
    const std::vector<TTap> xs = Taps(sourceWidth, width), ys = Taps(sourceHeight, height);
    std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    auto at = [&](int x, int y) -> const TPremultiplied& {
        return pre[static_cast<std::size_t>(y) * static_cast<std::size_t>(sourceWidth) +
                   static_cast<std::size_t>(x)];
    };
    for (int y = 0; y < height; ++y) {
        const TTap& ty = ys[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const TTap& tx = xs[static_cast<std::size_t>(x)];
            const TPremultiplied* c[4] = {&at(tx.First, ty.First), &at(tx.Next, ty.First), &at(tx.First, ty.Next),
                                          &at(tx.Next, ty.Next)};
            const int w[4] = {(256 - tx.Weight) * (256 - ty.Weight), tx.Weight * (256 - ty.Weight),
                              (256 - tx.Weight) * ty.Weight, tx.Weight * ty.Weight};
            long long a = 0, r = 0, g = 0, b = 0;
            for (int k = 0; k < 4; ++k) {
                a += static_cast<long long>(c[k]->A) * w[k];
                r += static_cast<long long>(c[k]->R) * w[k];
                g += static_cast<long long>(c[k]->G) * w[k];
                b += static_cast<long long>(c[k]->B) * w[k];
            }
            const long long half = 1 << 15;
            int A = static_cast<int>((a + half) >> 16);
            auto unpremultiply = [A, half](long long v) {
                if (A == 0)
                    return 0u;
                int c = static_cast<int>((((v + half) >> 16) * 255 + A / 2) / A);
                return static_cast<std::uint32_t>(c > 255 ? 255 : c);
            };
            out[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                (static_cast<std::uint32_t>(A) << 24) | (unpremultiply(r) << 16) | (unpremultiply(g) << 8) |
                unpremultiply(b);
        }
    }
    return out;
}
