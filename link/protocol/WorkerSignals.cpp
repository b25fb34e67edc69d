#include "link/protocol/WorkerSignals.h"

#include "platform/win32/Time.h"
#include "platform/win32/Wait.h"

bool WorkerSignals::ExitRequested() const {
  HANDLE request = ExitRequest();
  return request != nullptr && WaitForSingleObject(request, 0) == WAIT_OBJECT_0;
}

bool WorkerSignals::WaitForExit(DWORD milliseconds) const {
  HANDLE request = ExitRequest();
  if (request != nullptr) {
    const DWORD result = WaitForSingleObject(request, milliseconds);
    if (result == WAIT_OBJECT_0) return true;
    if (result == WAIT_TIMEOUT) return false;
  }
  Sleep(milliseconds);
  return false;
}

WorkerSignals::Woken WorkerSignals::WaitForExitOrMessage(DWORD milliseconds) const {
  HANDLE request = ExitRequest();
  if (request != nullptr) {
    const DWORD result = MsgWaitForMultipleObjects(1, &request, FALSE, milliseconds, QS_ALLPOSTMESSAGE);
    if (result == WAIT_OBJECT_0) return Woken::Exit;
    if (result == WAIT_OBJECT_0 + 1) return Woken::Message;
    if (result == WAIT_TIMEOUT) return Woken::TimedOut;
  }
  const DWORD result = MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLPOSTMESSAGE);
  return result == WAIT_OBJECT_0 ? Woken::Message : Woken::TimedOut;
}
