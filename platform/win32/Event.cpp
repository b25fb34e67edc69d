#include "platform/win32/Event.h"

#include "platform/win32/HandleTable.h"

#include <memory>
#include <string>

namespace {

using win32::Event;
using win32::WaitableObject;

bool IsEvent(const win32::KernelObject& object) { return dynamic_cast<const Event*>(&object) != nullptr; }

}  // namespace

HANDLE CreateEvent(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
  const auto mode = bManualReset ? WaitableObject::ResetMode::Manual : WaitableObject::ResetMode::Auto;
  auto make = [&] { return std::make_shared<Event>(mode, bInitialState != FALSE); };
  if (lpName == nullptr || *lpName == '\0') {
    HANDLE handle = win32::HandleTable::Instance().Insert(make());
    SetLastError(ERROR_SUCCESS);
    return handle;
  }
  bool existed = false;
  HANDLE handle = win32::HandleTable::Instance().CreateOrOpen(lpName, make, IsEvent, existed);
  if (handle != nullptr) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

HANDLE OpenEvent(DWORD, BOOL, LPCSTR lpName) {
  if (lpName == nullptr || *lpName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return win32::HandleTable::Instance().Open(lpName, IsEvent);
}

BOOL SetEvent(HANDLE hEvent) {
  auto event = win32::ReferenceObjectByHandle<Event>(hEvent);
  if (!event) return FALSE;
  event->Signal();
  return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
  auto event = win32::ReferenceObjectByHandle<Event>(hEvent);
  if (!event) return FALSE;
  event->Reset();
  return TRUE;
}
