#pragma once
// Writes small PNG files for tests, pixel by pixel, with GDI+.
#include <cstdint>
#include <functional>
#include <string>

// colour(x, y) gives 0xAARRGGBB; true when the file was written.
bool WritePng(const std::wstring& path, int width, int height, const std::function<std::uint32_t(int, int)>& colour);

// The framework's skin folder for this executable (created when missing), with a
// trailing backslash: <exe folder>\skins\theme1\ .
std::wstring SkinFolder();
