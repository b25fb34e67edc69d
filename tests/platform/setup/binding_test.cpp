// Binding: a node gets its driver from a stored package's model and the image registered under
// the model's service; the direct install still binds; the node's ids have the bus's form.

#include <gtest/gtest.h>

#include "driver/install/OruDriverStore.h"
#include "platform/win32/DeviceIo.h"
#include "platform/win32/HandleTable.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {
namespace {

constexpr char kInstance[] = "USB\\VID_0452&PID_0201\\ORU14400-000001";

platform::DeviceRecord recordOf(platform::Machine& machine, const std::string& instanceId) {
  for (const auto& d : machine.setupDevices()) {
    if (d.record.instanceId == instanceId) return d.record;
  }
  ADD_FAILURE() << "no record of " << instanceId;
  return {};
}

HANDLE openInstrument() {
  return CreateFile("\\\\.\\ORU14400_0", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(Binding, TheInstrumentBindsFromTheStoredPackage) {
  SetupRig rig({.storeProgramInf = true});
  int port = rig.plugInstrument();
  ASSERT_NE(port, 0);
  nt::DevNodeInfo node = rig.machine().device(port);
  EXPECT_EQ(node.state, nt::DevNodeState::Started);
  EXPECT_NE(node.driver, nullptr);
  EXPECT_EQ(nt::narrow(node.instanceId), kInstance);
  ASSERT_EQ(node.hardwareIds.size(), 2u);
  EXPECT_EQ(nt::narrow(node.hardwareIds[1]), "USB\\VID_0452&PID_0201");
  EXPECT_EQ(nt::narrow(node.hardwareIds[0]).rfind("USB\\VID_0452&PID_0201&REV_", 0), 0u);
  ASSERT_EQ(node.compatibleIds.size(), 3u);
  const std::string compat = nt::narrow(node.compatibleIds[0]);
  EXPECT_EQ(compat.rfind("USB\\Class_", 0), 0u);
  EXPECT_EQ(compat.size(), std::string("USB\\Class_ff&SubClass_00&Prot_00").size());
  EXPECT_EQ(nt::narrow(node.compatibleIds[1]), compat.substr(0, compat.find("&Prot_")));
  EXPECT_EQ(nt::narrow(node.compatibleIds[2]), compat.substr(0, compat.find("&SubClass_")));

  platform::DeviceRecord r = recordOf(rig.machine(), kInstance);
  EXPECT_EQ(r.service, "ORUpc");
  EXPECT_EQ(r.className, "ORUpc");
  EXPECT_EQ(r.driverKey.infPath, "oem0.inf");
  EXPECT_EQ(r.driverKey.providerName, "Pelgrave, Inc.");
  EXPECT_EQ(r.driverKey.infSection, "ORUpc_Install");
  EXPECT_EQ(r.driverKey.driverDesc, "ORU14400 telephone-line instrument");
  EXPECT_EQ(r.compatibleIds.size(), 3u);

  HANDLE h = openInstrument();
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

TEST(Binding, AServiceWithoutAnImageLeavesTheNodeWithoutADriver) {
  SetupRig rig({.registerImage = false, .storeProgramInf = true});
  int port = rig.plugInstrument();
  ASSERT_NE(port, 0);
  EXPECT_EQ(rig.machine().device(port).state, nt::DevNodeState::NoDriver);
  EXPECT_EQ(rig.machine().device(port).driver, nullptr);
  EXPECT_EQ(recordOf(rig.machine(), kInstance).service, "ORUpc");  // bound, but nothing to load
  EXPECT_EQ(openInstrument(), INVALID_HANDLE_VALUE);
}

TEST(Binding, AnotherProductGetsNoDriverFromThePackage) {
  SetupRig rig({.storeProgramInf = true});
  int port = rig.plugInstrument(0x0202);
  ASSERT_NE(port, 0);
  EXPECT_EQ(rig.machine().device(port).state, nt::DevNodeState::NoDriver);
  platform::DeviceRecord r = recordOf(rig.machine(), "USB\\VID_0452&PID_0202\\ORU14400-000001");
  EXPECT_TRUE(r.service.empty());
  EXPECT_TRUE(r.driverKey.infPath.empty());
}

TEST(Binding, AMachineWithoutARootStillBindsThroughTheDirectInstall) {
  SetupRig rig({.withRoot = false, .registerImage = false});
  oru::InstallDriver(rig.machine());
  int port = rig.plugInstrument();
  ASSERT_NE(port, 0);
  EXPECT_EQ(rig.machine().device(port).state, nt::DevNodeState::Started);
  platform::DeviceRecord r = recordOf(rig.machine(), kInstance);
  EXPECT_EQ(r.service, "ORUpc");
  EXPECT_EQ(r.driverKey.infSection, "ORUpc");
  EXPECT_TRUE(r.driverKey.infPath.empty());
  EXPECT_TRUE(rig.root().empty());
}

}  // namespace
}  // namespace setuptest
