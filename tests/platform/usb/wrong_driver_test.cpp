// The loop driver made wrong on purpose, one fault at a time, on each kind of bus: a read whose
// pending mark disagrees with what its dispatch returned, a pipe reset sent from a completion
// routine, and state kept in the IRP while the bus holds it. Each is caught, and the bus carries
// on with the traffic.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "LoopRig.h"
#include "platform/usb/UsbIoctl.h"

namespace looptest {
namespace {

struct WrongStep {
  const char* name;
  TransferFault fault;
  bool transferFails;                 // the bus fails the read
  std::vector<nt::Violation> caught;  // what the verifier records
  const char* text;                   // in its record
  int stateLost;                      // reads whose state in the IRP was gone when they came back
};

const WrongStep kSteps[] = {
    {"PendingUnmarked",
     TransferFault::PendingUnmarked,
     false,
     {nt::Violation::PendingMismatch},
     "returned STATUS_PENDING without marking it pending",
     0},
    {"PendingNotReturned",
     TransferFault::PendingNotReturned,
     false,
     {nt::Violation::PendingMismatch},
     "marked it pending but returned 0x00000000",
     0},
    {"ResetPipeInCompletion",
     TransferFault::ResetPipeInCompletion,
     true,
     {nt::Violation::RequestAbovePassive},
     "URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL sent at IRQL 2",
     0},
    {"StateInIrp", TransferFault::StateInIrp, false, {}, "", 1},
};

class WrongDriver : public testing::TestWithParam<std::tuple<WrongStep, BusMode>> {};

TEST_P(WrongDriver, IsCaughtAndTheBusCarriesOn) {
  const auto& [step, mode] = GetParam();
  LoopRig rig(mode);
  loopLog().transferFault = step.fault;
  rig.plug();
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
  if (step.transferFails) {
    rig.machine->bus().failNext(rig.port, 0x81, USBD_STATUS_DEV_NOT_RESPONDING);
  } else {
    rig.device.queueIn({'o', 'k'});
  }

  char in[64] = {};
  OVERLAPPED o = rig.overlapped();
  BOOL started = ReadFile(rig.handle, in, sizeof in, nullptr, &o);
  ASSERT_TRUE(started || GetLastError() == ERROR_IO_PENDING);
  ASSERT_TRUE(rig.finished(o));
  DWORD n = 0;
  EXPECT_EQ(GetOverlappedResult(rig.handle, &o, &n, FALSE), !step.transferFails);
  if (!step.transferFails) {
    EXPECT_EQ(std::string(in, n), "ok");
  }

  std::vector<usb::UrbRecord> urbs = rig.machine->bus().requests(rig.port);
  if (step.fault == TransferFault::ResetPipeInCompletion) {
    // Recorded, yet served.
    ASSERT_FALSE(urbs.empty());
    EXPECT_EQ(urbs.back().function, URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL);
    EXPECT_TRUE(urbs.back().completed);
  }
  {
    std::lock_guard lock(loopLog().mutex);
    EXPECT_EQ(loopLog().stateLost, step.stateLost);
  }
  std::vector<nt::VerifierRecord> records = rig.machine->verifier().records();
  if (!step.caught.empty()) {
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].text.find(step.text), std::string::npos) << records[0].text;
  }
  rig.expectedViolations = step.caught;
}

INSTANTIATE_TEST_SUITE_P(
    Bus, WrongDriver,
    testing::Combine(testing::ValuesIn(kSteps),
                     testing::Values(BusMode::Deterministic, BusMode::Deferred, BusMode::Inline)),
    [](const testing::TestParamInfo<std::tuple<WrongStep, BusMode>>& info) {
      return std::string(std::get<0>(info.param).name) + "_" + modeName({std::get<1>(info.param), info.index});
    });

}  // namespace
}  // namespace looptest
