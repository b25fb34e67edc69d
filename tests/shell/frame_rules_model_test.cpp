#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "driver/OruInterface.h"
#include "shell/model/CoalescedNotice.h"
#include "shell/model/DeviceChange.h"
#include "shell/model/DownloadProgress.h"
#include "shell/model/FrameCommandRules.h"
#include "shell/model/IdlePacing.h"
#include "shell/model/SplashRegion.h"
#include "shell/model/StatusPaneText.h"
#include "shell/model/TabStrip.h"
#include "shell/model/VolumeSteps.h"
#include "link/store/LinkAccess.h"

// ---- tab strip ----------------------------------------------------------------------------------

namespace {
TabStripLayout FourTabs(int current, std::vector<bool> enabled) {
  TabStripLayout strip;
  strip.edges = LayoutTabEdges({80, 80, 70, 90});
  strip.enabled = std::move(enabled);
  strip.currentTab = current;
  return strip;
}
}  // namespace

TEST(TabStrip, TabsLieSideBySideSeventeenWiderThanTheirLabels) {
  const auto edges = LayoutTabEdges({80, 80, 70});
  ASSERT_EQ(edges.size(), 3u);
  EXPECT_EQ(edges[0].left, 0);
  EXPECT_EQ(edges[0].right, 97);
  EXPECT_EQ(edges[1].left, 97);
  EXPECT_EQ(edges[1].right, 194);
  EXPECT_EQ(edges[2].right, 281);
}

TEST(TabStrip, HitTestBySelectedTopAndStripBottom) {
  const TabStripLayout strip = FourTabs(0, {true, true, true, true});
  EXPECT_EQ(TabHitTest(strip, 10, 2), 0);    // y 2 hits the selected tab
  EXPECT_EQ(TabHitTest(strip, 110, 2), -1);  // but not an unselected one
  EXPECT_EQ(TabHitTest(strip, 110, 3), 1);
  EXPECT_EQ(TabHitTest(strip, 10, 0), -1);
  EXPECT_EQ(TabHitTest(strip, 10, 27), 0);
  EXPECT_EQ(TabHitTest(strip, 10, 28), -1);  // 28 and below hit nothing
  EXPECT_EQ(TabHitTest(strip, 110, 28), -1);
  EXPECT_EQ(TabHitTest(strip, 1000, 10), -1);
}

TEST(TabStrip, SharedEdgeGoesToTheFirstTabAndDisabledTabsAreNotHit) {
  TabStripLayout strip = FourTabs(0, {true, true, false, false});
  EXPECT_EQ(TabHitTest(strip, 97, 10), 0);
  EXPECT_EQ(TabHitTest(strip, 200, 10), -1);  // tab 2, disabled
  EXPECT_EQ(TabHitTest(strip, 300, 10), -1);  // tab 3, disabled
  strip.enabled[0] = false;
  EXPECT_EQ(TabHitTest(strip, 97, 10), 1);  // the edge falls to the next enabled tab
}

TEST(TabStrip, WindowRectAndLabelCut) {
  const TabRect rect = TabWindowRect(800, 600);
  EXPECT_EQ(rect.x, 2);
  EXPECT_EQ(rect.y, 34);
  EXPECT_EQ(rect.width, 798);
  EXPECT_EQ(rect.height, 566);
  EXPECT_EQ(TabWindowRect(1, 10).width, 0);
  EXPECT_EQ(TabWindowRect(1, 10).height, 0);
  const std::string forty(40, 'A');
  EXPECT_EQ(TruncateTabLabel(forty), std::string(31, 'A'));
  EXPECT_EQ(TruncateTabLabel("CAPTURE DATA"), "CAPTURE DATA");
  // A character of two bytes at the cut stays whole.
  const std::string wide = std::string(30, 'A') + "\xC3\xA9" + "BCD";
  EXPECT_EQ(TruncateTabLabel(wide), std::string(30, 'A') + "\xC3\xA9");
  EXPECT_EQ(TabLookFor(1, 1, true), TabLook::Selected);
  EXPECT_EQ(TabLookFor(1, 1, false), TabLook::Disabled);
  EXPECT_EQ(TabLookFor(2, 1, true), TabLook::Unselected);
}

// ---- command rules ------------------------------------------------------------------------------

TEST(FrameCommandRules, DataHeldAndDeviceRules) {
  FrameCommandState empty;
  FrameCommandState trace;
  trace.traceSamples = 1;
  FrameCommandState capture;
  capture.captureRecords = 3;
  for (int id : {57607, 57609, 57603, 57604}) {
    EXPECT_EQ(FrameCommandEnabled(id, empty), false) << id;
    EXPECT_EQ(FrameCommandEnabled(id, trace), true) << id;
    EXPECT_EQ(FrameCommandEnabled(id, capture), true) << id;
  }
  EXPECT_EQ(FrameCommandEnabled(32799, trace), false);
  EXPECT_EQ(FrameCommandEnabled(32799, capture), true);
  FrameCommandState device;
  EXPECT_EQ(FrameCommandEnabled(32808, device), false);
  device.deviceOpen = true;
  EXPECT_EQ(FrameCommandEnabled(32808, device), true);
  device.run.trace = TraceRun::Running;
  EXPECT_EQ(FrameCommandEnabled(32808, device), false);
  EXPECT_FALSE(FrameCommandEnabled(57600, device).has_value());
}

