// Device-control requests: the size limit, the pipe mode with the clear-feature of mode 3, the vendor requests, and the
// code the driver does not handle.

#include "DriverFixture.h"

namespace drivertest {
namespace {

class DeviceControl : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    StartAndOpen(oru::PIPE_MODE_BULK1);
  }

  std::vector<usb::UrbRecord> Submitted() { return Select(Urbs(port_), IOCTL_INTERNAL_USB_SUBMIT_URB); }
};

TEST_P(DeviceControl, MoreThan64BytesOfInputOrOutputAreRefusedWhateverTheCode) {
  UCHAR in[65] = {1};
  UCHAR out[65] = {};
  for (DWORD code : {oru::IOCTL_ORU_NOP, oru::IOCTL_ORU_SET_PIPE_MODE, oru::IOCTL_ORU_VENDOR_OUT_1, 0x9999u}) {
    EXPECT_EQ(Control(h_, code, in, 65), DWORD(ERROR_INVALID_PARAMETER)) << std::hex << code;
    EXPECT_EQ(Control(h_, code, in, 1, out, 65), DWORD(ERROR_INVALID_PARAMETER)) << std::hex << code;
  }
  EXPECT_EQ(Ext()->pipeMode, oru::PIPE_MODE_BULK1);
  EXPECT_TRUE(Submitted().empty());

  DWORD returned = 99;
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_NOP, in, 64, out, 64, &returned), 0u);
  EXPECT_EQ(returned, 0u);
  in[0] = 2;
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_SET_PIPE_MODE, in, 64, out, 64), 0u);
  EXPECT_EQ(Ext()->pipeMode, 2);
}

TEST_P(DeviceControl, TheStreamArmingCodeIsRefusedAndChangesNothing) {
  SetMode(h_, oru::PIPE_MODE_ISO_IN);
  M().bus().clearRequests(port_);
  device_->clearEvents();
  UCHAR one = 1;
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_ARM_STREAM_READ, &one, 1), DWORD(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(Ext()->pipeMode, oru::PIPE_MODE_ISO_IN);
  EXPECT_TRUE(Urbs(port_).empty());
  EXPECT_TRUE(device_->events().empty());
}

TEST_P(DeviceControl, ModeThreeClearsTheHaltOfEndpointThreeOnce) {
  SetMode(h_, oru::PIPE_MODE_BULK1);
  SetMode(h_, oru::PIPE_MODE_BULK2);
  EXPECT_TRUE(Submitted().empty());
  SetMode(h_, oru::PIPE_MODE_ISO_IN);
  std::vector<usb::UrbRecord> urbs = Submitted();
  ASSERT_EQ(urbs.size(), 1u);
  EXPECT_EQ(urbs[0].function, URB_FUNCTION_CLEAR_FEATURE_TO_ENDPOINT);
  EXPECT_EQ(urbs[0].setup.bmRequestType, 0x02);
  EXPECT_EQ(urbs[0].setup.bRequest, 1);
  EXPECT_EQ(urbs[0].setup.wValue, 0);
  EXPECT_EQ(urbs[0].setup.wIndex, 3);
  EXPECT_EQ(Ext()->pipeMode, oru::PIPE_MODE_ISO_IN);
}

TEST_P(DeviceControl, AModeRequestWithoutInputSelectsModeZero) {
  UCHAR out[4] = {3, 3, 3, 3};
  // An output buffer alone gives the driver a system buffer, but no input byte.
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_SET_PIPE_MODE, nullptr, 0, out, sizeof out), 0u);
  EXPECT_EQ(Ext()->pipeMode, 0);
  SetMode(h_, oru::PIPE_MODE_BULK2);
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_SET_PIPE_MODE, nullptr, 0), 0u);
  EXPECT_EQ(Ext()->pipeMode, 0);
  EXPECT_TRUE(Submitted().empty());
}

TEST_P(DeviceControl, TheVendorRequestsCarryTheirSetupBytes) {
  DWORD returned = 5;
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_VENDOR_OUT_1, nullptr, 0, nullptr, 0, &returned), 0u);
  EXPECT_EQ(returned, 0u);
  UCHAR out[8];
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_VENDOR_IN_4, nullptr, 0, out, sizeof out, &returned), 0u);
  EXPECT_EQ(returned, 0u);
  std::vector<usb::SetupPacket> setups = device_->controls();
  ASSERT_EQ(setups.size(), 2u);
  EXPECT_EQ(setups[0].bmRequestType, 0x42);
  EXPECT_EQ(setups[0].bRequest, 1);
  EXPECT_EQ(setups[1].bmRequestType, 0xC2);
  EXPECT_EQ(setups[1].bRequest, 4);
  for (const usb::SetupPacket& s : setups) {
    EXPECT_EQ(s.wValue, 0);
    EXPECT_EQ(s.wIndex, 0);
    EXPECT_EQ(s.wLength, 0);
  }
  DWORD nop = 7;
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_NOP, nullptr, 0, nullptr, 0, &nop), 0u);
  EXPECT_EQ(nop, 0u);
}

TEST_P(DeviceControl, AFailedUsbRequestIsReportedAndTheModeIsStillStored) {
  M().bus().stallNext(port_, 0);
  EXPECT_NE(Control(h_, oru::IOCTL_ORU_VENDOR_OUT_1, nullptr, 0), 0u);
  M().bus().stallNext(port_, 0);
  UCHAR three = 3;
  EXPECT_NE(Control(h_, oru::IOCTL_ORU_SET_PIPE_MODE, &three, 1), 0u);
  EXPECT_EQ(Ext()->pipeMode, oru::PIPE_MODE_ISO_IN);
  // The next request works again.
  EXPECT_EQ(Control(h_, oru::IOCTL_ORU_VENDOR_OUT_1, nullptr, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Bus, DeviceControl, ::testing::Values(Completion::Inline, Completion::Deferred),
                         CompletionName);

}  // namespace
}  // namespace drivertest
