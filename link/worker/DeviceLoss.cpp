#include "link/worker/DeviceLoss.h"

#include <mutex>

#include "link/protocol/CommTransport.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/win32/ThreadMessages.h"

bool TakeRunFlags(CORUData& store, std::atomic<int>& first, std::atomic<int>& second) {
  std::lock_guard guard(store.dataMutex);
  const bool a = first.exchange(0) != 0;
  const bool b = second.exchange(0) != 0;
  return a || b;
}

void EndLostActivities(CommTransport& transport) {
  CORUData& store = transport.Store();
  const bool capture = TakeRunFlags(store, store.captureArmed, store.captureRunning);
  const bool trace = TakeRunFlags(store, store.traceTriggerArmed, store.traceRunning);
  if (!capture && !trace) return;
  store.statusText.Set(CORUData::kIdleStatusText);
  if (capture) transport.Notify(WM_ORU_ABORT_CAPTURE);
  if (trace) transport.Notify(WM_ORU_STOP_TRIGGERED_TRACE);
}

void StopLostDeviceActivities(LinkContext& context) {
  CORUData& store = context.dataStore;
  const DWORD worker = context.commThreadId;
  auto stop = [worker](UINT request) {
    if (worker != 0) PostThreadMessage(worker, request, 0, 0);
  };
  std::lock_guard guard(store.dataMutex);
  if (store.dtmfRunning.exchange(0) != 0) stop(WM_ORU_STOP_DTMF_DECODER);
  if (store.lineTestRunning.exchange(0) != 0) stop(WM_ORU_STOP_LINE_TEST);
  if (TakeRunFlags(store, store.captureArmed, store.captureRunning)) stop(WM_ORU_ABORT_CAPTURE);
}