TEST(FrameCommandRules, SaveNeedsDataAndNothingRunning) {
  // The application's rule (nothing armed or running) and the frame's (data held) both apply.
  EXPECT_FALSE(CombineCommandRules(false, true));
  EXPECT_FALSE(CombineCommandRules(true, false));
  EXPECT_TRUE(CombineCommandRules(true, true));
  EXPECT_TRUE(CombineCommandRules(std::nullopt, true));
  EXPECT_FALSE(CombineCommandRules(false, std::nullopt));
}

// ---- volume -------------------------------------------------------------------------------------

TEST(VolumeSteps, PageStepsStopAtTheEnds) {
  EXPECT_EQ(VolumePageUp(240), 255);
  EXPECT_EQ(VolumePageUp(100), 132);
  EXPECT_FALSE(VolumePageUp(255).has_value());
  EXPECT_EQ(VolumePageDown(20), 0);
  EXPECT_EQ(VolumePageDown(100), 68);
  EXPECT_FALSE(VolumePageDown(0).has_value());
}

TEST(VolumeSteps, DragHysteresis) {
  EXPECT_FALSE(VolumeDragSends(125, 100));
  EXPECT_FALSE(VolumeDragSends(130, 100));
  EXPECT_TRUE(VolumeDragSends(131, 100));
  EXPECT_FALSE(VolumeDragSends(70, 100));
  EXPECT_TRUE(VolumeDragSends(69, 100));
  EXPECT_TRUE(VolumeDragSends(14, 20));  // always below 15
  EXPECT_FALSE(VolumeDragSends(15, 20));
  EXPECT_FALSE(VolumeDragSends(0, 100));  // 0 is only sent on release
}

// ---- progress -----------------------------------------------------------------------------------

TEST(DownloadProgress, PercentTextAndSplit) {
  EXPECT_EQ(ProgressPercent(1000, 4000), 25);
  EXPECT_EQ(ProgressText(25), "25% complete");
  EXPECT_EQ(ProgressPercent(3999, 4000), 99);
  EXPECT_EQ(ProgressPercent(4000, 4000), 100);
  EXPECT_EQ(ProgressPercent(5, 0), 0);
  // done x 100 is a 32-bit product: 50 000 000 x 100 wraps.
  EXPECT_EQ(ProgressPercent(50000000u, 100000000u), static_cast<int>(705032704.0 / 100000000.0));
  EXPECT_EQ(ProgressSplitX(10, 200, 25), 60);
  EXPECT_EQ(ProgressSplitX(10, 200, 0), 10);
  EXPECT_EQ(ProgressSplitX(10, 200, 100), 10);  // plain at 100
  EXPECT_EQ(ProgressSplitX(10, 200, 99), 208);
}

// ---- splash -------------------------------------------------------------------------------------

TEST(SplashRegion, RunsLeaveMagentaOut) {
  // 6 x 3: row 0 all magenta, row 1 "M..M.." , row 2 opaque with magenta only at the end.
  const char* rows[] = {"MMMMMM", "M..M..", ".....M"};
  const auto pixel = [&rows](int x, int y) -> std::uint32_t { return rows[y][x] == 'M' ? 0xFF00FFu : 0x123456u; };
  const auto runs = SplashOpaqueRuns(6, 3, pixel);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].y, 1);
  EXPECT_EQ(runs[0].left, 1);
  EXPECT_EQ(runs[0].right, 3);
  EXPECT_EQ(runs[1].y, 1);
  EXPECT_EQ(runs[1].left, 4);
  EXPECT_EQ(runs[1].right, 6);  // runs to the right edge
  EXPECT_EQ(runs[2].y, 2);
  EXPECT_EQ(runs[2].left, 0);
  EXPECT_EQ(runs[2].right, 5);
  // A colour next to magenta is opaque; the alpha byte does not count.
  const auto nearly = SplashOpaqueRuns(2, 1, [](int x, int) { return x == 0 ? 0xFE00FFu : 0xFFFF00FFu; });
  ASSERT_EQ(nearly.size(), 1u);
  EXPECT_EQ(nearly[0].right, 1);
}

// ---- pane texts ---------------------------------------------------------------------------------

