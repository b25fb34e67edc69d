#include "trace/model/TraceWalk.h"

#include <algorithm>
#include <cmath>

#include "link/store/TraceScales.h"

namespace {

// trunc toward zero, kept far inside int so a wild sample or factor cannot overflow.
int TruncCoord(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::trunc(std::clamp(value, -1.0e8, 1.0e8)));
}

int ClampY(const WalkSetup& setup, int y) {
  if (setup.yMax && y > *setup.yMax) y = *setup.yMax;
  if (setup.yMin && y < *setup.yMin) y = *setup.yMin;
  return y;
}

WalkPoint SamplePoint(const WalkSetup& setup, int n, int sample, int u, int x) {
  const double perUnit = setup.rules.factor / setup.rules.voltsPerUnit;
  WalkPoint point;
  point.n = n;
  point.u = u;
  point.x = x;
  point.xEnd = TruncCoord(x + setup.barWidth);
  if (setup.kind == PlotKind::Line) {
    const int y = ClampY(setup, TruncCoord(setup.zeroY - sample * perUnit));
    point.yTop = point.yBottom = y;
    point.move = u == 0;
  } else {
    const int half = sample / 2;
    point.yTop = ClampY(setup, TruncCoord(setup.zeroY - half * perUnit));
    point.yBottom = ClampY(setup, TruncCoord(setup.zeroY + half * perUnit));
  }
  return point;
}

WalkPoint BeyondPoint(const WalkSetup& setup, int u, int x) {
  WalkPoint point;
  point.u = u;
  point.x = x;
  point.xEnd = TruncCoord(x + setup.barWidth);
  point.yTop = setup.zeroY - 1;
  point.yBottom = setup.kind == PlotKind::Line ? setup.zeroY - 1 : setup.zeroY + 1;
  point.move = true;
  return point;
}

}  // namespace

PlotKind PlotKindFor(long recordedScale) {
  return trace_scales::IsDcScale(recordedScale) ? PlotKind::Line : PlotKind::Bars;
}

int WalkTrace(const WalkSetup& setup, std::span<const int> samples,
              const std::function<void(const WalkPoint&)>& visit) {
  const TraceRules& r = setup.rules;
  if (!r.CanWalk() || r.voltsPerUnit == 0.0 || setup.units <= 0) return 0;
  const int count = static_cast<int>(samples.size());
  const double S = r.secondsPerUnit;
  const double P = r.secondsPerPoint;
  int visited = 0;
  int x = setup.startX;
  int n = 0;
  for (int u = 0; u < setup.units;) {
    if (P <= S) {
      // One or more samples per unit.
      visit(n < count ? SamplePoint(setup, n, samples[n], u, x) : BeyondPoint(setup, u, x));
      ++visited;
      if ((u + 1) * S < n * P) {
        ++u;
        x += setup.step;
      }
      ++n;
    } else {
      // One sample spread over several units.
      if (n < count) {
        visit(SamplePoint(setup, n, samples[n], u, x));
        ++visited;
        if ((n + 1) * P <= u * S) ++n;
      } else {
        visit(BeyondPoint(setup, u, x));
        ++visited;
      }
      x += setup.step;
      ++u;
    }
  }
  return visited;
}
