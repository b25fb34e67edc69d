// The CAPTURE DATA tab after the first call of the program's default line (a 2400 8N1 login and
// a file listing), as a new user's first capture shows it. Last, so that the session it leaves in
// the instrument's memory and the moved clock change no other picture.

#include <cstdio>

#include "display/SessionView.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/prompts/ScriptedAnswerer.h"
#include "shell/frame/TabbedFrame.h"
#include "sim/Instrument.h"
#include "sim/ScenarioChoice.h"
#include "tests/tools/screens/ScreenSteps.h"

namespace {

const ScreenStepRegistrar liveCall(70, "capture of the default line's first call", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  CORUData& store = app.dataStore;
  auto* view = dynamic_cast<CORUSessionView*>(app.Views().sessionView.get());
  const sim::ScenarioChoice line = sim::chooseScenario("");
  if (view == nullptr || !line.scenario) return;
  app.mainFrame->TabbedFrame()->SelectTab(0);
  LinkFields(store).showModemEvents = 0;
  store.ClearCapture();
  s.instrument.loadScenario(*line.scenario);
  s.answers.Box(IDOK);  // "Capture session complete."
  app.PostToWorker(WM_ORU_SET_CONFIG, 0x1C0);
  app.PostToWorker(WM_ORU_START_CAPTURE);
  // The instrument's clock moves a step per command: go on to just before the call connects.
  if (s.WaitFor([&] { return store.Run().captureArmed(); })) {
    const sim::Micros loaded = s.instrument.withFirmware([](sim::Firmware& f) { return f.line().startedAt(); });
    const sim::Micros step = loaded + line.scenario->calls.front().at - sim::millis(500) - s.instrument.now();
    if (step > 0) s.instrument.advance(step);
  }
  if (!s.WaitFor([&] { return store.Run().captureRunning(); }) ||
      !s.WaitFor([&] { return !store.Run().captureRunning() && !view->LiveRefreshRunning() && s.answers.AllUsed(); })) {
    std::fprintf(stderr, "screens: the default line's first call was not captured\n");
    return;
  }
  view->Refresh();
  view->EnsureLayout();
  app.mainFrame->RunIdleUpdate();
  s.Save(app.mainFrame, QStringLiteral("tab-0-capture-live-line"));
});

}  // namespace
