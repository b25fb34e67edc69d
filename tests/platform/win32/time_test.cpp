#include "platform/win32/Time.h"

#include "platform/win32/LastError.h"

#include <gtest/gtest.h>

#include <ctime>
#include <thread>

namespace {

std::tm PartsOf(const SYSTEMTIME& st) {
  std::tm parts{};
  parts.tm_year = st.wYear - 1900;
  parts.tm_mon = st.wMonth - 1;
  parts.tm_mday = st.wDay;
  parts.tm_hour = st.wHour;
  parts.tm_min = st.wMinute;
  parts.tm_sec = st.wSecond;
  parts.tm_isdst = -1;
  return parts;
}

TEST(Time, SleepLastsAtLeastItsTimeOnTheTickCount) {
  const DWORD start = GetTickCount();
  const ULONGLONG start64 = GetTickCount64();
  Sleep(25);
  EXPECT_GE(GetTickCount() - start, 25u);
  EXPECT_GE(GetTickCount64() - start64, 25u);
  Sleep(0);  // only yields
}

TEST(Time, LocalTimeIsTheWallClock) {
  const std::time_t before = std::time(nullptr);
  SYSTEMTIME st{};
  GetLocalTime(&st);
  const std::time_t after = std::time(nullptr);

  EXPECT_GE(st.wMonth, 1);
  EXPECT_LE(st.wMonth, 12);
  EXPECT_LE(st.wDayOfWeek, 6);
  EXPECT_LE(st.wMilliseconds, 999);
  std::tm parts = PartsOf(st);
  const std::time_t local = std::mktime(&parts);
  EXPECT_GE(local, before - 1);
  EXPECT_LE(local, after + 1);

  std::tm expected{};
  localtime_r(&local, &expected);
  EXPECT_EQ(st.wDayOfWeek, expected.tm_wday);

  GetLocalTime(nullptr);  // ignored, no crash
}

TEST(LastError, IsKeptPerThread) {
  SetLastError(5);
  DWORD seenInThread = 0;
  std::thread t([&] {
    seenInThread = GetLastError();
    SetLastError(1444);
  });
  t.join();
  EXPECT_EQ(seenInThread, 0u);  // a new thread starts with no error
  EXPECT_EQ(GetLastError(), 5u);
}

}  // namespace
