#include "link/worker/CaptureSession.h"

#include <mutex>

#include "link/worker/DeviceLoss.h"
#include "link/store/DocumentType.h"
#include "link/protocol/InstrumentDevice.h"
#include "link/protocol/WorkerMessages.h"
#include "link/store/LinkAccess.h"

CaptureSession::CaptureSession(CommTransport& transport, RequestQueue& queue, ConfigCommands& config, WorkerClock clock)
    : transport_(transport),
      queue_(queue),
      config_(config),
      store_(transport.Store()),
      decoder_(transport, std::move(clock)) {}

int CaptureSession::StartCapture() { return Arm(false); }

int CaptureSession::Arm(bool rearm) {
  // A running capture that is armed again keeps its data (the overwrite rule below).
  const bool wasRunning = store_.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Armed; }).captureRunning();
  LinkFields(store_).hdlcState = 1;
  store_.endOfCaptureCode = CAPTURE_END_NONE;
  const int sent = transport_.SendCommand("CA:0");
  store_.statusText.Set("Waiting for modem trigger");
  if (!sent) return 0;
  const int read = transport_.ReadReply(kArmTimeoutMs);

  // Overwrite drops the data held, but never the earlier calls of one multiple-session capture.
  if (!rearm && transport_.Context().captureOptions == CAPTURE_OPTION_OVERWRITE && !wasRunning) {
    store_.ClearCapture();
    if (DocumentState* document = transport_.Context().document)
      document->SetTypeModified(false, DocumentType::Capture);
  }

  if (DecodeReply(1, false)) {
    // A capture that is no longer armed runs, unless the instrument went meanwhile: then whoever
    // saw the loss has ended it (under this lock), and a running flag would end it twice.
    store_.ExchangeRun([this](RunState& run) {
      if (run.capture != CaptureRun::Armed && transport_.Context().DeviceOpen()) run.capture = CaptureRun::Running;
    });
  } else {
    store_.ExchangeRun(StopCaptureRunning);
    StopCapture(1);
  }
  return read;
}

int CaptureSession::AbortCapture() {
  store_.endOfCaptureCode = CAPTURE_END_ABORTED;
  return StopCapture(1);
}

int CaptureSession::StopCapture(int reason) {
  HANDLE device = transport_.Context().deviceHandle;
  if (device == INVALID_HANDLE_VALUE) {
    // Ended here: the idle step must not find the flags still set and end it again. The user's
    // abort is always answered; the worker's own reset announces only a capture that was on.
    const bool wasOn = TakeCapture(store_);
    if (wasOn || reason != 0) NotifyCaptureEnded(transport_);
    return 1;
  }
  SendAbortRequest(device);
  const int sent = transport_.SendCommand("CA:2");
  store_.statusText.Set(reason == 1 ? "Aborting capture" : CORUData::kIdleStatusText);
  if (!sent) return 0;
  transport_.ReadReply(kAbortTimeoutMs);
  return DecodeReply(reason, false);
}

void CaptureSession::StopBetweenCalls() {
  HANDLE device = transport_.Context().deviceHandle;
  // A capture whose instrument went is ended by the idle step, which sees the loss.
  if (device == INVALID_HANDLE_VALUE) return;
  SendAbortRequest(device);
  const int sent = transport_.SendCommand("CA:2");
  store_.statusText.Set(CORUData::kIdleStatusText);
  // Its answer ("ca:4", stopped) is not decoded: the capture stays armed for the next call.
  if (sent) transport_.ReadReply(kAbortTimeoutMs);
}

int CaptureSession::PollCapture() {
  WorkerSignals& signals = transport_.Signals();
  int result = 0;
  for (;;) {
    result = 0;
    if (transport_.SendCommand("CA:1")) {
      transport_.ReadReply(kReplyTimeoutMs);
      result = DecodeReply(1, true);
    }
    MSG message{};
    if (queue_.Take(message)) {
      if (message.message == WM_ORU_ABORT_CAPTURE) {
        AbortCapture();
        return 0;
      }
      if (message.message == WM_ORU_SET_CONFIG) {
        config_.ApplySettings(static_cast<ULONG>(message.wParam));
      } else {
        queue_.Drop(message);
      }
    } else if (signals.WaitForExitOrMessage(1) == WorkerSignals::Woken::Exit) {
      AbortCapture();
      return 0;
    }
    if (result == 0 || store_.Run().captureArmed()) break;
  }
  if (signals.WaitForExit(kPollRestMs) && store_.Run().captureBusy()) {
    AbortCapture();
    return 0;
  }
  return result;
}

int CaptureSession::ReadHeaderName(CORUCaptureHeader& header) {
  if (!transport_.SendCommand("TN")) return 0;
  transport_.ReadReply(kReplyTimeoutMs);
  const std::string& reply = transport_.replyText;
  if (!reply.starts_with("tn:")) return 0;
  header.endText = reply.substr(reply.find(':') + 1);
  return 1;
}

int CaptureSession::DecodeReply(int reason, bool mayRearm) {
  const CaptureDecode decoded = decoder_.Decode(transport_.ReplyBytes(), reason);
  switch (decoded.callEnd) {
    case CallEnd::None:
      return decoded.result;
    case CallEnd::Multiple:
      if (mayRearm && !transport_.Signals().ExitRequested()) return RearmAfterCall();
      // Not re-armed after all: the capture that stayed armed for the next call ends here.
      store_.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; });
      return EndCall(reason);
    case CallEnd::Single:
      return EndCall(reason);
  }
  return decoded.result;
}

int CaptureSession::EndCall(int reason) {
  SetLastEndText();
  transport_.Notify(WM_ORU_START_CAPTURE);
  if (reason != 0) NotifyCaptureEnded(transport_);
  return 0;
}

int CaptureSession::RearmAfterCall() {
  WorkerSignals& signals = transport_.Signals();
  signals.WaitForExit(kCallEndPauseMs);
  StopBetweenCalls();
  signals.WaitForExit(kCallEndPauseMs);
  SetLastEndText();
  transport_.Notify(WM_ORU_START_CAPTURE);
  // No new call is waited for once the program is ending.
  if (signals.WaitForExit(kCallEndPauseMs)) return 0;
  Arm(true);
  return 1;
}

void CaptureSession::SetLastEndText() {
  CORUCaptureHeader closing;
  if (!ReadHeaderName(closing)) return;
  auto& fields = LinkFields(store_);
  std::lock_guard guard(fields.dataMutex);
  if (fields.captureHeaders.IsEmpty()) return;
  CORUCaptureHeader& last = fields.captureHeaders[fields.captureHeaders.GetSize() - 1];
  last.endText = closing.endText;
  FitTextsToFile(last);
}
