#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <thread>
#include <string>

#include "link/store/OruData.h"
#include "link/store/TraceScales.h"
#include "link/store/LinkAccess.h"
#include "tests/trace/FakeFont.h"
#include "trace/model/AxisLayout.h"
#include "trace/model/LogicalMapper.h"
#include "trace/model/ScopeState.h"
#include "trace/model/Threshold.h"
#include "trace/model/ThresholdDrag.h"
#include "trace/model/TraceIntake.h"
#include "trace/model/TraceRules.h"

namespace {

class VoltAxis : public ::testing::TestWithParam<int> {};

TEST_P(VoltAxis, MarksFromLabelExtents) {
  const VoltAxisLayout axis = LayoutVoltAxis(GetParam(), {0, 0, 57, 377}, FakeFont);
  EXPECT_EQ(axis.topMark, -10);
  EXPECT_EQ(axis.bottomMark, -367);
  EXPECT_EQ(axis.zeroY, -188);
  const auto labels = trace_scales::ScaleLabels(GetParam());
  ASSERT_EQ(axis.labels.size(), labels.size());
  EXPECT_EQ(axis.labels.front().tickY1, -10);
  EXPECT_EQ(axis.labels.back().tickY1, -367);
  const int first = static_cast<int>(std::strlen(labels[0])) * 9;
  EXPECT_EQ(axis.labelCentreX, 47 - first / 2);
  for (const AxisLabel& label : axis.labels) {
    EXPECT_EQ(label.originY, label.tickY1 + 8) << label.text;  // centred vertically on its tick
    EXPECT_EQ(label.tickX2, 56);
    EXPECT_LT(label.tickX1, label.tickX2);
  }
}

INSTANTIATE_TEST_SUITE_P(AllScales, VoltAxis, ::testing::Values(0, 1, 2, 3));

TEST(VoltAxis, BadDisplayIndexCountsAsZero) {
  const VoltAxisLayout bad = LayoutVoltAxis(7, {0, 0, 57, 377}, FakeFont);
  const VoltAxisLayout zero = LayoutVoltAxis(0, {0, 0, 57, 377}, FakeFont);
  ASSERT_EQ(bad.labels.size(), 13u);
  EXPECT_STREQ(bad.labels[0].text, "+60");
  EXPECT_EQ(bad.zeroY, zero.zeroY);
  EXPECT_EQ(LayoutVoltAxis(3, {0, 0, 57, 377}, FakeFont).labels.size(), 5u);
}

TEST(TimeAxis, MarksAndTicksAt96Dpi) {
  const TimeAxisLayout axis = LayoutTimeAxis(1, {0, 0, 551, 40}, FakeFont);
  EXPECT_EQ(axis.leftMark, 7);
  EXPECT_EQ(axis.rightMark, 527);
  ASSERT_EQ(axis.labels.size(), 11u);
  EXPECT_STREQ(axis.labels[10].text, "10.0");
  EXPECT_EQ(axis.labels[5].tickX1, 7 + 520 * 5 / 10);
  EXPECT_EQ(axis.labels[10].originX, 527 - 18);
  EXPECT_EQ(axis.labels[0].tickY2, 0);
  EXPECT_EQ(LayoutTimeAxis(-3, {0, 0, 551, 40}, FakeFont).rightMark,
            LayoutTimeAxis(0, {0, 0, 551, 40}, FakeFont).rightMark);
}

TEST(Mapper, RoundsTheSameWayBothDirections) {
  EXPECT_EQ(MulDiv(10, 96, 72), 13);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(5, 1, 0), 0);
  LogicalMapper m(96, 96);
  for (int px : {0, 1, 2, 47, 100, 563}) {
    EXPECT_EQ(m.LogicalToPixelsX(m.PixelsToLogicalX(px)), px) << px;
  }
  EXPECT_EQ(m.PixelsToLogicalY(-96), -100);
}

CSysCfg Factors(double ac, double dc) {
  CSysCfg cfg;
  cfg.value1 = ac;
  cfg.value2 = dc;
  return cfg;
}

TEST(Rules, FactorFollowsTheRecordedRange) {
  const CSysCfg cfg = Factors(0.01, -0.1);
  const AxisMarks marks{-10, -367, 7, 527};
  EXPECT_EQ(ScreenRules({0, 1, 2, 1}, cfg, marks).factor, 0.01);  // 60 V DC shown, AC recorded
  EXPECT_EQ(ScreenRules({2, 1, 1, 1}, cfg, marks).factor, -0.1);  // 1.5 V AC shown, DC recorded
  EXPECT_EQ(PrintRules({0, 1, 3, 1}, cfg, marks).factor, 0.01);
  EXPECT_EQ(PrintRules({3, 1, 0, 1}, cfg, marks).factor, -0.1);
  // The display scale sets V.
  EXPECT_DOUBLE_EQ(ScreenRules({0, 1, 2, 1}, cfg, marks).voltsPerUnit, 120.0 / 357);
  EXPECT_DOUBLE_EQ(ScreenRules({3, 1, 2, 1}, cfg, marks).voltsPerUnit, 1.4 / 357);
}

