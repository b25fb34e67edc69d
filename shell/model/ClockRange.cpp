#include "shell/model/ClockRange.h"

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool IsSendableClock(const SYSTEMTIME& time) {
  const int year = time.wYear;
  const int month = time.wMonth;
  if (year < kFirstClockYear || year > kLastClockYear || month < 1 || month > 12) return false;
  if (time.wDay < 1 || time.wDay > DaysInMonth(year, month)) return false;
  return time.wHour < 24 && time.wMinute < 60 && time.wSecond < 60;
}

SYSTEMTIME ClockRecord(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = static_cast<WORD>(second);
  return time;
}
