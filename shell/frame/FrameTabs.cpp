#include "shell/frame/FrameTabs.h"

#include <array>
#include <mutex>

#include "link/store/OruData.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/frame/CMainFrame.h"
#include "shell/frame/CaptureFrame.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/frame/TraceFrame.h"
#include "shell/model/StatusPaneText.h"
#include "shell/model/TabTable.h"

namespace {

void Nothing(CORUpc144App&) {}

// The view that prints and takes the commands: the capture view on every tab but SIGNAL TRACE.
void ShowCaptureViewActive(CORUpc144App& app) {
  if (app.mainFrame != nullptr && app.Views().activeCaptureView)
    app.mainFrame->SetActiveView(app.Views().activeCaptureView.get());
}

// A tab that shows a document names the window after that document's file.
void ShowFileOfTab(CORUpc144App& app, int tab) {
  if (app.currentDocument == nullptr) return;
  app.currentDocument->SetPathNameForTab(tab);
  if (app.mainFrame != nullptr) app.mainFrame->setWindowTitle(app.currentDocument->Title());
}

QWidget* MakeCaptureFrame(CORUpc144App& app, QWidget* parent) {
  return new CORUCaptureFrame(app.viewContext(), parent);
}

void EnterCaptureData(CORUpc144App& app) {
  CORUData& store = app.viewContext().store;
  ShowCaptureViewActive(app);
  ShowFileOfTab(app, TAB_CAPTURE_DATA);
  const int standard = store.WithData([](const DataScope& data) { return data.sysCfg().standard; });
  store.modeText.Set(ModeTextForStandard(standard));
}

QWidget* MakeTraceFrame(CORUpc144App& app, QWidget* parent) { return new CORUTraceFrame(app.viewContext(), parent); }

void EnterSignalTrace(CORUpc144App& app) {
  FrameViews& views = app.Views();
  if (views.signalTraceView) views.signalTraceView->ActivateTrace();
  if (views.traceControlView) views.traceControlView->StartEnableTimer();
  if (app.mainFrame != nullptr && views.signalTraceView) app.mainFrame->SetActiveView(views.signalTraceView.get());
  ShowFileOfTab(app, TAB_SIGNAL_TRACE);
  app.viewContext().store.modeText.Set(kBridgedMode);
}

void LeaveSignalTrace(CORUpc144App& app) {
  FrameViews& views = app.Views();
  if (views.signalTraceView) views.signalTraceView->DeactivateTrace();
  if (views.traceControlView) views.traceControlView->StopEnableTimer();
}

QWidget* MakeVoltMeter(CORUpc144App& app, QWidget* parent) {
  IVoltMeterView* meter = app.viewFactory.Create<ViewSlot::VoltMeter>(app.viewContext(), parent);
  app.Views().lineTestView.Set(meter);
  return meter->Widget();
}

void EnterVoltMeter(CORUpc144App& app) {
  // A test that runs already (started from the control panel) goes on; the meters start either
  // way, since their timer is what shows the readings.
  if (app.Views().lineTestView) app.Views().lineTestView->StartStopTest();
  ShowCaptureViewActive(app);
  app.viewContext().store.modeText.Set(kBridgedMode);
}

void LeaveVoltMeter(CORUpc144App& app) {
  if (app.Views().lineTestView) app.Views().lineTestView->AbortTest();
}

QWidget* MakeDtmfDecoder(CORUpc144App& app, QWidget* parent) {
  IDtmfView* dtmf = app.viewFactory.Create<ViewSlot::Dtmf>(app.viewContext(), parent);
  app.Views().dtmfView.Set(dtmf);
  return dtmf->Widget();
}

void EnterDtmfDecoder(CORUpc144App& app) {
  if (app.Views().dtmfView && !app.viewContext().store.Run().dtmfRunning()) app.Views().dtmfView->StartStopDecoder();
  ShowCaptureViewActive(app);
  app.viewContext().store.modeText.Set(kBridgedMode);
}

void LeaveDtmfDecoder(CORUpc144App& app) {
  if (app.Views().dtmfView) app.Views().dtmfView->AbortDecoder();
}

constexpr std::array kTabs{
    FrameTab{TAB_CAPTURE_DATA, MakeCaptureFrame, EnterCaptureData, Nothing},
    FrameTab{TAB_SIGNAL_TRACE, MakeTraceFrame, EnterSignalTrace, LeaveSignalTrace},
    FrameTab{TAB_VOLT_METER, MakeVoltMeter, EnterVoltMeter, LeaveVoltMeter},
    FrameTab{TAB_DTMF_DECODER, MakeDtmfDecoder, EnterDtmfDecoder, LeaveDtmfDecoder},
};

// One window per row of the tab table, in its order.
constexpr bool EveryRowOnce() {
  if (kTabs.size() != kTabTable.size()) return false;
  for (std::size_t i = 0; i < kTabs.size(); ++i)
    if (kTabs[i].tab != static_cast<int>(i)) return false;
  return true;
}
static_assert(EveryRowOnce(), "the frame's tabs follow the tab table row by row");

}  // namespace

std::span<const FrameTab> FrameTabs() { return kTabs; }

const char* FrameTabTitle(const FrameTab& tab) { return kTabTable[static_cast<std::size_t>(tab.tab)].title; }
