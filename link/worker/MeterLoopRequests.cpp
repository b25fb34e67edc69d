#include "link/worker/MeterLoopRequests.h"

#include "link/protocol/WorkerMessages.h"

void HandleMeterLoopRequest(MeterLoopParts& parts, const MSG& message) {
  switch (message.message) {
    case WM_ORU_DOWNLOAD_FIRMWARE:
      parts.download.RunAndReport();
      return;
    case WM_ORU_SET_CONFIG:
      if (message.wParam == 8 || message.wParam == 16 || message.wParam == 32) {
        parts.config.ApplySettings(static_cast<ULONG>(message.wParam));
        return;
      }
      break;
    default:
      break;
  }
  parts.queue.Drop(message);
}
