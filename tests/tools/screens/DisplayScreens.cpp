// The capture display: a V.32bis call with modem events, the cursor on an event and the read-out
// panel showing its decoded rows.

#include <QApplication>
#include <QMouseEvent>

#include <cstdio>
#include <mutex>

#include "display/SessionView.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/frame/TabbedFrame.h"
#include "sim/Instrument.h"
#include "tests/tools/screens/ScreenSteps.h"

namespace {

const ScreenStepRegistrar modemEvent(25, "capture with the cursor on a modem event", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  CORUData& store = app.dataStore;
  auto* view = dynamic_cast<CORUSessionView*>(app.Views().sessionView.get());
  if (view == nullptr) return;  // the capture display is not registered
  app.mainFrame->TabbedFrame()->SelectTab(0);
  auto& fields = LinkFields(store);
  fields.showModemEvents = 1;
  s.instrument.loadScenario("v32bis-events");
  app.PostToWorker(WM_ORU_SET_CONFIG, 0x1C0);
  app.PostToWorker(WM_ORU_START_CAPTURE);
  s.WaitFor([&] { return store.Run().captureRunning(); }, 10000);
  s.WaitFor(
      [&] { return !store.Run().captureArmed() && !store.Run().captureRunning() && !view->LiveRefreshRunning(); });
  view->Refresh();
  view->EnsureLayout();
  // The last shown modem event is the one nearest the end the view follows.
  int event = -1;
  {
    std::lock_guard guard(fields.dataMutex);
    for (int i = fields.captureBuffer.GetSize() - 1; i >= 0 && event == -1; --i)
      if (fields.captureBuffer[i].markerShown == 1) event = i;
  }
  const QRect cell = event == -1 ? QRect() : view->ByteCellRect(event);
  if (cell.isEmpty()) {
    std::fprintf(stderr, "screens: no modem event in view after the V.32bis call\n");
    return;
  }
  const QPointF at(cell.center());
  QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &move);
  app.mainFrame->RunIdleUpdate();
  s.Save(app.mainFrame, QStringLiteral("tab-0-capture-modem-event"));
});

}  // namespace
