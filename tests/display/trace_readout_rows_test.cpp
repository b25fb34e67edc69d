// The read-out panel's signal-trace rows: the two markers' readings, their difference, the scope's
// live reading when snap is off, and an empty trace.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "display/model/TraceReadoutRows.h"
#include "link/store/OruData.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr COLORREF kWindow = 0xFFFFFF;
constexpr COLORREF kText = 0x000000;
constexpr COLORREF kOriginate = 0x00FF00;
constexpr COLORREF kMarker = 0xFF0000;

class TraceReadout : public ::testing::Test {
 protected:
  TraceReadout() {
    colors.window = kWindow;
    colors.windowText = kText;
    colors.originate = kOriginate;
    colors.marker = kMarker;
    LinkFields(store).sysCfg.value1 = 0.01;  // AC: volts per unit
    LinkFields(store).sysCfg.value2 = 0.5;   // DC: used negated
  }
  // `count` samples, sample i = i - 500.
  void Trace(int count, long scale, long span) {
    auto& fields = LinkFields(store);
    std::lock_guard guard(fields.dataMutex);
    fields.traceSamples.RemoveAll();
    for (int i = 0; i < count; ++i) fields.traceSamples.Add(i - 500);
    fields.currentTrace.scaleIndex = scale;
    fields.currentTrace.spanIndex = span;
  }
  TraceReadoutRows Rows(bool snap, ScopeReadings scope = {}) { return BuildTraceReadout(store, snap, scope, colors); }

  CORUData store;
  CaptureColors colors;
};

struct SnappedCase {
  long scale, span;
  int index;
  const char* time;
  const char* voltage;
};

class SnappedMarker : public TraceReadout, public ::testing::WithParamInterface<SnappedCase> {};

// Both markers show their own sample; the seconds per sample are the recorded span's.
TEST_P(SnappedMarker, ReadsItsSample) {
  const SnappedCase& c = GetParam();
  Trace(1000, c.scale, c.span);
  LinkFields(store).traceMarker1 = c.index;
  LinkFields(store).traceMarker2 = c.index;
  const TraceReadoutRows rows = Rows(true);
  EXPECT_EQ(rows[0].text, c.time);
  EXPECT_EQ(rows[1].text, c.voltage);
  EXPECT_EQ(rows[6].text, c.time);
  EXPECT_EQ(rows[7].text, c.voltage);
  EXPECT_EQ(rows[0].fill, kOriginate);
  EXPECT_EQ(rows[1].fill, kOriginate);
  EXPECT_EQ(rows[6].fill, kMarker);
  EXPECT_EQ(rows[7].fill, kMarker);
  EXPECT_EQ(rows[2].fill, kWindow);
  EXPECT_EQ(rows[5].fill, kWindow);
  EXPECT_EQ(rows[0].textColor, kText);
}

INSTANTIATE_TEST_SUITE_P(Spans, SnappedMarker,
                         ::testing::Values(
                             // Span 3 is 20 s over 1000 samples: the sample at 500 is 10 s in.
                             SnappedCase{0, 3, 500, "Time: 10.00 seconds", "Voltage: -0.000 V"},
                             SnappedCase{0, 4, 500, "Time: 30.00 seconds", "Voltage: -0.000 V"},
                             SnappedCase{0, 0, 700, "Time: 3.50 seconds", "Voltage: -100.000 V"},
                             SnappedCase{1, 2, 100, "Time: 1.50 seconds", "Voltage: 200.000 V"},
                             SnappedCase{2, 1, 750, "Time: 7.50 seconds", "Voltage: 2.500 Vpp"},
                             // A negative AC sample is a peak-to-peak width all the same.
                             SnappedCase{3, 1, 0, "Time: 0.00 seconds", "Voltage: 5.000 Vpp"}));

TEST_F(TraceReadout, SnappedDeltaIsMarker2MinusMarker1AndKeepsItsSign) {
  Trace(1000, 2, 1);                     // AC, 0.01 s per sample
  LinkFields(store).traceMarker2 = 100;  // left of marker 1
  LinkFields(store).traceMarker1 = 300;
  const TraceReadoutRows rows = Rows(true);
  // AC samples are peak-to-peak widths, halved: (400 - 200) x 0.01 / 2.
  EXPECT_EQ(rows[3].text, "Voltage Delta: 1.000 V");
  EXPECT_EQ(rows[4].text, "Time Delta: -2.00 sec.");
  EXPECT_EQ(rows[3].fill, kWindow);
  EXPECT_EQ(rows[3].textColor, (0u - kWindow) & 0xFFFFFF);
  EXPECT_EQ(rows[1].text, "Voltage: 4.000 Vpp");
  EXPECT_EQ(rows[7].text, "Voltage: 2.000 Vpp");

  Trace(1000, 0, 1);  // DC: samples x -value2, not halved
  EXPECT_EQ(Rows(true)[3].text, "Voltage Delta: 100.000 V");
}

