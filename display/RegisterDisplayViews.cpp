#include "display/RegisterDisplayViews.h"

#include "display/SessionRecall.h"
#include "display/SessionView.h"
#include "display/TimingView.h"
#include "shell/views/ViewFactory.h"

void RegisterDisplayViews(ViewFactory& factory) {
  factory.Register<ViewSlot::SessionView>(
      [](ViewContext& context, QWidget* parent) -> ISessionView* { return new CORUSessionView(context, parent); });
  factory.Register<ViewSlot::CaptureReadout>([](ViewContext& context, QWidget* parent) -> IReadoutPanel* {
    return new CORUTimingView(context, CORUTimingView::DisplayMode::Capture, parent);
  });
  factory.Register<ViewSlot::TraceReadout>([](ViewContext& context, QWidget* parent) -> IReadoutPanel* {
    return new CORUTimingView(context, CORUTimingView::DisplayMode::SignalTrace, parent);
  });
  factory.Register<ViewSlot::SessionRecall>(
      [](ViewContext& context, QWidget* parent) -> ISessionRecall* { return new CORUSessionRecall(context, parent); });
}
