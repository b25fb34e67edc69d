#include <gtest/gtest.h>

#include "link/protocol/WorkerMessages.h"
#include "trace/model/TraceControlRules.h"
#include "trace/model/TraceRecallRules.h"

namespace {

using Posts = std::vector<WorkerPost>;

TEST(CaptureTrace, DecisionByRunStateAndDevice) {
  // An abort goes out whether or not a device is present, so a lost device's trace can end.
  EXPECT_EQ(DecideCapture(true, false), CaptureStep::Abort);
  EXPECT_EQ(DecideCapture(true, true), CaptureStep::Abort);
  EXPECT_EQ(DecideCapture(false, false), CaptureStep::NoDevice);
  EXPECT_EQ(DecideCapture(false, true), CaptureStep::Start);
}

struct StartCase {
  int trigger;
  Posts posts;
};

class CaptureStartPosts : public ::testing::TestWithParam<StartCase> {};

TEST_P(CaptureStartPosts, PostsInOrderAndCopiesTheSettings) {
  TraceStartSettings s{.scale = 2,
                       .span = 1,
                       .trigger = GetParam().trigger,
                       .triggerNumber = "12*#",
                       .ringbackQuantity = 3,
                       .deltaV = -50};
  CSysCfg cfg;
  EXPECT_EQ(PlanCaptureStart(s, cfg).posts, GetParam().posts);
  EXPECT_EQ(cfg.traceScale, 2);
  EXPECT_EQ(cfg.traceSpan, 1);
  EXPECT_EQ(cfg.trigger, GetParam().trigger);
  // Only the chosen trigger's parameter is written.
  EXPECT_EQ(cfg.triggerText, GetParam().trigger == 1 ? "12*#" : "");
  EXPECT_EQ(cfg.item14, GetParam().trigger == 2 ? 3 : 0);
  EXPECT_EQ(cfg.item15, GetParam().trigger == 3 ? 0xFFCE : 0);
  EXPECT_EQ(cfg.traceLevel, -50);  // the level the trace keeps, whatever its trigger
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, CaptureStartPosts,
    ::testing::Values(StartCase{0, {{WM_ORU_SET_CONFIG, 0x30800, 0}, {WM_ORU_START_TRIGGERED_TRACE, 3, 0}}},
                      StartCase{1,
                                {{WM_ORU_SET_TRIGGER_STRING, 0, 0},
                                 {WM_ORU_SET_CONFIG, 0x30800, 0},
                                 {WM_ORU_START_TRIGGERED_TRACE, 3, 0}}},
                      StartCase{2, {{WM_ORU_SET_CONFIG, 0x34800, 0}, {WM_ORU_START_TRIGGERED_TRACE, 3, 0}}},
                      StartCase{3, {{WM_ORU_SET_CONFIG, 0x38800, 0}, {WM_ORU_START_TRIGGERED_TRACE, 3, 0}}},
                      StartCase{7, {{WM_ORU_SET_CONFIG, 0x30800, 0}, {WM_ORU_START_TRIGGERED_TRACE, 3, 0}}}));

TEST(CaptureTrace, RingbackCountIsClampedToOneByte) {
  CSysCfg cfg;
  TraceStartSettings s;
  s.trigger = 2;
  for (const auto& [quantity, sent] : {std::pair{-5, 0}, {0, 0}, {99, 99}, {250, 99}}) {
    s.ringbackQuantity = quantity;
    PlanCaptureStart(s, cfg);
    EXPECT_EQ(cfg.item14, sent) << quantity;
  }
}

TEST(CaptureTrace, TriggerDigitsAreCleanedBeforeTheyGoOut) {
  EXPECT_EQ(CleanTriggerNumber("-1"), "-1");
  EXPECT_EQ(CleanTriggerNumber("1:2"), "12");  // no ':' may reach the ST command
  EXPECT_EQ(CleanTriggerNumber("a*b#c d9"), "A*B#CD9");
  EXPECT_EQ(CleanTriggerNumber("-12"), "12");
  EXPECT_EQ(CleanTriggerNumber("0123456789ABCD"), "0123456789A");
  CSysCfg cfg;
  TraceStartSettings s;
  s.trigger = 1;
  s.triggerNumber = "55:5\r\n";
  PlanCaptureStart(s, cfg);
  EXPECT_EQ(cfg.triggerText, "555");
}

TEST(RecallTrace, OpeningStopsWhatRunsOnlyAsFarAsTheDeviceAllows) {
  const RecallOpening noDevice = DecideRecallOpening(true, false, true);
  EXPECT_TRUE(noDevice.stopDtmf);
  EXPECT_TRUE(noDevice.noDevice);
  EXPECT_FALSE(noDevice.stopLineTest);
  const RecallOpening busy = DecideRecallOpening(false, true, true);
  EXPECT_FALSE(busy.stopDtmf);
  EXPECT_FALSE(busy.noDevice);
  EXPECT_TRUE(busy.stopLineTest);
}

TEST(VoltageLabel, PercentOfEachScale) {
  EXPECT_EQ(VoltageLabel(50, 0), "30.0 V");
  EXPECT_EQ(VoltageLabel(50, 1), "15.0 V");
  EXPECT_EQ(VoltageLabel(50, 2), "0.75 V");
  EXPECT_EQ(VoltageLabel(50, 3), "0.35 V");
  EXPECT_EQ(VoltageLabel(-99, 0), "-59.4 V");
  EXPECT_EQ(VoltageLabel(5, 1), "1.5 V");
  EXPECT_EQ(VoltageLabel(50, 4), "0.0 V");
  EXPECT_EQ(VoltageLabel(50, -1), "0.0 V");
}

TEST(ScaleList, SelectionMapsBothWays) {
  EXPECT_EQ(ScaleListEntries(true), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(ScaleListEntries(false), (std::vector<int>{2, 3}));
  // Two AC entries: the first stores 2, "0.7 V AC p-p" stores 3.
  EXPECT_EQ(ScaleForSelection(0, 2), 2);
  EXPECT_EQ(ScaleForSelection(1, 2), 3);
  EXPECT_EQ(ScaleForSelection(3, 4), 3);
  EXPECT_EQ(ScaleForSelection(0, 3), std::nullopt);
  EXPECT_EQ(ScaleForSelection(-1, 4), std::nullopt);
  EXPECT_EQ(ScaleForSelection(2, 2), std::nullopt);
  for (int scale : {0, 1, 2, 3}) {
    EXPECT_EQ(SelectionForScale(scale, 4), scale);
    const auto ac = SelectionForScale(scale, 2);
    if (scale < 2) {
      EXPECT_EQ(ac, std::nullopt) << scale;
    } else {
      ASSERT_TRUE(ac) << scale;
      EXPECT_EQ(ScaleForSelection(*ac, 2), scale);  // a refresh and a selection agree
    }
  }
  EXPECT_EQ(SelectionForScale(9, 4), 0);
  EXPECT_EQ(SelectionForScale(9, 2), std::nullopt);
}

TEST(SpanList, RefreshSelection) {
  EXPECT_EQ(SelectionForSpan(4, 5), 4);
  EXPECT_EQ(SelectionForSpan(4, 4), std::nullopt);  // "60 Seconds" not listed
  EXPECT_EQ(SelectionForSpan(-3, 4), 0);
  EXPECT_EQ(SelectionForSpan(7, 5), 0);
  EXPECT_EQ(SelectionForTrigger(3), 3);
  EXPECT_EQ(SelectionForTrigger(4), 0);
}

struct FilterCase {
  EditFilter filter;
  const char* before;
  const char* after;
  std::optional<std::string> kept;
};

class EditFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(EditFilters, TypedOrPasted) {
  const FilterCase& c = GetParam();
  EXPECT_EQ(FilterEdit(c.filter, c.before, c.after), c.kept) << c.before << " -> " << c.after;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditFilters,
    ::testing::Values(FilterCase{EditFilter::Dtmf, "", "A", "A"}, FilterCase{EditFilter::Dtmf, "1", "1d", "1D"},
                      FilterCase{EditFilter::Dtmf, "1", "1E", std::nullopt},
                      FilterCase{EditFilter::Dtmf, "", "1:2", std::nullopt},  // a paste is filtered whole
                      FilterCase{EditFilter::Dtmf, "12", "1*#2", "1*#2"},
                      FilterCase{EditFilter::Dtmf, "0123456789", "0123456789A", "0123456789A"},
                      FilterCase{EditFilter::Dtmf, "0123456789A", "0123456789AB", std::nullopt},
                      FilterCase{EditFilter::Dtmf, "12:3", "12:", "12:"},  // deleting always passes
                      FilterCase{EditFilter::Dtmf, "123", "1a3", "1A3"},   // a replaced selection
                      FilterCase{EditFilter::Voltage, "", "-", "-"},
                      FilterCase{EditFilter::Voltage, "1", "1x", std::nullopt},
                      FilterCase{EditFilter::Voltage, "-1", "-12", "-12"},
                      FilterCase{EditFilter::Voltage, "-12", "-123", std::nullopt},
                      // the written label is longer than the limit: it can be deleted but not grown
                      FilterCase{EditFilter::Voltage, "30.0 V", "30.0 V5", std::nullopt},
                      FilterCase{EditFilter::Voltage, "30.0 V", "30.0 ", "30.0 "}));

TEST(EnableTimer, RuleByDeviceAndTraceState) {
  EXPECT_EQ(DecideEnableTick(false, false, false).controls, ControlEnables::DisableAll);
  EXPECT_EQ(DecideEnableTick(true, false, false).controls, ControlEnables::EnableMain);
  EXPECT_EQ(DecideEnableTick(true, true, false).controls, ControlEnables::Leave);
  EXPECT_EQ(DecideEnableTick(true, false, true).controls, ControlEnables::Leave);
  EXPECT_TRUE(DecideEnableTick(true, false, false).scaleAndSpan);
  EXPECT_FALSE(DecideEnableTick(true, true, false).scaleAndSpan);
  EXPECT_FALSE(DecideEnableTick(false, true, false).scaleAndSpan);
  EXPECT_TRUE(DecideEnableTick(true, false, true).scaleAndSpan);
}

TEST(RecallRows, EmptySlotWhateverItsDate) {
  CORUTraceHeader header;
  header.date = "01/14/24";
  header.time = "10:00:01";
  header.line = -1;
  const RecallRow empty = RowForHeader(header);
  EXPECT_TRUE(empty.empty);
  EXPECT_FALSE(empty.usable);
  EXPECT_EQ(empty.dateTime, "");
  header.line = 1;
  const RecallRow used = RowForHeader(header);
  EXPECT_FALSE(used.empty);
  EXPECT_TRUE(used.usable);
  EXPECT_EQ(used.dateTime, "01/14/24  10:00:01");
}

TEST(RecallRows, BusyFromTheFirstRowToTheThird) {
  EXPECT_TRUE(BusyAfterRow(0, false));
  EXPECT_TRUE(BusyAfterRow(1, true));
  EXPECT_FALSE(BusyAfterRow(1, false));  // row 1 alone changes nothing
  EXPECT_FALSE(BusyAfterRow(2, true));
  EXPECT_FALSE(BusyAfterRow(5, false));
}

TEST(RecallRows, SettingsTakeFourDigits) {
  CORUTraceHeader header;
  header.dtmfDigits = "180055";
  EXPECT_EQ(SettingsFromHeader(header).triggerNumber, "1800");
  header.dtmfDigits = "12";
  EXPECT_EQ(SettingsFromHeader(header).triggerNumber, "12");
}

}  // namespace
