#pragma once

// Where the volt and time axes put their labels and ticks, from the labels' measured extents.
// Everything is in logical units (0.01 inch, y up: points inside a panel have y <= 0). The caller
// measures with its own font; a display index out of range counts as 0.

#include <functional>
#include <vector>

struct TextExtent {
  int cx = 0;
  int cy = 0;
};
using MeasureText = std::function<TextExtent(const char* text)>;

struct AxisLabel {
  const char* text = nullptr;
  int originX = 0;  // text origin: top-left corner of the text
  int originY = 0;
  int tickX1 = 0, tickY1 = 0, tickX2 = 0, tickY2 = 0;
};

struct VoltAxisLayout {
  int topMark = 0;     // y of the first label (i = 0)
  int zeroY = 0;       // y of the "0" label
  int bottomMark = 0;  // y of the last label (i = N)
  int labelCentreX = 0;
  std::vector<AxisLabel> labels;
};

struct TimeAxisLayout {
  int leftMark = 0;   // x of "0"; the trace starts here
  int rightMark = 0;  // x of the full-span label
  int rowY = 0;
  std::vector<AxisLabel> labels;
};

struct PanelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

VoltAxisLayout LayoutVoltAxis(long displayScale, const PanelRect& panel, const MeasureText& measure);
// The right margin is in logical units like the rest of the axis, so a printer's resolution does
// not squeeze the labels: 10 points as the screen at 96 dpi has them.
inline constexpr int kTimeAxisMargin = 13;
TimeAxisLayout LayoutTimeAxis(long displaySpan, const PanelRect& panel, const MeasureText& measure);
