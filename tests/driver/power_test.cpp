// Power: the capabilities recorded at start, and system sleep and wake followed by the driver's own device power
// requests in their order. The power manager checks that every power request is followed by exactly one
// PoStartNextPowerIrp; tear-down fails on any miss.

#include <algorithm>

#include "DriverFixture.h"
#include "platform/nt/KernelPool.h"

namespace drivertest {
namespace {

class Power : public DriverTest {};

VOID IgnorePowerResult(PDEVICE_OBJECT, UCHAR, POWER_STATE, PVOID, PIO_STATUS_BLOCK) {}

std::string Describe(const usb::PdoPowerRecord& r) {
  std::string minor = r.minor == IRP_MN_SET_POWER ? "set" : r.minor == IRP_MN_QUERY_POWER ? "query" : "other";
  if (r.type == SystemPowerState) return minor + " S" + std::to_string(r.state.SystemState - 1);
  return minor + " D" + std::to_string(r.state.DeviceState - 1);
}

std::vector<std::string> PdoPower(platform::Machine& m, int port) {
  std::vector<std::string> seen;
  for (const usb::PdoPowerRecord& r : m.bus().powerRequests(port)) seen.push_back(Describe(r));
  return seen;
}

TEST_P(Power, StartRecordsTheAdjustedCapabilities) {
  DEVICE_CAPABILITIES caps{};
  caps.Size = sizeof caps;
  caps.Version = 1;
  caps.DeviceState[PowerSystemWorking] = PowerDeviceD0;
  caps.DeviceState[PowerSystemSleeping1] = PowerDeviceD3;
  caps.DeviceState[PowerSystemSleeping2] = PowerDeviceD3;
  caps.DeviceState[PowerSystemSleeping3] = PowerDeviceD2;
  caps.DeviceState[PowerSystemHibernate] = PowerDeviceD3;
  caps.DeviceState[PowerSystemShutdown] = PowerDeviceD3;
  caps.DeviceWake = PowerDeviceD2;
  usb::PlugOptions options;
  options.capabilities = caps;
  ScriptedDevice& device = NewDevice();
  int port = M().plug(device, options);
  ASSERT_EQ(M().device(port).state, nt::DevNodeState::Started);
  const DEVICE_CAPABILITIES& kept = Ext()->capabilities;
  EXPECT_TRUE(kept.SurpriseRemovalOK);
  EXPECT_TRUE(kept.WakeFromD2);
  EXPECT_TRUE(kept.DeviceD2);
  EXPECT_FALSE(kept.DeviceD1);
  EXPECT_EQ(kept.SystemWake, PowerSystemSleeping3);
  EXPECT_EQ(kept.DeviceState[PowerSystemSleeping3], PowerDeviceD2);
  EXPECT_EQ(Ext()->systemPower, PowerSystemWorking);
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD0);
}

TEST_P(Power, SleepAndWakeFollowTheSystemWithDeviceRequestsInOrder) {
  ScriptedDevice& device = NewDevice();
  int port = PlugStarted(device);
  EXPECT_EQ(M().power().reportedState(Fdo()), PowerDeviceD0);

  ASSERT_TRUE(M().sleep());
  // The device is asked (query, then set) before each system request goes on to the bus.
  EXPECT_EQ(PdoPower(M(), port), std::vector<std::string>({"query D3", "query S3", "set D3", "set S3"}));
  EXPECT_EQ(Ext()->systemPower, PowerSystemSleeping3);
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD3);
  EXPECT_EQ(M().power().reportedState(Fdo()), PowerDeviceD3);

  M().wake();
  // Waking, the system request goes first and the device follows it.
  EXPECT_EQ(PdoPower(M(), port),
            std::vector<std::string>({"query D3", "query S3", "set D3", "set S3", "set S0", "set D0"}));
  EXPECT_EQ(Ext()->systemPower, PowerSystemWorking);
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD0);
  EXPECT_EQ(M().power().reportedState(Fdo()), PowerDeviceD0);

  // Requests made by the driver are the device ones, each once.
  std::size_t requested = 0;
  for (const nt::PowerIrpRecord& r : M().power().history()) {
    if (r.requestedByDriver) {
      ++requested;
      EXPECT_EQ(r.type, DevicePowerState);
      EXPECT_TRUE(NT_SUCCESS(r.status));
    }
  }
  EXPECT_EQ(requested, 3u);
}

TEST_P(Power, TheDeviceWorksAfterWaking) {
  ScriptedDevice& device = NewDevice();
  PlugStarted(device);
  HANDLE h = Open();
  ASSERT_TRUE(M().sleep());
  M().wake();
  ExpectCommandAnswered(h, device);
}

