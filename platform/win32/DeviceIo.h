#pragma once

// User-mode device I/O: CreateFile on a device name, ReadFile, WriteFile, DeviceIoControl,
// GetOverlappedResult, CancelIo; CloseHandle (HandleTable.h) closes a device like any handle.
// Devices are those of the attached kernel (DeviceSystem.h).
//
// - CreateFile("\\.\NAME" or "\\?\NAME", ...) resolves NAME through the kernel's symbolic links and
//   sends the create request. Access, sharing, security attributes, attributes and the template
//   are accepted and ignored, and so is the creation disposition (devices ignore it; it must
//   still be one of CREATE_NEW..TRUNCATE_EXISTING). FILE_FLAG_OVERLAPPED makes an overlapped
//   handle. A missing device gives ERROR_FILE_NOT_FOUND; a path that is not a device gives
//   ERROR_PATH_NOT_FOUND (there is no file system here).
// - CloseHandle sends cleanup and close and cancels nothing: requests still pending complete
//   later as their driver decides.
// - On an overlapped handle with an OVERLAPPED, ReadFile, WriteFile and DeviceIoControl return
//   TRUE when the request completed at once, FALSE with ERROR_IO_PENDING while it is in progress,
//   and FALSE with the mapped error when it failed. The OVERLAPPED's event (or, without one, the
//   handle) is reset at the start and signalled at completion, when Internal and InternalHigh
//   get the status and the byte count. Offset and OffsetHigh are not used by devices.
// - On a handle opened without the flag, or with a null OVERLAPPED, the call returns when the
//   request has completed.
// - A request that cannot reach the driver (closed handle, no memory) fails at once; its
//   OVERLAPPED gets the failure status and nothing is signalled.
// - GetOverlappedResult without waiting gives FALSE with ERROR_IO_INCOMPLETE while the request is
//   pending; with waiting it returns once the request has completed. It needs an open handle: once
//   the handle is closed it fails with ERROR_INVALID_HANDLE, so a caller polling a request on a
//   handle that another thread closed stops polling.
// - CancelIo cancels the calling thread's requests on the handle and returns when they have
//   completed (or the kernel's cancel wait has passed). A thread that ends has its pending
//   requests cancelled.
// - Completion statuses reach GetLastError through RtlNtStatusToDosError.
//
// Buffers and OVERLAPPED records must stay valid until their request has completed.

#include "platform/nt/IoControlCodes.h"
#include "platform/win32/Win32Types.h"

// Access rights.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;

// Sharing.
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD FILE_SHARE_DELETE = 0x00000004;

// Creation dispositions.
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

// Attributes and flags.
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

HANDLE CreateFile(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                  LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                  HANDLE hTemplateFile);

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped);

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped);

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize, LPVOID lpOutBuffer,
                     DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped);

BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred, BOOL bWait);

BOOL CancelIo(HANDLE hFile);
