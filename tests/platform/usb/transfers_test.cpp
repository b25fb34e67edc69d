// Transfers through the simulated bus, driven from user mode through the loop test driver, with
// the bus deterministic, completing on its own thread, and completing inline.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "LoopRig.h"
#include "platform/usb/UsbIoctl.h"

namespace looptest {
namespace {

class Transfers : public testing::TestWithParam<BusMode> {};

std::vector<USHORT> functions(const std::vector<usb::UrbRecord>& records) {
  std::vector<USHORT> out;
  for (const auto& r : records) out.push_back(r.function);
  return out;
}

TEST_P(Transfers, PlugInRunsTheStartSequenceAndTheDeviceOpens) {
  LoopRig rig(GetParam());
  ASSERT_NE(rig.plug(), 0);
  nt::DevNodeInfo node = rig.machine->device(rig.port);
  EXPECT_EQ(node.state, nt::DevNodeState::Started) << nt::devNodeStateName(node.state);
  ASSERT_EQ(node.hardwareIds.size(), 2u);
  EXPECT_EQ(node.hardwareIds[0], u"USB\\VID_1234&PID_5678&REV_0100");
  EXPECT_EQ(node.hardwareIds[1], u"USB\\VID_1234&PID_5678");
  std::vector<UCHAR> sent;
  for (const auto& h : rig.machine->pnp().history()) sent.push_back(h.minor);
  // Hardware, device, instance and compatible ids.
  EXPECT_EQ(sent, (std::vector<UCHAR>{IRP_MN_QUERY_ID, IRP_MN_QUERY_ID, IRP_MN_QUERY_ID, IRP_MN_QUERY_ID,
                                      IRP_MN_START_DEVICE, IRP_MN_QUERY_CAPABILITIES, IRP_MN_QUERY_PNP_DEVICE_STATE,
                                      IRP_MN_QUERY_DEVICE_RELATIONS}));
  EXPECT_EQ(loopLog().entries, 1);
  EXPECT_EQ(loopLog().addDevices, 1);
  // What the driver asked the bus for while starting.
  std::vector<usb::UrbRecord> urbs = rig.machine->bus().requests(rig.port);
  EXPECT_EQ(functions(urbs),
            (std::vector<USHORT>{URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE, URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE,
                                 URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE, URB_FUNCTION_SELECT_CONFIGURATION}));
  ASSERT_EQ(urbs.size(), 4u);
  EXPECT_EQ(urbs[0].transferred, 18u);
  EXPECT_EQ(urbs[1].transferred, 9u);
  EXPECT_EQ(urbs[2].transferred, 9u + 9u + 21u);
  EXPECT_EQ(rig.device.configurations(), std::vector<uint8_t>{1});
  EXPECT_EQ(rig.machine->bus().configuration(rig.port), 1);
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE) << GetLastError();
}

TEST_P(Transfers, BulkBytesMoveInMaxPacketPiecesAndShortPacketsEndReads) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  std::vector<uint8_t> data(100);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);

  OVERLAPPED o = rig.overlapped();
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(rig.handle, data.data(), 100, nullptr, &o) || GetLastError() == ERROR_IO_PENDING);
  ASSERT_TRUE(rig.finished(o));
  ASSERT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(n, 100u);
  std::vector<std::vector<uint8_t>> packets = rig.device.outPackets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0].size(), 64u);
  EXPECT_EQ(packets[1].size(), 36u);

  // The loopback answers with the same two packets: a full one, then a short one.
  std::vector<uint8_t> in(200, 0xEE);
  o = rig.overlapped();
  ASSERT_TRUE(ReadFile(rig.handle, in.data(), 200, nullptr, &o) || GetLastError() == ERROR_IO_PENDING);
  ASSERT_TRUE(rig.finished(o));
  ASSERT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(n, 100u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), in.begin()));
  EXPECT_EQ(in[100], 0xEE);

  // Exactly one full packet: one OUT packet and no empty one after it.
  o = rig.overlapped();
  ASSERT_TRUE(WriteFile(rig.handle, data.data(), 64, nullptr, &o) || GetLastError() == ERROR_IO_PENDING);
  ASSERT_TRUE(rig.finished(o));
  EXPECT_EQ(rig.device.outPackets().size(), 3u);
  // A 64-byte read of it ends with its length, not with a short packet.
  o = rig.overlapped();
  ASSERT_TRUE(ReadFile(rig.handle, in.data(), 64, nullptr, &o) || GetLastError() == ERROR_IO_PENDING);
  ASSERT_TRUE(rig.finished(o));
  ASSERT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(n, 64u);
  usb::UrbRecord last = rig.machine->bus().requests(rig.port).back();
  EXPECT_EQ(last.endpoint, 0x81);
  EXPECT_EQ(last.transferFlags, USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK);
  EXPECT_EQ(last.usbdStatus, USBD_STATUS_SUCCESS);
}

