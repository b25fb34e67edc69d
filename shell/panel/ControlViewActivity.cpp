// The control panel's activity buttons, the Capture button, the end-of-capture box and the
// dialogs it opens. Each button holds the store's lock while it reads the run-state flags and posts, so
// that the worker's flag changes do not interleave with the check; every box and dialog runs
// after the lock is let go.

#include <QAbstractButton>

#include <mutex>

#include "link/store/DocumentType.h"
#include "link/protocol/WorkerMessages.h"
#include "resources/data/ResourceIds.h"
#include "resources/data/StringTable.h"
#include "shell/dialogs/ConfigureDlg.h"
#include "shell/panel/ControlView.h"
#include "shell/dialogs/FindDlg.h"
#include "shell/views/ViewContext.h"
#include "shell/OruDocument.h"
#include "shell/frame/TabbedFrame.h"
#include "shell/model/TabTable.h"

namespace {

// The controls a running capture locks: Configure, Recall Session, Signal Trace, Line Test,
// DTMF Decoder, standard, mode and session.
constexpr int kCaptureLockedControls[] = {IDC_CONFIGURE,    IDC_RECALL_SESSION, IDC_SIGNAL_TRACE, IDC_LINE_TEST,
                                          IDC_DTMF_DECODER, IDC_STANDARD,       IDC_MODE,         IDC_SESSION};
constexpr int kLastEndOfCaptureCode = 15;

}  // namespace

PanelInput CORUControlView::ReadFlags(RunState run) const {
  return PanelInput{.deviceOpen = context_.link.DeviceOpen(), .run = run};
}

void CORUControlView::RunPosts(const std::vector<PanelPost>& posts) {
  for (const PanelPost& post : posts) {
    if (!post.statusText.empty()) context_.store.statusText.Set(post.statusText);
    context_.worker.Post(post.message, post.wParam);
  }
}

void CORUControlView::ShowNoUsbConnection() {
  context_.prompts.MessageBox(QString::fromLatin1(kPanelNoUsbText), QString::fromLatin1(kPanelCommErrorTitle),
                              MB_OK | MB_SYSTEMMODAL);
}

void CORUControlView::SetCaptureControlsEnabled(bool enabled) {
  for (int id : kCaptureLockedControls)
    if (QWidget* control = Control(id)) control->setEnabled(enabled);
}

PanelPlan CORUControlView::RunPlan(PanelPlan (*planner)(const PanelInput&)) {
  CORUData& store = context_.store;
  const PanelPlan plan = store.WithTrace([&](TraceScope& trace) {
    PanelPlan planned = planner(ReadFlags(trace.Run()));
    if (planned.start == PanelStart::SignalTrace) {
      if (signalTraceButton != nullptr) signalTraceButton->setText(QString::fromLatin1(kEndTraceText));
      trace.Clear(TraceKind::Streamed);
    }
    if (planned.start == PanelStart::DtmfDecoder) store.dtmfDigits.Clear();
    RunPosts(planned.posts);
    return planned;
  });
  if (plan.start == PanelStart::NoDevice) ShowNoUsbConnection();
  return plan;
}

void CORUControlView::OnSignalTrace() { RunPlan(PlanSignalTrace); }

void CORUControlView::OnSignalTraceEnded() {
  context_.store.statusText.Set(CORUData::kIdleStatusText);
  if (signalTraceButton != nullptr) signalTraceButton->setText(QString::fromLatin1(kSignalTraceText));
}

void CORUControlView::OnLineTest() { RunPlan(PlanLineTest); }

void CORUControlView::OnDtmfDecoder() { RunPlan(PlanDtmfDecoder); }

void CORUControlView::OnConfigure() {
  RunPlan(PlanConfigure);
  ConfigureDialog().RunModal();
  if (!context_.link.DeviceOpen()) context_.host.UpdateViews();
}

void CORUControlView::OnRecallSession() {
  if (RunPlan(PlanRecallSession).start == PanelStart::NoDevice) return;
  if (CaptureDataRuleFor(context_.settings.options).autosaveFirst) {
    if (context_.host.Document() == nullptr || !context_.host.Document()->Autosave(-1, DocumentType::Capture, false))
      return;
  }
  RecallDialog().RunModal();
  if (!context_.link.DeviceOpen()) context_.host.UpdateViews();
}

void CORUControlView::OnFind() { FindDialog().RunModal(); }

void CORUControlView::OnCapture() {
  CORUData& store = context_.store;
  const CapturePlan plan = store.WithCapture([&](const CaptureScope& capture) {
    CapturePlan planned = PlanCapture(ReadFlags(capture.Run()));
    RunPosts(planned.stops);
    if (planned.step == CaptureStep::Abort) {
      SetCaptureControlsEnabled(true);
      // The capture's own tab stayed open; the others come back now, not at the next idle update.
      for (int tab : TabsGivenBack(TabOfDocument(DocumentType::Capture))) context_.host.EnableTab(tab);
      store.statusText.Set("Aborting capture");
      context_.worker.Post(WM_ORU_ABORT_CAPTURE);
    }
    return planned;
  });
  if (plan.step == CaptureStep::NoDevice) ShowNoUsbConnection();
  if (plan.step != CaptureStep::Start) return;

  const CaptureDataRule rule = CaptureDataRuleFor(context_.settings.options);
  // The autosave asks and saves without the lock; the user may cancel the capture there.
  if (rule.autosaveFirst &&
      (context_.host.Document() == nullptr || !context_.host.Document()->Autosave(-1, DocumentType::Capture, false)))
    return;
  context_.host.SelectTab(TAB_CAPTURE_DATA);
  StartCapture(rule);
}

void CORUControlView::StartCapture(const CaptureDataRule& rule) {
  const bool noDevice = context_.store.WithCapture([&](CaptureScope& capture) {
    // The flags again: the device or a capture may have come or gone while the prompts ran.
    const PanelInput now = ReadFlags(capture.Run());
    if (now.run.captureBusy()) return false;
    if (now.deviceOpen) {
      SetCaptureControlsEnabled(false);
      if (captureButton != nullptr) captureButton->setText(QStringLiteral("End Capture"));
      capture.currentRecordIndex() = -1;
      capture.cursorRecordIndex() = -1;
      if (rule.clear) {
        capture.Clear();
        CORUpc144Doc* doc = context_.host.Document();
        // Overwrite starts the capture afresh without a name; a trace held keeps its data.
        if (rule.untitled && doc != nullptr) doc->ForgetCaptureFile();
        if (context_.host.Views().sessionView) context_.host.Views().sessionView->Refresh();
        // Before the posts: the first new byte marks the capture modified again.
        if (doc != nullptr) doc->SetTypeModified(false, DocumentType::Capture);
      }
      context_.worker.Post(WM_ORU_SET_CONFIG, kCaptureConfigMask);
      context_.worker.Post(WM_ORU_START_CAPTURE);
    }
    return !now.deviceOpen;
  });
  if (noDevice) ShowNoUsbConnection();
}

void CORUControlView::ShowEndOfCapture() {
  const int code = context_.store.endOfCaptureCode.load();
  // Only the capture-end messages name a code; any other code shows an empty text.
  const bool known = code >= 0 && code <= kLastEndOfCaptureCode;
  const char* text = known ? LoadResourceStringOrEmpty(EndOfCaptureStringId(code)) : "";
  context_.prompts.MessageBox(QString::fromLatin1(text), QString::fromLatin1(kEndOfCaptureTitle),
                              EndOfCaptureStyle(code));
}
