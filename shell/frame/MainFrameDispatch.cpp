// The dispatch of the worker's notifications (and of the other posted messages): each is decoded
// once into its typed value, which one handler per type hands to the windows that wait for it.

#include <QGuiApplication>
#include <QScreen>

#include "shell/OruApp.h"
#include "shell/dialogs/DownloadStatus.h"
#include "shell/frame/CMainFrame.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/NotificationDecoder.h"
#include "shell/model/ShellConstants.h"
#include "shell/model/StatusPaneText.h"

namespace {
constexpr UINT WM_ERASEBKGND_ID = 20;
}  // namespace

// One overload per notification type; each answers whether the message was consumed.
class CMainFrame::NotificationHandler {
 public:
  explicit NotificationHandler(CMainFrame& frame)
      : frame(frame), app_(frame.app_), views(frame.views), store(frame.app_.viewContext().store) {}

  bool operator()(std::monostate) const { return false; }
  bool operator()(const notify::ConfigRead&) const {
    if (views.controlView) views.controlView->SyncControlsFromConfig(0);
    return false;
  }
  bool operator()(const notify::SessionHeader& header) const {
    if (views.controlView) views.controlView->SyncControlsFromConfig(header.slot);
    return false;
  }
  bool operator()(const notify::CaptureDataArrived& arrived) const {
    if (views.controlView) views.controlView->SyncControlsFromConfig(arrived.row);
    // The recall laid out before its records came; nothing else shows them.
    if (views.activeCaptureView) views.activeCaptureView->ShowArrivedData();
    return false;
  }
  bool operator()(const notify::CaptureStarted& started) const {
    if (views.activeCaptureView) {
      if (views.controlView) views.controlView->SyncControlsFromConfig(started.row);
      if (!views.activeCaptureView->LiveRefreshRunning()) views.activeCaptureView->StartLiveRefresh();
    }
    return (*this)(notify::TraceHeader{started.row});
  }
  bool operator()(const notify::CaptureEnded& ended) const {
    // The capture is over on screen before the box that says why: the box is modal, and what is
    // behind it would otherwise still read as capturing until it is closed.
    store.statusText.Set(CORUData::kIdleStatusText);
    // Only the capture that ended: one the user started after it stays armed.
    store.ExchangeRun([&ended](RunState& run) {
      if (run.capture == CaptureRun::Armed && run.captureNumber == ended.capture) run.capture = CaptureRun::Idle;
    });
    if (views.activeCaptureView) views.activeCaptureView->StopLiveRefresh();
    frame.RunIdleUpdate();
    if (views.controlView) views.controlView->ShowEndOfCapture();
    return false;
  }
  bool operator()(const notify::CalibrationStepResult& result) const {
    if (frame.developDialog != nullptr && frame.developDialog->WindowExists())
      frame.developDialog->OnCalibrationStep(result);
    return false;
  }
  bool operator()(const notify::CalibrationFactorsRead& read) const {
    if (frame.developDialog != nullptr && frame.developDialog->WindowExists()) frame.developDialog->OnFactorsRead(read);
    return false;
  }
  bool operator()(const notify::ClockSetResult& result) const {
    frame.ShowClockResult(result.succeeded);
    return false;
  }
  bool operator()(const notify::SignalTraceEnded&) const {
    if (views.traceControlView) views.traceControlView->OnTraceFinished();
    if (views.controlView) views.controlView->OnSignalTraceEnded();
    return false;
  }
  bool operator()(const notify::TraceBlock& block) const {
    if (views.signalTraceView) views.signalTraceView->AddTraceBlock(block);
    return false;
  }
  bool operator()(const notify::MeterStopped&) const {
    store.statusText.Set(CORUData::kIdleStatusText);
    return false;
  }
  bool operator()(const notify::LineTestReading& reading) const {
    if (views.lineTestView) views.lineTestView->OnLineTestReply(reading);
    return false;
  }
  bool operator()(const notify::DtmfDecoderStarted& started) const {
    // An out-of-range line (-1) names no text and leaves the pane.
    if (const auto text = DtmfDecoderStatusText(static_cast<unsigned long long>(started.line)))
      store.statusText.Set(*text);
    return false;
  }
  bool operator()(const notify::DtmfDigits& digits) const {
    if (views.dtmfView) views.dtmfView->OnDigitsChanged(digits);
    return false;
  }
  bool operator()(const notify::DownloadFinished&) const {
    frame.OnDownloadFinished();
    return false;
  }
  bool operator()(const notify::DownloadProgress& progress) const {
    frame.OnDownloadProgress(progress);
    return false;
  }
  bool operator()(const notify::AboutRequested&) const {
    app_.OnCommand(ID_APP_ABOUT);
    return true;
  }
  bool operator()(const notify::TraceHeader& header) const {
    if (views.signalTraceView) views.signalTraceView->ForwardToTraceRecall(header.row);
    if (views.traceControlView) views.traceControlView->RefreshFromSettings(header.row);
    return false;
  }
  bool operator()(const notify::TraceFinished&) const {
    if (views.traceControlView) views.traceControlView->OnTraceFinished();
    return false;
  }
  bool operator()(const notify::TraceTriggered&) const {
    if (views.signalTraceView) views.signalTraceView->RefreshScope();
    return false;
  }
  bool operator()(const notify::DeviceReady&) const {
    // After a firmware download the About box shows the new version once.
    if (store.resyncPending.exchange(0) == 0) return false;
    app_.OnCommand(ID_APP_ABOUT);
    return true;
  }
  bool operator()(const notify::V21Offered& v21) const {
    if (views.controlView) {
      if (v21.offered)
        views.controlView->ShowV21Standard();
      else
        views.controlView->HideV21Standard();
    }
    return false;
  }
  bool operator()(const notify::SixtySecondSpanOffered& span) const {
    if (views.traceControlView) {
      if (span.offered)
        views.traceControlView->AddSixtySecondSpan();
      else
        views.traceControlView->RemoveSixtySecondSpan();
    }
    return false;
  }

