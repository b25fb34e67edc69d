#include <gtest/gtest.h>

#include <algorithm>

#include "resources/data/ResourceIds.h"
#include "shell/model/StateSync.h"

namespace {

bool EnabledIn(const std::vector<std::pair<int, bool>>& enables, int id, bool* value) {
  const auto it = std::find_if(enables.begin(), enables.end(), [id](const auto& e) { return e.first == id; });
  if (it == enables.end()) return false;
  *value = it->second;
  return true;
}

SyncInput Present() {
  SyncInput in;
  in.deviceOpen = true;
  in.controlViewExists = true;
  in.traceControlExists = true;
  in.captureButtonText = "Capture";
  return in;
}

// Five tabs: the fifth shows that a tab added later follows the meters' rule.
std::vector<bool> Tabs(const SyncPlan& plan, bool unchangedAs) {
  std::vector<bool> tabs;
  for (int tab = 0; tab < 5; ++tab) tabs.push_back(plan.tabs.For(tab).value_or(unchangedAs));
  return tabs;
}

}  // namespace

TEST(StateSync, DownloadRunningTouchesNothing) {
  SyncInput in = Present();
  in.run.download = true;
  in.deviceOpen = false;
  const SyncPlan plan = PlanStateSync(in);
  EXPECT_FALSE(plan.active);
  EXPECT_TRUE(plan.controlViewEnables.empty());
  EXPECT_FALSE(plan.stopActivities);
  EXPECT_FALSE(plan.selectTab0);
  for (int tab = 0; tab < 5; ++tab) EXPECT_FALSE(plan.tabs.For(tab).has_value()) << tab;
}

TEST(StateSync, DeviceAbsentDisablesCaptureAndMeterTabs) {
  SyncInput in = Present();
  in.deviceOpen = false;
  in.captureButtonIdle = false;
  in.captureButtonText = "End Capture";
  const SyncPlan plan = PlanStateSync(in);
  EXPECT_TRUE(plan.active);
  EXPECT_EQ(plan.connectionText, "USB disconnected");
  EXPECT_TRUE(plan.clearStatusText);
  EXPECT_TRUE(plan.stopActivities);
  bool on = true;
  ASSERT_TRUE(EnabledIn(plan.controlViewEnables, IDC_CAPTURE, &on));
  EXPECT_FALSE(on);
  ASSERT_TRUE(EnabledIn(plan.controlViewEnables, IDC_STANDARD, &on));
  EXPECT_TRUE(on);
  ASSERT_TRUE(plan.captureButtonText.has_value());
  EXPECT_EQ(*plan.captureButtonText, "Capture");
  EXPECT_TRUE(plan.captureButtonIdle);
  for (int id : {IDC_LINE1, IDC_LINE2, IDC_CAPTURE_TRACE, IDC_RECALL_TRACE, IDC_TRIGGER_TYPE, IDC_TRIGGER_DTMF,
                 IDC_TRIGGER_RINGBACK, IDC_TRIGGER_VOLTAGE}) {
    ASSERT_TRUE(EnabledIn(plan.traceControlEnables, id, &on)) << id;
    EXPECT_FALSE(on) << id;
  }
  // Tabs 0 and 1 on, whatever they were (a trace closes 0), 2 and 3 off.
  EXPECT_EQ(Tabs(plan, false), (std::vector<bool>{true, true, false, false, false}));
  // And every control a capture's start locked, Capture aside.
  for (int id : {IDC_CONFIGURE, IDC_SIGNAL_TRACE, IDC_LINE_TEST, IDC_DTMF_DECODER}) {
    ASSERT_TRUE(EnabledIn(plan.controlViewEnables, id, &on)) << id;
    EXPECT_TRUE(on) << id;
  }
}

struct TabFallback {
  int currentTab;
  bool selectTab0;
};

class StateSyncTabFallback : public testing::TestWithParam<TabFallback> {};

TEST_P(StateSyncTabFallback, MeterTabsFallBackToCaptureOnDeviceLoss) {
  SyncInput in = Present();
  in.deviceOpen = false;
  in.currentTab = GetParam().currentTab;
  EXPECT_EQ(PlanStateSync(in).selectTab0, GetParam().selectTab0);
  in.deviceOpen = true;
  EXPECT_FALSE(PlanStateSync(in).selectTab0);
}

INSTANTIATE_TEST_SUITE_P(Tabs, StateSyncTabFallback,
                         testing::Values(TabFallback{0, false}, TabFallback{1, false}, TabFallback{2, true},
                                         TabFallback{3, true}));

