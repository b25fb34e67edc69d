#pragma once

// This system's own texts for its error codes, as FORMAT_MESSAGE_FROM_SYSTEM reads them.

#include "platform/win32/Win32Types.h"

// The text of `error` (ending in "\r\n"), or nullptr.
const char* SystemErrorText(DWORD error);
