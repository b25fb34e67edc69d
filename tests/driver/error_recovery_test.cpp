// Recovery after a failed bulk piece: the port status is asked for, a port that is connected but not enabled is reset
// after its pipe is aborted, and the pipe that the failed piece used is reset; then the request fails and the next one
// runs. Work items run only when the test pumps them, so each step can be watched.

#include "DriverFixture.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/WorkQueue.h"
#include "tests/platform/win32/Eventually.h"

namespace drivertest {
namespace {

using win32test::Eventually;

class ErrorRecovery : public DriverTest {
 protected:
  platform::MachineOptions Options() const override {
    platform::MachineOptions options = DriverTest::Options();
    options.kernel.workerThread = false;
    return options;
  }
  void SetUp() override {
    DriverTest::SetUp();
    StartAndOpen(oru::PIPE_MODE_BULK1);
  }

  // The recovery requests in order: "status", "abort <ep>", "reset-port", "reset <ep>".
  std::vector<std::string> RecoverySteps() {
    std::vector<std::string> steps;
    for (const usb::UrbRecord& r : Urbs(port_)) {
      if (r.ioControlCode == IOCTL_INTERNAL_USB_GET_PORT_STATUS) steps.push_back("status");
      if (r.ioControlCode == IOCTL_INTERNAL_USB_RESET_PORT) steps.push_back("reset-port");
      if (r.ioControlCode != IOCTL_INTERNAL_USB_SUBMIT_URB) continue;
      char ep[8];
      std::snprintf(ep, sizeof ep, "%02x", r.endpoint);
      if (r.function == URB_FUNCTION_ABORT_PIPE) steps.push_back(std::string("abort ") + ep);
      if (r.function == URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL) steps.push_back(std::string("reset ") + ep);
    }
    return steps;
  }
  // The failed piece has queued its recovery: the request waits for it.
  bool RecoveryQueued() {
    return Eventually([&] { return M().kernel().workQueue().queued() == 1; });
  }
};

TEST_P(ErrorRecovery, AStalledPieceGivesOnePortQueryAndOneResetOfItsPipe) {
  M().bus().stallNext(port_, 0x81);
  auto read = StartRead(h_, 64);
  ASSERT_TRUE(RecoveryQueued());
  EXPECT_TRUE(StillPending(h_, *read));
  EXPECT_TRUE(M().bus().pipeHalted(port_, 0x81));
  EXPECT_TRUE(RecoverySteps().empty());

  EXPECT_EQ(M().kernel().runWorkItems(), 1u);
  EXPECT_NE(Finish(h_, *read), 0u);
  EXPECT_EQ(RecoverySteps(), std::vector<std::string>({"status", "reset 81"}));
  EXPECT_FALSE(M().bus().pipeHalted(port_, 0x81));

  device_->queueIn(0x81, "again");
  std::string data;
  ASSERT_EQ(Read(h_, 64, &data), 0u);
  EXPECT_EQ(data, "again");
}

TEST_P(ErrorRecovery, TheResetGoesToThePipeTheFailedPieceUsed) {
  SetMode(h_, oru::PIPE_MODE_BULK2);
  M().bus().stallNext(port_, 0x82);
  auto read = StartRead(h_, 64);
  ASSERT_TRUE(RecoveryQueued());
  // The program switches back to mode 1 before the recovery runs.
  SetMode(h_, oru::PIPE_MODE_BULK1);
  M().kernel().runWorkItems();
  EXPECT_NE(Finish(h_, *read), 0u);
  EXPECT_EQ(RecoverySteps(), std::vector<std::string>({"status", "reset 82"}));
  EXPECT_FALSE(M().bus().pipeHalted(port_, 0x82));
}

TEST_P(ErrorRecovery, APortConnectedButNotEnabledIsAbortedAndResetFirst) {
  M().bus().disablePort(port_);
  auto read = StartRead(h_, 64);
  ASSERT_TRUE(RecoveryQueued());
  M().kernel().runWorkItems();
  EXPECT_NE(Finish(h_, *read), 0u);
  EXPECT_EQ(RecoverySteps(), std::vector<std::string>({"status", "abort 81", "reset-port", "reset 81"}));

  device_->queueIn(0x81, "back");
  auto next = StartRead(h_, 64);
  ASSERT_EQ(Finish(h_, *next), 0u);
  EXPECT_EQ(std::string(next->buffer.begin(), next->buffer.begin() + 4), "back");
}

TEST_P(ErrorRecovery, AFailedPortQueryCountsAsNoFlags) {
  M().bus().disablePort(port_);
  M().bus().failPortStatus(port_);
  auto read = StartRead(h_, 64);
  ASSERT_TRUE(RecoveryQueued());
  M().kernel().runWorkItems();
  EXPECT_NE(Finish(h_, *read), 0u);
  EXPECT_EQ(RecoverySteps(), std::vector<std::string>({"status", "reset 81"}));
}

TEST_P(ErrorRecovery, AFailedWriteResetsTheOutPipeAndTheNextRequestRuns) {
  M().bus().stallNext(port_, 0x01);
  auto write = StartWrite(h_, std::string(100, 'w'));
  auto read = StartRead(h_, 64);  // waits behind the write and its recovery
  ASSERT_TRUE(RecoveryQueued());
  EXPECT_TRUE(StillPending(h_, *read));
  M().kernel().runWorkItems();
  DWORD written = 9;
  EXPECT_NE(Finish(h_, *write, &written), 0u);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(RecoverySteps(), std::vector<std::string>({"status", "reset 01"}));
  device_->queueIn(0x81, "next");
  ASSERT_EQ(Finish(h_, *read), 0u);
}

TEST_P(ErrorRecovery, WithoutMemoryForRecoveryTheRequestFailsAtOnce) {
  M().kernel().pool().failTag(nt::poolTag("IoWk"));
  M().bus().stallNext(port_, 0x81);
  auto read = StartRead(h_, 64);
  EXPECT_NE(Finish(h_, *read), 0u);
  M().kernel().pool().clearFailures();
  EXPECT_TRUE(RecoverySteps().empty());
  EXPECT_EQ(M().kernel().runWorkItems(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Bus, ErrorRecovery, ::testing::Values(Completion::Inline, Completion::Deferred),
                         CompletionName);

}  // namespace
}  // namespace drivertest
