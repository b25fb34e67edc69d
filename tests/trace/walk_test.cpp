#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <vector>

#include "link/store/OruData.h"
#include "link/store/LinkAccess.h"
#include "trace/model/ScopeState.h"
#include "trace/model/TraceRules.h"
#include "trace/model/TraceWalk.h"

namespace {

CSysCfg Factors(double ac, double dc) {
  CSysCfg cfg;
  cfg.value1 = ac;
  cfg.value2 = dc;
  return cfg;
}

const AxisMarks kMarks{-10, -367, 7, 527};

WalkSetup ScreenSetup(TraceIndexes indexes, PlotKind kind = PlotKind::Line, CSysCfg cfg = Factors(1.0, 1.0)) {
  WalkSetup s;
  s.kind = kind;
  s.rules = ScreenRules(indexes, cfg, kMarks);
  s.startX = kMarks.left;
  s.units = kMarks.right - kMarks.left;
  s.step = static_cast<int>(s.rules.pointsPerUnit);
  s.barWidth = s.rules.pointsPerUnit;
  s.zeroY = -188;
  return s;
}

std::vector<WalkPoint> Walk(const WalkSetup& setup, const std::vector<int>& samples) {
  std::vector<WalkPoint> points;
  WalkTrace(setup, samples, [&](const WalkPoint& p) { points.push_back(p); });
  return points;
}

// The first x each sample is drawn at, and the x of every beyond-data mark.
struct Placement {
  std::map<int, int> firstX;
  std::map<int, int> lastX;
  std::vector<int> beyondX;
};

Placement Place(const std::vector<WalkPoint>& points) {
  Placement p;
  for (const WalkPoint& w : points) {
    if (w.n < 0) {
      p.beyondX.push_back(w.x);
      continue;
    }
    p.firstX.try_emplace(w.n, w.x);
    p.lastX[w.n] = w.x;
  }
  return p;
}

TEST(Walk, TenSecondsOnTenSeconds) {
  const Placement p = Place(Walk(ScreenSetup({0, 1, 0, 1}), std::vector<int>(1000, 0)));
  for (int n : {0, 1, 2}) EXPECT_EQ(p.firstX.at(n), 7) << n;
  for (int n : {3, 4}) EXPECT_EQ(p.firstX.at(n), 8) << n;
  EXPECT_EQ(p.firstX.at(999), 525);
  ASSERT_FALSE(p.beyondX.empty());
  for (int x : p.beyondX) EXPECT_EQ(x, 526);

  const Placement shorter = Place(Walk(ScreenSetup({0, 1, 0, 1}), std::vector<int>(200, 0)));
  EXPECT_EQ(shorter.lastX.rbegin()->first, 199);
  EXPECT_EQ(shorter.lastX.rbegin()->second, 109);
  EXPECT_EQ(shorter.beyondX.front(), 110);
  EXPECT_EQ(shorter.beyondX.back(), 526);
}

TEST(Walk, FiveSecondsShownOfSixtyRecorded) {
  const std::vector<WalkPoint> points = Walk(ScreenSetup({0, 0, 0, 4}), std::vector<int>(1000, 0));
  const Placement p = Place(points);
  EXPECT_EQ(p.firstX.at(1), 15);
  EXPECT_EQ(p.lastX.rbegin()->first, 83);
  EXPECT_TRUE(p.beyondX.empty());
  // One point per unit: x runs 7..526 without gaps.
  ASSERT_EQ(points.size(), 520u);
  for (size_t i = 0; i < points.size(); ++i) EXPECT_EQ(points[i].x, 7 + static_cast<int>(i));
}

TEST(Walk, LineAndBarGeometry) {
  // V = 120 / 357 volts per unit, F = 1.2: a sample of 100 is 357 units above zero.
  const CSysCfg cfg = Factors(1.2, 1.2);
  std::vector<WalkPoint> line = Walk(ScreenSetup({0, 1, 0, 1}, PlotKind::Line, cfg), {100, -50});
  ASSERT_GE(line.size(), 3u);
  EXPECT_EQ(line[0].yTop, -188 - 357);
  EXPECT_TRUE(line[0].move);
  EXPECT_EQ(line[1].yTop, -9);  // trunc(-188 + 178.5), toward zero
  EXPECT_EQ(line[2].n, -1);
  EXPECT_EQ(line[2].yTop, -189);
  EXPECT_TRUE(line[2].move);
  for (const WalkPoint& w : line) EXPECT_EQ(w.move, w.u == 0 || w.n < 0);

  std::vector<WalkPoint> bars = Walk(ScreenSetup({0, 1, 2, 1}, PlotKind::Bars, cfg), {101, 7});
  EXPECT_EQ(bars[0].yTop, -366);  // h = 50: trunc(-188 - 178.5)
  EXPECT_EQ(bars[0].yBottom, -9);
  EXPECT_EQ(bars[0].ReportedY(), bars[0].yBottom);
  EXPECT_EQ(bars[0].xEnd, 7 + 1);  // trunc(7 + 1.92)
  EXPECT_EQ(bars[2].n, -1);
  EXPECT_EQ(bars[2].yTop, -189);
  EXPECT_EQ(bars[2].yBottom, -187);
}

TEST(Walk, PrintClampsEveryYInsideTheArea) {
  for (long span : {0L, 4L}) {  // both walking modes
    for (PlotKind kind : {PlotKind::Line, PlotKind::Bars}) {
      WalkSetup s;
      s.kind = kind;
      s.rules = PrintRules({0, span, kind == PlotKind::Line ? 0 : 2, 1}, Factors(50.0, 50.0), {-100, -400, 0, 500});
      s.startX = 0;
      s.units = 500;
      s.step = 1;
      s.barWidth = 1.0;
      s.zeroY = -250;
      s.yMax = -100;
      s.yMin = -400;
      std::vector<int> samples(1000);
      for (size_t i = 0; i < samples.size(); ++i) samples[i] = i % 2 ? 2000000000 : -2000000000;
      int visited = 0;
      WalkTrace(s, samples, [&](const WalkPoint& w) {
        ++visited;
        EXPECT_LE(w.yTop, -100);
        EXPECT_GE(w.yTop, -400);
        EXPECT_LE(w.yBottom, -100);
        EXPECT_GE(w.yBottom, -400);
      });
      EXPECT_GT(visited, 0);
    }
  }
}

TEST(Walk, GuardsAndBadIndexesEnd) {
  const std::vector<int> samples(1000, 5);
  int calls = 0;
  auto count = [&](const WalkPoint&) { ++calls; };
  EXPECT_EQ(WalkTrace(ScreenSetup({0, 1, -1, -1}), samples, count), 0);  // no trace held
  EXPECT_EQ(WalkTrace(ScreenSetup({0, 1, 0, 7}), samples, count), 0);
  WalkSetup zeroP = ScreenSetup({0, 1, 0, 1});
  zeroP.rules.secondsPerPoint = 0.0;  // would never advance
  EXPECT_EQ(WalkTrace(zeroP, samples, count), 0);
  WalkSetup nanS = ScreenSetup({0, 1, 0, 1});
  nanS.rules.secondsPerUnit = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(WalkTrace(nanS, samples, count), 0);
  WalkSetup noUnits = ScreenSetup({0, 1, 0, 1});
  noUnits.units = -5;
  EXPECT_EQ(WalkTrace(noUnits, samples, count), 0);
  EXPECT_EQ(calls, 0);
  // Display indexes out of range still walk, as scale and span 0.
  EXPECT_GT(WalkTrace(ScreenSetup({17, -2, 0, 1}), samples, count), 0);
}

class ScopeBookkeeping : public ::testing::Test {
 protected:
  void SetUp() override {
    scope.Attach(540, 360, 57, 50);
    scope.SetVoltMarks(-10, -188, -367);
    scope.SetTimeMarks(7, 527, 7);
    scope.SetRules(ScreenRules({0, 1, 0, 1}, Factors(1.0, 1.0), scope.Marks()));
    std::lock_guard lock(LinkFields(store).dataMutex);
    for (int i = 0; i < 1000; ++i) LinkFields(store).traceSamples.Add(i % 50);
  }

