#include "trace/model/Threshold.h"

#include <algorithm>
#include <cmath>

int ThresholdMarkY(int panelHeight, int topMark, int bottomMark, int deltaV) {
  return -(panelHeight / 2) + ((topMark - bottomMark) / 2 * ClampDeltaV(deltaV)) / 100;
}

int DeltaVFromMarkY(int y, int topMark, int bottomMark) {
  if (topMark == bottomMark) return 0;
  const double percent =
      static_cast<double>(y - bottomMark) / static_cast<double>(topMark - bottomMark) * 200.0 - 100.0;
  return ClampDeltaV(static_cast<int>(std::trunc(std::clamp(percent, -1000.0, 1000.0))));
}
