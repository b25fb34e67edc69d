// The dispatch of the worker's notifications (and of the other posted messages) by id.

#include <QGuiApplication>
#include <QScreen>

#include "link/protocol/WorkerMessages.h"
#include "shell/frame/CMainFrame.h"
#include "shell/dialogs/DownloadStatus.h"
#include "shell/OruApp.h"
#include "shell/model/ShellConstants.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/StatusPaneText.h"

namespace {
constexpr UINT WM_ERASEBKGND_ID = 20;
}  // namespace

bool CMainFrame::PreTranslateMessage(const MSG& message) {
  CORUData& store = app.dataStore;
  const WPARAM w = message.wParam;
  const LPARAM l = message.lParam;
  switch (message.message) {
    case WM_ERASEBKGND_ID:
      return true;
    case WM_DEVICECHANGE:
      OnDeviceChange(w, l);
      return false;
    case WM_ORU_GET_CONFIG:
    case WM_ORU_GET_SESSION_HEADER:
      if (app.controlView) app.controlView->SyncControlsFromConfig(w);
      return false;
    case WM_ORU_GET_CAPTURE_DATA:
      if (app.controlView) app.controlView->SyncControlsFromConfig(w);
      // The recall laid out before its records came; nothing else shows them.
      if (app.activeCaptureView) app.activeCaptureView->ShowArrivedData();
      return false;
    case WM_ORU_START_CAPTURE:
      if (app.activeCaptureView) {
        if (app.controlView) app.controlView->SyncControlsFromConfig(w);
        if (!app.activeCaptureView->LiveRefreshRunning()) app.activeCaptureView->StartLiveRefresh();
      }
      if (app.signalTraceView) app.signalTraceView->ForwardToTraceRecall(w);
      if (app.traceControlView) app.traceControlView->RefreshFromSettings(w);
      return false;
    case WM_ORU_ABORT_CAPTURE:
      if (app.controlView) app.controlView->ShowEndOfCapture();
      store.statusText.Set(CORUData::kIdleStatusText);
      store.ExchangeRun([](RunState& run) {
        if (run.capture == CaptureRun::Armed) run.capture = CaptureRun::Idle;
      });
      if (app.activeCaptureView) app.activeCaptureView->StopLiveRefresh();
      return false;
    case WM_ORU_CALIBRATION_STEP_DONE:
      if (developDialog != nullptr && developDialog->WindowExists())
        developDialog->OnCalibrationStep(message.message, w, l);
      return false;
    case WM_ORU_GET_CAL_FACTORS:
      if (developDialog != nullptr && developDialog->WindowExists()) developDialog->OnFactorsRead(w, l);
      return false;
    case WM_ORU_SET_CLOCK_FROM_PC:
      ShowClockResult(w);
      return false;
    case WM_ORU_START_SIGNAL_TRACE:
      if (app.traceControlView) app.traceControlView->OnTraceFinished();
      if (app.controlView) app.controlView->OnSignalTraceEnded();
      return false;
    case WM_ORU_TRACE_DATA_READY:
      if (app.signalTraceView) app.signalTraceView->AddTraceBlock(w, l);
      return false;
    case WM_ORU_STOP_LINE_TEST:
    case WM_ORU_STOP_DTMF_DECODER:
      store.statusText.Set(CORUData::kIdleStatusText);
      return false;
    case WM_ORU_LINE_TEST_DATA:
      if (app.lineTestView) app.lineTestView->OnLineTestReply(w, l);
      return false;
    case WM_ORU_START_DTMF_DECODER:
      if (const auto text = DtmfDecoderStatusText(w)) store.statusText.Set(*text);
      return false;
    case WM_ORU_DTMF_DATA:
      if (app.dtmfView) app.dtmfView->OnDigitsChanged(w, l);
      return false;
    case WM_ORU_DOWNLOAD_FIRMWARE:
      OnDownloadFinished();
      return false;
    case WM_ORU_DOWNLOAD_PROGRESS:
      OnDownloadProgress(w, l);
      return false;
    case WM_ORU_SHOW_ABOUT:
      app.OnCommand(ID_APP_ABOUT);
      return true;
    case WM_ORU_GET_TRACE_HEADER:
      if (app.signalTraceView) app.signalTraceView->ForwardToTraceRecall(w);
      if (app.traceControlView) app.traceControlView->RefreshFromSettings(w);
      return false;
    case WM_ORU_TRACE_RECALL_DONE:
    case WM_ORU_STOP_TRIGGERED_TRACE:
      if (app.traceControlView) app.traceControlView->OnTraceFinished();
      return false;
    case WM_ORU_TRACE_TRIGGERED:
      if (app.signalTraceView) app.signalTraceView->RefreshScope();
      return false;
    case WM_ORU_DEVICE_CONNECTED:
      // After a firmware download the About box shows the new version once.
      if (store.resyncPending.exchange(0) != 0) {
        app.OnCommand(ID_APP_ABOUT);
        return true;
      }
      return false;
    case WM_ORU_ENABLE_V21:
      if (app.controlView) app.controlView->ShowV21Standard();
      return false;
    case WM_ORU_DISABLE_V21:
      if (app.controlView) app.controlView->HideV21Standard();
      return false;
    case WM_ORU_ENABLE_60S_SPAN:
      if (app.traceControlView) app.traceControlView->AddSixtySecondSpan();
      return false;
    case WM_ORU_DISABLE_60S_SPAN:
      if (app.traceControlView) app.traceControlView->RemoveSixtySecondSpan();
      return false;
    default:
      return false;
  }
}

void CMainFrame::ShowClockResult(WPARAM result) {
  if (result != 0)
    app.prompts().MessageBox(QStringLiteral("ORU time set to PC time"), QStringLiteral("ORU Date/Time"), MB_OK);
  else
    app.prompts().MessageBox(QStringLiteral("Unable to set ORU time"), QStringLiteral("ORU Date/Time"),
                             MB_OK | MB_ICONEXCLAMATION);
}

void CMainFrame::OnDownloadProgress(WPARAM done, LPARAM total) {
  if (total != 0 && downloadStatus == nullptr) downloadStatus = new CDownloadStatus(app, this);
  if (downloadStatus == nullptr) return;
  downloadStatus->show();
  downloadStatus->raise();
  // Centred on the main window, its size unchanged.
  QRect area = downloadStatus->frameGeometry();
  area.moveCenter(frameGeometry().center());
  downloadStatus->move(area.topLeft());
  downloadStatus->SetProgress(static_cast<std::uint32_t>(done), static_cast<std::uint32_t>(total));
}

void CMainFrame::OnDownloadFinished() {
  app.dataStore.ExchangeRun([](RunState& run) { run.download = false; });
  if (downloadStatus == nullptr) return;
  downloadStatus->SetProgress(0, 0);
  downloadStatus->hide();
}
