// The idle update: every command's update rule, the status panes and the state synchronisation.
// It reads counts and flags only; it never walks the capture.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>

#include <iterator>
#include <mutex>

#include "link/worker/DeviceLoss.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/data/ResourceIds.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/frame/StatusBar.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/model/FrameCommandRules.h"
#include "shell/model/StateSync.h"
#include "shell/model/StatusPaneText.h"

namespace {

QString Latin(const std::string& text) { return QString::fromLatin1(text.c_str()); }

void ApplyEnables(IShellView* view, const std::vector<std::pair<int, bool>>& enables) {
  for (const auto& [id, enabled] : enables)
    if (QWidget* control = view->Control(id)) control->setEnabled(enabled);
}

}  // namespace

void CMainFrame::RunIdleUpdate() {
  lastIdleUpdate_.start();
  ++idleUpdates_;
  // Readings dropped while the gate was shut: the store holds the last, show it.
  if (lineTestReadings_.Reopen()) PreTranslateMessage(MSG{hwnd_, WM_ORU_LINE_TEST_DATA, 0, 0, 0, {}});
  ApplyUpdateRules();
  SynchroniseState();
  UpdatePanes();
}

void CMainFrame::ApplyUpdateRules() {
  CORUData& store = app_.viewContext().store;
  FrameCommandState state;
  state.captureRecords =
      store.WithCapture([](const CaptureScope& capture) { return capture.captureBuffer().GetSize(); });
  state.traceSamples = store.WithTrace([](const TraceScope& trace) { return trace.traceSamples().GetSize(); });
  state.deviceOpen = app_.context.DeviceOpen();
  state.run = store.Run();
  for (const auto& [id, action] : actions_) {
    bool enabled = true;
    bool checked = false;
    const bool appRule = app_.UpdateCommand(id, &enabled, &checked);
    const std::optional<bool> frameRule = FrameCommandEnabled(id, state);
    if (!appRule && !frameRule) continue;
    const bool on = CombineCommandRules(appRule ? std::optional<bool>(enabled) : std::nullopt, frameRule);
    if (action->isEnabled() != on) action->setEnabled(on);
    if (appRule && action->isCheckable() && action->isChecked() != checked) action->setChecked(checked);
  }
}

void CMainFrame::SynchroniseState() {
  CORUData& store = app_.viewContext().store;
  SyncInput in;
  in.deviceOpen = app_.context.DeviceOpen();
  in.run = store.Run();
  in.currentTab = tabbedFrame_ != nullptr ? tabbedFrame_->GetCurrentTab() : 0;
  IControlPanel* control = views_.controlView.get();
  ITraceControl* trace = views_.traceControlView.get();
  in.controlViewExists = control != nullptr;
  in.traceControlExists = trace != nullptr;
  in.captureButtonIdle = captureButtonIdle_;
  QAbstractButton* captureButton =
      control != nullptr ? qobject_cast<QAbstractButton*>(control->Control(IDC_CAPTURE)) : nullptr;
  if (captureButton != nullptr) in.captureButtonText = captureButton->text().toStdString();
  if (trace != nullptr)
    if (auto* combo = qobject_cast<QComboBox*>(trace->Control(IDC_TRIGGER_TYPE)))
      in.triggerSelection = combo->currentIndex();

  const SyncPlan plan = PlanStateSync(in);
  if (!plan.active) return;
  connectionPaneText_ = Latin(plan.connectionText);
  if (plan.clearStatusText) store.statusText.Clear();
  if (control != nullptr) {
    ApplyEnables(control, plan.controlViewEnables);
    if (plan.captureButtonText && captureButton != nullptr) captureButton->setText(Latin(*plan.captureButtonText));
  }
  captureButtonIdle_ = plan.captureButtonIdle;
  if (trace != nullptr) {
    ApplyEnables(trace, plan.traceControlEnables);
    if (plan.dcScales == DcScales::Show) trace->ShowDcScales();
    if (plan.dcScales == DcScales::Hide) trace->HideDcScales();
  }
  if (tabbedFrame_ != nullptr) {
    for (int tab = 0; tab < tabbedFrame_->TabCount(); ++tab) {
      const std::optional<bool> enabled = plan.tabs.For(tab);
      if (!enabled) continue;
      if (*enabled)
        tabbedFrame_->EnableTab(tab);
      else
        tabbedFrame_->DisableTab(tab);
    }
    if (plan.selectTab0) tabbedFrame_->SelectTab(TAB_CAPTURE_DATA);
  }
  if (plan.stopActivities) StopLostDeviceActivities();
}

void CMainFrame::StopLostDeviceActivities() {
  // The same flags the worker's idle step takes when it sees the loss first: whichever side
  // finds a flag set ends that activity, so a stop is posted once and only for what ran.
  ::StopLostDeviceActivities(app_.context);
}

void CMainFrame::UpdatePanes() {
  CORUData& store = app_.viewContext().store;
  int records = 0;
  int standard = 0;
  store.WithCapture([&](const CaptureScope& capture) {
    records = capture.captureBuffer().GetSize();
    standard = capture.sysCfg().standard;
  });
  // The mode follows the tab and the standard whatever changed them (a new document's reset, a
  // file, the instrument's configuration), so the pane is never left blank or stale.
  store.modeText.Set(ModeTextForTab(app_.CurrentTab(), standard));
  statusBar_->SetPaneText(ID_PANE_CONNECTION, connectionPaneText_);
  statusBar_->SetPaneText(ID_PANE_LINE_STATUS, Latin(store.statusText.Get()));
  statusBar_->SetPaneText(ID_PANE_CAPTURE_BUFFER, Latin(CaptureBufferPaneText(records)));
  statusBar_->SetPaneText(ID_PANE_MODE, Latin(store.modeText.Get()));
}
