#include "link/protocol/WorkerClock.h"

#include <chrono>
#include <ctime>

#include "platform/win32/Time.h"

WorkerClock WorkerClock::System() {
  WorkerClock clock;
  clock.seconds = [] {
    return static_cast<LONGLONG>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
  };
  clock.localTime = [] {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
  };
  return clock;
}

std::string FormatLocalTime(const SYSTEMTIME& time, const char* format) {
  std::tm parts{};
  parts.tm_year = time.wYear - 1900;
  parts.tm_mon = time.wMonth - 1;
  parts.tm_mday = time.wDay;
  parts.tm_hour = time.wHour;
  parts.tm_min = time.wMinute;
  parts.tm_sec = time.wSecond;
  parts.tm_wday = time.wDayOfWeek;
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, format, &parts);
  return std::string(text, length);
}
