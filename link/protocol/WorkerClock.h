#pragma once

// The PC clock as the worker reads it: whole seconds for the capture time stamps and the local
// date and time for event headers and the instrument's clock. Tests put fixed clocks in its place.

#include <functional>
#include <string>

#include "platform/win32/Win32Types.h"

struct WorkerClock {
  std::function<LONGLONG()> seconds;      // a count of seconds that only moves forward
  std::function<SYSTEMTIME()> localTime;  // the local date and time

  // The PC's own clocks.
  static WorkerClock System();
};

// strftime-style texts of a local time ("%m/%d/%y", "%H:%M:%S", "%A, %B %d, %Y").
std::string FormatLocalTime(const SYSTEMTIME& time, const char* format);
