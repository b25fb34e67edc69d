// The control panel's activity buttons, the Capture button, the end-of-capture box and the
// dialogs it opens. Each button holds dataMutex while it reads the run-state flags and posts, so
// that the worker's flag changes do not interleave with the check; every box and dialog runs
// after the lock is let go.

#include <QAbstractButton>

#include <mutex>

#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/data/StringTable.h"
#include "shell/dialogs/ConfigureDlg.h"
#include "shell/panel/ControlView.h"
#include "shell/dialogs/FindDlg.h"
#include "shell/OruApp.h"
#include "shell/OruDocument.h"
#include "shell/frame/TabbedFrame.h"

namespace {

// The controls a running capture locks: Configure, Recall Session, Signal Trace, Line Test,
// DTMF Decoder, standard, mode and session.
constexpr int kCaptureLockedControls[] = {IDC_PANEL_CONFIGURE, IDC_PANEL_RECALL, IDC_PANEL_SIGNAL_TRACE,
                                          IDC_PANEL_LINE_TEST, IDC_PANEL_DTMF,   IDC_PANEL_STANDARD,
                                          IDC_PANEL_MODE,      IDC_PANEL_SESSION};
constexpr int kLastEndOfCaptureCode = 15;

}  // namespace

PanelRunFlags CORUControlView::ReadFlags() const {
  const CORUData& store = app.dataStore;
  PanelRunFlags f;
  f.deviceOpen = app.context.DeviceOpen();
  f.captureArmed = store.captureArmed.load() != 0;
  f.captureRunning = store.captureRunning.load() != 0;
  f.traceRunning = store.traceRunning.load() != 0;
  f.lineTestRunning = store.lineTestRunning.load() != 0;
  f.dtmfRunning = store.dtmfRunning.load() != 0;
  return f;
}

void CORUControlView::RunPosts(const std::vector<PanelPost>& posts) {
  for (const PanelPost& post : posts) {
    if (!post.statusText.empty()) app.dataStore.statusText.Set(post.statusText);
    app.PostToWorker(post.message, post.wParam);
  }
}

void CORUControlView::ShowNoUsbConnection() {
  app.prompts().MessageBox(QString::fromLatin1(kPanelNoUsbText), QString::fromLatin1(kPanelCommErrorTitle),
                           MB_OK | MB_SYSTEMMODAL);
}

void CORUControlView::SetCaptureControlsEnabled(bool enabled) {
  for (int id : kCaptureLockedControls)
    if (QWidget* control = Control(id)) control->setEnabled(enabled);
}

PanelPlan CORUControlView::RunPlan(PanelPlan (*planner)(const PanelRunFlags&)) {
  CORUData& store = app.dataStore;
  PanelPlan plan;
  {
    std::lock_guard lock(store.dataMutex);
    plan = planner(ReadFlags());
    if (plan.start == PanelStart::SignalTrace) {
      if (signalTraceButton != nullptr) signalTraceButton->setText(QString::fromLatin1(kEndTraceText));
      store.traceBlockCount = 0;
    }
    if (plan.start == PanelStart::DtmfDecoder) store.dtmfDigits.Clear();
    RunPosts(plan.posts);
  }
  if (plan.start == PanelStart::NoDevice) ShowNoUsbConnection();
  return plan;
}

void CORUControlView::OnSignalTrace() { RunPlan(PlanSignalTrace); }

void CORUControlView::OnSignalTraceEnded() {
  app.dataStore.statusText.Set(CORUData::kIdleStatusText);
  if (signalTraceButton != nullptr) signalTraceButton->setText(QString::fromLatin1(kSignalTraceText));
}

void CORUControlView::OnLineTest() { RunPlan(PlanLineTest); }

void CORUControlView::OnDtmfDecoder() { RunPlan(PlanDtmfDecoder); }

