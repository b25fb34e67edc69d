#pragma once

// Event objects: manual- or auto-reset, optionally named so that separate parts of the program
// share one by name.

#include "platform/win32/WaitableObject.h"

namespace win32 {

class Event final : public WaitableObject {
 public:
  Event(ResetMode mode, bool initiallySignalled) : WaitableObject(mode, initiallySignalled) {}
  const char* TypeName() const override { return "Event"; }
};

}  // namespace win32

// A new event, or with a name already in use a new handle to that event (its reset mode and state
// unchanged; GetLastError() is then ERROR_ALREADY_EXISTS, otherwise 0). A null or empty name makes
// an unnamed event. Security attributes are accepted and ignored.
HANDLE CreateEvent(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName);

// A new handle to the named event; nullptr with ERROR_FILE_NOT_FOUND when no such event is open.
HANDLE OpenEvent(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);

BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
