// The program's command conversation with the simulated instrument: mode 1 selects the first bulk pipe pair, a command
// is one OUT transfer, and a read announces itself with a vendor request before its IN transfer; mode 2 does the same
// on the second pair.

#include "DriverFixture.h"
#include "tests/platform/win32/Eventually.h"

namespace drivertest {
namespace {

using win32test::Eventually;

class CommandRoundTrip : public DriverTest {};

// Index of the first record matching `match` at or after `from`; npos when none.
template <class Match>
std::size_t IndexOf(const std::vector<usb::UrbRecord>& urbs, Match match, std::size_t from = 0) {
  for (std::size_t i = from; i < urbs.size(); ++i) {
    if (match(urbs[i])) return i;
  }
  return std::string::npos;
}

bool IsBulk(const usb::UrbRecord& r, UCHAR endpoint) {
  return r.ioControlCode == IOCTL_INTERNAL_USB_SUBMIT_URB && r.function == URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER &&
         r.endpoint == endpoint;
}

bool IsVendor(const usb::UrbRecord& r, UCHAR request) {
  return r.ioControlCode == IOCTL_INTERNAL_USB_SUBMIT_URB && r.function == URB_FUNCTION_VENDOR_ENDPOINT &&
         r.setup.bRequest == request;
}

TEST_P(CommandRoundTrip, ACommandIsOneOutTransferAndItsReplyWaitsForTheInstrument) {
  sim::Instrument& instrument = NewInstrument();
  int port = PlugStarted(instrument);
  HANDLE h = Open();
  SetMode(h, oru::PIPE_MODE_BULK1);
  M().bus().clearRequests(port);
  instrument.withFaults([](sim::FaultPlan& f) { f.delayNextReply(50'000); });

  DWORD written = 0;
  ASSERT_EQ(Write(h, "CA:1", &written), 0u);
  EXPECT_EQ(written, 4u);
  auto read = StartRead(h, 64);
  EXPECT_FALSE(read->issued);
  EXPECT_EQ(read->issueError, DWORD(ERROR_IO_PENDING));
  ASSERT_TRUE(
      Eventually([&] { return IndexOf(Urbs(port), [](auto& r) { return IsBulk(r, 0x81); }) != std::string::npos; }));
  // The reply is held by the instrument: the read stays in progress.
  EXPECT_TRUE(StillPending(h, *read));
  EXPECT_TRUE(StillPending(h, *read));

  instrument.advance(50'000);
  DWORD bytes = 0;
  ASSERT_EQ(Finish(h, *read, &bytes), 0u);
  std::string reply(read->buffer.begin(), read->buffer.begin() + bytes);
  ASSERT_FALSE(instrument.transcript().replies().empty());
  EXPECT_EQ(reply, instrument.transcript().replies().back());
  EXPECT_EQ(instrument.transcript().commands().back(), "CA:1");

  std::vector<usb::UrbRecord> urbs = Urbs(port);
  std::vector<usb::UrbRecord> bulk =
      Select(urbs, IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER);
  ASSERT_EQ(bulk.size(), 2u);  // the command and the reply's one piece
  EXPECT_EQ(bulk[0].endpoint, 0x01);
  EXPECT_EQ(bulk[0].length, 4u);
  EXPECT_EQ(bulk[0].transferred, 4u);
  EXPECT_EQ(bulk[1].endpoint, 0x81);
  EXPECT_EQ(bulk[1].length, 64u);
  std::size_t vendor = IndexOf(urbs, [](auto& r) { return IsVendor(r, 4); });
  std::size_t in = IndexOf(urbs, [](auto& r) { return IsBulk(r, 0x81); });
  ASSERT_NE(vendor, std::string::npos);
  EXPECT_LT(vendor, in);
  EXPECT_EQ(urbs[vendor].setup.bmRequestType, 0xC2);
  EXPECT_EQ(urbs[vendor].setup.wValue, 0);
  EXPECT_EQ(urbs[vendor].setup.wIndex, 0);
  EXPECT_EQ(urbs[vendor].setup.wLength, 0);
  EXPECT_EQ(IndexOf(urbs, [](auto& r) { return IsVendor(r, 5); }), std::string::npos);
}

TEST_P(CommandRoundTrip, ModeTwoUsesTheSecondPipePairAndVendorRequestFive) {
  sim::Instrument& instrument = NewInstrument();
  int port = PlugStarted(instrument);
  HANDLE h = Open();
  SetMode(h, oru::PIPE_MODE_BULK2);
  M().bus().clearRequests(port);

  ASSERT_EQ(Write(h, "VN"), 0u);
  std::string reply;
  ASSERT_EQ(Read(h, 64, &reply), 0u);
  EXPECT_EQ(reply, instrument.transcript().replies().back());

  std::vector<usb::UrbRecord> urbs = Urbs(port);
  std::size_t out = IndexOf(urbs, [](auto& r) { return IsBulk(r, 0x02); });
  std::size_t vendor = IndexOf(urbs, [](auto& r) { return IsVendor(r, 5); });
  std::size_t in = IndexOf(urbs, [](auto& r) { return IsBulk(r, 0x82); });
  ASSERT_NE(out, std::string::npos);
  ASSERT_NE(vendor, std::string::npos);
  ASSERT_NE(in, std::string::npos);
  EXPECT_LT(out, vendor);
  EXPECT_LT(vendor, in);
  EXPECT_EQ(urbs[vendor].setup.bmRequestType, 0xC2);
  for (const usb::UrbRecord& r : urbs) {
    EXPECT_FALSE(IsBulk(r, 0x01) || IsBulk(r, 0x81) || IsVendor(r, 4)) << "mode 1 traffic in mode 2";
  }
}

TEST_P(CommandRoundTrip, AHandleWithoutOverlappedIoWaitsInEachCall) {
  sim::Instrument& instrument = NewInstrument();
  PlugStarted(instrument);
  HANDLE h = Open(/*overlapped=*/false);
  SetMode(h, oru::PIPE_MODE_BULK1);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, "VN", 2, &written, nullptr));
  EXPECT_EQ(written, 2u);
  char buffer[64] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), instrument.transcript().replies().back());
}

INSTANTIATE_TEST_SUITE_P(Bus, CommandRoundTrip, ::testing::Values(Completion::Inline, Completion::Deferred),
                         CompletionName);

}  // namespace
}  // namespace drivertest
