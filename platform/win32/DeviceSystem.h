#pragma once

// Which simulated kernel user-mode device I/O talks to.
//
// CreateFile("\\.\NAME") opens NAME in the kernel that is attached right now. The program's
// Machine attaches its kernel for the whole run; a test attaches the kernel of the machine it
// drives, for the length of the test:
//
//     platform::Machine machine;
//     win32::DeviceSystemAttachment attached(machine.kernel());
//
// Attachments nest (the newest is the one in use) and are process-wide, so every thread opens in
// the same kernel. With none, no device exists: CreateFile fails with ERROR_FILE_NOT_FOUND.
//
// When the last attachment of a kernel ends, the device files still open in it are closed (their
// cleanup and close requests sent) and their handles fail from then on with ERROR_INVALID_HANDLE,
// so a handle never outlives its kernel. End the attachment before the kernel shuts down.

#include "platform/nt/BaseTypes.h"

#include <memory>
#include <string_view>

namespace nt {
class Kernel;
}

namespace win32 {

class DeviceFile;

class DeviceSystemAttachment {
 public:
  explicit DeviceSystemAttachment(nt::Kernel& kernel);
  ~DeviceSystemAttachment();
  DeviceSystemAttachment(const DeviceSystemAttachment&) = delete;
  DeviceSystemAttachment& operator=(const DeviceSystemAttachment&) = delete;

 private:
  nt::Kernel& kernel_;
};

// The kernel CreateFile opens devices in, or null.
nt::Kernel* AttachedDeviceSystem();

// Opens `path` ("\\.\NAME") in the attached kernel, sending the create request. The status is the
// kernel's (STATUS_OBJECT_NAME_NOT_FOUND with no kernel attached).
NTSTATUS OpenDeviceFile(std::string_view path, bool overlapped, std::shared_ptr<DeviceFile>& file);

}  // namespace win32
