#include "shell/frame/CaptureFrame.h"

#include <QPointer>
#include <QVBoxLayout>

#include "shell/views/ViewContext.h"
#include "shell/frame/SplitOverride.h"
#include "shell/frame/TabFrameBuilder.h"
#include "shell/frame/TabFrameLayout.h"
#include "shell/views/ViewSignals.h"

CORUCaptureFrame::CORUCaptureFrame(ViewContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  outerSplitter_ = new CSplitOverride(Qt::Horizontal, this);
  innerSplitter_ = new CSplitOverride(Qt::Vertical, outerSplitter_);
  IControlPanel* control = context_.viewFactory.Create<ViewSlot::ControlPanel>(context_, innerSplitter_);
  IReadoutPanel* readout = context_.viewFactory.Create<ViewSlot::CaptureReadout>(context_, innerSplitter_);
  ISessionView* session = context_.viewFactory.Create<ViewSlot::SessionView>(context_, outerSplitter_);
  ArrangeTabFrame(this, outerSplitter_, innerSplitter_, control->Widget(), readout->Widget(), session->Widget(),
                  kCaptureFrameSizes);
  context_.host.Views().controlView.Set(control);
  context_.host.Views().captureTimingView.Set(readout);
  context_.host.Views().sessionView.Set(session);
  context_.host.Views().activeCaptureView.Set(session);
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
