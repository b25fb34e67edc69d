// The signal trace's forms: the SIGNAL TRACE tab with the trace control, the stored-trace recall
// dialog with one slot emptied ("EMPTY"), the VOLT METER tab with steady readings on line 3 and
// the DTMF DECODER tab with two decoded digit groups.

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>

#include <cstdio>
#include <mutex>

#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "shell/frame/TabbedFrame.h"
#include "sim/Firmware.h"
#include "sim/Instrument.h"
#include "sim/ScenarioParser.h"
#include "sim/StoredMemory.h"
#include "tests/tools/screens/ScreenSteps.h"
#include "trace/CORUDTMFView.h"
#include "trace/CORULineTest.h"
#include "trace/CORUTraceControl.h"

namespace {

constexpr int kEmptiedTrace = 2;

bool Play(ScreenContext& s, const char* text) {
  const sim::ParsedScenario parsed = sim::parseScenario(text);
  if (!parsed.ok()) {
    std::fprintf(stderr, "screens: scenario: %s\n", parsed.error.c_str());
    return false;
  }
  s.instrument.loadScenario(parsed.scenario);
  return true;
}

const ScreenStepRegistrar traceControl(42, "signal trace control", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  auto* control = dynamic_cast<CORUTraceControl*>(app.Views().traceControlView.get());
  if (control == nullptr) return;
  app.mainFrame->TabbedFrame()->SelectTab(1);
  app.settings.traceTrigger = 1;
  app.settings.triggerNumber = "12*#";
  control->RefreshFromSettings(0);
  app.mainFrame->RunIdleUpdate();
  s.Save(app.mainFrame, QStringLiteral("tab-1-trace-control"));
});

const ScreenStepRegistrar traceRecall(43, "stored-trace recall dialog", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  auto* control = dynamic_cast<CORUTraceControl*>(app.Views().traceControlView.get());
  if (control == nullptr) return;
  const sim::StoredTrace kept = s.instrument.withFirmware([](sim::Firmware& f) {
    sim::StoredTrace trace = f.memory().trace(kEmptiedTrace);
    f.memory().setTrace(kEmptiedTrace, {});
    return trace;
  });
  const int options = app.settings.options;
  app.settings.options = 1;  // no autosave step before the dialog
  s.answers.Modal([&](QDialog& dialog) {
    dialog.show();
    const bool in = s.WaitFor([&] {
      auto* count = qobject_cast<QLabel*>(ScriptedAnswerer::Control(dialog, 1121));
      auto* last = qobject_cast<QLabel*>(ScriptedAnswerer::Control(dialog, 1123));
      return count && last && count->text() == "EMPTY" && !last->text().isEmpty();
    });
    if (!in) std::fprintf(stderr, "screens: the stored-trace headers were not read\n");
    s.Save(&dialog, QStringLiteral("trace-recall-dialog"));
    return QDialog::Rejected;
  });
  control->OnRecallTrace();
  app.settings.options = options;
  s.instrument.withFirmware([&](sim::Firmware& f) { f.memory().setTrace(kEmptiedTrace, kept); });
});

const ScreenStepRegistrar voltMeter(44, "volt meter", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  auto* meter = dynamic_cast<CORULineTest*>(app.Views().lineTestView.get());
  if (meter == nullptr) return;
  if (!Play(s,
            "scenario m\ntitle \"m\"\nlength 60\nrepeat\nat 0 dc 3 -48.0 ramp 0\n"
            "at 0 tone 3 custom 1.0 1000\n"))
    return;
  app.mainFrame->TabbedFrame()->SelectTab(2);
  // Settled: the DC bar has reached the reading and stays.
  const bool settled = s.WaitFor([&] {
    const auto bar = meter->DcBar();
    return bar && bar->x1 < meter->DcScale().zeroX && meter->Ticks() > 100;
  });
  if (!settled) std::fprintf(stderr, "screens: the volt meter did not settle\n");
  app.mainFrame->RunIdleUpdate();
  s.Save(app.mainFrame, QStringLiteral("tab-2-volt-meter"));
  app.mainFrame->TabbedFrame()->SelectTab(0);
  s.WaitFor([&] { return !app.dataStore.Run().lineTestRunning(); });
});

const ScreenStepRegistrar dtmfDecoder(45, "dtmf decoder", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  auto* dtmf = dynamic_cast<CORUDTMFView*>(app.Views().dtmfView.get());
  if (dtmf == nullptr) return;
  // Two digits far apart: each is a group of its own, one a line.
  if (!Play(s, "scenario d\ntitle \"d\"\nlength 30\nat 0 dc 3 -8.0\nat 1.0 dtmf 3 5\nat 3.0 dtmf 3 9\n")) return;
  app.mainFrame->TabbedFrame()->SelectTab(3);
  const bool two = s.WaitFor([&] { return dtmf->DigitsEdit()->toPlainText() == "5\n9"; });
  if (!two) std::fprintf(stderr, "screens: the DTMF digits did not arrive\n");
  app.mainFrame->RunIdleUpdate();
  s.Save(app.mainFrame, QStringLiteral("tab-3-dtmf-decoder"));
  app.mainFrame->TabbedFrame()->SelectTab(0);
  s.WaitFor([&] { return !app.dataStore.Run().dtmfRunning(); });
});

}  // namespace
