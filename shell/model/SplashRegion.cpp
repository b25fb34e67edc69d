#include "shell/model/SplashRegion.h"

std::vector<SplashRun> SplashOpaqueRuns(int width, int height,
                                        const std::function<std::uint32_t(int x, int y)>& pixel) {
  std::vector<SplashRun> runs;
  for (int y = 0; y < height; ++y) {
    int x = 0;
    while (x < width) {
      while (x < width && (pixel(x, y) & 0xFFFFFF) == kSplashTransparent) ++x;
      if (x >= width) break;
      const int start = x;
      while (x < width && (pixel(x, y) & 0xFFFFFF) != kSplashTransparent) ++x;
      runs.push_back({y, start, x});
    }
  }
  return runs;
}