TEST_P(Power, ADeviceRequestForTheStateItIsInGoesDownUnchanged) {
  ScriptedDevice& device = NewDevice();
  int port = PlugStarted(device);
  ASSERT_TRUE(M().sleep());
  std::size_t before = M().bus().powerRequests(port).size();
  {
    nt::KernelScope scope(&M().kernel());
    POWER_STATE d3;
    d3.DeviceState = PowerDeviceD3;
    ASSERT_EQ(PoRequestPowerIrp(M().bus().pdo(port), IRP_MN_SET_POWER, d3, IgnorePowerResult, nullptr, nullptr),
              STATUS_PENDING);
  }
  ASSERT_TRUE(M().power().waitIdle());
  std::vector<std::string> seen = PdoPower(M(), port);
  ASSERT_EQ(seen.size(), before + 1);
  EXPECT_EQ(seen.back(), "set D3");
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD3);
  M().wake();
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD0);
}

TEST_P(Power, AFailedDeviceQueryFailsTheSystemQueryBeforeItGoesDown) {
  ScriptedDevice& device = NewDevice();
  int port = PlugStarted(device);
  // The system query gets its context; the device query the driver asks for does not.
  M().kernel().pool().failNth(2, oru::kTagPowerContext);
  EXPECT_FALSE(M().sleep());
  M().kernel().pool().clearFailures();
  std::vector<std::string> seen = PdoPower(M(), port);
  EXPECT_TRUE(std::find(seen.begin(), seen.end(), "query S3") == seen.end());
  EXPECT_TRUE(std::find(seen.begin(), seen.end(), "set D3") == seen.end());
  EXPECT_EQ(Ext()->systemPower, PowerSystemWorking);
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD0);
  bool refused = false;
  for (const nt::PowerIrpRecord& r : M().power().history()) {
    if (!r.requestedByDriver && r.minor == IRP_MN_QUERY_POWER) refused = r.status == STATUS_INSUFFICIENT_RESOURCES;
  }
  EXPECT_TRUE(refused);
}

// Sleeps (or tries to) and checks the queries' results in the power history: the device query the driver asked for
// completed with `deviceQuery`, the system query succeeded exactly when the machine slept.
void ExpectSleepAfterDeviceQuery(platform::Machine& m, bool sleeps, NTSTATUS deviceQuery) {
  m.power().clearHistory();
  EXPECT_EQ(m.sleep(), sleeps);
  std::vector<NTSTATUS> deviceQueries, systemQueries;
  for (const nt::PowerIrpRecord& r : m.power().history()) {
    if (r.minor != IRP_MN_QUERY_POWER) continue;
    (r.requestedByDriver ? deviceQueries : systemQueries).push_back(r.status);
  }
  EXPECT_EQ(deviceQueries, std::vector<NTSTATUS>{deviceQuery});
  ASSERT_EQ(systemQueries.size(), 1u);
  EXPECT_EQ(NT_SUCCESS(systemQueries[0]), sleeps);
  if (sleeps) m.wake();
}

// "Invalid parameter" from a bus that does not know the device query counts as agreement, in the request's own status
// too, so the system query goes on.
TEST_P(Power, ADeviceQueryAnsweredInvalidParameterLetsTheMachineSleep) {
  usb::PlugOptions options;
  options.deviceQueryPowerStatus = STATUS_INVALID_PARAMETER;
  ScriptedDevice& device = NewDevice();
  int port = M().plug(device, options);
  ASSERT_EQ(M().device(port).state, nt::DevNodeState::Started);
  ExpectSleepAfterDeviceQuery(M(), true, STATUS_SUCCESS);
  EXPECT_EQ(PdoPower(M(), port),
            std::vector<std::string>({"query D3", "query S3", "set D3", "set S3", "set S0", "set D0"}));
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD0);
}

TEST_P(Power, ADeviceQueryRefusedOtherwiseKeepsTheMachineAwake) {
  usb::PlugOptions options;
  options.deviceQueryPowerStatus = STATUS_UNSUCCESSFUL;
  ScriptedDevice& device = NewDevice();
  int port = M().plug(device, options);
  ASSERT_EQ(M().device(port).state, nt::DevNodeState::Started);
  ExpectSleepAfterDeviceQuery(M(), false, STATUS_UNSUCCESSFUL);
  EXPECT_EQ(PdoPower(M(), port), std::vector<std::string>({"query D3"}));
  EXPECT_EQ(Ext()->systemPower, PowerSystemWorking);
  EXPECT_EQ(Ext()->devicePower, PowerDeviceD0);
}

INSTANTIATE_TEST_SUITE_P(Bus, Power, ::testing::Values(Completion::Inline, Completion::Deferred), CompletionName);

}  // namespace
}  // namespace drivertest
