#include "shell/frame/CaptureFrame.h"

#include <QPointer>
#include <QVBoxLayout>

#include "shell/OruApp.h"
#include "shell/frame/SplitOverride.h"
#include "shell/frame/TabFrameBuilder.h"
#include "shell/frame/TabFrameLayout.h"
#include "shell/views/ViewSignals.h"

CORUCaptureFrame::CORUCaptureFrame(CORUpc144App& app, QWidget* parent) : QWidget(parent), app(app) {
  outerSplitter = new CSplitOverride(Qt::Horizontal, this);
  innerSplitter = new CSplitOverride(Qt::Vertical, outerSplitter);
  IControlPanel* control = app.viewFactory.Create<ViewSlot::ControlPanel>(app, innerSplitter);
  IReadoutPanel* readout = app.viewFactory.Create<ViewSlot::CaptureReadout>(app, innerSplitter);
  ISessionView* session = app.viewFactory.Create<ViewSlot::SessionView>(app, outerSplitter);
  ArrangeTabFrame(this, outerSplitter, innerSplitter, control->Widget(), readout->Widget(), session->Widget(),
                  kCaptureFrameSizes);
  app.Views().controlView.Set(control);
  app.Views().captureTimingView.Set(readout);
  app.Views().sessionView.Set(session);
  app.Views().activeCaptureView.Set(session);
  // The read-out shows the session view's hovered byte and marker.
  // (A sibling that is already gone, while the frame is torn down, reads as none.)
  const QPointer<QWidget> alive(session->Widget());
  readout->ReadFrom({.sessionLayout = [session, alive] { return alive ? session->CurrentLayout() : nullptr; },
                     .pointerEntered =
                         [session, alive] {
                           if (alive) session->ClearHoverMark();
                         }});
  if (ViewSignals* told = session->Signals())
    connect(told, &ViewSignals::readoutChanged, readout->Widget(), [readout] { readout->Refresh(); });
}
