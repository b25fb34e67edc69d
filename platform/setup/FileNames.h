#pragma once

// The file-name calls the installer commands use before they touch the setup layer: a full path
// and a file's attributes. Paths are the host's; "\" counts as a separator like "/", as on the
// platform.

#include "platform/win32/DeviceIo.h"
#include "platform/win32/Win32Types.h"

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020;
// FILE_ATTRIBUTE_NORMAL comes with DeviceIo.h.

// The absolute form of `lpFileName` (relative names against the current folder, "." and ".."
// folded, separators made "/"). Returns its length without the terminator; when the buffer is too
// small, the size it needs with the terminator and nothing written; 0 (last error set) on failure.
// `lpFilePart`, when given, points at the last name in the buffer (null when the path ends in a
// separator).
DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart);

// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_NORMAL (or READONLY) for a file, or
// INVALID_FILE_ATTRIBUTES with ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND / ERROR_ACCESS_DENIED.
DWORD GetFileAttributesA(LPCSTR lpFileName);
