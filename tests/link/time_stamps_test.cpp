#include <gtest/gtest.h>

#include <random>

#include "link/protocol/CaptureTimeStamps.h"

namespace {

constexpr LONGLONG T = 5000;

TEST(CaptureTimeStamps, TheFirstRecordTakesItsCounter) {
  CaptureTimeStamps stamps;
  EXPECT_EQ(stamps.Stamp(10, true, T), 10u);
  EXPECT_EQ(stamps.wrapBase(), T - 10);
  EXPECT_EQ(stamps.Stamp(12, false, T), 12u);
}

TEST(CaptureTimeStamps, ACounterGoingDownAddsAtLeastOnePeriod) {
  CaptureTimeStamps stamps;
  stamps.Stamp(62, true, T);
  // The PC clock has not moved: still one whole period.
  EXPECT_EQ(stamps.Stamp(1, false, T), 65u);
  EXPECT_EQ(stamps.wrapCount(), 1);
  EXPECT_EQ(stamps.Stamp(63, false, T), 127u);
  EXPECT_EQ(stamps.Stamp(0, false, T), 128u);
}

TEST(CaptureTimeStamps, AWrapAcrossLinesCountsThePeriodsThePcClockSaw) {
  CaptureTimeStamps stamps;
  stamps.Stamp(60, true, T);
  EXPECT_EQ(stamps.Stamp(6, true, T + 10), 70u);
  // Two periods and more by the PC clock, counter lower again.
  EXPECT_EQ(stamps.Stamp(5, true, T + 10 + 127), 197u);
}

TEST(CaptureTimeStamps, ASilenceLongerThanAPeriodIsCountedWithoutAWrap) {
  CaptureTimeStamps stamps;
  stamps.Stamp(10, true, T);
  EXPECT_EQ(stamps.Stamp(46, true, T + 100), 110u);
  CaptureTimeStamps longer;
  longer.Stamp(60, true, T);
  EXPECT_EQ(longer.Stamp(62, true, T + 130), 190u);
}

TEST(CaptureTimeStamps, RestartForgetsBaseAndPeriods) {
  CaptureTimeStamps stamps;
  stamps.Stamp(62, true, T);
  stamps.Stamp(1, false, T);
  stamps.Restart();
  EXPECT_EQ(stamps.wrapCount(), 0);
  EXPECT_EQ(stamps.Stamp(3, true, T + 1), 3u);
  EXPECT_EQ(stamps.wrapBase(), T + 1 - 3);
}

TEST(CaptureTimeStamps, TimesNeverGoBackWhateverTheCountersAndClock) {
  std::mt19937 random(7);
  CaptureTimeStamps stamps;
  LONGLONG now = T;
  ULONG last = 0;
  for (int line = 0; line < 2000; ++line) {
    now += static_cast<LONGLONG>(random() % 90);
    const int records = 1 + static_cast<int>(random() % 15);
    for (int k = 0; k < records; ++k) {
      const ULONG seconds = stamps.Stamp(static_cast<UCHAR>(random() % 64), k == 0, now);
      ASSERT_GE(seconds, last) << "line " << line << " record " << k;
      last = seconds;
    }
  }
}

}  // namespace