TEST(Rules, TimeFollowsDisplaySpanAndRecordedPoints) {
  const CSysCfg cfg = Factors(1, 1);
  const AxisMarks marks{-10, -367, 7, 527};
  TraceRules r = ScreenRules({0, 4, 0, 3}, cfg, marks);
  EXPECT_DOUBLE_EQ(r.secondsPerUnit, 60.0 / 520);
  EXPECT_DOUBLE_EQ(r.secondsPerPoint, 0.02);
  EXPECT_DOUBLE_EQ(r.pointsPerUnit, 1000.0 / 520);
  r = ScreenRules({0, 1, 0, 3}, cfg, marks);
  EXPECT_DOUBLE_EQ(r.secondsPerUnit, 10.0 / 520);
  EXPECT_DOUBLE_EQ(PrintRules({0, 4, 0, 4}, cfg, marks).secondsPerPoint, 0.06);
  EXPECT_EQ(PrintRules({0, 4, 0, 4}, cfg, marks).pointsPerUnit, 1.0);
}

TEST(Rules, GuardsNeverDivideByZeroAndStartDefined) {
  const AxisMarks equal{-10, -10, 7, 7};
  for (const TraceRules& r :
       {ScreenRules({0, 1, 0, 1}, Factors(1, 2), equal), PrintRules({0, 1, 0, 1}, Factors(1, 2), equal)}) {
    EXPECT_EQ(r.voltsPerUnit, 1.0);
    EXPECT_EQ(r.pointsPerUnit, 1.0);
    EXPECT_EQ(r.secondsPerUnit, 0.0);
    EXPECT_FALSE(r.CanWalk());
  }
  const AxisMarks marks{-10, -367, 7, 527};
  // The print guard tests the factor the recording uses: value1 for AC.
  TraceRules ac = PrintRules({0, 1, 2, 1}, Factors(0.0, 5.0), marks);
  EXPECT_EQ(ac.voltsPerUnit, 1.0);
  EXPECT_EQ(ac.factor, 0.0);
  ac = PrintRules({0, 1, 2, 1}, Factors(0.5, 0.0), marks);
  EXPECT_EQ(ac.factor, 0.5);
  EXPECT_DOUBLE_EQ(ac.voltsPerUnit, 120.0 / 357);
  // Recorded indexes out of range: nothing to walk, and no reading.
  for (TraceIndexes bad : {TraceIndexes{0, 1, -1, -1}, TraceIndexes{0, 1, 0, 5}, TraceIndexes{0, 1, 9, 1}}) {
    EXPECT_FALSE(ScreenRules(bad, Factors(1, 1), marks).CanWalk());
    EXPECT_FALSE(PrintRules(bad, Factors(1, 1), marks).CanWalk());
  }
  // Display indexes out of range count as 0.
  const TraceRules wild = ScreenRules({-4, 99, 0, 1}, Factors(1, 1), marks);
  EXPECT_DOUBLE_EQ(wild.voltsPerUnit, 120.0 / 357);
  EXPECT_DOUBLE_EQ(wild.secondsPerUnit, 5.0 / 520);
}

TEST(Threshold, DragNeverReachesOneHundred) {
  const int top = -10, bottom = -367;
  EXPECT_EQ(DeltaVFromMarkY(top, top, bottom), 99);
  EXPECT_EQ(DeltaVFromMarkY(0, top, bottom), 99);
  EXPECT_EQ(DeltaVFromMarkY(bottom, top, bottom), -99);
  EXPECT_EQ(DeltaVFromMarkY(-377, top, bottom), -99);
  EXPECT_EQ(DeltaVFromMarkY(-188, top, bottom), 0);
  EXPECT_EQ(DeltaVFromMarkY(-100, top, bottom), 49);  // (267 / 357) * 200 - 100 = 49.58
  EXPECT_EQ(DeltaVFromMarkY(-50, top, top), 0);
  EXPECT_EQ(ThresholdMarkY(377, top, bottom, 0), -188);
  EXPECT_EQ(ThresholdMarkY(377, top, bottom, 50), -188 + 178 * 50 / 100);
  EXPECT_EQ(ThresholdMarkY(377, top, bottom, 500), ThresholdMarkY(377, top, bottom, 99));
  EXPECT_EQ(ThresholdMarkY(377, top, bottom, -500), ThresholdMarkY(377, top, bottom, -99));
}

