#pragma once

// The drag of the voltage-trigger threshold mark on the volt panel. The panel's mouse handlers
// drive it; each step that moves the mark returns the level ("DeltaV") it now stands for, which
// the view stores and announces. Drawing only reads the mark, so no paint changes a setting.

#include <optional>

#include "trace/model/LogicalMapper.h"
#include "trace/model/ScopeState.h"

class ThresholdDrag {
 public:
  explicit ThresholdDrag(const LogicalMapper& mapper) : mapper_(mapper) {}

  // The volt axis's top and bottom marks (logical units) of the panel's last drawing.
  void SetAxis(int topMark, int bottomMark);

  // A left press at pixel y of the panel starts a drag, unless a trigger is armed (its level is
  // fixed then). The level, or nothing when no drag started or the panel was never drawn.
  std::optional<int> Press(int y, bool triggerArmed);
  // The mouse moved over the panel: while dragging the mark follows it.
  std::optional<int> Move(int y);
  // The button came up over the panel, or the mouse left it: the drag ends where the mark is.
  void End() { dragging_ = false; }

  bool Dragging() const { return dragging_; }
  // The dragged mark in panel pixels, two pixels high (top <= bottom); left and right are unused.
  IntRect Mark() const { return mark_; }

 private:
  std::optional<int> Level() const;

  const LogicalMapper& mapper_;
  bool dragging_ = false;
  bool axisKnown_ = false;
  int topMark_ = 0;
  int bottomMark_ = 0;
  IntRect mark_;
};
