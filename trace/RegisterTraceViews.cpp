#include "trace/RegisterTraceViews.h"

#include "shell/OruApp.h"
#include "shell/views/ViewFactory.h"
#include "trace/CORUDTMFView.h"
#include "trace/CORULineTest.h"
#include "trace/CORUSignalTrace.h"
#include "trace/CORUTraceControl.h"
#include "trace/CORUTraceRecall.h"

namespace {

// The signal-trace view's Recall Trace runs a recall dialog of its own, which lives as long as the
// view. It has no parent: a disabled tab would disable a child dialog with it.
CORUSignalTrace* MakeSignalTrace(CORUpc144App& app, QWidget* parent) {
  auto* view = new CORUSignalTrace(app, parent);
  auto* recall = new CORUTraceRecall(app, nullptr);
  QObject::connect(view, &QObject::destroyed, [recall] { delete recall; });
  view->traceRecallHook = [&app, recall] {
    recall->SetDocument(app.currentDocument);
    recall->RunModal();
  };
  view->traceHeaderHook = [recall](int row) {
    if (recall->WindowExists()) recall->ShowTraceHeader(row);
  };
  return view;
}

}  // namespace

void RegisterTraceViews(ViewFactory& factory) {
  factory.Register<ViewSlot::SignalTrace>(
      [](CORUpc144App& app, QWidget* parent) -> ISignalTraceView* { return MakeSignalTrace(app, parent); });
  factory.Register<ViewSlot::TraceControl>(
      [](CORUpc144App& app, QWidget* parent) -> ITraceControl* { return new CORUTraceControl(app, parent); });
  factory.Register<ViewSlot::VoltMeter>(
      [](CORUpc144App& app, QWidget* parent) -> IVoltMeterView* { return new CORULineTest(app, parent); });
  factory.Register<ViewSlot::Dtmf>(
      [](CORUpc144App& app, QWidget* parent) -> IDtmfView* { return new CORUDTMFView(app, parent); });
}
