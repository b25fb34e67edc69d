#pragma once

// The setup rig with the root test driver registered under its service name, a test INF whose
// model serves "ROOT\ROOTTEST" through that service, and the setup calls the console makes,
// step by step. Every test ends with no set, machine handle or token left open.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/setup/ConfigManager.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/FileNames.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupInstall.h"
#include "platform/setup/SystemShutdown.h"
#include "platform/win32/LastError.h"
#include "tests/platform/machine/RootTestDriver.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {

inline constexpr const char* kRootTestInf = R"([Version]
Signature = "$Windows NT$"
Class     = RootTestClass
ClassGuid = {5B0C3E21-44D2-4A7E-8F10-2C619E03A75D}
Provider  = %Provider%
DriverVer = 12/09/2026,1.0.0.0

[Manufacturer]
%Provider% = Tests, NTamd64

[Tests.NTamd64]
%Desc% = RootTest_Install, ROOT\ROOTTEST

[RootTest_Install.NTamd64.Services]
AddService = RootTest, 0x00000002, RootTest_Service

[RootTest_Service]
ServiceType = 1

[Strings]
Provider = "Quorlan tests"
Desc     = "Root test node"
)";

class DeviceTree : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void start(RigOptions options = {});
  void reload(RigOptions options = {});
  platform::Machine& machine() { return rig->machine(); }
  // The test INF written under the test's folder; its path.
  std::string writeInf(const std::string& name = "roottest.inf", const std::string& text = kRootTestInf);

  // The "install" steps up to the registration: full path, attributes, class, a new element with
  // DICD_GENERATE_ID and the hardware id, DIF_REGISTERDEVICE. The new instance id.
  std::string createAndRegister(const std::string& inf, const std::string& hardwareId);
  // DIF_PROPERTYCHANGE on a device; the call's result and the install flags it left.
  bool changeState(const std::string& instanceId, DWORD stateChange, DWORD& flags);
  // CM_Locate_DevNode_ExA (phantoms too) and CM_Get_DevNode_Status_Ex.
  CONFIGRET status(const std::string& instanceId, ULONG& bits, ULONG& problem);

  TempDir files;
  std::filesystem::path root;
  std::unique_ptr<SetupRig> rig;
};

}  // namespace setuptest
