// Faults a user of the SIGNAL TRACE and VOLT METER tabs met, driven as the user does: the whole
// application offscreen with the worker, the driver and the simulated instrument. The frame's idle
// update runs on its own timer and after the notifications; the tests wait for some of them.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <cmath>
#include <cstdio>
#include <functional>
#include <mutex>

#include "display/RegisterDisplayViews.h"
#include "link/store/DocumentType.h"
#include "link/store/LinkAccess.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/model/ControlPanelRules.h"
#include "sim/ScenarioParser.h"
#include "tests/shell/AppFixture.h"
#include "trace/CORULineTest.h"
#include "trace/CORUSignalTrace.h"
#include "trace/CORUTraceControl.h"
#include "trace/RegisterTraceViews.h"

namespace {

using apptest::Eventually;

constexpr int kTabSignalTrace = 1;
constexpr int kTabVoltMeter = 2;
constexpr int kTriggerVoltage = 3;

class TraceFaultsGui : public apptest::AppFixture {
 protected:
  bool StartViews() {
    beforeInit = [](CORUpc144App& app) {
      RegisterDisplayViews(app.viewFactory);  // the read-out panel
      RegisterTraceViews(app.viewFactory);
    };
    if (!Start()) return false;
    control = dynamic_cast<CORUTraceControl*>(app().Views().traceControlView.get());
    trace = dynamic_cast<CORUSignalTrace*>(app().Views().signalTraceView.get());
    meter = dynamic_cast<CORULineTest*>(app().Views().lineTestView.get());
    return control && trace && meter && app().mainFrame != nullptr;
  }
  CORUData& store() { return app().dataStore; }
  QComboBox* Combo(int id) { return qobject_cast<QComboBox*>(control->Control(id)); }
  // As a user picks an entry: the selection and the list's activation.
  void Choose(int id, int index) {
    QComboBox* combo = Combo(id);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  // Waits until `n` more idle updates have run (the frame's 1 s timer runs one at least).
  bool IdleUpdatesPass(int n) {
    const int from = app().mainFrame->IdleUpdates();
    return Eventually([&] { return app().mainFrame->IdleUpdates() >= from + n; });
  }
  // A 60 V DC trace of 10 s held as a loaded file leaves it.
  void HoldDcTrace() {
    apptest::FillTrace(store(), 1000);
    std::lock_guard lock(LinkFields(store()).dataMutex);
    LinkFields(store()).currentTrace.scaleIndex = 0;
    LinkFields(store()).currentTrace.spanIndex = 1;
    LinkFields(store()).sysCfg.value1 = 0.005;
    LinkFields(store()).sysCfg.value2 = -0.1;
  }
  void SendMouse(QEvent::Type type, QPoint at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(trace->mapToGlobal(at)), button, button, Qt::NoModifier);
    QApplication::sendEvent(trace, &event);
  }
  QPoint InScope(int x) const {
    return trace->ScopeArea()->geometry().topLeft() + QPoint(x, trace->ScopeArea()->height() / 2);
  }

