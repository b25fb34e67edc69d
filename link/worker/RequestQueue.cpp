#include "link/worker/RequestQueue.h"

#include "link/protocol/WorkerMessages.h"
#include "platform/win32/ThreadMessages.h"

bool RequestQueue::Take(MSG& message) {
  return PeekMessage(&message, nullptr, kWorkerFilterFirst, kWorkerFilterLast, PM_REMOVE) != FALSE;
}

void RequestQueue::Drop(const MSG& message) {
  if (message.message == WM_ORU_DOWNLOAD_FIRMWARE) transport_.Notify(WM_ORU_DOWNLOAD_FIRMWARE);
  if (message.message == WM_ORU_ECHO) transport_.Notify(WM_ORU_ECHO, message.wParam);
}