void CORUControlView::OnConfigure() {
  RunPlan(PlanConfigure);
  ConfigureDialog().RunModal();
  if (!app.context.DeviceOpen()) app.UpdateViews();
}

void CORUControlView::OnRecallSession() {
  if (RunPlan(PlanRecallSession).start == PanelStart::NoDevice) return;
  if (CaptureDataRuleFor(app.settings.options).autosaveFirst) {
    if (app.currentDocument == nullptr || app.currentDocument->Autosave(-1, DOCUMENT_CAPTURE, 0) == 0) return;
  }
  RecallDialog().RunModal();
  if (!app.context.DeviceOpen()) app.UpdateViews();
}

void CORUControlView::OnFind() { FindDialog().RunModal(); }

void CORUControlView::OnCapture() {
  CORUData& store = app.dataStore;
  CapturePlan plan;
  {
    std::lock_guard lock(store.dataMutex);
    plan = PlanCapture(ReadFlags());
    RunPosts(plan.stops);
    if (plan.step == CaptureStep::Abort) {
      SetCaptureControlsEnabled(true);
      if (app.tabbedFrame != nullptr)
        for (int tab : {TAB_SIGNAL_TRACE, TAB_VOLT_METER, TAB_DTMF_DECODER}) app.tabbedFrame->EnableTab(tab);
      store.statusText.Set("Aborting capture");
      app.PostToWorker(WM_ORU_ABORT_CAPTURE);
    }
  }
  if (plan.step == CaptureStep::NoDevice) ShowNoUsbConnection();
  if (plan.step != CaptureStep::Start) return;

  const CaptureDataRule rule = CaptureDataRuleFor(app.settings.options);
  // The autosave asks and saves without the lock; the user may cancel the capture there.
  if (rule.autosaveFirst &&
      (app.currentDocument == nullptr || app.currentDocument->Autosave(-1, DOCUMENT_CAPTURE, 0) == 0))
    return;
  app.SelectTab(TAB_CAPTURE_DATA);
  StartCapture(rule);
}

void CORUControlView::StartCapture(const CaptureDataRule& rule) {
  CORUData& store = app.dataStore;
  bool noDevice = false;
  {
    std::lock_guard lock(store.dataMutex);
    // The flags again: the device or a capture may have come or gone while the prompts ran.
    const PanelRunFlags now = ReadFlags();
    if (now.captureArmed || now.captureRunning) return;
    noDevice = !now.deviceOpen;
    if (!noDevice) {
      SetCaptureControlsEnabled(false);
      if (captureButton != nullptr) captureButton->setText(QStringLiteral("End Capture"));
      store.currentRecordIndex = -1;
      store.cursorRecordIndex = -1;
      if (rule.clear) {
        store.ClearCapture();
        CORUpc144Doc* doc = app.currentDocument;
        // Overwrite starts the capture afresh without a name; a trace held keeps its data.
        if (rule.untitled && doc != nullptr) doc->ForgetCaptureFile();
        if (app.Views().sessionView) app.Views().sessionView->Refresh();
        // Before the posts: the first new byte marks the capture modified again.
        if (doc != nullptr) doc->SetTypeModified(0, DOCUMENT_CAPTURE);
      }
      app.PostToWorker(WM_ORU_SET_CONFIG, kCaptureConfigMask);
      app.PostToWorker(WM_ORU_START_CAPTURE);
    }
  }
  if (noDevice) ShowNoUsbConnection();
}

void CORUControlView::ShowEndOfCapture() {
  const int code = app.dataStore.endOfCaptureCode.load();
  // Only the capture-end messages name a code; any other code shows an empty text.
  const bool known = code >= 0 && code <= kLastEndOfCaptureCode;
  const char* text = known ? LoadResourceStringOrEmpty(EndOfCaptureStringId(code)) : "";
  app.prompts().MessageBox(QString::fromLatin1(text), QString::fromLatin1(kEndOfCaptureTitle), EndOfCaptureStyle(code));
}
