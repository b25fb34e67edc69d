#include "trace/model/ThresholdDrag.h"

#include "trace/model/Threshold.h"

void ThresholdDrag::SetAxis(int topMark, int bottomMark) {
  topMark_ = topMark;
  bottomMark_ = bottomMark;
  axisKnown_ = true;
}

std::optional<int> ThresholdDrag::Press(int y, bool triggerArmed) {
  if (triggerArmed) return std::nullopt;
  dragging_ = true;
  return Move(y);
}

std::optional<int> ThresholdDrag::Move(int y) {
  if (!dragging_) return std::nullopt;
  mark_.top = y;
  mark_.bottom = y + 2;
  return Level();
}

std::optional<int> ThresholdDrag::Level() const {
  if (!axisKnown_) return std::nullopt;
  // Pixels grow downwards, logical y upwards.
  return DeltaVFromMarkY(-mapper_.PixelsToLogicalY(mark_.top), topMark_, bottomMark_);
}