TEST_P(Transfers, APendingReadCompletesWhenTheDeviceHasData) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  char in[64] = {};
  OVERLAPPED o = rig.overlapped();
  ASSERT_FALSE(ReadFile(rig.handle, in, sizeof in, nullptr, &o));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  DWORD n = 0;
  EXPECT_FALSE(rig.finished(o, 0));
  EXPECT_FALSE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  rig.device.queueIn({'o', 'k', '!'});
  ASSERT_TRUE(rig.finished(o));
  ASSERT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(std::string(in, 3), "ok!");
}

// A device that announces its IN data is not asked again every frame while it has none (an idle
// program's bus sleeps); one that does not is, so its data is still found.
TEST_P(Transfers, ARefusedReadIsRetriedEveryFrameOnlyWhenTheDeviceDoesNotAnnounceItsData) {
  if (GetParam() == BusMode::Deterministic) GTEST_SKIP() << "frames move only when the test runs them";
  for (const bool announces : {true, false}) {
    LoopRig rig(GetParam());
    rig.device.setAnnouncesData(announces);
    rig.plug();
    ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
    char in[64] = {};
    OVERLAPPED o = rig.overlapped();
    ASSERT_FALSE(ReadFile(rig.handle, in, sizeof in, nullptr, &o));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    const int asked = rig.device.bulkInCalls();
    ULONG start = 0, now = 0;
    DWORD n = 0;
    ASSERT_TRUE(rig.control(IOCTL_LOOP_FRAME, nullptr, 0, &start, sizeof start, &n));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    do {
      ASSERT_TRUE(rig.control(IOCTL_LOOP_FRAME, nullptr, 0, &now, sizeof now, &n));
      ASSERT_LT(std::chrono::steady_clock::now(), deadline);
      std::this_thread::yield();
    } while (now - start < 30 || (!announces && rig.device.bulkInCalls() - asked < 3));
    if (announces) {
      EXPECT_LE(rig.device.bulkInCalls() - asked, 1) << "asked again over 30 frames";
    }
    rig.device.queueIn({'o', 'k', '!'});
    ASSERT_TRUE(rig.finished(o)) << "announces " << announces;
    ASSERT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
    EXPECT_EQ(std::string(in, n), "ok!");
  }
}

