// Power through the Machine: sleep and wake in the order the power manager and a policy-owning
// driver produce them, the states drivers report, and the checks on PoStartNextPowerIrp and on
// the requests drivers make.

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/usb/LoopRig.h"

namespace looptest {
namespace {

struct Step {
  UCHAR minor;
  POWER_STATE_TYPE type;
  int state;
  bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Step& s) {
  return out << (s.minor == IRP_MN_SET_POWER     ? "SET "
                 : s.minor == IRP_MN_QUERY_POWER ? "QUERY "
                                                 : "OTHER ")
             << (s.type == SystemPowerState ? "S" : "D") << s.state;
}

std::vector<Step> atThePdo(LoopRig& rig) {
  std::vector<Step> out;
  for (const auto& p : rig.machine->bus().powerRequests(rig.port)) {
    out.push_back(
        {p.minor, p.type,
         p.type == SystemPowerState ? static_cast<int>(p.state.SystemState) : static_cast<int>(p.state.DeviceState)});
  }
  return out;
}

class Power : public testing::TestWithParam<BusMode> {};

TEST_P(Power, SleepAndWakeSendThePowerIrpsInOrder) {
  LoopRig rig(GetParam());
  rig.plug();
  PDEVICE_OBJECT fdo = rig.machine->pnp().stackOf(rig.machine->node(rig.port)).back();
  ASSERT_TRUE(rig.machine->sleep());
  EXPECT_EQ(rig.machine->power().systemState(), PowerSystemSleeping3);
  // The driver takes its device down before it lets each system request pass.
  EXPECT_EQ(atThePdo(rig), (std::vector<Step>{{IRP_MN_QUERY_POWER, DevicePowerState, PowerDeviceD3},
                                              {IRP_MN_QUERY_POWER, SystemPowerState, PowerSystemSleeping3},
                                              {IRP_MN_SET_POWER, DevicePowerState, PowerDeviceD3},
                                              {IRP_MN_SET_POWER, SystemPowerState, PowerSystemSleeping3}}));
  EXPECT_EQ(rig.machine->power().reportedState(fdo), PowerDeviceD3);

  rig.machine->wake();
  std::vector<Step> all = atThePdo(rig);
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[4], (Step{IRP_MN_SET_POWER, SystemPowerState, PowerSystemWorking}));
  EXPECT_EQ(all[5], (Step{IRP_MN_SET_POWER, DevicePowerState, PowerDeviceD0}));
  EXPECT_EQ(rig.machine->power().reportedState(fdo), PowerDeviceD0);
  EXPECT_EQ(rig.machine->power().systemState(), PowerSystemWorking);

  // The power manager's own record: every IRP completed, the device ones asked for by the driver.
  std::vector<nt::PowerIrpRecord> history = rig.machine->power().history();
  ASSERT_EQ(history.size(), 6u);
  for (const auto& h : history) {
    EXPECT_EQ(h.status, STATUS_SUCCESS);
    EXPECT_EQ(h.requestedByDriver, h.type == DevicePowerState);
    EXPECT_EQ(h.target, fdo);  // always the top of the stack
  }
  // Still working after the round trip.
  ASSERT_NE(rig.open(), INVALID_HANDLE_VALUE);
}

INSTANTIATE_TEST_SUITE_P(Bus, Power, testing::Values(BusMode::Deterministic, BusMode::Deferred, BusMode::Inline),
                         modeName);

TEST(PowerChecks, ADriverThatDoesNotStartTheNextPowerIrpIsReported) {
  LoopRig rig(BusMode::Deferred);
  rig.plug();
  loopLog().skipStartNextPowerIrp = true;
  ASSERT_TRUE(rig.machine->sleep());
  EXPECT_EQ(rig.machine->verifier().count(nt::Violation::PowerIrpMisuse), 2u);  // the two device IRPs
  loopLog().skipStartNextPowerIrp = false;
  rig.machine->verifier().clear();
  rig.machine->wake();
}

TEST(PowerChecks, RequestsForOtherMinorsOrWithoutAPdoAreRefused) {
  LoopRig rig(BusMode::Deferred);
  rig.plug();
  nt::KernelScope scope(&rig.machine->kernel());
  POWER_STATE d0;
  d0.DeviceState = PowerDeviceD0;
  PDEVICE_OBJECT pdo = rig.machine->bus().pdo(rig.port);
  EXPECT_EQ(PoRequestPowerIrp(pdo, IRP_MN_POWER_SEQUENCE, d0, nullptr, nullptr, nullptr), STATUS_INVALID_PARAMETER);
  // A request with no callback still completes, and nothing is left outstanding.
  EXPECT_EQ(PoRequestPowerIrp(pdo, IRP_MN_SET_POWER, d0, nullptr, nullptr, nullptr), STATUS_PENDING);
  EXPECT_TRUE(rig.machine->power().waitIdle());
  EXPECT_EQ(rig.machine->power().history().back().status, STATUS_SUCCESS);
}

}  // namespace
}  // namespace looptest
