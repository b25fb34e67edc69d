#include "platform/win32/DeviceFile.h"

#include "platform/nt/NtStatus.h"
#include "platform/nt/UserRequests.h"

#include <mutex>

namespace win32 {

DeviceFile::DeviceFile(PFILE_OBJECT file, bool overlapped)
    : WaitableObject(ResetMode::Manual, false), overlapped_(overlapped), file_(file) {}

NTSTATUS DeviceFile::Use(const std::function<NTSTATUS(PFILE_OBJECT)>& call) {
  std::shared_lock lock(lock_);
  if (file_ == nullptr) return STATUS_INVALID_HANDLE;
  return call(file_);
}

void DeviceFile::Close() {
  std::unique_lock lock(lock_);
  if (file_ == nullptr) return;
  nt::closeFile(file_);
  file_ = nullptr;
}

bool DeviceFile::IsClosed() const {
  std::shared_lock lock(lock_);
  return file_ == nullptr;
}

}  // namespace win32