TEST_P(Transfers, VendorRequestsAndClearFeatureReachTheDeviceWithTheirSetupBytes) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  char out[64] = {};
  DWORD n = 0;
  VendorRequest in{0x10, 1, 2, 0, 0x1234, 0x0005};  // IN, to an endpoint
  ASSERT_TRUE(rig.control(IOCTL_LOOP_VENDOR, &in, sizeof in, out, sizeof out, &n)) << GetLastError();
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::string(out, 4), "LOOP");
  VendorRequest toDevice{0x11, 0, 0, 0, 0, 0};
  ASSERT_TRUE(rig.control(IOCTL_LOOP_VENDOR, &toDevice, sizeof toDevice, nullptr, 0, &n));
  VendorRequest toInterface{0x11, 0, 1, 0x00, 7, 1};
  ASSERT_TRUE(rig.control(IOCTL_LOOP_VENDOR, &toInterface, sizeof toInterface, nullptr, 0, &n));
  VendorRequest unknown{0x55, 0, 2, 0, 0, 0};
  EXPECT_FALSE(rig.control(IOCTL_LOOP_VENDOR, &unknown, sizeof unknown, nullptr, 0, &n));
  EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);  // the device stalled it
  UCHAR index = 3;
  ASSERT_TRUE(rig.control(IOCTL_LOOP_CLEAR_HALT, &index, 1, nullptr, 0, &n));

  std::vector<usb::SetupPacket> setups = rig.device.setups();
  ASSERT_EQ(setups.size(), 5u);
  auto bytes = [](const usb::SetupPacket& s) {
    return std::vector<unsigned>{s.bmRequestType, s.bRequest, s.wValue, s.wIndex, s.wLength};
  };
  EXPECT_EQ(bytes(setups[0]), (std::vector<unsigned>{0xC2, 0x10, 0x1234, 5, 64}));
  EXPECT_EQ(bytes(setups[1]), (std::vector<unsigned>{0x40, 0x11, 0, 0, 0}));
  EXPECT_EQ(bytes(setups[2]), (std::vector<unsigned>{0x41, 0x11, 7, 1, 0}));
  EXPECT_EQ(bytes(setups[3]), (std::vector<unsigned>{0x42, 0x55, 0, 0, 0}));
  EXPECT_EQ(bytes(setups[4]), (std::vector<unsigned>{0x02, 0x01, 0, 3, 0}));  // CLEAR_FEATURE(ENDPOINT_HALT)
  EXPECT_EQ(rig.device.clearedHalts(), std::vector<uint8_t>{3});
  usb::UrbRecord stalled = rig.machine->bus().requests(rig.port)[rig.machine->bus().requests(rig.port).size() - 2];
  EXPECT_EQ(stalled.usbdStatus, USBD_STATUS_STALL_PID);
  EXPECT_EQ(stalled.status, STATUS_UNSUCCESSFUL);
}

TEST_P(Transfers, IsochronousReadsTakeOnePacketPerFrameFromTheStartFrame) {
  auto result = std::make_unique<IsoReadResult>();  // outlives the rig, whatever happens
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  rig.device.setIsoLength(100);
  IsoReadRequest request{4, 2};
  OVERLAPPED o = rig.overlapped();
  DWORD n = 0;
  ASSERT_TRUE(rig.startIsoRead(request, result.get(), o));
  if (rig.deterministic()) {
    EXPECT_FALSE(rig.framesPassed(o, 1));  // its first frame has not come yet
  }
  ASSERT_TRUE(rig.framesPassed(o, 5));
  ASSERT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(result->status, STATUS_SUCCESS);
  EXPECT_EQ(result->usbdStatus, USBD_STATUS_SUCCESS);
  EXPECT_EQ(result->transferred, 400u);
  EXPECT_EQ(result->errorCount, 0u);
  std::vector<uint32_t> frames = rig.device.isoFrames();
  ASSERT_EQ(frames.size(), 4u);
  for (ULONG j = 0; j < 4; ++j) {
    EXPECT_EQ(frames[j], result->startFrame + j);
    EXPECT_EQ(result->lengths[j], 100u);
    EXPECT_EQ(result->statuses[j], USBD_STATUS_SUCCESS);
    // Each packet lands at its own 128-byte offset.
    EXPECT_EQ(result->data[j * 128], static_cast<UCHAR>(result->startFrame + j));
    EXPECT_EQ(result->data[j * 128 + 99], static_cast<UCHAR>(result->startFrame + j));
  }
  usb::UrbRecord iso = rig.machine->bus().requests(rig.port).back();
  EXPECT_EQ(iso.function, URB_FUNCTION_ISOCH_TRANSFER);
  EXPECT_EQ(iso.packets, 4u);
  EXPECT_EQ(iso.startFrame, result->startFrame);

  // A start frame far ahead is refused at once.
  IsoReadRequest tooFar{2, 5000};
  o = rig.overlapped();
  ASSERT_TRUE(rig.startIsoRead(tooFar, result.get(), o));
  ASSERT_TRUE(rig.finished(o));
  EXPECT_EQ(result->usbdStatus, USBD_STATUS_BAD_START_FRAME);
  EXPECT_EQ(result->status, STATUS_INVALID_PARAMETER);
}

