#include "shell/model/DownloadProgress.h"

#include <algorithm>

int ProgressPercent(std::uint32_t done, std::uint32_t total) {
  if (total == 0) return 0;
  const std::uint32_t scaled = done * 100u;  // wraps as the 32-bit product does
  return static_cast<int>(static_cast<double>(scaled) / static_cast<double>(total));
}

std::string ProgressText(int percent) { return std::to_string(percent) + "% complete"; }

int ProgressSplitX(int left, int width, int percent) {
  if (percent >= 100) return left;
  const int split = left + static_cast<int>(static_cast<long long>(width) * std::max(percent, 0) / 100);
  return std::min(split, left + width);
}
