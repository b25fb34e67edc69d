#include "shell/frame/TraceFrame.h"

#include "shell/OruApp.h"
#include "shell/frame/SplitOverride.h"
#include "shell/frame/TabFrameBuilder.h"
#include "shell/frame/TabFrameLayout.h"

CORUTraceFrame::CORUTraceFrame(CORUpc144App& app, QWidget* parent) : QWidget(parent), app(app) {
  outerSplitter = new CSplitOverride(Qt::Horizontal, this);
  innerSplitter = new CSplitOverride(Qt::Vertical, outerSplitter);
  ITraceControl* control = app.viewFactory.Create<ViewSlot::TraceControl>(app, innerSplitter);
  IReadoutPanel* readout = app.viewFactory.Create<ViewSlot::TraceReadout>(app, innerSplitter);
  ISignalTraceView* trace = app.viewFactory.Create<ViewSlot::SignalTrace>(app, outerSplitter);
  ArrangeTabFrame(this, outerSplitter, innerSplitter, control->Widget(), readout->Widget(), trace->Widget(),
                  kTraceFrameSizes);
  app.traceControlView.Set(control);
  app.traceTimingView.Set(readout);
  app.signalTraceView.Set(trace);
}
