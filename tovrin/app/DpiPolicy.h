#pragma once
// Small screens get system DPI awareness so the fixed-size panel is not blurred by
// scaling; from 1400 by 800 up the process stays DPI-unaware.
constexpr int kDpiAwareMinWidth = 1400;
constexpr int kDpiAwareMinHeight = 800;

constexpr bool NeedsDpiAwareness(int screenWidth, int screenHeight)
{
    return screenWidth < kDpiAwareMinWidth || screenHeight < kDpiAwareMinHeight;
}
