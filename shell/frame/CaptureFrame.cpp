#include "shell/frame/CaptureFrame.h"

#include <QVBoxLayout>

#include "shell/OruApp.h"
#include "shell/frame/SplitOverride.h"
#include "shell/frame/TabFrameBuilder.h"
#include "shell/frame/TabFrameLayout.h"

CORUCaptureFrame::CORUCaptureFrame(CORUpc144App& app, QWidget* parent) : QWidget(parent), app(app) {
  outerSplitter = new CSplitOverride(Qt::Horizontal, this);
  innerSplitter = new CSplitOverride(Qt::Vertical, outerSplitter);
  IControlPanel* control = app.viewFactory.Create<ViewSlot::ControlPanel>(app, innerSplitter);
  IReadoutPanel* readout = app.viewFactory.Create<ViewSlot::CaptureReadout>(app, innerSplitter);
  ISessionView* session = app.viewFactory.Create<ViewSlot::SessionView>(app, outerSplitter);
  ArrangeTabFrame(this, outerSplitter, innerSplitter, control->Widget(), readout->Widget(), session->Widget(),
                  kCaptureFrameSizes);
  app.controlView.Set(control);
  app.captureTimingView.Set(readout);
  app.sessionView.Set(session);
  app.activeCaptureView.Set(session);
}
