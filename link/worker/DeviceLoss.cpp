#include "link/worker/DeviceLoss.h"

#include <mutex>

#include "link/protocol/CaptureDecoder.h"
#include "link/protocol/CommTransport.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/win32/ThreadMessages.h"

bool TakeCapture(CORUData& store) {
  return store.ExchangeRun([](RunState& run) { run.capture = CaptureRun::Idle; }).captureBusy();
}

bool TakeTrace(CORUData& store) {
  return store.ExchangeRun([](RunState& run) { run.trace = TraceRun::Idle; }).traceRunning();
}

void EndLostActivities(CommTransport& transport) {
  CORUData& store = transport.Store();
  const bool capture = TakeCapture(store);
  const bool trace = TakeTrace(store);
  if (!capture && !trace) return;
  store.statusText.Set(CORUData::kIdleStatusText);
  if (capture) NotifyCaptureEnded(transport);
  if (trace) transport.Notify(WM_ORU_STOP_TRIGGERED_TRACE);
}

void StopLostDeviceActivities(LinkContext& context) {
  CORUData& store = context.dataStore;
  const DWORD worker = context.commThreadId;
  auto stop = [worker](UINT request) {
    if (worker != 0) PostThreadMessage(worker, request, 0, 0);
  };
  const RunState before = store.ExchangeRun([](RunState& run) {
    run.dtmf = false;
    run.lineTest = false;
    run.capture = CaptureRun::Idle;
  });
  if (before.dtmfRunning()) stop(WM_ORU_STOP_DTMF_DECODER);
  if (before.lineTestRunning()) stop(WM_ORU_STOP_LINE_TEST);
  if (before.captureBusy()) stop(WM_ORU_ABORT_CAPTURE);
}
