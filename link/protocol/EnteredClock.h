#pragma once

// The date and time the user entered in the clock dialog; the worker sends them on
// WM_ORU_SET_CLOCK. The dialog writes them on the user-interface thread, the worker reads them.

#include <mutex>

#include "platform/win32/Win32Types.h"

class EnteredClock {
 public:
  void Set(const SYSTEMTIME& value) {
    std::lock_guard guard(lock_);
    value_ = value;
  }
  SYSTEMTIME Get() const {
    std::lock_guard guard(lock_);
    return value_;
  }

 private:
  mutable std::mutex lock_;
  SYSTEMTIME value_{2000, 1, 6, 1, 0, 0, 0, 0};
};
