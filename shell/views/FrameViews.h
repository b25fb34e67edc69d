#pragma once

// The views of the main frame's tabs that the dispatch, the document and the other windows reach.
// The main frame owns the set; its tab frames fill it as they make their views, and each pointer
// reads null once its view's widget is gone.

#include "shell/views/ViewInterfaces.h"
#include "shell/views/ViewPointer.h"

struct FrameViews {
  ViewPointer<ISessionView> sessionView;
  // The capture view that prints and takes the live refresh (the session view).
  ViewPointer<ISessionView> activeCaptureView;
  ViewPointer<IControlPanel> controlView;
  ViewPointer<IReadoutPanel> captureTimingView;
  ViewPointer<IReadoutPanel> traceTimingView;
  ViewPointer<ISignalTraceView> signalTraceView;
  ViewPointer<ITraceControl> traceControlView;
  ViewPointer<IVoltMeterView> lineTestView;
  ViewPointer<IDtmfView> dtmfView;

  // Every view once (the active capture view is the session view), for "update all views".
  template <class F>
  void ForEach(F&& f) const {
    IShellView* all[] = {sessionView.get(),      controlView.get(),     captureTimingView.get(), signalTraceView.get(),
                         traceControlView.get(), traceTimingView.get(), lineTestView.get(),      dtmfView.get()};
    for (IShellView* view : all)
      if (view != nullptr) f(*view);
    if (activeCaptureView && activeCaptureView.get() != sessionView.get()) f(*activeCaptureView.get());
  }
};
