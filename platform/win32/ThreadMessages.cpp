#include "platform/win32/ThreadMessages.h"

#include "platform/win32/LastError.h"
#include "platform/win32/ThreadState.h"
#include "platform/win32/Time.h"
#include "platform/win32/Win32Errors.h"

DWORD GetCurrentThreadId() { return win32::ThreadState::Current().Id(); }

BOOL PostThreadMessage(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<win32::MessageQueue> queue = win32::ThreadState::FindQueue(idThread);
  if (!queue) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  if (!queue->Post(MSG{nullptr, Msg, wParam, lParam, GetTickCount(), POINT{0, 0}})) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  return TRUE;
}

BOOL PeekMessage(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (lpMsg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  win32::MessageQueue& queue = win32::ThreadState::Current().Queue();
  const HWND threadMessagesOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
  if (hWnd != nullptr && hWnd != threadMessagesOnly)
    return FALSE;  // window messages go to their targets, never into a thread's queue
  return queue.Peek(*lpMsg, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}