 private:
  CMainFrame& frame;
  CORUpc144App& app_;
  FrameViews& views;
  CORUData& store;
};

bool CMainFrame::PreTranslateMessage(const MSG& message) {
  switch (message.message) {
    case WM_ERASEBKGND_ID:
      return true;
    case WM_DEVICECHANGE:
      OnDeviceChange(message.wParam, message.lParam);
      return false;
    default:
      return std::visit(NotificationHandler(*this),
                        notify::DecodeNotification(message.message, message.wParam, message.lParam));
  }
}

void CMainFrame::ShowClockResult(bool succeeded) {
  if (succeeded)
    app_.prompts().MessageBox(QStringLiteral("ORU time set to PC time"), QStringLiteral("ORU Date/Time"), MB_OK);
  else
    app_.prompts().MessageBox(QStringLiteral("Unable to set ORU time"), QStringLiteral("ORU Date/Time"),
                              MB_OK | MB_ICONEXCLAMATION);
}

void CMainFrame::OnDownloadProgress(const notify::DownloadProgress& progress) {
  if (progress.fileSize != 0 && downloadStatus == nullptr)
    downloadStatus = new CDownloadStatus(app_.viewContext(), this);
  if (downloadStatus == nullptr) return;
  downloadStatus->show();
  downloadStatus->raise();
  // Centred on the main window, its size unchanged.
  QRect area = downloadStatus->frameGeometry();
  area.moveCenter(frameGeometry().center());
  downloadStatus->move(area.topLeft());
  downloadStatus->SetProgress(progress.bytesSent, progress.fileSize);
}

void CMainFrame::OnDownloadFinished() {
  app_.viewContext().store.ExchangeRun([](RunState& run) { run.download = false; });
  if (downloadStatus == nullptr) return;
  downloadStatus->SetProgress(0, 0);
  downloadStatus->hide();
}
