#include "trace/RegisterTraceViews.h"

#include "shell/views/ViewContext.h"
#include "shell/views/ViewFactory.h"
#include "trace/CORUDTMFView.h"
#include "trace/CORULineTest.h"
#include "trace/CORUSignalTrace.h"
#include "trace/CORUTraceControl.h"
#include "trace/CORUTraceRecall.h"

namespace {

// The signal-trace view's Recall Trace runs a recall dialog of its own, which lives as long as the
// view. It has no parent: a disabled tab would disable a child dialog with it.
CORUSignalTrace* MakeSignalTrace(ViewContext& context, QWidget* parent) {
  auto* view = new CORUSignalTrace(context, parent);
  auto* recall = new CORUTraceRecall(context, nullptr);
  QObject::connect(view, &QObject::destroyed, [recall] { delete recall; });
  view->traceRecallHook = [&context, recall] {
    recall->SetDocument(context.host.Document());
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
      [](ViewContext& context, QWidget* parent) -> ISignalTraceView* { return MakeSignalTrace(context, parent); });
  factory.Register<ViewSlot::TraceControl>(
      [](ViewContext& context, QWidget* parent) -> ITraceControl* { return new CORUTraceControl(context, parent); });
  factory.Register<ViewSlot::VoltMeter>(
      [](ViewContext& context, QWidget* parent) -> IVoltMeterView* { return new CORULineTest(context, parent); });
  factory.Register<ViewSlot::Dtmf>(
      [](ViewContext& context, QWidget* parent) -> IDtmfView* { return new CORUDTMFView(context, parent); });
}
