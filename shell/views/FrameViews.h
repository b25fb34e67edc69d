#pragma once

// The views of the main frame's tabs that the dispatch, the document and the other windows reach.
// The main frame owns the set; its tab frames fill it as they make their views, and each pointer
// reads null once its view's widget is gone.

#include <algorithm>
#include <iterator>
#include <vector>

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
  // Every tab's page, in the tab table's order, so that a tab nobody else names is updated too.
  std::vector<ViewPointer<ITabPage>> tabPages;

  // Every view and page once (the active capture view is the session view; a page may be one
  // of the views), for "update all views".
  template <class F>
  void ForEach(F&& f) const {
    std::vector<IShellView*> all{sessionView.get(),     controlView.get(),      captureTimingView.get(),
                                 signalTraceView.get(), traceControlView.get(), traceTimingView.get(),
                                 lineTestView.get(),    dtmfView.get(),         activeCaptureView.get()};
    std::transform(tabPages.begin(), tabPages.end(), std::back_inserter(all),
                   [](const ViewPointer<ITabPage>& page) -> IShellView* { return page.get(); });
    for (auto view = all.begin(); view != all.end(); ++view)
      if (*view != nullptr && std::find(all.begin(), view, *view) == view) f(**view);
  }
};
