#include "link/store/TraceScales.h"

#include <gtest/gtest.h>

#include <string>

using namespace trace_scales;

namespace {

struct SpanCase {
  int index;
  double spanSeconds;
  double secondsPerPoint;
  const char* secondLabel;
  const char* lastLabel;
};

class SpanTable : public ::testing::TestWithParam<SpanCase> {};

TEST_P(SpanTable, LabelsAgreeWithSecondsPerPoint) {
  const SpanCase& c = GetParam();
  ASSERT_EQ(SecondsPerPoint(c.index), c.secondsPerPoint);
  EXPECT_EQ(SpanSeconds(c.index), c.spanSeconds);
  auto labels = SpanLabels(c.index);
  ASSERT_EQ(labels.size(), 11u);
  EXPECT_STREQ(labels[0], "0");
  EXPECT_STREQ(labels[1], c.secondLabel);
  EXPECT_STREQ(labels[10], c.lastLabel);
  // Every label is its division's time: i tenths of the span, 1000 points long.
  for (int i = 0; i <= 10; ++i) {
    EXPECT_NEAR(std::stod(labels[i]), *SecondsPerPoint(c.index) * 1000.0 * i / 10.0, 1e-9) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(All, SpanTable,
                         ::testing::Values(SpanCase{0, 5.0, 0.005, "0.5", "5.0"},
                                           SpanCase{1, 10.0, 0.01, "1.0", "10.0"},
                                           SpanCase{2, 15.0, 0.015, "1.5", "15.0"},
                                           SpanCase{3, 20.0, 0.02, "2.0", "20.0"},
                                           SpanCase{4, 60.0, 0.06, "6.0", "60.0"}));

struct ScaleCase {
  int index;
  const char* range;
  double spanVolts;
  int divisions;
  const char* top;
};

class ScaleTable : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleTable, LabelsAgreeWithSpanVolts) {
  const ScaleCase& c = GetParam();
  EXPECT_STREQ(ScaleRangeText(c.index), c.range);
  ASSERT_EQ(ScaleSpanVolts(c.index), c.spanVolts);
  ASSERT_EQ(ScaleDivisions(c.index), c.divisions);
  auto labels = ScaleLabels(c.index);
  ASSERT_EQ(labels.size(), static_cast<size_t>(c.divisions + 1));
  EXPECT_STREQ(labels[0], c.top);
  EXPECT_STREQ(labels[c.divisions / 2], "0");
  // Label i sits i divisions below +span/2.
  for (int i = 0; i <= c.divisions; ++i) {
    double expected = c.spanVolts / 2 - c.spanVolts * i / c.divisions;
    EXPECT_NEAR(std::stod(labels[i]), expected, 1e-9) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(All, ScaleTable,
                         ::testing::Values(ScaleCase{0, "60 V DC", 120.0, 12, "+60"},
                                           ScaleCase{1, "30 V DC", 60.0, 12, "+30"},
                                           ScaleCase{2, "1.5 V AC p-p", 3.0, 6, "+1.50"},
                                           ScaleCase{3, "0.7 V AC p-p", 1.4, 4, "+0.70"}));

TEST(TraceScales, IndexesOutOfRangeGiveNoValue) {
  for (long bad : {-1L, 5L, 100L, -2147483647L - 1}) {
    EXPECT_FALSE(SecondsPerPoint(bad).has_value()) << bad;
    EXPECT_FALSE(SpanSeconds(bad).has_value()) << bad;
    EXPECT_TRUE(SpanLabels(bad).empty()) << bad;
  }
  for (long bad : {-1L, 4L, 255L}) {
    EXPECT_EQ(ScaleRangeText(bad), nullptr) << bad;
    EXPECT_FALSE(ScaleSpanVolts(bad).has_value()) << bad;
    EXPECT_FALSE(ScaleDivisions(bad).has_value()) << bad;
    EXPECT_TRUE(ScaleLabels(bad).empty()) << bad;
  }
}

TEST(TraceScales, FactorFollowsTheRecordedRange) {
  CSysCfg cfg;
  cfg.value1 = 0.0125;  // AC
  cfg.value2 = -0.25;   // DC
  EXPECT_EQ(RecordedFactor(0, cfg), -0.25);
  EXPECT_EQ(RecordedFactor(1, cfg), -0.25);
  EXPECT_EQ(RecordedFactor(2, cfg), 0.0125);
  EXPECT_EQ(RecordedFactor(3, cfg), 0.0125);
  EXPECT_FALSE(RecordedFactor(-1, cfg).has_value());
  EXPECT_FALSE(RecordedFactor(4, cfg).has_value());
}

}  // namespace
