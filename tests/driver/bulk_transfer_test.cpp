// Bulk reads and writes in 64-byte pieces: how a request is cut, how a short piece ends a read, zero-length requests,
// and the pipe modes that carry no bulk transfer.

#include "DriverFixture.h"

namespace drivertest {
namespace {

class BulkTransfer : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    StartAndOpen(oru::PIPE_MODE_BULK1);
  }

  std::vector<ULONG> Pieces(UCHAR endpoint) { return BulkPieces(port_, endpoint); }
  std::size_t VendorRequests(UCHAR request) {
    std::size_t n = 0;
    for (const usb::UrbRecord& r : Select(Urbs(port_), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_VENDOR_ENDPOINT)) {
      n += r.setup.bRequest == request;
    }
    return n;
  }
};

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('A' + i % 26);
  return s;
}

TEST_P(BulkTransfer, AShortReplyEndsAReadAfterOnePiece) {
  device_->queueIn(0x81, "0123456789");
  std::string data;
  ASSERT_EQ(Read(h_, 64, &data), 0u);
  EXPECT_EQ(data, "0123456789");
  EXPECT_EQ(Pieces(0x81), std::vector<ULONG>({64}));
}

TEST_P(BulkTransfer, ALongReadTakesPiecesOf64UntilItIsFull) {
  const std::string sent = Pattern(200);
  device_->queueIn(0x81, sent);
  std::string data;
  ASSERT_EQ(Read(h_, 200, &data), 0u);
  EXPECT_EQ(data, sent);
  EXPECT_EQ(Pieces(0x81), std::vector<ULONG>({64, 64, 64, 8}));
  EXPECT_EQ(VendorRequests(4), 1u);
}

TEST_P(BulkTransfer, AFullPieceFollowedByAShortOneEndsTheRead) {
  device_->queueIn(0x81, Pattern(64));
  device_->queueInPacket(0x81, {'x', 'y'});
  std::string data;
  ASSERT_EQ(Read(h_, 2560, &data), 0u);
  EXPECT_EQ(data, Pattern(64) + "xy");
  EXPECT_EQ(Pieces(0x81), std::vector<ULONG>({64, 64}));
}

TEST_P(BulkTransfer, ALongWriteGoesOutInPiecesOf64) {
  const std::string sent = Pattern(150);
  DWORD written = 0;
  ASSERT_EQ(Write(h_, sent, &written), 0u);
  EXPECT_EQ(written, 150u);
  EXPECT_EQ(Pieces(0x01), std::vector<ULONG>({64, 64, 22}));
  EXPECT_EQ(device_->bulkOutBytes(0x01), sent);
  EXPECT_EQ(device_->bulkOutPackets(0x01), std::vector<std::size_t>({64, 64, 22}));
}

TEST_P(BulkTransfer, ZeroLengthRequestsCompleteAtOnceWithoutATransfer) {
  std::string data;
  ASSERT_EQ(Read(h_, 0, &data), 0u);
  EXPECT_TRUE(data.empty());
  DWORD written = 7;
  ASSERT_EQ(Write(h_, "", &written), 0u);
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(Pieces(0x81).empty());
  EXPECT_TRUE(Pieces(0x01).empty());
  // The read still announced itself.
  EXPECT_EQ(VendorRequests(4), 1u);
}

TEST_P(BulkTransfer, ModeTwoWritesGoToTheSecondOutPipe) {
  SetMode(h_, oru::PIPE_MODE_BULK2);
  ASSERT_EQ(Write(h_, "TC:2"), 0u);
  EXPECT_EQ(device_->bulkOutBytes(0x02), "TC:2");
  EXPECT_TRUE(device_->bulkOutBytes(0x01).empty());
}

TEST_P(BulkTransfer, WithoutAValidPipeModeReadsAndWritesAreRefused) {
  // A mode request without input selects mode 0.
  ASSERT_EQ(Control(h_, oru::IOCTL_ORU_SET_PIPE_MODE, nullptr, 0), 0u);
  EXPECT_EQ(Ext()->pipeMode, 0);
  std::string data;
  EXPECT_EQ(Read(h_, 64, &data), DWORD(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(Write(h_, "VN"), DWORD(ERROR_INVALID_FUNCTION));
  SetMode(h_, 9);
  EXPECT_EQ(Read(h_, 64, &data), DWORD(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(Write(h_, "VN"), DWORD(ERROR_INVALID_FUNCTION));
  EXPECT_TRUE(Select(Urbs(port_), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER).empty());
  EXPECT_EQ(VendorRequests(4) + VendorRequests(5), 0u);
}

TEST_P(BulkTransfer, AWriteInTheIsochronousModeIsRefusedAndItsBufferLeftAlone) {
  SetMode(h_, oru::PIPE_MODE_ISO_IN);
  auto io = StartWrite(h_, "DM:1");
  DWORD bytes = 5;
  EXPECT_EQ(Finish(h_, *io, &bytes), DWORD(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(bytes, 0u);
  EXPECT_EQ(std::string(io->buffer.begin(), io->buffer.end()), "DM:1");
  EXPECT_TRUE(device_->bulkOutBytes(0x01).empty());
}

TEST_P(BulkTransfer, AQueuedReadKeepsThePipesOfTheModeItWasIssuedIn) {
  SetMode(h_, oru::PIPE_MODE_BULK2);
  auto first = StartRead(h_, 64);   // busy at the bus, waiting for data on 0x82
  auto second = StartRead(h_, 64);  // waits in the queue
  SetMode(h_, oru::PIPE_MODE_BULK1);
  device_->queueIn(0x82, "one");
  DWORD bytes = 0;
  ASSERT_EQ(Finish(h_, *first, &bytes), 0u);
  EXPECT_EQ(bytes, 3u);
  device_->queueIn(0x82, "two");
  ASSERT_EQ(Finish(h_, *second, &bytes), 0u);
  EXPECT_EQ(std::string(second->buffer.begin(), second->buffer.begin() + bytes), "two");
  EXPECT_EQ(Pieces(0x82).size(), 2u);
  EXPECT_TRUE(Pieces(0x81).empty());
}

INSTANTIATE_TEST_SUITE_P(Bus, BulkTransfer, ::testing::Values(Completion::Inline, Completion::Deferred),
                         CompletionName);

}  // namespace
}  // namespace drivertest
