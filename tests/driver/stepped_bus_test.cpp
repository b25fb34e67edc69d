// The driver on a machine without any thread: the bus moves, frames pass and work items run only when the test steps
// them. The verifier's checks (pending marks against dispatch returns, bus requests only at PASSIVE_LEVEL, IRPs the
// bus scribbles on while it holds them) watch each flow, and tear-down expects a clean log.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ScriptedDevice.h"
#include "driver/OruInterface.h"
#include "driver/install/OruDriverStore.h"
#include "platform/machine/Machine.h"
#include "platform/usb/UsbIoctl.h"
#include "platform/win32/Win32.h"

namespace drivertest {
namespace {

class SteppedBus : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = std::make_unique<platform::Machine>(platform::MachineOptions::deterministic());
    oru::InstallDriver(*machine_);
    attached_ = std::make_unique<win32::DeviceSystemAttachment>(machine_->kernel());
  }
  void TearDown() override {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    for (HANDLE e : events_) CloseHandle(e);
    attached_.reset();
    std::vector<nt::VerifierRecord> records = machine_->shutdown();
    EXPECT_TRUE(records.empty()) << machine_->verifier().report();
  }

  void PlugAndOpen(UCHAR mode, const usb::PlugOptions& options = {}) {
    port_ = machine_->plug(device_, options);
    ASSERT_EQ(machine_->device(port_).state, nt::DevNodeState::Started);
    h_ = CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                    nullptr);
    ASSERT_NE(h_, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    OVERLAPPED o = Overlapped();
    ASSERT_TRUE(DeviceIoControl(h_, oru::IOCTL_ORU_SET_PIPE_MODE, &mode, 1, nullptr, 0, &n, &o));
  }

  OVERLAPPED Overlapped() {
    OVERLAPPED o{};
    o.hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    events_.push_back(o.hEvent);
    return o;
  }

  // Steps frames, work items and PnP work until the request has completed (a bounded number of steps: the machine
  // has no thread that could be slow). Returns its error (0 on success) and the bytes it moved.
  DWORD Serve(OVERLAPPED& o, DWORD* bytes = nullptr) {
    for (int step = 0; step < 2000 && WaitForSingleObject(o.hEvent, 0) != WAIT_OBJECT_0; ++step) {
      machine_->bus().runFrames(1);
      machine_->kernel().runWorkItems();
      machine_->pnp().runPending();
    }
    DWORD n = 0;
    BOOL ok = GetOverlappedResult(h_, &o, &n, FALSE);
    DWORD error = ok ? 0 : GetLastError();
    if (bytes) *bytes = n;
    return error;
  }

  DWORD Read(std::vector<uint8_t>& buffer, DWORD* bytes) {
    OVERLAPPED o = Overlapped();
    if (!ReadFile(h_, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &o) &&
        GetLastError() != ERROR_IO_PENDING) {
      return GetLastError();
    }
    return Serve(o, bytes);
  }

  std::vector<usb::UrbRecord> Urbs(USHORT function) const {
    std::vector<usb::UrbRecord> found;
    for (const usb::UrbRecord& r : machine_->bus().requests(port_)) {
      if (r.ioControlCode == IOCTL_INTERNAL_USB_SUBMIT_URB && r.function == function) found.push_back(r);
    }
    return found;
  }

  ScriptedDevice device_;  // outlives the machine
  std::unique_ptr<platform::Machine> machine_;
  std::unique_ptr<win32::DeviceSystemAttachment> attached_;
  int port_ = 0;
  HANDLE h_ = INVALID_HANDLE_VALUE;
  std::vector<HANDLE> events_;
};

TEST_F(SteppedBus, ACommandAndItsReplyInBulkPieces) {
  PlugAndOpen(oru::PIPE_MODE_BULK1);
  OVERLAPPED w = Overlapped();
  WriteFile(h_, "VN", 2, nullptr, &w);
  ASSERT_EQ(Serve(w), 0u);
  EXPECT_EQ(device_.bulkOutBytes(0x01), "VN");
  std::string reply(200, 'r');
  device_.queueIn(0x81, reply);
  std::vector<uint8_t> buffer(200);
  DWORD bytes = 0;
  ASSERT_EQ(Read(buffer, &bytes), 0u);
  EXPECT_EQ(bytes, 200u);
  std::vector<ULONG> pieces;
  for (const usb::UrbRecord& r : Urbs(URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER)) {
    if (r.endpoint == 0x81) pieces.push_back(r.length);
  }
  EXPECT_EQ(pieces, std::vector<ULONG>({64, 64, 64, 8}));
}

TEST_F(SteppedBus, AFailedPieceIsRecoveredAtPassiveLevel) {
  PlugAndOpen(oru::PIPE_MODE_BULK1);
  machine_->bus().stallNext(port_, 0x81);
  std::vector<uint8_t> buffer(64);
  EXPECT_NE(Read(buffer, nullptr), 0u);
  EXPECT_EQ(Urbs(URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL).size(), 1u);
  EXPECT_FALSE(machine_->bus().pipeHalted(port_, 0x81));
}

TEST_F(SteppedBus, AnIsochronousReadAndOneCancelledInTheCancelWindow) {
  PlugAndOpen(oru::PIPE_MODE_ISO_IN);
  std::vector<uint8_t> block(2560);
  DWORD bytes = 0;
  ASSERT_EQ(Read(block, &bytes), 0u);
  EXPECT_EQ(bytes, 2560u);

  // The second read's only sub-request ends inside IoCancelIrp, between taking the cancel routine and calling it.
  OVERLAPPED o = Overlapped();
  ASSERT_FALSE(ReadFile(h_, block.data(), 2560, nullptr, &o));
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
  machine_->kernel().setCancelWindowHook([&](PIRP) { machine_->bus().runFrames(30); });
  EXPECT_TRUE(CancelIo(h_));
  machine_->kernel().setCancelWindowHook({});
  EXPECT_EQ(machine_->bus().pendingTransfers(port_), 0u);
  ASSERT_EQ(Serve(o, &bytes), 0u);
  EXPECT_EQ(bytes, 2560u);
}

TEST_F(SteppedBus, SleepAndWakeWithADeviceQueryAnsweredInvalidParameter) {
  usb::PlugOptions options;
  options.deviceQueryPowerStatus = STATUS_INVALID_PARAMETER;
  PlugAndOpen(oru::PIPE_MODE_BULK1, options);
  ASSERT_TRUE(machine_->sleep());
  machine_->wake();
  device_.queueIn(0x81, "ok");
  std::vector<uint8_t> buffer(64);
  DWORD bytes = 0;
  ASSERT_EQ(Read(buffer, &bytes), 0u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + bytes), "ok");
}

}  // namespace
}  // namespace drivertest
