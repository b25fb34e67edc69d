// The root bus through the Machine: root devices arrive, are served by their driver, persist in
// the root's state and come back at the next load; disabling, enabling, new ids, removal with and
// without a veto, and re-enumeration.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine/Machine.h"
#include "platform/machine/SetupStore.h"
#include "platform/nt/Irp.h"
#include "tests/platform/machine/RootTestDriver.h"

namespace {

using nt::DevNodeState;
using platform::DeviceRecord;
using platform::Machine;
using platform::RootEnumerator;

class TempRoot {
 public:
  TempRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-root-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = std::filesystem::path(pattern) / "machine";
  }
  ~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path.parent_path(), ec);
  }
  std::filesystem::path path;
};

DeviceRecord rootRecord(const std::string& id, const std::string& hardwareId = roottest::kHardwareId) {
  DeviceRecord r;
  r.instanceId = id;
  r.hardwareIds = {hardwareId};
  r.className = "RootTestClass";
  r.classGuid = "{5b0c3e21-44d2-4a7e-8f10-2c619e03a75d}";
  r.description = "root test node";
  return r;
}

class RootBus : public testing::Test {
 protected:
  void SetUp() override {
    roottest::rootTestLog().reset();
    start();
  }
  void TearDown() override { stop(); }

  void start() {
    platform::MachineOptions options;
    options.root = root.path;
    options.pnp.queryRemoveWaitMs = 50;
    machine = std::make_unique<Machine>(options);
    machine->installDriver(roottest::kHardwareId, roottest::kServiceName, roottest::RootTestDriverEntry);
  }
  void stop() {
    if (!machine) return;
    EXPECT_TRUE(machine->shutdown().empty()) << "the verifier found faults";
    machine.reset();
  }
  void reload() {
    stop();
    start();
  }
  DevNodeState stateOf(const std::string& id) {
    std::optional<Machine::DeviceNode> node = machine->deviceNode(id);
    return node && node->present ? node->state : DevNodeState::Deleted;
  }
  std::vector<UCHAR> minorsSince(std::size_t from) {
    std::vector<UCHAR> all = roottest::rootTestLog().minors();
    return std::vector<UCHAR>(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
  }

  TempRoot root;
  std::unique_ptr<Machine> machine;
};

TEST_F(RootBus, ACreatedDeviceArrivesIsStartedByItsDriverAndGivesTheNextFreeId) {
  const std::string id = machine->nextRootInstanceId("RootTestClass");
  EXPECT_EQ(id, "ROOT\\ROOTTESTCLASS\\0000");
  ASSERT_TRUE(machine->createRootDevice(rootRecord(id)));
  EXPECT_EQ(stateOf(id), DevNodeState::Started);
  EXPECT_EQ(roottest::rootTestLog().addDevices, 1);
  EXPECT_EQ(machine->pnp().enabledInterfaces(roottest::kRootTestInterface).size(), 1u);
  std::optional<Machine::DeviceNode> node = machine->deviceNode(id);
  ASSERT_TRUE(node);
  EXPECT_TRUE(node->rootEnumerated);
  EXPECT_EQ(node->record.service, roottest::kServiceName);
  EXPECT_EQ(node->record.className, "RootTestClass");  // kept although a direct install binds it

  // The id is taken now, by the record and by the PDO; "taken" adds ids of a set not yet registered.
  EXPECT_FALSE(machine->createRootDevice(rootRecord(id)));
  EXPECT_EQ(machine->nextRootInstanceId("roottestclass"), "ROOT\\ROOTTESTCLASS\\0001");
  EXPECT_EQ(machine->nextRootInstanceId("RootTestClass", {"root\\roottestclass\\0001"}), "ROOT\\ROOTTESTCLASS\\0002");
  EXPECT_FALSE(machine->createRootDevice(rootRecord("USB\\VID_1234&PID_5678\\1")));
  EXPECT_EQ(machine->rootBus().instanceIds(), std::vector<std::string>{id});
}

TEST_F(RootBus, RecordedRootDevicesComeBackAtTheNextLoad) {
  ASSERT_TRUE(machine->createRootDevice(rootRecord("ROOT\\ROOTTESTCLASS\\0000")));
  ASSERT_TRUE(machine->createRootDevice(rootRecord("ROOT\\OTHER\\0007", "ROOT\\NOBODY")));
  EXPECT_EQ(stateOf("ROOT\\OTHER\\0007"), DevNodeState::NoDriver);
  reload();
  EXPECT_EQ(machine->rootBus().instanceIds(),
            (std::vector<std::string>{"ROOT\\OTHER\\0007", "ROOT\\ROOTTESTCLASS\\0000"}));
  EXPECT_EQ(stateOf("ROOT\\ROOTTESTCLASS\\0000"), DevNodeState::Started);
  EXPECT_EQ(stateOf("ROOT\\OTHER\\0007"), DevNodeState::NoDriver);
  EXPECT_EQ(machine->deviceNode("ROOT\\OTHER\\0007")->record.description, "root test node");
}

// A load reads the state once, binds the recorded devices in one change and starts each without
// reading or writing the state again: the load is one pass however many devices it holds.
TEST_F(RootBus, ManyRecordedDevicesLoadInOnePassOverTheState) {
  constexpr int kDevices = 300;
  ASSERT_TRUE(machine->changeSetupState([](platform::SetupDatabase& db) {
    for (int i = 0; i < kDevices; ++i) {
      char id[32];
      std::snprintf(id, sizeof id, "ROOT\\ROOTTESTCLASS\\%04d", i);
      db.put(rootRecord(id));
    }
  }));
  stop();
  const std::size_t parsed = platform::StateFileParses();
  start();
  EXPECT_LE(platform::StateFileParses() - parsed, 2u);
  EXPECT_EQ(machine->rootBus().instanceIds().size(), static_cast<std::size_t>(kDevices));
  EXPECT_EQ(roottest::rootTestLog().addDevices, kDevices);
  EXPECT_EQ(stateOf("ROOT\\ROOTTESTCLASS\\0299"), DevNodeState::Started);
  EXPECT_EQ(machine->deviceNode("ROOT\\ROOTTESTCLASS\\0123")->record.service, roottest::kServiceName);
}

TEST_F(RootBus, DisableRemovesTheStackAndPersistsEnableStartsItAgain) {
  const std::string id = "ROOT\\ROOTTESTCLASS\\0000";
  ASSERT_TRUE(machine->createRootDevice(rootRecord(id)));
  std::size_t before = roottest::rootTestLog().minors().size();
  EXPECT_EQ(machine->disableDevice(id), Machine::StateChange::Done);
  EXPECT_EQ(minorsSince(before), (std::vector<UCHAR>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_REMOVE_DEVICE}));
  EXPECT_EQ(stateOf(id), DevNodeState::Removed);  // still present: a disabled device
  EXPECT_TRUE(machine->deviceNode(id)->record.disabled);
  EXPECT_TRUE(machine->pnp().enabledInterfaces(roottest::kRootTestInterface).empty());
  EXPECT_TRUE(machine->setupDevices().front().present);