// The drag turns panel pixels into a level only through its own steps; the level follows the
// mouse, stops with the drag, and an armed trigger or an undrawn panel gives none.
TEST(Threshold, DragEmitsTheLevelOnlyFromItsSteps) {
  const LogicalMapper mapper(100, 100);  // one pixel, one logical unit
  const int top = -10, bottom = -367;
  ThresholdDrag drag(mapper);
  EXPECT_EQ(drag.Press(100, false), std::nullopt);  // never drawn: no axis to measure against
  drag.End();
  drag.SetAxis(top, bottom);
  EXPECT_EQ(drag.Press(100, true), std::nullopt);  // armed: the level is fixed
  EXPECT_FALSE(drag.Dragging());
  EXPECT_EQ(drag.Move(50), std::nullopt);
  EXPECT_EQ(drag.Press(100, false), DeltaVFromMarkY(-100, top, bottom));
  EXPECT_EQ(drag.Mark().top, 100);
  EXPECT_EQ(drag.Mark().bottom, 102);
  EXPECT_EQ(drag.Move(0), 99);
  EXPECT_EQ(drag.Move(400), -99);
  EXPECT_EQ(drag.Move(188), 0);
  drag.End();
  EXPECT_FALSE(drag.Dragging());
  EXPECT_EQ(drag.Move(0), std::nullopt);
  EXPECT_EQ(drag.Mark().top, 188);  // the mark stays where the drag ended
}

TEST(Intake, StoresAThousandBlocksAndReportsFullOnce) {
  CORUData store;
  int full = 0;
  for (int block = 0; block < 1001; ++block) {
    const int index = block % 2;
    UCHAR* buffer = store.StreamBuffer(index);
    std::memset(buffer, 0, CORUData::kStreamBufferSize);
    buffer[0] = static_cast<UCHAR>(block);
    buffer[127] = static_cast<UCHAR>(block >> 8);
    buffer[128] = 0xEE;  // beyond the copied part
    const IntakeResult r = TakeTraceBlock(store, buffer, index);
    if (r == IntakeResult::StoredAndFull) ++full;
    if (block < 999) {
      EXPECT_EQ(r, IntakeResult::Stored) << block;
    } else if (block == 1000) {
      EXPECT_EQ(r, IntakeResult::Dropped);
    }
  }
  EXPECT_EQ(full, 1);
  auto& fields = LinkFields(store);
  EXPECT_EQ(fields.traceBlockCount, 1000);
  EXPECT_EQ(store.statusText.Get(), "Aborting signal trace");
  EXPECT_EQ(fields.traceBlocks[999][0], static_cast<UCHAR>(999));
  EXPECT_EQ(fields.traceBlocks[999][127], static_cast<UCHAR>(999 >> 8));
  EXPECT_EQ(fields.traceBlocks[300][0], static_cast<UCHAR>(300));
}

TEST(Intake, BadIndexOrBufferChangesNothing) {
  CORUData store;
  std::array<UCHAR, CORUData::kStreamBufferSize> foreign{};
  const UCHAR* buffer0 = store.StreamBuffer(0);
  EXPECT_EQ(TakeTraceBlock(store, buffer0, 2), IntakeResult::Ignored);
  EXPECT_EQ(TakeTraceBlock(store, buffer0, -1), IntakeResult::Ignored);
  EXPECT_EQ(TakeTraceBlock(store, nullptr, 0), IntakeResult::Ignored);
  EXPECT_EQ(TakeTraceBlock(store, buffer0, 1), IntakeResult::Ignored);  // buffer 0 named as 1
  EXPECT_EQ(TakeTraceBlock(store, foreign.data(), 0), IntakeResult::Ignored);
  EXPECT_EQ(LinkFields(store).traceBlockCount, 0);
  EXPECT_EQ(store.statusText.Get(), CORUData::kIdleStatusText);
}

TEST(Intake, WaitsForTheBufferLock) {
  CORUData store;
  std::unique_lock held(store.TraceBufferMutex(1));
  std::atomic<bool> done{false};
  std::thread intake([&] {
    TakeTraceBlock(store, store.StreamBuffer(1), 1);
    done = true;
  });
  // Buffer 0 is free meanwhile: its intake goes through at once.
  EXPECT_EQ(TakeTraceBlock(store, store.StreamBuffer(0), 0), IntakeResult::Stored);
  EXPECT_FALSE(done.load());
  held.unlock();
  intake.join();
  EXPECT_EQ(LinkFields(store).traceBlockCount, 2);
}

}  // namespace
