#pragma once

// The one walk along the time axis that both the scope and the printout draw with: which sample
// falls on which x, where its line point or bar lies, and where the data ends. The caller paints
// each point it is handed; the walk itself draws nothing.

#include <functional>
#include <optional>
#include <span>

#include "trace/model/TraceRules.h"

enum class PlotKind { Line, Bars };

struct WalkSetup {
  PlotKind kind = PlotKind::Line;
  int startX = 0;         // x of the first point
  int units = 0;          // units the walk covers (right mark - left mark)
  int step = 1;           // x advance per unit: trunc(D) on screen, 1 in print
  double barWidth = 1.0;  // bars span x .. trunc(x + barWidth)
  int zeroY = 0;
  // Print keeps every y inside the area: yMax is its top (-area top), yMin its bottom.
  std::optional<int> yMax;
  std::optional<int> yMin;
  TraceRules rules;
};

struct WalkPoint {
  int n = -1;  // sample index; -1 beyond the data
  int u = 0;   // unit counter
  int x = 0;
  int xEnd = 0;       // bars and the beyond-data band end here
  int yTop = 0;       // line: the point; bars: the bar's top; beyond: zero y - 1
  int yBottom = 0;    // line: the point; bars: the bar's bottom (the reported point); beyond: zero y + 1
  bool move = false;  // line: move the pen instead of drawing (u is 0, or beyond the data)
  int ReportedY() const { return yBottom; }
};

// Picks the plot from the recorded scale: DC ranges draw a line, AC ranges bars.
PlotKind PlotKindFor(long recordedScale);

// Calls visit for every point of the walk, in order. Does nothing unless the rules can walk.
// Returns the number of points visited.
int WalkTrace(const WalkSetup& setup, std::span<const int> samples, const std::function<void(const WalkPoint&)>& visit);
