#pragma once

// Sleeping, the millisecond tick count and the wall-clock time.

#include "platform/win32/Win32Types.h"

// Suspends the calling thread; Sleep(0) only yields.
void Sleep(DWORD dwMilliseconds);

// Milliseconds since an arbitrary start, from a steady clock; GetTickCount wraps after 49.7 days.
DWORD GetTickCount();
ULONGLONG GetTickCount64();

// The current local date and time, to the millisecond. A null pointer is ignored.
void GetLocalTime(LPSYSTEMTIME lpSystemTime);
