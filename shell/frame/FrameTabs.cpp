#include "shell/frame/FrameTabs.h"

#include <QObject>

#include <functional>

#include "shell/frame/CaptureFrame.h"
#include "shell/frame/TraceFrame.h"
#include "shell/model/TabTable.h"
#include "shell/views/ViewContext.h"
#include "shell/views/ViewFactory.h"

namespace {

// A meter's page: the slot's view, with the meter started as the tab is entered and stopped as
// it is left. It is a child of the view's widget, so it lives exactly as long as the view.
class MeterPage final : public QObject, public ITabPage {
 public:
  MeterPage(IShellView& view, std::function<void()> enter, std::function<void()> leave)
      : QObject(view.Widget()), view_(view), enter_(std::move(enter)), leave_(std::move(leave)) {}
  QWidget* Widget() override { return view_.Widget(); }
  void EnterTab() override { enter_(); }
  void LeaveTab() override { leave_(); }

 private:
  IShellView& view_;
  std::function<void()> enter_;
  std::function<void()> leave_;
};

ITabPage* MakeVoltMeter(ViewContext& context, QWidget* parent) {
  IVoltMeterView* meter = context.viewFactory.Create<ViewSlot::VoltMeter>(context, parent);
  context.host.Views().lineTestView.Set(meter);
  // A test that runs already (started from the control panel) goes on; the meters start either
  // way, since their timer is what shows the readings.
  return new MeterPage(
      *meter, [meter] { meter->StartStopTest(); }, [meter] { meter->AbortTest(); });
}

ITabPage* MakeDtmfDecoder(ViewContext& context, QWidget* parent) {
  IDtmfView* dtmf = context.viewFactory.Create<ViewSlot::Dtmf>(context, parent);
  context.host.Views().dtmfView.Set(dtmf);
  CORUData& store = context.store;
  return new MeterPage(
      *dtmf,
      [dtmf, &store] {
        if (!store.Run().dtmfRunning()) dtmf->StartStopDecoder();
      },
      [dtmf] { dtmf->AbortDecoder(); });
}

}  // namespace

void RegisterFrameTabPages(ViewFactory& factory) {
  factory.RegisterTabPage(TAB_CAPTURE_DATA, [](ViewContext& context, QWidget* parent) -> ITabPage* {
    return new CORUCaptureFrame(context, parent);
  });
  factory.RegisterTabPage(TAB_SIGNAL_TRACE, [](ViewContext& context, QWidget* parent) -> ITabPage* {
    return new CORUTraceFrame(context, parent);
  });
  factory.RegisterTabPage(TAB_VOLT_METER, MakeVoltMeter);
  factory.RegisterTabPage(TAB_DTMF_DECODER, MakeDtmfDecoder);
}
