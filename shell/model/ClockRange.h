#pragma once

// The dates the instrument clock takes: its set command carries a two-digit year, so only
// 1 January 2000 to 31 December 2099 can be sent.

#include "platform/win32/Win32Types.h"

constexpr int kFirstClockYear = 2000;
constexpr int kLastClockYear = 2099;

// True for a real calendar date and time within the instrument's years.
bool IsSendableClock(const SYSTEMTIME& time);

// The record the clock dialog fills (weekday and milliseconds 0).
SYSTEMTIME ClockRecord(int year, int month, int day, int hour, int minute, int second);
