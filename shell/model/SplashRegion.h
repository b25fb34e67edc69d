#pragma once

// The splash window's shape: every row of the bitmap split into runs of pixels that are not the
// transparent colour (magenta). Each run becomes one rectangle of the window's region.

#include <cstdint>
#include <functional>
#include <vector>

constexpr std::uint32_t kSplashTransparent = 0xFF00FF;  // RGB 255, 0, 255

struct SplashRun {
  int y = 0;
  int left = 0;   // first opaque pixel
  int right = 0;  // one past the last opaque pixel
};

// Runs of opaque pixels, row by row, left to right. `pixel(x, y)` gives 0xRRGGBB.
std::vector<SplashRun> SplashOpaqueRuns(int width, int height, const std::function<std::uint32_t(int x, int y)>& pixel);
