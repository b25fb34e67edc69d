#pragma once

// Reading an INF the caller names: its bytes, or the platform's error for why they cannot be had.

#include <string>

#include "platform/win32/Win32Types.h"

namespace setup {

constexpr DWORD ERROR_WRITE_FAULT = 29;

// ERROR_SUCCESS with the file's bytes; ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED (also for a
// folder) or ERROR_INVALID_DATA (not a regular file, or larger than any INF; `why` says which).
// A FIFO or a device is refused, never waited on.
DWORD ReadInfSource(const char* path, std::string& bytes, std::string* why = nullptr);

}  // namespace setup