  // Disabled across a load: the node is there without its driver, and a rescan leaves it so.
  reload();
  EXPECT_EQ(stateOf(id), DevNodeState::NoDriver);
  machine->reenumerate();
  EXPECT_EQ(stateOf(id), DevNodeState::NoDriver);
  EXPECT_EQ(roottest::rootTestLog().addDevices, 1);

  before = roottest::rootTestLog().minors().size();
  EXPECT_EQ(machine->enableDevice(id), Machine::StateChange::Done);
  EXPECT_EQ(stateOf(id), DevNodeState::Started);
  EXPECT_EQ(minorsSince(before).front(), IRP_MN_START_DEVICE);
  EXPECT_FALSE(machine->deviceNode(id)->record.disabled);
  EXPECT_EQ(machine->disableDevice("ROOT\\NONE\\0000"), Machine::StateChange::NoSuchDevice);
  EXPECT_EQ(machine->enableDevice("ROOT\\NONE\\0000"), Machine::StateChange::NoSuchDevice);
}

TEST_F(RootBus, AVetoedDisableKeepsTheDeviceRunningUntilTheNextLoad) {
  const std::string id = "ROOT\\ROOTTESTCLASS\\0000";
  ASSERT_TRUE(machine->createRootDevice(rootRecord(id)));
  roottest::rootTestLog().refuseQueryRemove = true;
  EXPECT_EQ(machine->disableDevice(id), Machine::StateChange::NeedsRestart);
  EXPECT_EQ(stateOf(id), DevNodeState::Started);
  EXPECT_TRUE(machine->deviceNode(id)->record.disabled);
  reload();
  EXPECT_EQ(stateOf(id), DevNodeState::NoDriver);
  EXPECT_TRUE(machine->deviceNode(id)->record.disabled);
}

TEST_F(RootBus, NewIdsAreAnsweredByThePdoAndBindAtTheNextEnumeration) {
  const std::string id = "ROOT\\OTHER\\0000";
  ASSERT_TRUE(machine->createRootDevice(rootRecord(id, "ROOT\\NOBODY")));
  EXPECT_EQ(stateOf(id), DevNodeState::NoDriver);
  ASSERT_TRUE(machine->changeDeviceRecord(id, [](DeviceRecord& r) {
    r.hardwareIds = {"ROOT\\NOBODY", roottest::kHardwareId};
    r.instanceId = "ROOT\\HIJACKED\\0000";  // the key cannot change
  }));
  EXPECT_EQ(machine->rootBus().hardwareIds(machine->rootBus().find(id)),
            (std::vector<std::string>{"ROOT\\NOBODY", roottest::kHardwareId}));
  EXPECT_FALSE(machine->deviceNode("ROOT\\HIJACKED\\0000"));
  machine->reenumerate(id);
  EXPECT_EQ(stateOf(id), DevNodeState::Started);
  EXPECT_EQ(machine->deviceNode(id)->record.hardwareIds.size(), 2u);
  EXPECT_FALSE(machine->changeDeviceRecord("ROOT\\NONE\\0000", [](DeviceRecord&) {}));
}

