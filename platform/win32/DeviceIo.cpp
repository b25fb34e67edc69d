#include "platform/win32/DeviceIo.h"

#include "platform/nt/DosErrors.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/UserRequests.h"
#include "platform/win32/DeviceFile.h"
#include "platform/win32/DeviceSystem.h"
#include "platform/win32/Event.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/IoRequest.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Win32Errors.h"

#include <functional>
#include <memory>
#include <string_view>

namespace {

using win32::DeviceFile;
using win32::Event;
using win32::IoRequest;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL FailStatus(NTSTATUS status) { return Fail(RtlNtStatusToDosError(status)); }

bool IsDevicePath(std::string_view path) { return path.starts_with("\\\\.\\") || path.starts_with("\\\\?\\"); }

// The event named by an OVERLAPPED; its low bit is a flag for completion ports, not part of the
// handle. False (ERROR_INVALID_HANDLE) when the handle is not an open event.
bool ReferenceEvent(const OVERLAPPED* overlapped, std::shared_ptr<Event>& event) {
  if (overlapped == nullptr) return true;
  auto handle = reinterpret_cast<HANDLE>(reinterpret_cast<ULONG_PTR>(overlapped->hEvent) & ~ULONG_PTR{1});
  if (handle == nullptr) return true;
  event = win32::ReferenceObjectByHandle<Event>(handle);
  return event != nullptr;
}

using Issue = std::function<NTSTATUS(PFILE_OBJECT file, nt::UserCompletion done)>;

// Issues one request the way ReadFile, WriteFile and DeviceIoControl report it.
BOOL Transfer(HANDLE handle, LPOVERLAPPED overlapped, LPDWORD count, bool buffersValid, const Issue& issue) {
  if (count != nullptr) *count = 0;
  auto file = win32::ReferenceObjectByHandle<DeviceFile>(handle);
  if (!file) return FALSE;
  if (!buffersValid) return Fail(ERROR_NOACCESS);
  std::shared_ptr<Event> event;
  if (!ReferenceEvent(overlapped, event)) return FALSE;
  std::shared_ptr<IoRequest> request = IoRequest::Start(file, overlapped, std::move(event));
  const NTSTATUS returned =
      file->Use([&](PFILE_OBJECT kernelFile) { return issue(kernelFile, request->Completion()); });
  // An error before any completion: the request did not reach the driver, or its dispatch
  // failed it without completing it.
  if (NT_ERROR(returned) && request->Refuse(returned)) return FailStatus(returned);
  const bool waitHere = !file->IsOverlapped() || overlapped == nullptr;
  if (returned == STATUS_PENDING || !request->IsFinished()) {
    if (!waitHere) return Fail(ERROR_IO_PENDING);
    request->Wait();
  }
  const NTSTATUS status = request->Status();
  if (!NT_ERROR(status) && count != nullptr) *count = static_cast<DWORD>(request->Information());
  if (!NT_SUCCESS(status)) return FailStatus(status);
  return TRUE;
}

// Blocks until the request behind `overlapped` has completed.
bool WaitForRecord(const std::shared_ptr<DeviceFile>& file, LPOVERLAPPED overlapped) {
  std::shared_ptr<Event> event;
  if (!ReferenceEvent(overlapped, event)) return false;
  if (std::shared_ptr<IoRequest> request = IoRequest::OwnerOf(overlapped)) {
    request->Wait();
    // As a wait on it would, take the signal of an auto-reset event.
    if (event && event->Mode() == win32::WaitableObject::ResetMode::Auto) event->Reset();
    return true;
  }
  // Pending, yet no request of ours owns it: wait on its object as the platform does.
  win32::WaitableObject* object = event ? static_cast<win32::WaitableObject*>(event.get()) : file.get();
  win32::WaitForObjects({&object, 1}, false, INFINITE);
  return true;
}

}  // namespace

HANDLE CreateFile(LPCSTR lpFileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                  DWORD dwFlagsAndAttributes, HANDLE) {
  if (lpFileName == nullptr || dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (!IsDevicePath(lpFileName)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::shared_ptr<DeviceFile> file;
  const NTSTATUS status = win32::OpenDeviceFile(lpFileName, (dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0, file);
  if (!NT_SUCCESS(status)) {
    SetLastError(RtlNtStatusToDosError(status));
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = win32::HandleTable::Instance().Insert(std::move(file));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped) {
  const bool valid = lpBuffer != nullptr || nNumberOfBytesToRead == 0;
  return Transfer(hFile, lpOverlapped, lpNumberOfBytesRead, valid, [&](PFILE_OBJECT file, nt::UserCompletion done) {
    return nt::readFile(file, lpBuffer, nNumberOfBytesToRead, std::move(done));
  });
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped) {
  const bool valid = lpBuffer != nullptr || nNumberOfBytesToWrite == 0;
  return Transfer(hFile, lpOverlapped, lpNumberOfBytesWritten, valid, [&](PFILE_OBJECT file, nt::UserCompletion done) {
    return nt::writeFile(file, lpBuffer, nNumberOfBytesToWrite, std::move(done));
  });
}

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize, LPVOID lpOutBuffer,
                     DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
  const bool valid = (lpInBuffer != nullptr || nInBufferSize == 0) && (lpOutBuffer != nullptr || nOutBufferSize == 0);
  return Transfer(hDevice, lpOverlapped, lpBytesReturned, valid, [&](PFILE_OBJECT file, nt::UserCompletion done) {
    return nt::deviceIoControl(file, dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize,
                               std::move(done));
  });
}

BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
  auto file = win32::ReferenceObjectByHandle<DeviceFile>(hFile);
  if (!file) return FALSE;
  if (lpOverlapped == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  NTSTATUS status;
  ULONG_PTR information;
  IoRequest::ReadRecord(lpOverlapped, status, information);
  if (status == STATUS_PENDING) {
    if (!bWait) return Fail(ERROR_IO_INCOMPLETE);
    if (!WaitForRecord(file, lpOverlapped)) return FALSE;
    IoRequest::ReadRecord(lpOverlapped, status, information);
    if (status == STATUS_PENDING) return Fail(ERROR_IO_INCOMPLETE);
  }
  if (lpNumberOfBytesTransferred != nullptr) *lpNumberOfBytesTransferred = static_cast<DWORD>(information);
  if (!NT_SUCCESS(status)) return FailStatus(status);
  return TRUE;
}

BOOL CancelIo(HANDLE hFile) {
  auto file = win32::ReferenceObjectByHandle<DeviceFile>(hFile);
  if (!file) return FALSE;
  const NTSTATUS status = file->Use([](PFILE_OBJECT kernelFile) {
    nt::cancelFileIo(kernelFile);
    return STATUS_SUCCESS;
  });
  if (!NT_SUCCESS(status)) return FailStatus(status);
  return TRUE;
}
