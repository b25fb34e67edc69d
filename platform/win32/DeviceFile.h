#pragma once

// An open device: what a handle from CreateFile("\\.\NAME") names. It wraps the kernel's file
// object and is itself waitable: a request issued without an event signals the file when it
// completes (manual reset; every new request resets it).
//
// Calls that use the kernel file run inside Use(), so closing (the last CloseHandle, or the kernel
// being detached) waits for them to leave and every later call finds the file closed.

#include "platform/nt/IoForward.h"
#include "platform/win32/WaitableObject.h"

#include <functional>
#include <shared_mutex>

namespace win32 {

class DeviceFile final : public WaitableObject {
 public:
  DeviceFile(PFILE_OBJECT file, bool overlapped);
  const char* TypeName() const override { return "File"; }

  // Opened with FILE_FLAG_OVERLAPPED: requests may return before they complete.
  bool IsOverlapped() const { return overlapped_; }

  // Runs `call` with the kernel file and returns its status; STATUS_INVALID_HANDLE, without
  // running it, once the file is closed.
  NTSTATUS Use(const std::function<NTSTATUS(PFILE_OBJECT)>& call);

  // Sends the cleanup and close requests unless that happened already. Requests still pending
  // stay pending: closing cancels nothing.
  void Close();
  bool IsClosed() const;

 protected:
  void OnLastHandleClosed() override { Close(); }

 private:
  const bool overlapped_;
  mutable std::shared_mutex lock_;  // shared while a call uses file_, exclusive to close it
  PFILE_OBJECT file_;               // null once closed
};

}  // namespace win32
