#include "platform/win32/Time.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace {

void FillLocal(LPSYSTEMTIME out) {
  if (out == nullptr) return;
  const auto now = std::chrono::system_clock::now();
  const auto wholeSeconds = std::chrono::floor<std::chrono::seconds>(now);
  const std::time_t seconds = std::chrono::system_clock::to_time_t(wholeSeconds);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now - wholeSeconds).count();
  std::tm parts{};
  localtime_r(&seconds, &parts);
  out->wYear = static_cast<WORD>(parts.tm_year + 1900);
  out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
  out->wDay = static_cast<WORD>(parts.tm_mday);
  out->wHour = static_cast<WORD>(parts.tm_hour);
  out->wMinute = static_cast<WORD>(parts.tm_min);
  out->wSecond = static_cast<WORD>(parts.tm_sec < 60 ? parts.tm_sec : 59);  // a leap second reads as :59
  out->wMilliseconds = static_cast<WORD>(millis);
}

}  // namespace

void Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

ULONGLONG GetTickCount64() {
  return static_cast<ULONGLONG>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

void GetLocalTime(LPSYSTEMTIME lpSystemTime) { FillLocal(lpSystemTime); }
