#include "link/protocol/InstrumentDevice.h"

#include "platform/win32/DeviceIo.h"

HANDLE OpenInstrument() {
  HANDLE device =
      CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_OVERLAPPED, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    device = CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  }
  if (device != INVALID_HANDLE_VALUE) SetPipeMode(device, oru::PIPE_MODE_BULK1);
  return device;
}

BOOL SetPipeMode(HANDLE device, UCHAR mode) {
  DWORD returned = 0;
  return DeviceIoControl(device, oru::IOCTL_ORU_SET_PIPE_MODE, &mode, 1, nullptr, 0, &returned, nullptr);
}

BOOL SendAbortRequest(HANDLE device) {
  DWORD returned = 0;
  return DeviceIoControl(device, oru::IOCTL_ORU_VENDOR_OUT_1, nullptr, 0, nullptr, 0, &returned, nullptr);
}
