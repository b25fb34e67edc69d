#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "trace/model/MeterRules.h"

namespace {

// Labels 7 pixels per character: "-60" is 21 wide, so a 400-pixel surface runs from 14 to 386.
int LabelWidth(const char* label) { return 7 * static_cast<int>(std::strlen(label)); }

MeterScale Scale(MeterKind kind, int width = 400, int height = 40) {
  return LayoutMeterScale(kind, width, height, LabelWidth);
}

// The x of the scale point for `value` (units from the left end).
int PointX(const MeterScale& s, double fromLeft, double span) {
  return s.left + static_cast<int>((s.right - s.left) * fromLeft / span);
}

TEST(MeterReading, SecondBlankSeparatedToken) {
  EXPECT_DOUBLE_EQ(MeterReading("DC -48.0 V"), -48.0);
  EXPECT_DOUBLE_EQ(MeterReading("AC 0.75 Vpp"), 0.75);
  EXPECT_DOUBLE_EQ(MeterReading("AC -70.0"), -70.0);  // no second blank: to the end
  EXPECT_DOUBLE_EQ(MeterReading("12.5"), 12.5);       // no blank: the first token
  EXPECT_DOUBLE_EQ(MeterReading("DC V"), 0.0);
  EXPECT_DOUBLE_EQ(MeterReading(""), 0.0);
}

TEST(MeterFilter, FromRestTowardsMinus75) {
  MeterFilter filter;
  filter.SetReading(-75.0);
  EXPECT_NEAR(filter.Step(), -13.2, 1e-9);  // slew-limited
  EXPECT_NEAR(filter.Step(), -24.955, 1e-3);
  EXPECT_NEAR(filter.Step(), -34.475, 1e-3);
  for (int i = 0; i < 200; ++i) filter.Step();
  EXPECT_NEAR(filter.Output(), -75.0, 1e-6);  // the steady state is the reading
  const MeterScale dc = Scale(MeterKind::Dc);
  const auto bar = BarForValue(dc, filter.Output());
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->x0, dc.zeroX);
  EXPECT_EQ(bar->x1, dc.left);  // the left end and no further
}

TEST(MeterFilter, JumpRisesAtMostTheSlewLimitPerStep) {
  MeterFilter filter;
  filter.SetReading(60.0);
  double previous = 0.0;
  for (int i = 0; i < 100; ++i) {
    const double y = filter.Step();
    EXPECT_LE(y - previous, MeterFilter::kSlewLimit + 1e-9) << i;
    EXPECT_GE(y, previous) << i;
    previous = y;
  }
  EXPECT_NEAR(previous, 60.0, 1e-3);
  filter.Zero();
  EXPECT_EQ(filter.Output(), 0.0);
  EXPECT_EQ(filter.Step(), 0.0);  // zeroed: the target went too
}

TEST(MeterScale, TicksLabelsAndOrigins) {
  const MeterScale dc = Scale(MeterKind::Dc);
  EXPECT_EQ(dc.left, 14);
  EXPECT_EQ(dc.right, 386);
  EXPECT_EQ(dc.baseline, 39);
  ASSERT_EQ(dc.ticks.size(), 25u);
  EXPECT_EQ(dc.ticks.front().x, dc.left);
  EXPECT_EQ(dc.ticks.back().x, dc.right);
  EXPECT_EQ(dc.ticks[12].x, dc.zeroX);
  EXPECT_STREQ(dc.ticks[12].label, "0");
  EXPECT_EQ(dc.ticks[1].label, nullptr);
  EXPECT_EQ(dc.ticks[1].height, 40 / 3);
  EXPECT_EQ(dc.ticks[2].height, 40 / 2);
  EXPECT_DOUBLE_EQ(dc.unitsPerPixel, 120.0 / (386 - 14));
  const MeterScale vpp = Scale(MeterKind::AcVpp);
  ASSERT_EQ(vpp.ticks.size(), 21u);
  EXPECT_STREQ(vpp.ticks[10].label, "0");
  EXPECT_EQ(vpp.zeroX, vpp.ticks[10].x);
  const MeterScale dbm = Scale(MeterKind::AcDbm);
  ASSERT_EQ(dbm.ticks.size(), 23u);
  EXPECT_STREQ(dbm.ticks.back().label, "+3");
}

TEST(MeterBars, VppIsCentredOnZero) {
  const MeterScale s = Scale(MeterKind::AcVpp);
  const auto bar = BarForValue(s, 1.5);
  ASSERT_TRUE(bar);
  // From the -0.75 point to the +0.75 point of the -1.5..+1.5 scale, within the integer steps.
  EXPECT_NEAR(bar->x0, PointX(s, 0.75, 3.0), 1);
  EXPECT_NEAR(bar->x1, PointX(s, 2.25, 3.0), 1);
  EXPECT_EQ(bar->x1 - s.zeroX, s.zeroX - bar->x0);
  EXPECT_EQ(bar->y, s.baseline - 6);
  EXPECT_EQ(BarForValue(s, 0.0), std::nullopt);
  EXPECT_EQ(BarForValue(s, -0.4), std::nullopt);
  const auto full = BarForValue(s, 3.5);
  ASSERT_TRUE(full);
  EXPECT_EQ(full->x0, s.left);
  EXPECT_EQ(full->x1, s.right);
}

TEST(MeterBars, DbmRunsFromTheLeftEndAndStaysOnTheScale) {
  const MeterScale s = Scale(MeterKind::AcDbm);
  const auto silent = BarForValue(s, -30.0);
  ASSERT_TRUE(silent);
  EXPECT_EQ(silent->x0, silent->x1);  // no visible bar
  const auto top = BarForValue(s, 3.0);
  ASSERT_TRUE(top);
  EXPECT_EQ(top->x0, s.left);
  EXPECT_EQ(top->x1, s.right);
  const auto below = BarForValue(s, -70.0);
  ASSERT_TRUE(below);
  EXPECT_EQ(below->x1, s.left);  // no longer drawn leftwards past the scale
  const auto above = BarForValue(s, 20.0);
  ASSERT_TRUE(above);
  EXPECT_EQ(above->x1, s.right);
  const auto mid = BarForValue(s, -13.5);
  ASSERT_TRUE(mid);
  EXPECT_EQ(mid->x1, PointX(s, 16.5, 33.0));
}

TEST(MeterBars, DcClampsBothWaysAndSurvivesHugeReadings) {
  const MeterScale s = Scale(MeterKind::Dc);
  EXPECT_EQ(BarForValue(s, 1e300)->x1, s.right);
  EXPECT_EQ(BarForValue(s, -1e300)->x1, s.left);
  EXPECT_EQ(BarForValue(s, 30.0)->x1, s.zeroX + static_cast<int>(30.0 / s.unitsPerPixel));
  EXPECT_EQ(BarForValue(s, std::nan("")), std::nullopt);
}

TEST(MeterBars, NoBarWithoutScaleWidth) {
  // Too narrow for its labels: the ends cross and there is no units-per-pixel to divide by.
  for (MeterKind kind : {MeterKind::Dc, MeterKind::AcVpp, MeterKind::AcDbm}) {
    const MeterScale s = Scale(kind, 20, 20);
    EXPECT_LE(s.right - s.left, 0);
    EXPECT_EQ(s.unitsPerPixel, 0.0);
    EXPECT_EQ(BarForValue(s, 1.0), std::nullopt);
  }
}

}  // namespace
