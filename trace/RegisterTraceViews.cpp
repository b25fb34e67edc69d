#include "trace/RegisterTraceViews.h"

#include "shell/ViewFactory.h"
#include "trace/CORUSignalTrace.h"

void RegisterTraceViews(ViewFactory& factory) {
  factory.Register<ViewSlot::SignalTrace>(
      [](CORUpc144App& app, QWidget* parent) -> ISignalTraceView* { return new CORUSignalTrace(app, parent); });
}
