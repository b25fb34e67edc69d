// The dispatch of the worker's notifications (and of the other posted messages): each is decoded
// once into its typed value, which one handler per type hands to the windows that wait for it.

#include <QGuiApplication>
#include <QScreen>

#include "shell/OruApp.h"
#include "shell/dialogs/DownloadStatus.h"
#include "shell/frame/CMainFrame.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/DownloadProgress.h"
#include "shell/model/MainTitle.h"
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
      : frame_(frame), app_(frame.app_), views_(frame.views_), store_(frame.app_.viewContext().store) {}

  bool operator()(std::monostate) const { return false; }
  bool operator()(const notify::ConfigRead&) const {
    if (views_.controlView) views_.controlView->SyncControlsFromConfig(0);
    return false;
  }
  bool operator()(const notify::SessionHeader& header) const {
    if (views_.controlView) views_.controlView->SyncControlsFromConfig(header.slot);
    return false;
  }
  bool operator()(const notify::CaptureDataArrived& arrived) const {
    if (views_.controlView) views_.controlView->SyncControlsFromConfig(arrived.row);
    // The recall laid out before its records came; nothing else shows them.
    if (views_.activeCaptureView) views_.activeCaptureView->ShowArrivedData();
    return false;
  }
  bool operator()(const notify::CaptureStarted& started) const {
    if (views_.activeCaptureView) {
      if (views_.controlView) views_.controlView->SyncControlsFromConfig(started.row);
      if (!views_.activeCaptureView->LiveRefreshRunning()) views_.activeCaptureView->StartLiveRefresh();
    }
    return (*this)(notify::TraceHeader{started.row});
  }
  bool operator()(const notify::CaptureEnded& ended) const {
    // The capture is over on screen before the box that says why: the box is modal, and what is
    // behind it would otherwise still read as capturing until it is closed.
    store_.statusText.Set(CORUData::kIdleStatusText);
    // Only the capture that ended: one the user started after it stays armed.
    store_.ExchangeRun([&ended](RunState& run) {
      if (run.capture == CaptureRun::Armed && run.captureNumber == ended.capture) run.capture = CaptureRun::Idle;
    });
    if (views_.activeCaptureView) views_.activeCaptureView->StopLiveRefresh();
    frame_.RunIdleUpdate();
    if (views_.controlView) views_.controlView->ShowEndOfCapture();
    return false;
  }
  bool operator()(const notify::CalibrationStepResult& result) const {
    if (frame_.developDialog_ != nullptr && frame_.developDialog_->WindowExists())
      frame_.developDialog_->OnCalibrationStep(result);
    return false;
  }
  bool operator()(const notify::CalibrationFactorsRead& read) const {
    if (frame_.developDialog_ != nullptr && frame_.developDialog_->WindowExists())
      frame_.developDialog_->OnFactorsRead(read);
    return false;
  }
  bool operator()(const notify::ClockSetResult& result) const {
    frame_.ShowClockResult(result.succeeded);
    return false;
  }
  bool operator()(const notify::SignalTraceEnded&) const {
    if (views_.traceControlView) views_.traceControlView->OnTraceFinished();
    if (views_.controlView) views_.controlView->OnSignalTraceEnded();
    return false;
  }
  bool operator()(const notify::TraceBlock& block) const {
    if (views_.signalTraceView) views_.signalTraceView->AddTraceBlock(block);
    return false;
  }
  bool operator()(const notify::MeterStopped&) const {
    store_.statusText.Set(CORUData::kIdleStatusText);
    return false;
  }
  bool operator()(const notify::LineTestReading& reading) const {
    if (views_.lineTestView) views_.lineTestView->OnLineTestReply(reading);
    return false;
  }
  bool operator()(const notify::DtmfDecoderStarted& started) const {
    // An out-of-range line (-1) names no text and leaves the pane.
    if (const auto text = DtmfDecoderStatusText(static_cast<unsigned long long>(started.line)))
      store_.statusText.Set(*text);
    return false;
  }
  bool operator()(const notify::DtmfDigits& digits) const {
    if (views_.dtmfView) views_.dtmfView->OnDigitsChanged(digits);
    return false;
  }
  bool operator()(const notify::DownloadFinished& finished) const {
    frame_.OnDownloadFinished(finished);
    return false;
  }
  bool operator()(const notify::DownloadProgress& progress) const {
    frame_.OnDownloadProgress(progress);
    return false;
  }
  bool operator()(const notify::AboutRequested&) const {
    app_.OnCommand(ID_APP_ABOUT);
    return true;
  }
  bool operator()(const notify::TraceHeader& header) const {
    if (views_.signalTraceView) views_.signalTraceView->ForwardToTraceRecall(header.row);
    if (views_.traceControlView) views_.traceControlView->RefreshFromSettings(header.row);
    return false;
  }
  bool operator()(const notify::TraceFinished&) const {
    if (views_.traceControlView) views_.traceControlView->OnTraceFinished();
    return false;
  }
  bool operator()(const notify::TraceTriggered&) const {
    if (views_.signalTraceView) views_.signalTraceView->RefreshScope();
    return false;
  }
  bool operator()(const notify::DeviceReady&) const {
    // After a firmware download the About box shows the new version once.
    if (store_.resyncPending.exchange(0) == 0) return false;
    app_.OnCommand(ID_APP_ABOUT);
    return true;
  }
  bool operator()(const notify::V21Offered& v21) const {
    if (views_.controlView) {
      if (v21.offered)
        views_.controlView->ShowV21Standard();
      else
        views_.controlView->HideV21Standard();
    }
    return false;
  }
  bool operator()(const notify::SixtySecondSpanOffered& span) const {
    if (views_.traceControlView) {
      if (span.offered)
        views_.traceControlView->AddSixtySecondSpan();
      else
        views_.traceControlView->RemoveSixtySecondSpan();
    }
    return false;
  }

 private:
  CMainFrame& frame_;
  CORUpc144App& app_;
  FrameViews& views_;
  CORUData& store_;
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
  if (progress.fileSize != 0 && downloadStatus_ == nullptr)
    downloadStatus_ = new CDownloadStatus(app_.viewContext(), this);
  if (downloadStatus_ == nullptr) return;
  downloadStatus_->show();
  downloadStatus_->raise();
  // Centred on the main window, its size unchanged.
  QRect area = downloadStatus_->frameGeometry();
  area.moveCenter(frameGeometry().center());
  downloadStatus_->move(area.topLeft());
  downloadStatus_->SetProgress(progress.bytesSent, progress.fileSize);
}

void CMainFrame::OnDownloadFinished(const notify::DownloadFinished& finished) {
  CORUData& store = app_.viewContext().store;
  store.ExchangeRun([](RunState& run) { run.download = false; });
  if (downloadStatus_ != nullptr) {
    downloadStatus_->SetProgress(0, 0);
    downloadStatus_->hide();
  }
  const std::string path = store.downloadFilePath.Get();
  if (const std::optional<DownloadFailure> failure =
          DownloadFailureText(finished.outcome, finished.line, FileNameOf(path)))
    app_.prompts().MessageBox(QString::fromStdString(failure->text), QString::fromStdString(failure->title),
                              MB_OK | MB_ICONEXCLAMATION);
}
