#pragma once
// Pure arithmetic of the blend and gradient routines: no windows.h, so it can be tested
// and fuzzed anywhere.
#include <cmath>
#include <cstdint>

namespace KOVA {
namespace blend {

// Constant-alpha source-over of one 8-bit channel, as AlphaBlend without per-pixel alpha.
inline std::uint8_t Over(std::uint8_t dst, std::uint8_t src, std::uint8_t alpha)
{
    return static_cast<std::uint8_t>((src * alpha + dst * (255 - alpha) + 127) / 255);
}

// Linear transparency across count rows (or columns): from and to are transparencies in
// percent at the first and the last one.
struct Transition {
    double opaque;      // alpha of the more opaque end
    double transparent; // alpha of the more transparent end
    double step;
    bool fading;        // from < to: starts opaque

    Transition(int from, int to, int count)
    {
        int lo = from < to ? from : to, hi = from < to ? to : from;
        opaque = static_cast<int>(255.0 - lo * 255.0 / 100.0);
        transparent = static_cast<int>((100.0 - hi) * 255.0 / 100.0);
        step = count > 0 ? (opaque - transparent) / count : 0.0;
        fading = from < to;
    }
    int AlphaAt(int i) const
    {
        return static_cast<int>(fading ? opaque - i * step : transparent + i * step);
    }
};

// Number of solid bands a gradient is cut into without GradientFill: 2, 4, ... 64.
inline int GradientBands(int steps)
{
    int k = steps < 4 ? 1 : steps < 8 ? 2 : steps < 16 ? 3 : steps < 32 ? 4 : steps < 64 ? 5 : 6;
    return 1 << k;
}

// ARGB colour at position index of count (0 gives from, count - 1 gives to).
inline std::uint32_t Interpolate(std::uint32_t from, std::uint32_t to, int index, int count)
{
    if (count <= 1) return from;
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
        int c = a + (b - a) * index / (count - 1);
        result |= static_cast<std::uint32_t>(c & 0xFF) << shift;
    }
    return result;
}

// Corner fade: the constant alpha at offset (i, j) of a size x size quarter circle.
inline int CornerAlpha(int i, int j, int size)
{
    double d = std::sqrt(static_cast<double>(i) * i + static_cast<double>(j) * j);
    if (d > size) d = size;
    return static_cast<int>(255.0 - d * 255.0 / size);
}

} // namespace blend
} // namespace KOVA
