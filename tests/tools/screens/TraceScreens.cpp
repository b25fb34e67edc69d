// The signal trace: a triggered trace of the call-progress scenario drawn, a marker placed, the
// cross-hair over the trace, and the trace's printed page as the preview shows it.

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <cstdio>
#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/frame/TabbedFrame.h"
#include "sim/Firmware.h"
#include "sim/Instrument.h"
#include "tests/tools/screens/ScreenSteps.h"
#include "trace/CORUSignalTrace.h"

namespace {

void SendMouse(CORUSignalTrace* view, QEvent::Type type, QPoint inScope, Qt::MouseButton button = Qt::NoButton) {
  const QPointF at(view->ScopeArea()->geometry().topLeft() + inScope);
  QMouseEvent event(type, at, view->mapToGlobal(at), button, Qt::MouseButtons(button), Qt::NoModifier);
  QApplication::sendEvent(view, &event);
}

const ScreenStepRegistrar triggeredTrace(40, "signal trace with a triggered trace", [](ScreenContext& s) {
  CORUpc144App& app = s.app;
  auto* view = dynamic_cast<CORUSignalTrace*>(app.Views().signalTraceView.get());
  if (view == nullptr) return;  // the signal trace is not registered
  app.mainFrame->TabbedFrame()->SelectTab(1);
  s.instrument.loadScenario("call-progress");
  s.instrument.withFirmware([](sim::Firmware& f) {
    f.config().setValue(13, 0);  // dial tone
    f.config().setValue(16, 0);  // 60 V DC
    f.config().setValue(17, 1);  // 10 s
  });
  CORUData& store = app.dataStore;
  auto& fields = LinkFields(store);
  {
    std::lock_guard lock(fields.dataMutex);
    fields.sysCfg.traceScale = 0;
    fields.sysCfg.traceSpan = 1;
  }
  app.settings.traceScale = 0;
  app.settings.traceSpan = 1;
  app.PostToWorker(WM_ORU_START_TRIGGERED_TRACE, 1);
  const bool done = s.WaitFor([&] {
    std::lock_guard lock(fields.dataMutex);
    return fields.traceSamples.GetSize() == 1000 && !store.Run().traceRunning();
  });
  if (!done) {
    std::fprintf(stderr, "screens: the triggered trace did not complete\n");
    return;
  }
  view->RedrawAxisPanels();
  view->RefreshScope();
  const int height = view->ScopeArea()->height();
  SendMouse(view, QEvent::MouseButtonDblClick, QPoint(180, height / 2), Qt::LeftButton);
  SendMouse(view, QEvent::MouseMove, QPoint(320, height / 3));
  view->Tick();
  app.mainFrame->RunIdleUpdate();
  s.Save(app.mainFrame, QStringLiteral("tab-1-signal-trace-triggered"));

  // The preview's page: the same routine at a letter page's resolution.
  QPrinter printer(QPrinter::HighResolution);
  printer.setResolution(150);
  QPrintPreviewWidget preview(&printer);
  QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, view, [view](QPrinter* p) { view->Print(*p); });
  preview.resize(700, 900);
  preview.fitInView();
  preview.updatePreview();
  s.Save(&preview, QStringLiteral("signal-trace-print-preview"));
});

}  // namespace
