#include "trace/model/ScopeState.h"

#include <algorithm>
#include <utility>

#include "link/store/StoreScopes.h"

void ScopeState::Attach(int w, int h, int xOffset, int yOffset) {
  attached_ = true;
  widthPx = std::max(w, 0);
  heightPx = std::max(h, 0);
  widthLogical = mapper_.PixelsToLogicalX(widthPx);
  heightLogical = mapper_.PixelsToLogicalY(heightPx);
  zeroY = -(heightLogical / 2);
  hostOffset = {xOffset, yOffset};
}

void ScopeState::SetVoltMarks(int top, int zero, int bottom) {
  topMark_ = top;
  zeroY = zero;
  bottomMark_ = bottom;
}

void ScopeState::SetTimeMarks(int left, int right, int startX) {
  leftMark_ = left;
  rightMark_ = right;
  traceStartX = startX;
}

void ScopeState::SetThresholdRect(IntRect rect) {
  if (rect.top == -1) {
    thresholdRect = {};
    return;
  }
  if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
  if (rect.left > rect.right) std::swap(rect.left, rect.right);
  rect.right = widthPx;
  thresholdRect = rect;
}

void ScopeState::OnMouseMove(int viewX, int viewY, bool snap) {
  cursorPoint.x = viewX - hostOffset.x;
  cursorPoint.y = snap ? kUnsnappedY : viewY - hostOffset.y;
  // The read-out redraws right after a move, before the next render: it must read this point.
  TakeCrossPoint();
}

DoubleClickResult ScopeState::OnLButtonDblClk(int viewX, int /*viewY*/, TraceScope& trace) {
  if (trace.traceSamples().IsEmpty()) return DoubleClickResult::Nothing;
  const int x = viewX - hostOffset.x;
  if (x == trace.traceCursor1()) {
    trace.traceCursor1() = -1;
    trace.traceCursor2() = -1;
    return DoubleClickResult::MarkerRemoved;
  }
  if (x >= 0 && mapper_.PixelsToLogicalX(x) > traceStartX) {
    trace.traceCursor1() = x;
    trace.traceCursor2() = heightPx;
    return DoubleClickResult::MarkerPlaced;
  }
  return DoubleClickResult::Nothing;
}

void ScopeState::TakeCrossPoint() {
  crossPoint.x = cursorPoint.x == -1 ? -1 : mapper_.PixelsToLogicalX(cursorPoint.x);
  crossPoint.y = (cursorPoint.y == -1 || cursorPoint.y == kUnsnappedY) ? -1 : -mapper_.PixelsToLogicalY(cursorPoint.y);
}

bool ScopeState::GetVoltageReading(double* volts) const {
  if (!rules_.recordingValid || cursorPoint.y == -1 || cursorPoint.y == kUnsnappedY) return false;
  *volts = (crossPoint.y - zeroY) * rules_.voltsPerUnit;
  return true;
}

bool ScopeState::GetTimeReading(double* seconds) const {
  if (!rules_.recordingValid || cursorPoint.x == -1) return false;
  *seconds = (crossPoint.x - traceStartX) * rules_.secondsPerUnit;
  return true;
}

void ScopeState::BeginWalk(PlotKind kind, const WalkStart& start) {
  walkKind_ = kind;
  walkMarkerX_ = start.markerX;
  walk_ = start.marks;
  markerSeen_ = false;
  cursorSeen_ = false;
}

bool ScopeState::NoteDrawnSample(int n, int x, int y, bool snap) {
  bool redraw = false;
  if (cursorPoint.x != -1 && x == mapper_.PixelsToLogicalX(cursorPoint.x)) {
    cursorSeen_ = true;
    walk_.marker2 = n;
    if (snap) {
      cursorPoint.y = mapper_.LogicalToPixelsY(-y);
      redraw = true;
    }
  }
  if (walkMarkerX_ != -1 && x == mapper_.PixelsToLogicalX(walkMarkerX_)) {
    const int yPx = mapper_.LogicalToPixelsY(-y);
    // Several bars on one unit: the highest one holds the marker.
    if (!markerSeen_ || walkKind_ == PlotKind::Line || yPx < walk_.cursor2) {
      walk_.cursor2 = yPx;
      walk_.marker1 = n;
      redraw = true;
    }
    markerSeen_ = true;
  }
  return redraw;
}

bool ScopeState::EndWalk() {
  bool redraw = false;
  if (cursorPoint.x == -1 && walk_.marker2 != -1) {
    walk_.marker2 = -1;
    redraw = true;
  }
  if (walkMarkerX_ == -1 && walk_.marker1 != -1) {
    walk_.marker1 = -1;
    redraw = true;
  }
  walked_ = walk_;
  return redraw;
}

std::optional<WalkMarks> ScopeState::TakeWalkMarks() { return std::exchange(walked_, std::nullopt); }

WalkStart ReadWalkStart(const TraceScope& trace) {
  return {trace.traceCursor1(), WalkMarks{trace.traceMarker1(), trace.traceMarker2(), trace.traceCursor2()}};
}

void StoreWalkMarks(TraceScope& trace, const WalkMarks& marks) {
  trace.traceMarker1() = marks.marker1;
  trace.traceMarker2() = marks.marker2;
  trace.traceCursor2() = marks.cursor2;
}

WalkSetup ScopeState::ScreenWalkSetup(PlotKind kind) const {
  WalkSetup setup;
  setup.kind = kind;
  setup.startX = traceStartX;
  setup.units = rightMark_ - leftMark_;
  setup.rules = rules_;
  setup.step = static_cast<int>(rules_.pointsPerUnit);
  setup.barWidth = rules_.pointsPerUnit;
  setup.zeroY = zeroY;
  return setup;
}
