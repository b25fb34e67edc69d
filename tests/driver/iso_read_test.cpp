// Reads in the isochronous mode: sub-requests of at most 255 one-frame packets, all sent at once from two frames after
// the current one, data at the packets' 128-byte offsets, and a failed sub-request failing the read only once every
// sub-request has completed.

#include "DriverFixture.h"
#include "tests/platform/win32/Eventually.h"

namespace drivertest {
namespace {

using win32test::Eventually;

class IsoRead : public DriverTest {
 protected:
  platform::MachineOptions Options() const override {
    platform::MachineOptions options = DriverTest::Options();
    options.bus.frameLength = std::chrono::microseconds(200);
    return options;
  }
  void SetUp() override {
    DriverTest::SetUp();
    StartAndOpen(oru::PIPE_MODE_ISO_IN);
  }
  std::vector<usb::UrbRecord> IsoUrbs() {
    return Select(Urbs(port_), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_ISOCH_TRANSFER);
  }
};

TEST_P(IsoRead, AStreamBlockIsOneSubRequestOfTwentyPacketsTwoFramesAhead) {
  uint32_t before = M().bus().currentFrame();
  auto read = StartRead(h_, 2560);
  uint32_t after = M().bus().currentFrame();
  DWORD bytes = 0;
  ASSERT_EQ(Finish(h_, *read, &bytes), 0u);
  EXPECT_EQ(bytes, 2560u);

  std::vector<usb::UrbRecord> iso = IsoUrbs();
  ASSERT_EQ(iso.size(), 1u);
  EXPECT_EQ(iso[0].endpoint, 0x83);
  EXPECT_EQ(iso[0].packets, 20u);
  EXPECT_EQ(iso[0].length, 2560u);
  EXPECT_EQ(iso[0].transferFlags, USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK);
  // The frame number was asked for while the read was being dispatched.
  EXPECT_GE(iso[0].startFrame, before + 2);
  EXPECT_LE(iso[0].startFrame, after + 2);
  EXPECT_EQ(Select(Urbs(port_), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_GET_CURRENT_FRAME_NUMBER).size(), 1u);

  // Packet j holds the data of frame start + j at offset 128 * j.
  for (uint32_t j = 0; j < 20; ++j) {
    for (std::size_t i = 0; i < 128; ++i) {
      ASSERT_EQ(read->buffer[j * 128 + i], IsoByte(iso[0].startFrame + j, i)) << "packet " << j << " byte " << i;
    }
  }
}

TEST_P(IsoRead, ALongReadIsSplitIntoSubRequestsOfAtMost255Packets) {
  auto read = StartRead(h_, 40000);
  DWORD bytes = 0;
  ASSERT_EQ(Finish(h_, *read, &bytes), 0u);
  EXPECT_EQ(bytes, 40000u);
  std::vector<usb::UrbRecord> iso = IsoUrbs();
  ASSERT_EQ(iso.size(), 2u);
  EXPECT_EQ(iso[0].packets, 255u);
  EXPECT_EQ(iso[0].length, 32640u);
  EXPECT_EQ(iso[1].packets, 58u);
  EXPECT_EQ(iso[1].length, 7360u);
  EXPECT_EQ(iso[1].startFrame, iso[0].startFrame + 255);
  // The second sub-request's data follows the first's; its last packet has room for 64 bytes.
  uint32_t second = iso[1].startFrame;
  EXPECT_EQ(read->buffer[32640], IsoByte(second, 0));
  EXPECT_EQ(read->buffer[32640 + 57 * 128 + 63], IsoByte(second + 57, 63));
}

TEST_P(IsoRead, AFailedSubRequestFailsTheReadOnceAllHaveCompleted) {
  M().bus().failNext(port_, 0x83, USBD_STATUS_ISOCH_REQUEST_FAILED);
  auto read = StartRead(h_, 40000);
  DWORD bytes = 0;
  EXPECT_NE(Finish(h_, *read, &bytes), 0u);
  EXPECT_EQ(bytes, 0u);
  std::vector<usb::UrbRecord> iso = IsoUrbs();
  ASSERT_EQ(iso.size(), 2u);
  EXPECT_TRUE(iso[0].completed);
  EXPECT_FALSE(USBD_SUCCESS(iso[0].usbdStatus));
  // The second one ran its 58 frames before the read ended.
  EXPECT_TRUE(iso[1].completed);
  EXPECT_TRUE(USBD_SUCCESS(iso[1].usbdStatus));
  EXPECT_EQ(iso[1].transferred, 7360u);
}

TEST_P(IsoRead, ACancelledReadEndsOnceItsSubRequestsHaveCompleted) {
  auto read = StartRead(h_, 40000);
  ASSERT_FALSE(read->issued);
  EXPECT_TRUE(CancelIo(h_));
  DWORD bytes = 0;
  DWORD error = Finish(h_, *read, &bytes);
  // Nothing at the bus is cancelled: the read ends with what its sub-requests brought.
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(bytes, 40000u);
  for (const usb::UrbRecord& r : IsoUrbs()) EXPECT_TRUE(r.completed);
  EXPECT_EQ(M().bus().pendingTransfers(port_), 0u);
}

// The last sub-request completes inside the window where IoCancelIrp has taken the read's cancel routine but not yet
// called it: the sub-request is held at the bus until then, and with the bus thread parked the window serves it itself.
// The read is then the cancel routine's to complete; completing it under the routine is a verifier record, and
// tear-down fails on it.
TEST_P(IsoRead, ASubRequestEndingWhileTheCancelRoutineIsDueLeavesTheReadToIt) {
  M().bus().holdThread(true);
  M().bus().holdNext(port_, 0x83);
  auto read = StartRead(h_, 2560);
  ASSERT_FALSE(read->issued);
  bool servedInWindow = false;
  M().kernel().setCancelWindowHook([&](PIRP) {
    M().bus().releaseHeld(port_, 0x83);
    servedInWindow = Eventually([&] {
      M().bus().pump();
      return M().bus().pendingTransfers(port_) == 0;
    });
  });
  EXPECT_TRUE(CancelIo(h_));
  M().kernel().setCancelWindowHook({});
  M().bus().holdThread(false);
  EXPECT_TRUE(servedInWindow);
  DWORD bytes = 0;
  EXPECT_EQ(Finish(h_, *read, &bytes), 0u);
  EXPECT_EQ(bytes, 2560u);
}

TEST_P(IsoRead, AZeroLengthReadSendsNothing) {
  std::string data;
  ASSERT_EQ(Read(h_, 0, &data), 0u);
  EXPECT_TRUE(Urbs(port_).empty());
}

TEST_P(IsoRead, ReadsOfDifferentModesMayOverlap) {
  auto stream = StartRead(h_, 2560);
  SetMode(h_, oru::PIPE_MODE_BULK1);
  device_->queueIn(0x81, "ok");
  std::string reply;
  ASSERT_EQ(Read(h_, 64, &reply), 0u);
  EXPECT_EQ(reply, "ok");
  DWORD bytes = 0;
  ASSERT_EQ(Finish(h_, *stream, &bytes), 0u);
  EXPECT_EQ(bytes, 2560u);
}

INSTANTIATE_TEST_SUITE_P(Bus, IsoRead, ::testing::Values(Completion::Inline, Completion::Deferred), CompletionName);

}  // namespace
}  // namespace drivertest
