#pragma once

// Base of every object that a HANDLE can name. Objects are shared: the handle table holds one
// reference per open handle, and code that works on an object (a wait, an I/O request) holds its
// own, so closing a handle never pulls an object out from under a caller.

#include "platform/win32/Win32Types.h"

#include <cstddef>
#include <string>

namespace win32 {

class HandleTable;

class KernelObject {
 public:
  KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  virtual ~KernelObject() = default;

  // Short type name for diagnostics ("Event", "File", ...).
  virtual const char* TypeName() const = 0;

  // Name in the object namespace; empty for an unnamed object.
  const std::string& Name() const { return name_; }

 protected:
  // Runs once, on the thread that closed the last handle, with no lock of the table held.
  // References taken elsewhere may keep the object alive after this (a device file sends its
  // cleanup request here).
  virtual void OnLastHandleClosed() {}

 private:
  friend class HandleTable;
  std::size_t handleCount_ = 0;  // guarded by the handle table's lock
  std::string name_;             // set once by the table before the object is shared
};

}  // namespace win32
