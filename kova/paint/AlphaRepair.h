#pragma once
// The alpha repair of layered frames: GDI draws with alpha 0, which a per-pixel-alpha
// window would show as transparent. Pure code, no windows.h.
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace KOVA {

inline void ClipToFrame(int width, int height, int& left, int& top, int& right, int& bottom)
{
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > width) right = width;
    if (bottom > height) bottom = height;
}

// bits: a bottom-up frame of width x height pixels, bytes B, G, R, A (client line y is
// row height - 1 - y). Inside [left, right) x [top, bottom), in client coordinates, every
// pixel with alpha 0 but some colour becomes opaque; pure black stays transparent.
inline void RepairAlpha(std::uint8_t* bits, int width, int height, int left, int top, int right, int bottom)
{
    if (!bits) return;
    ClipToFrame(width, height, left, top, right, bottom);
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* p = bits + (static_cast<std::size_t>(height - 1 - y) * width + left) * 4;
        for (int x = left; x < right; ++x, p += 4)
            if (p[3] == 0 && (p[0] | p[1] | p[2])) p[3] = 255;
    }
}

// Makes [left, right) x [top, bottom) fully transparent (all four bytes 0).
inline void ClearPixels(std::uint8_t* bits, int width, int height, int left, int top, int right, int bottom)
{
    if (!bits) return;
    ClipToFrame(width, height, left, top, right, bottom);
    for (int y = top; y < bottom && left < right; ++y) {
        std::uint8_t* p = bits + (static_cast<std::size_t>(height - 1 - y) * width + left) * 4;
        std::fill(p, p + static_cast<std::size_t>(right - left) * 4, std::uint8_t(0));
    }
}

} // namespace KOVA