  CORUTraceControl* control = nullptr;
  CORUSignalTrace* trace = nullptr;
  CORULineTest* meter = nullptr;
};

TEST_F(TraceFaultsGui, MarkerStaysPlacedWhileTheVoltageTriggerIsChosen) {
  ASSERT_TRUE(StartViews());
  app().SelectTab(kTabSignalTrace);
  HoldDcTrace();
  ASSERT_TRUE(Eventually([&] { return Combo(IDC_SCALE)->count() == 2; }));  // not "Voltage" yet
  ASSERT_TRUE(Eventually([&] { return trace->DrawnAtThisSize(); }));
  SendMouse(QEvent::MouseButtonDblClick, InScope(250));
  ASSERT_TRUE(Eventually([&] { return LinkFields(store()).traceMarker1 != -1; }));
  const int markerX = LinkFields(store()).traceCursor1;

  Choose(IDC_TRIGGER_TYPE, kTriggerVoltage);
  ASSERT_TRUE(Eventually([&] { return Combo(IDC_SCALE)->count() == 4; }));
  ASSERT_TRUE(IdleUpdatesPass(3));
  EXPECT_EQ(LinkFields(store()).traceCursor1, markerX);
  EXPECT_NE(LinkFields(store()).traceMarker1, -1);
  EXPECT_EQ(app().settings.traceTrigger, kTriggerVoltage);
}

TEST_F(TraceFaultsGui, DcTraceOpenedWithOnlyTheAcScalesListedKeepsItsScale) {
  ASSERT_TRUE(StartViews());
  app().SelectTab(kTabSignalTrace);
  ASSERT_TRUE(Eventually([&] { return Combo(IDC_SCALE)->count() == 2; }));
  // A 60 V DC trace taken with the voltage trigger, saved as a file.
  HoldDcTrace();
  app().settings.traceScale = 0;
  app().settings.traceSpan = 1;
  app().settings.traceTrigger = kTriggerVoltage;
  const QString file = Path("dc60.ast");
  ASSERT_TRUE(app().currentDocument->OnSaveDocument(file, DocumentType::Trace));
  // The user turns to the dial-tone trigger: only the AC scales are listed.
  Choose(IDC_TRIGGER_TYPE, 0);
  ASSERT_TRUE(Eventually([&] { return Combo(IDC_SCALE)->count() == 2; }));

  ASSERT_TRUE(app().OpenDocumentFile(file));
  EXPECT_EQ(app().settings.traceScale, 0);
  ASSERT_TRUE(Eventually([&] { return Combo(IDC_SCALE)->count() == 4; }));
  ASSERT_TRUE(IdleUpdatesPass(3));
  EXPECT_EQ(app().settings.traceScale, 0);
  EXPECT_EQ(Combo(IDC_SCALE)->currentText(), "60 V DC");
  std::lock_guard lock(LinkFields(store()).dataMutex);
  EXPECT_EQ(LinkFields(store()).sysCfg.traceScale, 0);
}

TEST_F(TraceFaultsGui, VoltMeterEnteredAfterTheControlPanelsLineTestShowsReadings) {
  ASSERT_TRUE(StartViews());
  const sim::ParsedScenario parsed = sim::parseScenario(
      "scenario m\ntitle \"m\"\nlength 60\nrepeat\nat 0 dc 1 -48.0 ramp 0\nat 0 dc 2 -48.0 ramp 0\n"
      "at 0 dc 3 -48.0 ramp 0\nat 0 tone 3 custom 1.0 1000\n");
  ASSERT_TRUE(parsed.ok()) << parsed.error;
  instrument().loadScenario(parsed.scenario);
  // A press before the instrument is open only gets "No USB connection to ORUpc".
  ASSERT_TRUE(Eventually([&] { return app().context.DeviceOpen(); }));
  ASSERT_TRUE(SettleWorker());
  ASSERT_TRUE(Eventually(
      [&] { return app().Views().controlView && app().Views().controlView->Control(IDC_LINE_TEST)->isEnabled(); }));
  qobject_cast<QPushButton*>(app().Views().controlView->Control(IDC_LINE_TEST))->click();
  ASSERT_TRUE(Eventually([&] { return store().Run().lineTestRunning(); }));

  const int ticks = meter->Ticks();
  app().SelectTab(kTabVoltMeter);
  EXPECT_TRUE(store().Run().lineTestRunning());  // entering the tab keeps the running test
  auto label = [&](int id) { return qobject_cast<QLabel*>(meter->Control(id))->text(); };
  ASSERT_TRUE(Eventually([&] { return label(1125).startsWith("DC -48"); })) << label(1125).toStdString();
  EXPECT_TRUE(meter->MeterRunning());
  // The bars start from 0 and move to the reading, tick by tick.
  ASSERT_TRUE(Eventually([&] { return meter->DcBar() && meter->DcBar()->x1 < meter->DcScale().zeroX; }));
  EXPECT_GT(meter->Ticks(), ticks);
  app().SelectTab(0);
  ASSERT_TRUE(Eventually([&] { return !store().Run().lineTestRunning(); }));
}

TEST_F(TraceFaultsGui, ReadoutShowsTheCrossHairsTimeAfterAMove) {
  ASSERT_TRUE(StartViews());
  app().settings.traceSnap = 0;
  app().SelectTab(kTabSignalTrace);
  HoldDcTrace();
  auto* readout = dynamic_cast<QAbstractScrollArea*>(app().Views().traceTimingView.get());
  ASSERT_NE(readout, nullptr);
  // What each paint of the read-out shows: its time row as it is computed when the paint comes.
  std::string painted;
  struct PaintWatch : QObject {
    std::function<void()> onPaint;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) onPaint();
      return false;
    }
  } watch;
  watch.onPaint = [&] {
    const double seconds = trace->GetTimeReading();
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    painted = std::isnan(seconds) ? std::string() : text;
  };
  readout->viewport()->installEventFilter(&watch);

  auto expected = [&]() -> std::string {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", trace->GetTimeReading());
    return text;
  };
  for (int x : {120, 400, 260}) {
    const QImage before = trace->Scope().Image().copy();
    SendMouse(QEvent::MouseMove, InScope(x));
    // The scope's next render draws the cross-hair there ...
    ASSERT_TRUE(Eventually([&] { return trace->Scope().Image() != before; }));
    // ... and the read-out shows the time at it.
    EXPECT_TRUE(Eventually([&] { return !painted.empty() && painted == expected(); }, 2000))
        << "x " << x << ": painted " << painted << ", cross-hair " << expected();
  }
  readout->viewport()->removeEventFilter(&watch);
}

}  // namespace