TEST_F(RootBus, RebindRestartsMatchingNodesAndReportsAVeto) {
  ASSERT_TRUE(machine->createRootDevice(rootRecord("ROOT\\ROOTTESTCLASS\\0000")));
  ASSERT_TRUE(machine->createRootDevice(rootRecord("ROOT\\ROOTTESTCLASS\\0001")));
  ASSERT_TRUE(machine->createRootDevice(rootRecord("ROOT\\OTHER\\0000", "ROOT\\NOBODY")));
  std::size_t before = roottest::rootTestLog().minors().size();
  Machine::Rebind rebind = machine->rebindDevices("root\\roottest");
  EXPECT_EQ(rebind.matched, 2u);
  EXPECT_FALSE(rebind.needsRestart);
  std::vector<UCHAR> seen = minorsSince(before);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), IRP_MN_REMOVE_DEVICE), 2);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), IRP_MN_START_DEVICE), 2);
  EXPECT_EQ(stateOf("ROOT\\ROOTTESTCLASS\\0001"), DevNodeState::Started);

  roottest::rootTestLog().refuseQueryRemove = true;
  rebind = machine->rebindDevices(roottest::kHardwareId);
  EXPECT_EQ(rebind.matched, 2u);
  EXPECT_TRUE(rebind.needsRestart);
  EXPECT_EQ(stateOf("ROOT\\ROOTTESTCLASS\\0000"), DevNodeState::Started);
  EXPECT_EQ(machine->rebindDevices("ROOT\\NOTHING").matched, 0u);
}

TEST_F(RootBus, RemovalDeletesThePdoAndAVetoedOneHappensAtTheNextLoad) {
  ASSERT_TRUE(machine->createRootDevice(rootRecord("ROOT\\ROOTTESTCLASS\\0000")));
  ASSERT_TRUE(machine->createRootDevice(rootRecord("ROOT\\ROOTTESTCLASS\\0001")));
  EXPECT_EQ(machine->removeDevice("ROOT\\ROOTTESTCLASS\\0000"), Machine::DeviceRemoval::Removed);
  EXPECT_EQ(machine->rootBus().instanceIds(), std::vector<std::string>{"ROOT\\ROOTTESTCLASS\\0001"});
  EXPECT_FALSE(machine->deviceNode("ROOT\\ROOTTESTCLASS\\0000"));

  roottest::rootTestLog().refuseQueryRemove = true;
  EXPECT_EQ(machine->removeDevice("ROOT\\ROOTTESTCLASS\\0001"), Machine::DeviceRemoval::NeedsRestart);
  EXPECT_EQ(stateOf("ROOT\\ROOTTESTCLASS\\0001"), DevNodeState::Started);
  roottest::rootTestLog().refuseQueryRemove = false;
  reload();
  EXPECT_TRUE(machine->rootBus().instanceIds().empty());
  EXPECT_TRUE(machine->setupDevices().empty());
}

TEST_F(RootBus, ARestartRequestIsSavedAndTheNextLoadCarriesItOut) {
  EXPECT_FALSE(machine->restartRequested());
  ASSERT_TRUE(machine->requestRestart());
  EXPECT_TRUE(machine->restartRequested());
  reload();
  EXPECT_FALSE(machine->restartRequested());
}

TEST_F(RootBus, AFailedStartIsNotRetriedByARescan) {
  roottest::rootTestLog().failStart = true;
  const std::string id = "ROOT\\ROOTTESTCLASS\\0000";
  ASSERT_TRUE(machine->createRootDevice(rootRecord(id)));
  EXPECT_EQ(stateOf(id), DevNodeState::StartFailed);
  machine->reenumerate();
  EXPECT_EQ(stateOf(id), DevNodeState::StartFailed);
  // Enabling does retry it.
  EXPECT_EQ(machine->enableDevice(id), Machine::StateChange::Done);
  EXPECT_EQ(stateOf(id), DevNodeState::Started);
}

struct IdCase {
  const char* id;
  bool root;
};

class RootIds : public testing::TestWithParam<IdCase> {};

TEST_P(RootIds, OnlyRootClassAndDigitsIsARootInstanceId) {
  EXPECT_EQ(RootEnumerator::IsRootInstanceId(GetParam().id), GetParam().root) << GetParam().id;
}

INSTANTIATE_TEST_SUITE_P(Table, RootIds,
                         testing::Values(IdCase{"ROOT\\ORUPC\\0000", true}, IdCase{"root\\x\\12345", true},
                                         IdCase{"ROOT\\ORUPC\\", false}, IdCase{"ROOT\\\\0000", false},
                                         IdCase{"ROOT\\ORUPC\\00a0", false}, IdCase{"ROOT\\A B\\0000", false},
                                         IdCase{"ROOT\\A,B\\0000", false}, IdCase{"ROOT\\A\\B\\0000", false},
                                         IdCase{"USB\\VID_0452&PID_0201\\1", false}, IdCase{"ROOT", false}));

}  // namespace
