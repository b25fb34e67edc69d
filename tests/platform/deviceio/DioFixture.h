#pragma once

// A machine with the test driver loaded and its kernel attached for user-mode device I/O. Each test
// ends by closing what it opened; tear-down checks the verifier log and the handle count.

#include <gtest/gtest.h>

#include <memory>

#include "DioDriver.h"
#include "platform/machine/Machine.h"
#include "platform/win32/Win32.h"
#include "tests/platform/win32/Eventually.h"

namespace dio {

class DioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore_);
    platform::MachineOptions options;
    options.kernel.cancelWaitMs = cancelWaitMs_;
    machine_ = std::make_unique<platform::Machine>(options);
    machine_->installDriver("Dio", DriverEntry);
    ASSERT_EQ(machine_->loadDriver("Dio"), STATUS_SUCCESS);
    attached_ = std::make_unique<win32::DeviceSystemAttachment>(machine_->kernel());
  }

  void TearDown() override {
    attached_.reset();
    std::vector<nt::VerifierRecord> records = machine_->shutdown();
    EXPECT_TRUE(records.empty()) << machine_->verifier().report();
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(handlesAfter, handlesBefore_);
  }

  PDEVICE_OBJECT Device(Kind kind = Kind::Direct) { return DeviceOf(machine_->driver("Dio"), kind); }
  Extension* Ext(Kind kind = Kind::Direct) { return ExtensionOf(Device(kind)); }

  HANDLE Open(Kind kind = Kind::Direct, bool overlapped = true) {
    HANDLE handle = CreateFile(UserPath(kind), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    return handle;
  }

  // True once `count` requests wait in the device's queue (false only on a hang).
  bool QueueReaches(ULONG count, Kind kind = Kind::Direct) {
    PDEVICE_OBJECT device = Device(kind);
    return win32test::Eventually([&] { return QueuedCount(device) == count; });
  }

  unsigned cancelWaitMs_ = 5000;
  std::unique_ptr<platform::Machine> machine_;
  std::unique_ptr<win32::DeviceSystemAttachment> attached_;

 private:
  DWORD handlesBefore_ = 0;
};

// A zeroed OVERLAPPED with an optional event.
inline OVERLAPPED Overlapped(HANDLE event = nullptr) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = event;
  return overlapped;
}

inline bool IsSignalled(HANDLE handle) { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }

}  // namespace dio