TEST(StateSync, PresentAndIdleEnablesEverythingAndKeepsOnlyTheTriggersEdit) {
  struct Row {
    int trigger;
    int keptEdit;
    DcScales scales;
  };
  for (const Row row : {Row{0, 0, DcScales::Hide}, Row{1, IDC_TRIGGER_DTMF, DcScales::Hide},
                        Row{2, IDC_TRIGGER_RINGBACK, DcScales::Hide}, Row{3, IDC_TRIGGER_VOLTAGE, DcScales::Show},
                        Row{-1, 0, DcScales::Leave}}) {
    SyncInput in = Present();
    in.triggerSelection = row.trigger;
    const SyncPlan plan = PlanStateSync(in);
    EXPECT_EQ(plan.connectionText, "USB connected");
    EXPECT_FALSE(plan.stopActivities);
    EXPECT_EQ(plan.dcScales, row.scales) << row.trigger;
    for (int id : {IDC_TRIGGER_DTMF, IDC_TRIGGER_RINGBACK, IDC_TRIGGER_VOLTAGE}) {
      bool on = false;
      ASSERT_TRUE(EnabledIn(plan.traceControlEnables, id, &on));
      EXPECT_EQ(on, id == row.keptEdit) << "trigger " << row.trigger << " edit " << id;
    }
    bool on = false;
    ASSERT_TRUE(EnabledIn(plan.controlViewEnables, IDC_CAPTURE, &on));
    EXPECT_TRUE(on);
    // The trace control's own timer enables its Capture Trace button.
    EXPECT_FALSE(EnabledIn(plan.traceControlEnables, IDC_CAPTURE_TRACE, &on));
    EXPECT_EQ(Tabs(plan, false), (std::vector<bool>{true, true, true, true, true}));
  }
}

TEST(StateSync, CaptureBusyShowsEndCaptureAndLocksOtherTabs) {
  for (int armed = 0; armed < 2; ++armed) {
    SyncInput in = Present();
    in.run.capture = armed == 1 ? CaptureRun::Armed : CaptureRun::Running;
    const SyncPlan plan = PlanStateSync(in);
    ASSERT_TRUE(plan.captureButtonText.has_value());
    EXPECT_EQ(*plan.captureButtonText, "End Capture");
    EXPECT_FALSE(plan.captureButtonIdle);
    bool on = true;
    ASSERT_TRUE(EnabledIn(plan.controlViewEnables, IDC_RECALL_SESSION, &on));
    EXPECT_FALSE(on);
    EXPECT_FALSE(EnabledIn(plan.controlViewEnables, IDC_CAPTURE, &on));  // stays enabled
    EXPECT_TRUE(plan.traceControlEnables.empty());
    EXPECT_FALSE(plan.tabs.For(0).has_value());
    EXPECT_EQ(Tabs(plan, true), (std::vector<bool>{true, false, false, false, false}));
  }
  // Once it reads "End Capture" the text is not set again.
  SyncInput in = Present();
  in.run.capture = CaptureRun::Running;
  in.captureButtonIdle = true;
  in.captureButtonText = "End Capture";
  EXPECT_FALSE(PlanStateSync(in).captureButtonText.has_value());
}

TEST(StateSync, TraceBusyLocksTraceControlAndOtherTabs) {
  SyncInput in = Present();
  in.run.trace = TraceRun::TriggerArmed;
  const SyncPlan plan = PlanStateSync(in);
  EXPECT_TRUE(plan.controlViewEnables.empty());
  bool on = true;
  ASSERT_TRUE(EnabledIn(plan.traceControlEnables, IDC_TRIGGER_TYPE, &on));
  EXPECT_FALSE(on);
  EXPECT_FALSE(plan.tabs.For(1).has_value());
  EXPECT_EQ(Tabs(plan, true), (std::vector<bool>{false, true, false, false, false}));
}

TEST(StateSync, CaptureButtonTextIsReadUpTo15Characters) {
  SyncInput in = Present();
  in.captureButtonText = "End Capture now, please";  // its first 15 characters are not "End Capture"
  EXPECT_FALSE(PlanStateSync(in).captureButtonText.has_value());
  in.captureButtonText = "End Capture";
  EXPECT_EQ(PlanStateSync(in).captureButtonText.value_or(""), "Capture");
}

TEST(StateSync, MissingWindowsAreSkipped) {
  SyncInput in;
  in.deviceOpen = false;
  const SyncPlan plan = PlanStateSync(in);
  EXPECT_TRUE(plan.controlViewEnables.empty());
  EXPECT_TRUE(plan.traceControlEnables.empty());
  EXPECT_FALSE(plan.captureButtonText.has_value());
  EXPECT_TRUE(plan.stopActivities);
}