TEST_F(TraceReadout, SnapOffShowsTheScopesLiveReadingAndItsDeltaFromMarker1) {
  Trace(1000, 0, 1);                     // DC, 0.01 s per sample
  LinkFields(store).traceMarker1 = 200;  // sample -300: 150 V
  LinkFields(store).traceMarker2 = 900;  // ignored without snap
  const TraceReadoutRows rows = Rows(false, {12.345, 5.0});
  EXPECT_EQ(rows[0].text, "Time: 5.00 seconds");
  EXPECT_EQ(rows[1].text, "Voltage: 12.3 V");
  EXPECT_EQ(rows[0].fill, kOriginate);
  EXPECT_EQ(rows[6].text, "Time: 2.00 seconds");
  EXPECT_EQ(rows[7].text, "Voltage: 150.000 V");
  // The cursor's reading minus marker 1's, not the cursor's own reading.
  EXPECT_EQ(rows[3].text, "Voltage Delta: -137.655 V");
  EXPECT_EQ(rows[4].text, "Time Delta: 3.00 sec.");

  Trace(1000, 3, 1);  // AC: two decimals for the live voltage
  const TraceReadoutRows ac = Rows(false, {0.456, 1.0});
  EXPECT_EQ(ac[1].text, "Voltage: 0.46 V");
  EXPECT_EQ(ac[3].text, "Voltage Delta: -1.044 V");  // 0.456 - (300 x 0.01 / 2)
  EXPECT_EQ(ac[4].text, "Time Delta: -1.00 sec.");

  // A getter without a reading leaves its rows as filled.
  const TraceReadoutRows timeOnly = Rows(false, {std::nan(""), 4.0});
  EXPECT_EQ(timeOnly[0].text, "Time: 4.00 seconds");
  EXPECT_EQ(timeOnly[1].text, "");
  EXPECT_EQ(timeOnly[1].fill, kOriginate);
  EXPECT_EQ(timeOnly[3].text, "");
  EXPECT_EQ(timeOnly[4].text, "Time Delta: 2.00 sec.");
}

TEST_F(TraceReadout, SnapOnWithoutMarker2LeavesItsRowsEmpty) {
  Trace(1000, 0, 1);
  LinkFields(store).traceMarker1 = 10;
  const TraceReadoutRows rows = Rows(true, {1.0, 1.0});
  EXPECT_EQ(rows[0].fill, kWindow);
  EXPECT_EQ(rows[0].text, "");
  EXPECT_EQ(rows[3].text, "");  // no delta with one marker
  EXPECT_EQ(rows[6].text, "Time: 0.10 seconds");
}

TEST_F(TraceReadout, NoSamplesShowOnlyTheLiveReadingWithSnapOff) {
  Trace(0, 0, 1);
  LinkFields(store).traceMarker1 = 5;
  LinkFields(store).traceMarker2 = 7;
  for (const ReadoutRow& row : Rows(true, {1.0, 2.0})) EXPECT_EQ(row, (ReadoutRow{kWindow, "", kWindow, kText}));

  const TraceReadoutRows live = Rows(false, {1.0, 2.0});
  EXPECT_EQ(live[0].text, "Time: 2.00 seconds");
  EXPECT_EQ(live[1].text, "Voltage: 1.0 V");
  for (int r = 2; r < kTraceReadoutRows; ++r) {
    EXPECT_EQ(live[static_cast<std::size_t>(r)].text, "") << r;
    EXPECT_EQ(live[static_cast<std::size_t>(r)].fill, kWindow) << r;
  }
}

TEST_F(TraceReadout, IndexesPastTheTraceAndBadRecordedIndexesShowNoValue) {
  Trace(100, 0, 1);
  auto& fields = LinkFields(store);
  fields.traceMarker1 = 150;  // the trace was replaced by a shorter one
  fields.traceMarker2 = 50;
  TraceReadoutRows rows = Rows(true);
  EXPECT_EQ(rows[6].fill, kMarker);
  EXPECT_EQ(rows[6].text, "");
  EXPECT_EQ(rows[3].text, "");
  EXPECT_EQ(rows[0].text, "Time: 0.50 seconds");

  Trace(1000, 7, 9);  // a recorded scale and span no table holds
  fields.traceMarker1 = 20;
  rows = Rows(true);
  EXPECT_EQ(rows[6].text, "");
  EXPECT_EQ(rows[7].text, "");
}

// WCAG contrast ratio of two colours (0x00BBGGRR).
double Contrast(COLORREF a, COLORREF b) {
  auto luminance = [](COLORREF c) {
    auto channel = [](unsigned v) {
      const double s = v / 255.0;
      return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c & 0xFF) + 0.7152 * channel((c >> 8) & 0xFF) + 0.0722 * channel((c >> 16) & 0xFF);
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// With the default colours every marker row reads at 4.5:1 or better against its fill: marker 1
// white on the marker colour (as the capture read-out's marker block), marker 2 in the originate
// text colour on the originate colour.
TEST_F(TraceReadout, MarkerRowsReadWellOnTheirFill) {
  colors = CaptureColors{};
  ASSERT_EQ(colors.marker, 0xFF0000u);  // pure blue, on which black reads at 2.4:1
  Trace(1000, 0, 1);
  LinkFields(store).traceMarker1 = 300;
  LinkFields(store).traceMarker2 = 600;
  const TraceReadoutRows rows = Rows(true);
  for (int r : {0, 1, 6, 7}) {
    const ReadoutRow& row = rows[static_cast<std::size_t>(r)];
    ASSERT_FALSE(row.text.empty()) << r;
    EXPECT_GE(Contrast(row.textColor, row.textBackground), 4.5) << "row " << r;
  }
  EXPECT_EQ(rows[6].textColor, kWhite);
}

}  // namespace
