// The signal-trace view in the whole application: worker, driver and simulated instrument.

#include <gtest/gtest.h>

#include <algorithm>

#include "link/WorkerMessages.h"
#include "shell/OruApp.h"
#include "shell/TabbedFrame.h"
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
    auto* view = dynamic_cast<CORUSignalTrace*>(app().signalTraceView.get());
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
  ASSERT_TRUE(apptest::Eventually([&] { return store.traceBlockCount == 1000 && store.traceRunning == 0; }, 90000))
      << store.traceBlockCount << " blocks, running " << store.traceRunning << ", "
      << instrument().transcript().commands().size() << " commands";
  EXPECT_FALSE(view->TimerRunning());
  for (int i = 0; i < 1000; i += 37) EXPECT_TRUE(LooksLikeFirstFrame(store.traceBlocks[i])) << i;
  EXPECT_TRUE(LooksLikeFirstFrame(store.traceBlocks[999]));
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
  ASSERT_TRUE(apptest::Eventually([&] { return store.traceBlockCount > 5; }));
  // The worker stops streaming ("DM:0") and ends; ExitInstance joins it, so a deadlock hangs here.
  app().ExitInstance();
  EXPECT_EQ(app().context.commThreadId.load(), 0u);
  EXPECT_EQ(store.traceRunning, 0);
  EXPECT_EQ(instrument().transcript().commands().back(), "DM:0");
  Exit();
}

TEST_F(TraceStream, TriggeredTraceIsDrawnAfterItStarts) {
  instrumentOptions.scenario = "call-progress";
  CORUSignalTrace* view = StartOnTraceTab();
  ASSERT_NE(view, nullptr);
  instrument().withFirmware([](sim::Firmware& f) {
    f.config().setValue(13, 0);  // dial tone
    f.config().setValue(16, 0);  // 60 V DC
    f.config().setValue(17, 1);  // 10 s
  });
  CORUData& store = app().dataStore;
  store.sysCfg.traceScale = 0;
  store.sysCfg.traceSpan = 1;
  app().settings.traceScale = 0;
  app().settings.traceSpan = 1;
  app().PostToWorker(WM_ORU_START_TRIGGERED_TRACE, 1);
  ASSERT_TRUE(apptest::Eventually([&] {
    std::lock_guard lock(store.dataMutex);
    return store.traceSamples.GetSize() == 1000 && store.traceRunning == 0;
  }));
  view->RedrawAxisPanels();
  view->RefreshScope();
  const QImage& image = view->Scope().Image();
  const ScopeState& s = view->Scope().state;
  std::lock_guard lock(store.dataMutex);
  ASSERT_TRUE(s.Rules().CanWalk());
  const std::span<const int> samples(store.traceSamples.GetData(), 1000);
  int drawn = 0;
  int onTrace = 0;
  WalkTrace(s.ScreenWalkSetup(PlotKind::Line), samples, [&](const WalkPoint& w) {
    if (w.n < 0 || w.n % 50 != 0) return;
    ++drawn;
    const QPoint p(s.Mapper().LogicalToPixelsX(w.x), s.Mapper().LogicalToPixelsY(-w.yTop));
    if (image.rect().contains(p) && image.pixelColor(p) == QColor(0, 0, 0)) ++onTrace;
  });
  EXPECT_GT(drawn, 10);
  EXPECT_EQ(onTrace, drawn);
  // QV_TRACE_SHOT=<folder> keeps a picture of the whole tab for a look.
  const QByteArray folder = qgetenv("QV_TRACE_SHOT");
  if (!folder.isEmpty()) view->window()->grab().save(QString::fromLocal8Bit(folder) + "/trace_tab.png");
}

}  // namespace
