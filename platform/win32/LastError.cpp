#include "platform/win32/LastError.h"

namespace {
thread_local DWORD lastError = 0;
}

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD errorCode) { lastError = errorCode; }
