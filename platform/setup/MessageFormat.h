#pragma once

// FormatMessageA over the program's message table (FORMAT_MESSAGE_FROM_HMODULE with no module)
// and this system's own error texts (FORMAT_MESSAGE_FROM_SYSTEM). Inserts: %1 .. %99, each with
// an optional printf format between "!" marks (default !s!); %n, %t, %r, %0 and %% as usual.
// Arguments come as an array of DWORD_PTR (FORMAT_MESSAGE_ARGUMENT_ARRAY) or a va_list.

#include <cstdarg>
#include <span>

#include "platform/win32/Win32Types.h"
#include "resources/data/StringTable.h"

typedef ULONG_PTR DWORD_PTR;

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

// Returns the characters stored (without the terminator), 0 on failure with the last error set.
// FORMAT_MESSAGE_ALLOCATE_BUFFER is not offered (ERROR_NOT_SUPPORTED).
DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                     DWORD nSize, va_list* Arguments);

// The program's message table (resources/data): the installer's summaries, the device
// console's help and summaries, and its per-device dump lines.
std::span<const StringEntry> InstallerMessageTable();
std::span<const StringEntry> ConsoleHelpMessageTable();
std::span<const StringEntry> ConsoleDumpMessageTable();
