#pragma once

// The process's table of open handles and its namespace of named objects.
//
// A handle is an opaque number naming one reference to a KernelObject. Values are never handed out
// twice, so a closed (stale) handle stays invalid: using it gives ERROR_INVALID_HANDLE, never
// another object. A name lives as long as its object has an open handle.

#include "platform/win32/KernelObject.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Win32Errors.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace win32 {

class HandleTable {
 public:
  static HandleTable& Instance();

  // A new handle to `object` (which must not be null).
  HANDLE Insert(std::shared_ptr<KernelObject> object);

  // A handle to the object named `name`, made with `make` when the name is free. `existed` tells
  // which happened. Returns nullptr with ERROR_INVALID_HANDLE when the name belongs to an object
  // for which `isWanted` says no (another type).
  HANDLE CreateOrOpen(const std::string& name, const std::function<std::shared_ptr<KernelObject>()>& make,
                      const std::function<bool(const KernelObject&)>& isWanted, bool& existed);

  // A handle to the existing object named `name`: nullptr with ERROR_FILE_NOT_FOUND when there
  // is none, ERROR_INVALID_HANDLE when `isWanted` refuses it.
  HANDLE Open(const std::string& name, const std::function<bool(const KernelObject&)>& isWanted);

  // The object behind a handle, or null for a closed, unknown or pseudo handle.
  std::shared_ptr<KernelObject> Reference(HANDLE handle) const;

  // Closes one handle; false for a closed or unknown one.
  bool Close(HANDLE handle);

  std::size_t Count() const;

 private:
  HandleTable() = default;
  HANDLE InsertLocked(std::shared_ptr<KernelObject> object);

  mutable std::mutex lock_;
  ULONG_PTR nextValue_ = 4;  // multiples of 4, as the platform's handles are
  std::unordered_map<ULONG_PTR, std::shared_ptr<KernelObject>> handles_;
  std::unordered_map<std::string, std::shared_ptr<KernelObject>> names_;  // objects with an open handle only
};

// The object behind `handle` as a T. Null, with ERROR_INVALID_HANDLE, when the handle is not open
// or names an object of another type.
template <class T>
std::shared_ptr<T> ReferenceObjectByHandle(HANDLE handle) {
  std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(HandleTable::Instance().Reference(handle));
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

}  // namespace win32

// Closes a handle of any object type. FALSE with ERROR_INVALID_HANDLE for a closed, unknown,
// null or invalid handle.
BOOL CloseHandle(HANDLE hObject);

// Number of open handles in the process (leak checks in tests).
BOOL GetProcessHandleCount(HANDLE hProcess, LPDWORD pdwHandleCount);

// A pseudo handle naming the calling process; only GetProcessHandleCount accepts it here.
HANDLE GetCurrentProcess();
