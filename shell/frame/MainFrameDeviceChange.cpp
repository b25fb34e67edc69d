// The main frame's side of device arrival and removal.

#include "link/protocol/InstrumentDevice.h"
#include "link/protocol/WorkerMessages.h"
#include "platform/win32/HandleTable.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/model/DeviceChange.h"

BOOL CMainFrame::OnDeviceChange(WPARAM event, LPARAM data) {
  const DeviceChangeDecision decision = ClassifyDeviceChange(event, data);
  if (decision.action != DeviceChangeAction::None)
    HandleDeviceInterfaceEvent(event, *reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(data));
  return decision.result;
}

void CMainFrame::HandleDeviceInterfaceEvent(WPARAM event, const DEV_BROADCAST_DEVICEINTERFACE& record) {
  const DeviceChangeAction action = ClassifyDeviceChange(event, reinterpret_cast<LPARAM>(&record)).action;
  std::atomic<HANDLE>& deviceHandle = app_.context.deviceHandle;
  if (action == DeviceChangeAction::Open) {
    if (deviceHandle.load() != INVALID_HANDLE_VALUE) return;
    const HANDLE device = OpenInstrument();
    if (device == INVALID_HANDLE_VALUE) return;
    // The worker may have found the device back at the same moment; one handle is kept.
    HANDLE expected = INVALID_HANDLE_VALUE;
    if (!deviceHandle.compare_exchange_strong(expected, device)) {
      CloseHandle(device);
      return;
    }
    app_.PostToWorker(WM_ORU_DEVICE_CONNECTED);
  } else if (action == DeviceChangeAction::Close) {
    // Taken first, then closed: a worker call on the old value fails, and the value is never
    // issued again.
    const HANDLE device = deviceHandle.exchange(INVALID_HANDLE_VALUE);
    if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
  }
}
