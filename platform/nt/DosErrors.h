#pragma once

// The status-to-Win32-error mapping that user-mode calls report through GetLastError.

#include "platform/nt/BaseTypes.h"

// 0 for success codes without an error of their own; ERROR_MR_MID_NOT_FOUND (317) for an
// error status with no mapping.
ULONG RtlNtStatusToDosError(NTSTATUS status);
