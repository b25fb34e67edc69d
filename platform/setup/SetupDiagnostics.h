#pragma once

// Bookkeeping of the setup layer for tests and shutdown: the device information sets still
// open, and a hook that makes one chosen call fail.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/win32/Win32Types.h"

namespace setup {

// Device information sets made and not yet destroyed, in the whole process.
std::size_t OpenDeviceInfoSets();
// Writes a line to `stream` when sets are left open; returns how many. The process does it at
// its exit too.
std::size_t ReportOpenDeviceInfoSets(std::FILE* stream);

// The next call of `function` ("SetupDiCallClassInstaller", ...) fails with `error`, once.
void FailNextCall(std::string_view function, DWORD error);
// Clears any armed failure.
void ClearFailures();
// True (and the failure disarmed, the last error set) when `function` is to fail now.
bool TakeFailure(std::string_view function);

}  // namespace setup
