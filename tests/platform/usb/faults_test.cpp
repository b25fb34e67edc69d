// Each injected bus fault reaching the driver: stalls that halt a pipe until it is reset, chosen
// USBD failures, transfers that are never answered until aborted, a port that is connected but
// not enabled until it is reset, failing frame-number and port-status requests, a failing
// isochronous transfer, and a device that unplugs itself in the middle of the traffic.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "LoopRig.h"
#include "platform/usb/UsbIoctl.h"

namespace looptest {
namespace {

class Faults : public testing::TestWithParam<BusMode> {
 protected:
  // Starts a read or write and lets it finish; returns its result with the error.
  static BOOL transfer(LoopRig& rig, bool read, void* buffer, DWORD length, DWORD& n, DWORD& error) {
    OVERLAPPED o = rig.overlapped();
    BOOL started =
        read ? ReadFile(rig.handle, buffer, length, nullptr, &o) : WriteFile(rig.handle, buffer, length, nullptr, &o);
    if (!started && GetLastError() != ERROR_IO_PENDING) {
      error = GetLastError();
      return FALSE;
    }
    if (!rig.finished(o)) {
      error = ERROR_IO_INCOMPLETE;
      return FALSE;
    }
    BOOL ok = GetOverlappedResult(rig.handle, &o, &n, FALSE);
    error = ok ? 0 : GetLastError();
    return ok;
  }
};

TEST_P(Faults, AStalledReadHaltsThePipeUntilItIsReset) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  rig.machine->bus().stallNext(rig.port, 0x81);
  rig.device.queueIn({'a'});
  char in[64];
  DWORD n = 0, error = 0;
  EXPECT_FALSE(transfer(rig, true, in, sizeof in, n, error));
  EXPECT_EQ(error, ERROR_GEN_FAILURE);
  EXPECT_EQ(rig.machine->bus().requests(rig.port).back().usbdStatus, USBD_STATUS_STALL_PID);
  EXPECT_TRUE(rig.machine->bus().pipeHalted(rig.port, 0x81));
  // Halted: the next read fails without reaching the device.
  EXPECT_FALSE(transfer(rig, true, in, sizeof in, n, error));
  EXPECT_EQ(rig.machine->bus().requests(rig.port).back().usbdStatus, USBD_STATUS_ENDPOINT_HALTED);
  UCHAR pipe = 0x81;
  ASSERT_TRUE(rig.control(IOCTL_LOOP_RESET_PIPE, &pipe, 1, nullptr, 0, nullptr));
  EXPECT_FALSE(rig.machine->bus().pipeHalted(rig.port, 0x81));
  EXPECT_EQ(rig.device.clearedHalts(), std::vector<uint8_t>{0x81});
  ASSERT_TRUE(transfer(rig, true, in, sizeof in, n, error)) << error;
  EXPECT_EQ(n, 1u);
}

TEST_P(Faults, AFailureWithAChosenStatusReachesTheDriver) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  rig.machine->bus().failNext(rig.port, 0x01, USBD_STATUS_DEV_NOT_RESPONDING);
  char out[10] = {};
  DWORD n = 0, error = 0;
  EXPECT_FALSE(transfer(rig, false, out, sizeof out, n, error));
  EXPECT_EQ(error, ERROR_GEN_FAILURE);
  usb::UrbRecord failed = rig.machine->bus().requests(rig.port).back();
  EXPECT_EQ(failed.usbdStatus, USBD_STATUS_DEV_NOT_RESPONDING);
  EXPECT_EQ(failed.status, STATUS_UNSUCCESSFUL);
  EXPECT_TRUE(rig.device.outPackets().empty());
  // Once only: the pipe is not halted by it.
  EXPECT_TRUE(transfer(rig, false, out, sizeof out, n, error)) << error;
  EXPECT_EQ(rig.device.outPackets().size(), 1u);
}

TEST_P(Faults, AHeldTransferStaysPendingUntilItsPipeIsAborted) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  rig.machine->bus().holdNext(rig.port, 0x81);
  rig.device.queueIn({'z'});  // there is data, but the held transfer never takes it
  char in[64];
  OVERLAPPED o = rig.overlapped();
  ASSERT_FALSE(ReadFile(rig.handle, in, sizeof in, nullptr, &o));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(rig.finished(o, 50));
  EXPECT_EQ(rig.machine->bus().pendingTransfers(rig.port), 1u);
  UCHAR pipe = 0x81;
  ASSERT_TRUE(rig.control(IOCTL_LOOP_ABORT_PIPE, &pipe, 1, nullptr, 0, nullptr));
  ASSERT_EQ(WaitForSingleObject(o.hEvent, 0), WAIT_OBJECT_0);
  DWORD n = 0;
  EXPECT_FALSE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
  // The data is still there for the next read.
  DWORD error = 0;
  ASSERT_TRUE(transfer(rig, true, in, sizeof in, n, error)) << error;
  EXPECT_EQ(in[0], 'z');
}

