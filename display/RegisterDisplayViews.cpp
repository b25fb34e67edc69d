#include "display/RegisterDisplayViews.h"

#include "display/SessionRecall.h"
#include "display/SessionView.h"
#include "display/TimingView.h"
#include "shell/views/ViewFactory.h"

void RegisterDisplayViews(ViewFactory& factory) {
  factory.Register<ViewSlot::SessionView>(
      [](CORUpc144App& app, QWidget* parent) -> ISessionView* { return new CORUSessionView(app, parent); });
  factory.Register<ViewSlot::CaptureReadout>([](CORUpc144App& app, QWidget* parent) -> IReadoutPanel* {
    return new CORUTimingView(app, CORUTimingView::DisplayMode::Capture, parent);
  });
  factory.Register<ViewSlot::TraceReadout>([](CORUpc144App& app, QWidget* parent) -> IReadoutPanel* {
    return new CORUTimingView(app, CORUTimingView::DisplayMode::SignalTrace, parent);
  });
  factory.Register<ViewSlot::SessionRecall>(
      [](CORUpc144App& app, QWidget* parent) -> ISessionRecall* { return new CORUSessionRecall(app, parent); });
}
