#include "shell/frame/TraceFrame.h"

#include <QPointer>

#include <limits>

#include "shell/OruApp.h"
#include "shell/frame/SplitOverride.h"
#include "shell/frame/TabFrameBuilder.h"
#include "shell/frame/TabFrameLayout.h"
#include "shell/views/ViewSignals.h"

CORUTraceFrame::CORUTraceFrame(CORUpc144App& app, QWidget* parent) : QWidget(parent), app(app) {
  outerSplitter = new CSplitOverride(Qt::Horizontal, this);
  innerSplitter = new CSplitOverride(Qt::Vertical, outerSplitter);
  ITraceControl* control = app.viewFactory.Create<ViewSlot::TraceControl>(app, innerSplitter);
  IReadoutPanel* readout = app.viewFactory.Create<ViewSlot::TraceReadout>(app, innerSplitter);
  ISignalTraceView* trace = app.viewFactory.Create<ViewSlot::SignalTrace>(app, outerSplitter);
  ArrangeTabFrame(this, outerSplitter, innerSplitter, control->Widget(), readout->Widget(), trace->Widget(),
                  kTraceFrameSizes);
  app.Views().traceControlView.Set(control);
  app.Views().traceTimingView.Set(readout);
  app.Views().signalTraceView.Set(trace);
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