  void Render() {
    auto& fields = LinkFields(store);
    std::lock_guard lock(fields.dataMutex);
    scope.BeginWalk(PlotKind::Line, ReadWalkStart(*store.HoldTrace()));
    std::vector<int> samples(fields.traceSamples.GetData(),
                             fields.traceSamples.GetData() + fields.traceSamples.GetSize());
    WalkTrace(scope.ScreenWalkSetup(PlotKind::Line), samples, [&](const WalkPoint& w) {
      if (w.n >= 0) scope.NoteDrawnSample(w.n, w.x, w.ReportedY(), snap);
    });
    scope.EndWalk();
    if (const auto marks = scope.TakeWalkMarks()) StoreWalkMarks(*store.HoldTrace(), *marks);
    scope.TakeCrossPoint();
  }

  CORUData store;
  ScopeState scope;
  bool snap = false;
};

TEST_F(ScopeBookkeeping, DoubleClickPlacesAndRemovesTheMarker) {
  // Left of the trace start: nothing.
  EXPECT_EQ(scope.OnLButtonDblClk(57 + 3, 100, *store.HoldTrace()), DoubleClickResult::Nothing);
  auto& fields = LinkFields(store);
  EXPECT_EQ(fields.traceCursor1, -1);
  EXPECT_EQ(scope.OnLButtonDblClk(57 + 100, 100, *store.HoldTrace()), DoubleClickResult::MarkerPlaced);
  EXPECT_EQ(fields.traceCursor1, 100);
  Render();
  EXPECT_NE(fields.traceMarker1, -1);
  EXPECT_NE(fields.traceCursor2, 360);
  EXPECT_EQ(scope.OnLButtonDblClk(57 + 100, 5, *store.HoldTrace()), DoubleClickResult::MarkerRemoved);
  EXPECT_EQ(fields.traceCursor1, -1);
  EXPECT_EQ(fields.traceCursor2, -1);
  Render();
  EXPECT_EQ(fields.traceMarker1, -1);
  // The double-click away from the scope comes as (-1, -1).
  EXPECT_EQ(scope.OnLButtonDblClk(-1, -1, *store.HoldTrace()), DoubleClickResult::Nothing);
}

TEST_F(ScopeBookkeeping, NothingWithoutSamples) {
  auto& fields = LinkFields(store);
  {
    std::lock_guard lock(fields.dataMutex);
    fields.traceSamples.RemoveAll();
  }
  EXPECT_EQ(scope.OnLButtonDblClk(57 + 100, 100, *store.HoldTrace()), DoubleClickResult::Nothing);
  EXPECT_EQ(fields.traceCursor1, -1);
}

TEST_F(ScopeBookkeeping, SnapMovesTheCursorToTheTrace) {
  snap = true;
  scope.OnMouseMove(57 + 200, 50 + 30, snap);
  EXPECT_EQ(scope.cursorPoint.y, kUnsnappedY);
  double volts = 0;
  scope.TakeCrossPoint();
  EXPECT_FALSE(scope.GetVoltageReading(&volts));  // not snapped yet: no reading
  Render();
  ASSERT_NE(LinkFields(store).traceMarker2, -1);
  const int n = LinkFields(store).traceMarker2;
  const int sample = n % 50;
  // The snapped y is the sample's line point, back in pixels.
  const double V = 120.0 / 357;
  const int yLogical = static_cast<int>(-188 - sample * 1.0 / V);
  EXPECT_EQ(scope.cursorPoint.y, scope.Mapper().LogicalToPixelsY(-yLogical));
  ASSERT_TRUE(scope.GetVoltageReading(&volts));
  EXPECT_NEAR(volts, (scope.crossPoint.y + 188) * V, 1e-9);
  double seconds = 0;
  ASSERT_TRUE(scope.GetTimeReading(&seconds));
  EXPECT_NEAR(seconds, n * 0.01, 0.03);
}

TEST_F(ScopeBookkeeping, CursorLeavingClearsTheHoveredSample) {
  scope.OnMouseMove(57 + 200, 80, false);
  Render();
  EXPECT_NE(LinkFields(store).traceMarker2, -1);
  scope.cursorPoint = {-1, -1};
  Render();
  EXPECT_EQ(LinkFields(store).traceMarker2, -1);
  double v = 0;
  EXPECT_FALSE(scope.GetVoltageReading(&v));
  EXPECT_FALSE(scope.GetTimeReading(&v));
}

TEST_F(ScopeBookkeeping, NoReadingForABadRecordedIndex) {
  scope.SetRules(ScreenRules({0, 1, -1, -1}, Factors(1.0, 1.0), scope.Marks()));
  scope.OnMouseMove(57 + 200, 80, false);
  scope.TakeCrossPoint();
  double v = 0;
  EXPECT_FALSE(scope.GetVoltageReading(&v));
  EXPECT_FALSE(scope.GetTimeReading(&v));
}

TEST_F(ScopeBookkeeping, ThresholdRectIsNormalised) {
  scope.SetThresholdRect({0, 120, 57, 118});
  EXPECT_EQ(scope.thresholdRect, (IntRect{0, 118, 540, 120}));
  scope.SetThresholdRect({-1, -1, -1, -1});
  EXPECT_EQ(scope.thresholdRect.top, -1);
}

}  // namespace
