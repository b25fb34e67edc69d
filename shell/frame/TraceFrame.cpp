#include "shell/frame/TraceFrame.h"

#include <QPointer>

#include <limits>

#include "shell/views/ViewContext.h"
#include "shell/frame/SplitOverride.h"
#include "shell/frame/TabFrameBuilder.h"
#include "shell/frame/TabFrameLayout.h"
#include "shell/views/ViewSignals.h"

CORUTraceFrame::CORUTraceFrame(ViewContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  outerSplitter_ = new CSplitOverride(Qt::Horizontal, this);
  innerSplitter_ = new CSplitOverride(Qt::Vertical, outerSplitter_);
  ITraceControl* control = context_.viewFactory.Create<ViewSlot::TraceControl>(context_, innerSplitter_);
  IReadoutPanel* readout = context_.viewFactory.Create<ViewSlot::TraceReadout>(context_, innerSplitter_);
  ISignalTraceView* trace = context_.viewFactory.Create<ViewSlot::SignalTrace>(context_, outerSplitter_);
  ArrangeTabFrame(this, outerSplitter_, innerSplitter_, control->Widget(), readout->Widget(), trace->Widget(),
                  kTraceFrameSizes);
  context_.host.Views().traceControlView.Set(control);
  context_.host.Views().traceTimingView.Set(readout);
  context_.host.Views().signalTraceView.Set(trace);
  // The read-out shows the scope's readings; the voltage edit follows the threshold mark.
  // (A sibling that is already gone, while the frame is torn down, reads as none.)
  const QPointer<QWidget> alive(trace->Widget());
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  readout->ReadFrom({.volts = [trace, alive] { return alive ? trace->GetVoltageReading() : kNone; },
                     .seconds = [trace, alive] { return alive ? trace->GetTimeReading() : kNone; }});
  if (ViewSignals* told = trace->Signals()) {
    connect(told, &ViewSignals::readoutChanged, readout->Widget(), [readout] { readout->Refresh(); });
    connect(told, &ViewSignals::thresholdMoved, control->Widget(), [control] { control->UpdateVoltageLabel(); });
  }
}

void CORUTraceFrame::EnterTab() {
  FrameViews& views = context_.host.Views();
  if (views.signalTraceView) views.signalTraceView->ActivateTrace();
  if (views.traceControlView) views.traceControlView->StartEnableTimer();
}

void CORUTraceFrame::LeaveTab() {
  FrameViews& views = context_.host.Views();
  if (views.signalTraceView) views.signalTraceView->DeactivateTrace();
  if (views.traceControlView) views.traceControlView->StopEnableTimer();
}

IShellView* CORUTraceFrame::CommandView() { return context_.host.Views().signalTraceView.get(); }