TEST_P(Faults, ADisabledPortFailsTransfersUntilThePortIsReset) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  ULONG flags = 0;
  ASSERT_TRUE(rig.control(IOCTL_LOOP_PORT_STATUS, nullptr, 0, &flags, sizeof flags, nullptr));
  EXPECT_EQ(flags, USBD_PORT_CONNECTED | USBD_PORT_ENABLED);
  rig.machine->bus().disablePort(rig.port);
  ASSERT_TRUE(rig.control(IOCTL_LOOP_PORT_STATUS, nullptr, 0, &flags, sizeof flags, nullptr));
  EXPECT_EQ(flags, USBD_PORT_CONNECTED);
  char out[4] = {};
  DWORD n = 0, error = 0;
  EXPECT_FALSE(transfer(rig, false, out, sizeof out, n, error));
  EXPECT_EQ(rig.machine->bus().requests(rig.port).back().usbdStatus, USBD_STATUS_DEV_NOT_RESPONDING);
  ASSERT_TRUE(rig.control(IOCTL_LOOP_RESET_PORT, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_EQ(rig.device.resets(), 1);
  EXPECT_EQ(rig.device.configurations().back(), 1);  // the hub restored the configuration
  ASSERT_TRUE(rig.control(IOCTL_LOOP_PORT_STATUS, nullptr, 0, &flags, sizeof flags, nullptr));
  EXPECT_EQ(flags, USBD_PORT_CONNECTED | USBD_PORT_ENABLED);
  EXPECT_TRUE(transfer(rig, false, out, sizeof out, n, error)) << error;
}

TEST_P(Faults, FrameNumberAndPortStatusRequestsFailWhenTold) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  ULONG value = 0;
  rig.machine->bus().failFrameNumber(rig.port);
  EXPECT_FALSE(rig.control(IOCTL_LOOP_FRAME, nullptr, 0, &value, sizeof value, nullptr));
  EXPECT_TRUE(rig.control(IOCTL_LOOP_FRAME, nullptr, 0, &value, sizeof value, nullptr));
  rig.machine->bus().failPortStatus(rig.port);
  EXPECT_FALSE(rig.control(IOCTL_LOOP_PORT_STATUS, nullptr, 0, &value, sizeof value, nullptr));
  EXPECT_TRUE(rig.control(IOCTL_LOOP_PORT_STATUS, nullptr, 0, &value, sizeof value, nullptr));
}

TEST_P(Faults, AFailedIsochronousTransferReportsItsStatus) {
  auto result = std::make_unique<IsoReadResult>();
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  rig.machine->bus().failNext(rig.port, 0x83, USBD_STATUS_ISOCH_REQUEST_FAILED);
  IsoReadRequest request{2, 2};
  OVERLAPPED o = rig.overlapped();
  ASSERT_TRUE(rig.startIsoRead(request, result.get(), o));
  ASSERT_TRUE(rig.finished(o));
  EXPECT_EQ(result->usbdStatus, USBD_STATUS_ISOCH_REQUEST_FAILED);
  EXPECT_EQ(result->status, STATUS_UNSUCCESSFUL);
  EXPECT_EQ(result->transferred, 0u);
  EXPECT_TRUE(rig.device.isoFrames().empty());
  // A halted isochronous endpoint gives per-packet errors instead.
  rig.device.halt(0x83);
  o = rig.overlapped();
  ASSERT_TRUE(rig.startIsoRead(request, result.get(), o));
  ASSERT_TRUE(rig.framesPassed(o, 4));
  EXPECT_EQ(result->errorCount, 2u);
  EXPECT_EQ(result->statuses[0], USBD_STATUS_STALL_PID);
  EXPECT_EQ(result->usbdStatus, USBD_STATUS_ISOCH_REQUEST_FAILED);
}

TEST_P(Faults, ADeviceThatUnplugsMidTrafficIsSurpriseRemoved) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  rig.machine->bus().unplugOnNext(rig.port, 0x01);
  char out[8] = {};
  DWORD n = 0, error = 0;
  EXPECT_FALSE(transfer(rig, false, out, sizeof out, n, error));
  EXPECT_EQ(error, ERROR_DEVICE_NOT_CONNECTED);
  EXPECT_FALSE(rig.machine->bus().connected(rig.port));
  EXPECT_FALSE(rig.device.hasDataReadyCallback());
  rig.machine->pnp().waitIdle();
  EXPECT_EQ(rig.machine->device(rig.port).state, nt::DevNodeState::SurpriseRemoved);
  // New requests fail at the bus with the device gone.
  EXPECT_FALSE(transfer(rig, false, out, sizeof out, n, error));
  CloseHandle(rig.handle);
  rig.handle = INVALID_HANDLE_VALUE;
  rig.machine->pnp().waitIdle();
  EXPECT_EQ(rig.machine->pnp().node(rig.machine->node(rig.port)).state, nt::DevNodeState::Deleted);
  EXPECT_EQ(rig.machine->bus().pdo(rig.port), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Bus, Faults, testing::Values(BusMode::Deterministic, BusMode::Deferred, BusMode::Inline),
                         modeName);

}  // namespace
}  // namespace looptest