TEST(StatusPaneText, Texts) {
  EXPECT_EQ(CaptureBufferPaneText(0), "Capture Buffer: 0 bytes");
  EXPECT_EQ(CaptureBufferPaneText(123456), "Capture Buffer: 123456 bytes");
  const char* modes[] = {"Bridged Mode", "Bridged Mode", "Intercept Mode", "Intercept Mode", "Bridged Mode", ""};
  for (int standard = 0; standard < 6; ++standard) EXPECT_EQ(ModeTextForStandard(standard), modes[standard]);
  EXPECT_EQ(ModeTextForStandard(17), "");
  EXPECT_EQ(DtmfDecoderStatusText(1).value_or(""), "Decoding DTMF on Line 1");
  EXPECT_EQ(DtmfDecoderStatusText(2).value_or(""), "Decoding DTMF on Line 2");
  EXPECT_EQ(DtmfDecoderStatusText(3).value_or(""), "Decoding DTMF");
  EXPECT_FALSE(DtmfDecoderStatusText(4).has_value());
  EXPECT_FALSE(DtmfDecoderStatusText(0).has_value());
}

// ---- device change ------------------------------------------------------------------------------

namespace {
struct Broadcast {
  DEV_BROADCAST_DEVICEINTERFACE record{};
  char name[64] = "\\\\?\\USB#VID_0452&PID_0201#1#{guid}";
};
LPARAM Of(Broadcast& b) { return reinterpret_cast<LPARAM>(&b.record); }
}  // namespace

TEST(DeviceChange, DecisionsByTypeClassAndEvent) {
  Broadcast ours;
  ours.record.dbcc_size = sizeof(ours);
  ours.record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  ours.record.dbcc_classguid = oru::GUID_DEVINTERFACE_ORU;
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEARRIVAL, Of(ours)).action, DeviceChangeAction::Open);
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEQUERYREMOVE, Of(ours)).action, DeviceChangeAction::Close);
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEREMOVECOMPLETE, Of(ours)).action, DeviceChangeAction::Close);
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEQUERYREMOVEFAILED, Of(ours)).action, DeviceChangeAction::None);
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEARRIVAL, Of(ours)).result, TRUE);

  Broadcast other = ours;
  other.record.dbcc_classguid.Data4[7] ^= 1;
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEARRIVAL, Of(other)).action, DeviceChangeAction::None);
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEARRIVAL, Of(other)).result, TRUE);

  Broadcast handle = ours;
  handle.record.dbcc_devicetype = DBT_DEVTYP_HANDLE;
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEARRIVAL, Of(handle)).result, FALSE);
  EXPECT_EQ(ClassifyDeviceChange(DBT_DEVICEARRIVAL, Of(handle)).action, DeviceChangeAction::None);

  const DeviceChangeDecision none = ClassifyDeviceChange(DBT_DEVICEARRIVAL, 0);
  EXPECT_EQ(none.result, TRUE);
  EXPECT_EQ(none.action, DeviceChangeAction::None);
}

// ---- idle update pacing -------------------------------------------------------------------------

TEST(IdlePacing, NotificationsRunTheIdleUpdateAtMostEvery50Ms) {
  struct Row {
    long long since;
    int delay;
  };
  for (const Row row : {Row{-1, 0}, Row{0, 50}, Row{1, 49}, Row{49, 1}, Row{50, 0}, Row{5000, 0}})
    EXPECT_EQ(IdleUpdateDelayMs(row.since), row.delay) << row.since;
}

// ---- coalesced readings -------------------------------------------------------------------------

// A worker posts readings as fast as it can while the UI handles what arrives and re-opens the gate
// at its idle updates: however the two interleave, the last reading is the last one handled, and
// no more notices are posted than the gate was opened.
TEST(CoalescedNotice, TheLastReadingIsAlwaysHandled) {
  CoalescedNotice gate;
  EXPECT_TRUE(gate.Admit());
  EXPECT_FALSE(gate.Admit());
  EXPECT_TRUE(gate.Reopen());   // one was dropped: handle once more
  EXPECT_FALSE(gate.Reopen());  // nothing since
  EXPECT_TRUE(gate.Admit());

  for (int round = 0; round < 20; ++round) {
    CoalescedNotice notice;
    std::atomic<int> latest{0};  // the store's reading
    std::atomic<int> queued{0};  // notices on their way to the UI
    std::atomic<bool> done{false};
    constexpr int kReadings = 20000;
    int admitted = 0;
    int reopened = 0;
    std::thread worker([&] {
      for (int i = 1; i <= kReadings; ++i) {
        latest.store(i);
        if (notice.Admit()) {
          ++admitted;
          queued.fetch_add(1);
        }
      }
      done.store(true);
    });
    int shown = 0;
    auto handleQueued = [&] {
      while (queued.load() > 0) {
        queued.fetch_sub(1);
        shown = latest.load();
      }
    };
    while (!done.load()) {
      handleQueued();
      ++reopened;
      if (notice.Reopen()) shown = latest.load();
    }
    worker.join();
    handleQueued();
    if (notice.Reopen()) shown = latest.load();
    EXPECT_EQ(shown, kReadings) << "round " << round;
    EXPECT_LE(admitted, reopened + 1) << "round " << round;
  }
}
