#pragma once

// The scope's positions and its cursor and marker bookkeeping, apart from any drawing. Pixel
// fields are relative to the scope area's top-left corner; logical ones are 0.01 inch, y up.

#include <climits>
#include <optional>

#include "trace/model/LogicalMapper.h"
#include "trace/model/TraceRules.h"
#include "trace/model/TraceWalk.h"

class TraceScope;

struct IntPoint {
  int x = -1;
  int y = -1;
  bool operator==(const IntPoint&) const = default;
};

struct IntRect {
  int left = -1, top = -1, right = -1, bottom = -1;
  bool operator==(const IntRect&) const = default;
};

// The y of the cursor while "Trace Snap" is on, until the walk snaps it to the trace.
inline constexpr int kUnsnappedY = INT_MIN;

enum class DoubleClickResult { Nothing, MarkerRemoved, MarkerPlaced };

// What one walk found, as the store keeps it: the marker's sample (traceMarker1), the sample under
// the cursor (traceMarker2) and the marker's height in pixels (traceCursor2).
struct WalkMarks {
  int marker1 = -1;
  int marker2 = -1;
  int cursor2 = -1;
};

// What a walk starts from: the marker's x in pixels (traceCursor1) and the last walk's marks.
struct WalkStart {
  int markerX = -1;
  WalkMarks marks;
};

class ScopeState {
 public:
  explicit ScopeState(LogicalMapper mapper = LogicalMapper()) : mapper_(mapper) {}

  // Binds to a host area of the given pixel size at hostOffset in the view.
  void Attach(int widthPx, int heightPx, int xOffset, int yOffset);
  bool Attached() const { return attached_; }

  // Marks from the axes.
  void SetVoltMarks(int top, int zeroY, int bottom);
  void SetTimeMarks(int left, int right, int traceStartX);
  // Normalised, with its right edge at the zero line's end (pixels); top -1 clears it.
  void SetThresholdRect(IntRect rect);

  void OnMouseMove(int viewX, int viewY, bool snap);
  // Places or removes the marker in the trace; the caller marks the trace modified.
  DoubleClickResult OnLButtonDblClk(int viewX, int viewY, TraceScope& trace);

  // The rules of the last render; the readings use them.
  void SetRules(const TraceRules& rules) { rules_ = rules; }
  const TraceRules& Rules() const { return rules_; }

  // Takes crossPoint from cursorPoint, as the cross-hair drawing does.
  void TakeCrossPoint();
  bool GetVoltageReading(double* volts) const;
  bool GetTimeReading(double* seconds) const;

  // Walk bookkeeping; drawing never writes the store. BeginWalk starts from the store's marks as
  // ReadWalkStart took them; NoteDrawnSample compares one drawn sample with the cursor and the
  // marker. Returns true when the read-out panel should redraw.
  void BeginWalk(PlotKind kind, const WalkStart& start);
  bool NoteDrawnSample(int n, int x, int y, bool snap);
  // After the walk: markers whose position is gone are dropped (-1).
  bool EndWalk();
  // The marks of the last finished walk, once; the view stores them after drawing.
  std::optional<WalkMarks> TakeWalkMarks();

  // The screen walk from the current marks (the caller adds the rules and samples).
  WalkSetup ScreenWalkSetup(PlotKind kind) const;
  AxisMarks Marks() const { return {topMark_, bottomMark_, leftMark_, rightMark_}; }

  const LogicalMapper& Mapper() const { return mapper_; }
  IntPoint cursorPoint;
  IntPoint crossPoint;
  IntRect thresholdRect;
  IntPoint hostOffset{0, 0};
  int traceStartX = 0;
  int widthLogical = 0;  // plotRect, logical
  int heightLogical = 0;
  int widthPx = 0;
  int heightPx = 0;
  int zeroY = 0;

 private:
  LogicalMapper mapper_;
  bool attached_ = false;
  int topMark_ = 0, bottomMark_ = 0, leftMark_ = 0, rightMark_ = 0;
  TraceRules rules_;
  PlotKind walkKind_ = PlotKind::Line;
  bool markerSeen_ = false;
  bool cursorSeen_ = false;
  int walkMarkerX_ = -1;
  WalkMarks walk_;
  std::optional<WalkMarks> walked_;
};

// The trace's marks a walk starts from, and the walk's marks back into the trace.
WalkStart ReadWalkStart(const TraceScope& trace);
void StoreWalkMarks(TraceScope& trace, const WalkMarks& marks);
