// The signal-trace view in the whole application: worker, driver and simulated instrument.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "shell/OruApp.h"
#include "shell/frame/TabbedFrame.h"
#include "tests/shell/AppFixture.h"
#include "trace/CORUSignalTrace.h"
#include "trace/RegisterTraceViews.h"
#include "trace/model/TraceWalk.h"
#include "sim/Instrument.h"
#include <QWidget>
#include <mutex>
#include <span>

namespace {

class TraceStream : public apptest::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    beforeInit = [](CORUpc144App& a) { RegisterTraceViews(a.viewFactory); };
  }

  CORUSignalTrace* StartOnTraceTab() {
    if (!Start()) return nullptr;
    if (!apptest::Eventually([&] { return app().context.DeviceOpen() && app().tabbedFrame != nullptr; }))
      return nullptr;
    if (!SettleWorker()) return nullptr;  // start-up's requests and notifications are all handled
    auto* view = dynamic_cast<CORUSignalTrace*>(app().Views().signalTraceView.get());
    if (view == nullptr) return nullptr;
    app().tabbedFrame->SelectTab(1);
    return view;
  }
};

// A stored block is the first isochronous frame of a streamed block: a frame counter, then 16
// samples of 7 bytes whose fifth byte is the sample's number, then zeros.
bool LooksLikeFirstFrame(const std::array<UCHAR, 128>& block) {
  for (int sample = 0; sample < 16; ++sample) {
    if (block[1 + sample * 7 + 4] != sample) return false;
  }
  return std::all_of(block.begin() + 113, block.end(), [](UCHAR b) { return b == 0; });
}

TEST_F(TraceStream, IsoTraceKeepsAThousandBlocksAndStops) {
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(view->TimerRunning());
  const QWidget* iso = view->Control(1094);
  ASSERT_NE(iso, nullptr);
  EXPECT_FALSE(iso->isVisible());
  view->OnIsoTrace();
  CORUData& store = app().dataStore;
  auto& fields = LinkFields(store);
  ASSERT_TRUE(apptest::Eventually([&] { return fields.traceBlockCount == 1000 && !store.Run().traceRunning(); }, 90000))
      << fields.traceBlockCount << " blocks, running " << store.Run().traceRunning() << ", "
      << instrument().transcript().commands().size() << " commands";
  EXPECT_FALSE(view->TimerRunning());
  for (int i = 0; i < 1000; i += 37) EXPECT_TRUE(LooksLikeFirstFrame(fields.traceBlocks[i])) << i;
  EXPECT_TRUE(LooksLikeFirstFrame(fields.traceBlocks[999]));
  const auto commands = instrument().transcript().commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_NE(std::find(commands.begin(), commands.end(), "DM:1"), commands.end());
  EXPECT_EQ(commands.back(), "DM:0");
}

TEST_F(TraceStream, ExitWhileStreamingEnds) {
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  view->OnIsoTrace();
  CORUData& store = app().dataStore;
  ASSERT_TRUE(apptest::Eventually([&] { return LinkFields(store).traceBlockCount > 5; }));
  // The worker stops streaming ("DM:0") and ends; ExitInstance joins it, so a deadlock hangs here.
  app().ExitInstance();
  EXPECT_EQ(app().context.commThreadId.load(), 0u);
  EXPECT_FALSE(store.Run().traceRunning());
  EXPECT_EQ(instrument().transcript().commands().back(), "DM:0");
  Exit();
}

TEST_F(TraceStream, TriggeredTraceIsDrawnAfterItStarts) {
  instrumentOptions.scenario = "call-progress";
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  // A dial-tone trigger goes with an AC scale: the window offers no other.
  instrument().withFirmware([](sim::Firmware& f) {
    f.config().setValue(13, 0);  // dial tone
    f.config().setValue(16, 2);  // the first AC range
    f.config().setValue(17, 1);  // 10 s
  });
  CORUData& store = app().dataStore;
  auto& fields = LinkFields(store);
  {
    std::lock_guard lock(fields.dataMutex);  // the worker reads the configuration
    fields.sysCfg.traceScale = 2;
    fields.sysCfg.traceSpan = 1;
  }
  app().settings.traceScale = 2;
  app().settings.traceSpan = 1;
  app().PostToWorker(WM_ORU_START_TRIGGERED_TRACE, 1);
  ASSERT_TRUE(apptest::Eventually([&] {
    std::lock_guard lock(fields.dataMutex);
    return fields.traceSamples.GetSize() == 1000 && !store.Run().traceRunning();
  }));
  view->RedrawAxisPanels();
  view->RefreshScope();
  const QImage& image = view->Scope().Image();
  const ScopeState& s = view->Scope().state;
  std::lock_guard lock(fields.dataMutex);
  ASSERT_TRUE(s.Rules().CanWalk());
  const std::span<const int> samples(fields.traceSamples.GetData(), 1000);
  // An AC trace is drawn as bars from -half to +half of each sample; every bar a few pixels tall
  // has black in its column between its ends.
  int drawn = 0;
  int onTrace = 0;
  WalkTrace(s.ScreenWalkSetup(PlotKindFor(2)), samples, [&](const WalkPoint& w) {
    if (w.n < 0) return;
    const int x = s.Mapper().LogicalToPixelsX(w.x);
    const int top = s.Mapper().LogicalToPixelsY(-w.yTop);
    const int bottom = s.Mapper().LogicalToPixelsY(-w.yBottom);
    if (std::abs(bottom - top) < 4) return;
    ++drawn;
    bool black = false;
    for (int y = std::min(top, bottom) + 1; y < std::max(top, bottom) && !black; ++y)
      black = image.rect().contains(x, y) && image.pixelColor(x, y) == QColor(0, 0, 0);
    onTrace += black ? 1 : 0;
  });
  EXPECT_GT(drawn, 100);
  EXPECT_GE(onTrace, drawn - drawn / 50);  // the guides, drawn over the bars, hide a column or two
  // QV_TRACE_SHOT=<folder> keeps a picture of the whole tab for a look.
  const QByteArray folder = qgetenv("QV_TRACE_SHOT");
  if (!folder.isEmpty()) view->window()->grab().save(QString::fromLocal8Bit(folder) + "/trace_tab.png");
}

}  // namespace
