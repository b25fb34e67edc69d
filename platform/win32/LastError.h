#pragma once

// The calling thread's last-error code.

#include "platform/win32/Win32Types.h"

DWORD GetLastError();
void SetLastError(DWORD errorCode);
