// Serialisation and cancellation of bulk requests: one request at the bus at a time, waiting requests in arrival order,
// a cancelled waiting request leaving the others in order, and a read cancelled at the bus never wedging the queue.

#include <future>
#include <thread>

#include "DriverFixture.h"
#include "tests/platform/win32/Eventually.h"

namespace drivertest {
namespace {

using win32test::Eventually;

class QueueAndCancel : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    StartAndOpen(oru::PIPE_MODE_BULK1);
  }
  std::size_t BulkAtBus(UCHAR endpoint) { return BulkPieces(port_, endpoint).size(); }
};

TEST_P(QueueAndCancel, ACancelledWaitingReadLeavesTheOthersInOrder) {
  auto first = StartRead(h_, 64);
  ASSERT_TRUE(Eventually([&] { return BulkAtBus(0x81) == 1; }));

  std::promise<void> secondIssued, thirdIssued;
  std::unique_ptr<AsyncIo> second;
  DWORD secondError = 0, secondBytes = 0;
  std::thread other([&] {
    second = StartRead(h_, 64);
    secondIssued.set_value();
    thirdIssued.get_future().wait();
    CancelIo(h_);  // this thread's requests only
    secondError = Finish(h_, *second, &secondBytes);
  });
  secondIssued.get_future().wait();
  auto third = StartRead(h_, 64);
  thirdIssued.set_value();
  other.join();

  EXPECT_EQ(secondError, DWORD(ERROR_OPERATION_ABORTED));
  EXPECT_EQ(second->buffer, std::vector<uint8_t>(64, 0xEE));
  EXPECT_TRUE(StillPending(h_, *first));
  EXPECT_TRUE(StillPending(h_, *third));
  EXPECT_EQ(BulkAtBus(0x81), 1u);

  device_->queueIn(0x81, "first");
  DWORD bytes = 0;
  ASSERT_EQ(Finish(h_, *first, &bytes), 0u);
  EXPECT_EQ(std::string(first->buffer.begin(), first->buffer.begin() + bytes), "first");
  ASSERT_TRUE(Eventually([&] { return BulkAtBus(0x81) == 2; }));
  EXPECT_TRUE(StillPending(h_, *third));
  device_->queueIn(0x81, "third");
  ASSERT_EQ(Finish(h_, *third, &bytes), 0u);
  EXPECT_EQ(std::string(third->buffer.begin(), third->buffer.begin() + bytes), "third");
  // Every read announced itself when it arrived; the cancelled one never reached the bus.
  std::size_t vendor = 0;
  for (const usb::UrbRecord& r : Select(Urbs(port_), IOCTL_INTERNAL_USB_SUBMIT_URB, URB_FUNCTION_VENDOR_ENDPOINT)) {
    vendor += r.setup.bRequest == 4;
  }
  EXPECT_EQ(vendor, 3u);
  EXPECT_EQ(BulkAtBus(0x81), 2u);
}

TEST_P(QueueAndCancel, AReadCancelledAfterATimeOutIsFollowedAtOnceByAWorkingWriteAndRead) {
  for (int round = 0; round < 3; ++round) {
    auto timedOut = StartRead(h_, 64);
    ASSERT_TRUE(Eventually([&] { return M().bus().pendingTransfers(port_) == 1; }));
    EXPECT_TRUE(StillPending(h_, *timedOut));
    EXPECT_TRUE(CancelIo(h_));
    EXPECT_EQ(Finish(h_, *timedOut), DWORD(ERROR_OPERATION_ABORTED));

    ASSERT_EQ(Write(h_, "VN"), 0u);
    device_->queueIn(0x81, "vn:1.08");
    std::string reply;
    ASSERT_EQ(Read(h_, 64, &reply), 0u);
    EXPECT_EQ(reply, "vn:1.08");
  }
  EXPECT_EQ(device_->bulkOutBytes(0x01), "VNVNVN");
}

TEST_P(QueueAndCancel, ASecondWriteStartsOnlyAfterTheFirstHasEnded) {
  M().bus().holdNext(port_, 0x01);
  std::promise<void> firstIssued, secondIssued;
  DWORD firstError = 0;
  std::thread writer([&] {
    auto first = StartWrite(h_, "CA:0");
    firstIssued.set_value();
    secondIssued.get_future().wait();
    CancelIo(h_);  // the held first write only: it is this thread's
    firstError = Finish(h_, *first);
  });
  firstIssued.get_future().wait();
  ASSERT_TRUE(Eventually([&] { return BulkAtBus(0x01) == 1; }));
  auto second = StartWrite(h_, "CA:2");
  EXPECT_TRUE(StillPending(h_, *second));
  EXPECT_EQ(BulkAtBus(0x01), 1u);
  secondIssued.set_value();
  writer.join();
  EXPECT_EQ(firstError, DWORD(ERROR_OPERATION_ABORTED));
  DWORD written = 0;
  ASSERT_EQ(Finish(h_, *second, &written), 0u);
  EXPECT_EQ(written, 4u);
  // The held write never reached the device.
  EXPECT_EQ(device_->bulkOutBytes(0x01), "CA:2");
  EXPECT_EQ(BulkAtBus(0x01), 2u);
}

TEST_P(QueueAndCancel, ReadsFromTwoThreadsEachGetOneReply) {
  constexpr int kPerThread = 20;
  std::atomic<int> done{0};
  auto reader = [&] {
    for (int i = 0; i < kPerThread; ++i) {
      std::string data;
      EXPECT_EQ(Read(h_, 64, &data), 0u);
      EXPECT_EQ(data.size(), 2u);
      done++;
    }
  };
  std::thread a(reader), b(reader);
  for (int i = 0; i < 2 * kPerThread; ++i) {
    ASSERT_TRUE(Eventually([&] { return M().bus().pendingTransfers(port_) == 1; }));
    device_->queueIn(0x81, "ok");
    ASSERT_TRUE(Eventually([&] { return done == i + 1; }));
  }
  a.join();
  b.join();
  EXPECT_EQ(BulkAtBus(0x81), std::size_t(2 * kPerThread));
}

INSTANTIATE_TEST_SUITE_P(Bus, QueueAndCancel, ::testing::Values(Completion::Inline, Completion::Deferred),
                         CompletionName);

}  // namespace
}  // namespace drivertest
