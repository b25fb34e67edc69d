#include "platform/win32/Wait.h"

#include "platform/win32/HandleTable.h"
#include "platform/win32/ThreadState.h"

#include <memory>
#include <vector>

namespace {

using win32::WaitableObject;

// References the objects behind the handles for the length of the wait.
bool ReferenceAll(DWORD count, const HANDLE* handles, std::vector<std::shared_ptr<WaitableObject>>& held,
                  std::vector<WaitableObject*>& objects) {
  if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && handles == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  for (DWORD i = 0; i < count; ++i) {
    auto object = win32::ReferenceObjectByHandle<WaitableObject>(handles[i]);
    if (!object) return false;
    objects.push_back(object.get());
    held.push_back(std::move(object));
  }
  return true;
}

}  // namespace

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  if (nCount == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<WaitableObject>> held;
  std::vector<WaitableObject*> objects;
  if (!ReferenceAll(nCount, lpHandles, held, objects)) return WAIT_FAILED;
  return win32::WaitForObjects(objects, bWaitAll != FALSE, dwMilliseconds);
}

DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll, DWORD dwMilliseconds,
                                DWORD dwWakeMask) {
  std::vector<std::shared_ptr<WaitableObject>> held;
  std::vector<WaitableObject*> objects;
  if (!ReferenceAll(nCount, pHandles, held, objects)) return WAIT_FAILED;
  if ((dwWakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) != 0)
    objects.push_back(&win32::ThreadState::Current().Queue());
  if (objects.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  return win32::WaitForObjects(objects, fWaitAll != FALSE, dwMilliseconds);
}