TEST_P(Transfers, ALateStartFrameIsServedAtOnceRatherThanRefused) {
  auto result = std::make_unique<IsoReadResult>();
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  IsoReadRequest late{3, -3};  // as a request that was held up before it reached the bus
  OVERLAPPED o = rig.overlapped();
  ASSERT_TRUE(rig.startIsoRead(late, result.get(), o));
  ASSERT_TRUE(rig.finished(o));
  EXPECT_EQ(result->usbdStatus, USBD_STATUS_SUCCESS);
  EXPECT_EQ(result->errorCount, 0u);
  EXPECT_EQ(result->transferred, 3u * 128u);
  std::vector<uint32_t> frames = rig.device.isoFrames();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], result->startFrame);
  EXPECT_EQ(frames[2], result->startFrame + 2);
}

TEST_P(Transfers, CancellingAPendingReadCompletesItAtOnce) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  char in[64];
  OVERLAPPED o = rig.overlapped();
  ASSERT_FALSE(ReadFile(rig.handle, in, sizeof in, nullptr, &o));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(rig.finished(o, 0));
  ASSERT_TRUE(CancelIo(rig.handle));
  // Completed inside the cancel: no pumping needed.
  ASSERT_EQ(WaitForSingleObject(o.hEvent, 0), WAIT_OBJECT_0);
  DWORD n = 1;
  EXPECT_FALSE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
  EXPECT_EQ(rig.machine->bus().pendingTransfers(rig.port), 0u);
  EXPECT_EQ(rig.machine->bus().requests(rig.port).back().usbdStatus, USBD_STATUS_CANCELED);
  // The pipe works on.
  rig.device.queueIn({'x'});
  o = rig.overlapped();
  ASSERT_TRUE(ReadFile(rig.handle, in, sizeof in, nullptr, &o) || GetLastError() == ERROR_IO_PENDING);
  ASSERT_TRUE(rig.finished(o));
  ASSERT_TRUE(GetOverlappedResult(rig.handle, &o, &n, FALSE));
  EXPECT_EQ(n, 1u);
}

TEST_P(Transfers, TheFrameNumberAdvancesWithTheClock) {
  LoopRig rig(GetParam());
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  ULONG first = 0, second = 0;
  DWORD n = 0;
  ASSERT_TRUE(rig.control(IOCTL_LOOP_FRAME, nullptr, 0, &first, sizeof first, &n));
  EXPECT_EQ(n, sizeof(ULONG));
  if (rig.deterministic()) {
    EXPECT_EQ(first, 1000u);
    rig.machine->bus().runFrames(3);
    ASSERT_TRUE(rig.control(IOCTL_LOOP_FRAME, nullptr, 0, &second, sizeof second, &n));
    EXPECT_EQ(second, 1003u);
  } else {
    ASSERT_TRUE(rig.control(IOCTL_LOOP_FRAME, nullptr, 0, &second, sizeof second, &n));
    EXPECT_GE(second, first);
  }
}

INSTANTIATE_TEST_SUITE_P(Bus, Transfers, testing::Values(BusMode::Deterministic, BusMode::Deferred, BusMode::Inline),
                         modeName);

}  // namespace
}  // namespace looptest
