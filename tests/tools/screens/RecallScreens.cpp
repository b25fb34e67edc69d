// The stored-session recall dialog with the factory memory less one session (an "EMPTY" row),
// and the SIGNAL TRACE tab with the read-out showing both trace markers and their difference.

#include <QRect>

#include <cstdio>
#include <mutex>

#include "display/SessionRecall.h"
#include "display/TimingView.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/frame/TabbedFrame.h"
#include "sim/Firmware.h"
#include "sim/Instrument.h"
#include "sim/StoredMemory.h"
#include "tests/tools/screens/ScreenSteps.h"
#include "trace/CORUSignalTrace.h"
#include "link/store/LinkAccess.h"

namespace {

constexpr int kEmptiedSlot = 3;

const ScreenStepRegistrar recallDialog(35, "session recall dialog", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  auto* dialog = dynamic_cast<CORUSessionRecall*>(
      app.viewFactory.Create<ViewSlot::SessionRecall>(app.viewContext(), app.mainFrame));
  if (dialog == nullptr) return;  // the capture display is not registered
  const sim::StoredSession kept = s.instrument.withFirmware([](sim::Firmware& f) {
    sim::StoredSession session = f.memory().session(kEmptiedSlot);
    f.memory().setSession(kEmptiedSlot, {});
    return session;
  });
  CORUData& store = app.dataStore;
  auto& fields = LinkFields(store);
  {
    // The last entry read tells when the directory is in.
    std::lock_guard guard(fields.dataMutex);
    fields.sessionDirectory[CORUData::kSessionSlots - 1].reserved32 = 0;
  }
  dialog->show();  // asks the worker for the directory
  const bool read = s.WaitFor([&] {
    std::lock_guard guard(fields.dataMutex);
    return fields.sessionDirectory[CORUData::kSessionSlots - 1].reserved32 != 0;
  });
  if (!read) std::fprintf(stderr, "screens: the stored-session directory was not read\n");
  // The rows the control panel would fill from the answers, should it not be there to do so.
  for (int slot = 0; slot < kRecallRows; ++slot)
    if (dialog->Row(slot + 1).count == "Retreiving...") dialog->OnSessionHeader(slot);
  s.Save(dialog, QStringLiteral("session-recall-dialog"));
  dialog->reject();
  delete dialog;
  s.instrument.withFirmware([&](sim::Firmware& f) { f.memory().setSession(kEmptiedSlot, kept); });
});

const ScreenStepRegistrar traceReadout(41, "signal trace read-out", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  auto* view = dynamic_cast<CORUSignalTrace*>(app.Views().signalTraceView.get());
  auto* readout = dynamic_cast<CORUTimingView*>(app.Views().traceTimingView.get());
  if (view == nullptr || readout == nullptr) return;  // the signal trace or the display is not registered
  CORUData& store = app.dataStore;
  auto& fields = LinkFields(store);
  {
    std::lock_guard lock(fields.dataMutex);
    if (fields.traceSamples.GetSize() == 0) {
      // No trace from the steps before: a sine of a few periods on the 60 V DC range, 10 s.
      for (int i = 0; i < 1000; ++i) fields.traceSamples.Add(((i * 7) % 200) - 100);
      fields.currentTrace.scaleIndex = 0;
      fields.currentTrace.spanIndex = 1;
      if (fields.sysCfg.value2 == 0.0) fields.sysCfg.value2 = 0.25;
    }
  }
  app.settings.traceSnap = 1;
  app.mainFrame->TabbedFrame()->SelectTab(1);
  view->RedrawAxisPanels();
  view->RefreshScope();
  // The scope takes the mouse in the view's coordinates.
  const QRect area = view->ScopeArea()->geometry();
  if (fields.traceCursor1 == -1) view->Scope().OnLButtonDblClk(area.left() + 180, area.top() + area.height() / 2);
  view->Scope().OnMouseMove(area.left() + 360, area.top() + area.height() / 3);
  view->Tick();
  view->RefreshScope();
  readout->Refresh();
  app.mainFrame->RunIdleUpdate();
  s.Save(app.mainFrame, QStringLiteral("tab-1-signal-trace-readout"));
});

}  // namespace
