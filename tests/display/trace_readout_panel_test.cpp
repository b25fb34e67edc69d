// The read-out panel in signal-trace mode: it takes the scope's readings from the source its tab
// frame wires, scrolls over eight rows and paints the marker bands.

#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
#include <QWidget>

#include <cmath>
#include <memory>
#include <mutex>

#include "display/TimingView.h"
#include "shell/OruApp.h"
#include "tests/shell/AppFixture.h"
#include "link/store/LinkAccess.h"

namespace {

struct FakeScopeView {
  double volts = std::nan("");
  double seconds = std::nan("");
};

class TraceReadoutPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    apptest::QtApplication();
    app = std::make_unique<CORUpc144App>(StartupRecord{});
    app->settings.originateColor = RGB(0, 255, 0);
    app->settings.markerColor = RGB(0, 0, 255);
    scope = std::make_unique<FakeScopeView>();
    panel = std::make_unique<CORUTimingView>(app->viewContext(), CORUTimingView::DisplayMode::SignalTrace, nullptr);
    panel->ReadFrom({.volts = [this] { return scope->volts; }, .seconds = [this] { return scope->seconds; }});
    QPalette fixed;
    fixed.setColor(QPalette::Base, Qt::white);
    fixed.setColor(QPalette::Text, Qt::black);
    panel->setPalette(fixed);
    std::lock_guard guard(LinkFields(app->dataStore).dataMutex);
    for (int i = 0; i < 1000; ++i) LinkFields(app->dataStore).traceSamples.Add(i);
    LinkFields(app->dataStore).currentTrace.scaleIndex = 0;
    LinkFields(app->dataStore).currentTrace.spanIndex = 1;
    LinkFields(app->dataStore).sysCfg.value2 = 0.1;
  }
  void TearDown() override {
    panel.reset();
    app.reset();
  }

  std::unique_ptr<CORUpc144App> app;
  std::unique_ptr<FakeScopeView> scope;
  std::unique_ptr<CORUTimingView> panel;
};

TEST_F(TraceReadoutPanel, ReadsTheScopeAndScrollsOverEightRows) {
  app->settings.traceSnap = 0;
  scope->volts = -3.25;
  scope->seconds = 2.5;
  LinkFields(app->dataStore).traceMarker1 = 100;
  LinkFields(app->dataStore).traceMarker2 = 200;
  TraceReadoutRows rows = panel->CurrentTraceRows();
  EXPECT_EQ(rows[0].text, "Time: 2.50 seconds");
  EXPECT_EQ(rows[1].text, "Voltage: -3.2 V");
  EXPECT_EQ(rows[4].text, "Time Delta: 1.50 sec.");
  panel->ReadFrom({});  // no signal-trace view: no live reading
  EXPECT_EQ(panel->CurrentTraceRows()[1].text, "");

  const int h = panel->RowHeight();
  panel->resize(260, 3 * h + 2 * panel->frameWidth());
  panel->show();
  panel->Refresh();
  EXPECT_EQ(panel->verticalScrollBar()->maximum(), 8 * h - panel->viewport()->height());
  panel->verticalScrollBar()->setValue(0);
  const QImage top = panel->viewport()->grab().toImage();
  const int right = top.width() - 2;                           // beyond the text
  EXPECT_EQ(top.pixelColor(right, h / 2), QColor(0, 255, 0));  // marker 2's band
  EXPECT_EQ(top.pixelColor(right, 2 * h + h / 2), Qt::white);
  panel->verticalScrollBar()->setValue(panel->verticalScrollBar()->maximum());
  const QImage bottom = panel->viewport()->grab().toImage();
  EXPECT_EQ(bottom.pixelColor(right, bottom.height() - h / 2), QColor(0, 0, 255));  // marker 1's, row 7
}

}  // namespace
