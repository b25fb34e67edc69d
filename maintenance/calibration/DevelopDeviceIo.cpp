#include "maintenance/calibration/DevelopDeviceIo.h"

#include <algorithm>
#include <cstring>

#include "link/protocol/CommTransport.h"
#include "link/protocol/InstrumentDevice.h"
#include "link/protocol/OverlappedIo.h"
#include "link/protocol/WorkerSignals.h"
#include "platform/win32/DeviceIo.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Win32Errors.h"

DevelopDeviceIo::DevelopDeviceIo(LinkContext& context)
    : context_(context),
      signals_(std::make_unique<WorkerSignals>(context)),
      io_(std::make_unique<OverlappedIo>(*signals_, CommTransport::kBlockSize)) {}

DevelopDeviceIo::~DevelopDeviceIo() = default;

DevelopIoResult DevelopDeviceIo::Collect(BOOL started, HANDLE device, DWORD waitMs, const IoSlot* keep) {
  const IoOutcome outcome = started ? io_->Completed(device) : io_->Finish(device, waitMs);
  DevelopIoResult result;
  result.succeeded = outcome.inTime && outcome.succeeded;
  if (!result.succeeded) {
    result.error = outcome.inTime ? GetLastError() : ERROR_OPERATION_ABORTED;
    if (result.error == 0) result.error = ERROR_OPERATION_ABORTED;
    return result;
  }
  result.bytes = outcome.bytes;
  if (keep != nullptr) {  // the request is over, so its buffer holds what it read
    const std::size_t count = std::min<std::size_t>(outcome.bytes, keep->buffer.size());
    result.data.assign(keep->buffer.begin(), keep->buffer.begin() + static_cast<std::ptrdiff_t>(count));
  }
  return result;
}

DevelopIoResult DevelopDeviceIo::Write(const std::string& text) {
  HANDLE device = Device();
  IoSlot& slot = io_->Prepare();
  const DWORD size = static_cast<DWORD>(std::min(text.size(), slot.buffer.size()));
  std::memcpy(slot.buffer.data(), text.data(), size);
  DWORD done = 0;
  const BOOL started = WriteFile(device, slot.buffer.data(), size, &done, &slot.overlapped);
  return Collect(started, device, kDevelopWriteWaitMs, nullptr);
}

DevelopIoResult DevelopDeviceIo::Read(DWORD size, DWORD waitMs) {
  HANDLE device = Device();
  IoSlot& slot = io_->Prepare();
  DWORD done = 0;
  const BOOL started = ReadFile(device, slot.buffer.data(),
                                std::min<DWORD>(size, static_cast<DWORD>(slot.buffer.size())), &done, &slot.overlapped);
  return Collect(started, device, waitMs, &slot);
}

DevelopIoResult DevelopDeviceIo::ReadFrames(DWORD size, DWORD waitMs) {
  HANDLE device = Device();
  SetPipeMode(device, oru::PIPE_MODE_ISO_IN);
  // The driver does not handle this request; it is sent as the instrument's tools always did.
  DWORD returned = 0;
  (void)DeviceIoControl(device, oru::IOCTL_ORU_ARM_STREAM_READ, nullptr, 0, nullptr, 0, &returned, nullptr);
  DevelopIoResult result = Read(size, waitMs);
  SetPipeMode(device, oru::PIPE_MODE_BULK1);
  return result;
}

void DevelopDeviceIo::SetPipe(UCHAR mode) { SetPipeMode(Device(), mode); }
