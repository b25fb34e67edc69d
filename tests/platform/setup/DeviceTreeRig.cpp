#include "tests/platform/setup/DeviceTreeRig.h"

namespace setuptest {

void DeviceTree::SetUp() {
  roottest::rootTestLog().reset();
  setup::ClearFailures();
  setup::ResetShutdownPrivilege();
  root = files.path() / "machine";
  start();
}

void DeviceTree::TearDown() {
  if (rig) {
    EXPECT_TRUE(rig->shutdown()) << "the verifier found faults";
  }
  rig.reset();
  setup::ClearFailures();
  EXPECT_EQ(setup::OpenDeviceInfoSets(), 0u);
  EXPECT_EQ(setup::OpenMachineHandles(), 0u);
  EXPECT_EQ(setup::OpenTokenHandles(), 0u);
}

void DeviceTree::start(RigOptions options) {
  options.queryRemoveWaitMs = 100;
  rig = std::make_unique<SetupRig>(root, options);
  rig->machine().installDriver(roottest::kServiceName, roottest::RootTestDriverEntry);
}

void DeviceTree::reload(RigOptions options) {
  if (rig) {
    EXPECT_TRUE(rig->shutdown());
  }
  rig.reset();
  start(options);
}

std::string DeviceTree::writeInf(const std::string& name, const std::string& text) {
  std::filesystem::path path = files.path() / name;
  WriteBytes(path, text);
  return path.string();
}

std::string DeviceTree::createAndRegister(const std::string& inf, const std::string& hardwareId) {
  char full[MAX_PATH];
  LPSTR part = nullptr;
  DWORD length = GetFullPathNameA(inf.c_str(), sizeof full, full, &part);
  EXPECT_GT(length, 0u);
  EXPECT_LT(length, sizeof full);
  EXPECT_NE(GetFileAttributesA(full), INVALID_FILE_ATTRIBUTES);
  GUID guid{};
  char className[64];
  if (!SetupDiGetINFClassA(full, &guid, className, sizeof className, nullptr)) {
    ADD_FAILURE() << "SetupDiGetINFClassA: " << GetLastError();
    return {};
  }
  HDEVINFO set = SetupDiCreateDeviceInfoList(&guid, nullptr);
  EXPECT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  std::string id;
  if (SetupDiCreateDeviceInfoA(set, className, &guid, nullptr, nullptr, DICD_GENERATE_ID, &data)) {
    std::string ids = hardwareId + std::string(2, '\0');
    EXPECT_TRUE(SetupDiSetDeviceRegistryPropertyA(
        set, &data, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids.data()), static_cast<DWORD>(ids.size())));
    EXPECT_TRUE(SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &data)) << GetLastError();
    char text[200];
    EXPECT_TRUE(SetupDiGetDeviceInstanceIdA(set, &data, text, sizeof text, nullptr));
    id = text;
  } else {
    ADD_FAILURE() << "SetupDiCreateDeviceInfoA: " << GetLastError();
  }
  SetupDiDestroyDeviceInfoList(set);
  return id;
}

bool DeviceTree::changeState(const std::string& instanceId, DWORD stateChange, DWORD& flags) {
  HDEVINFO set = SetupDiCreateDeviceInfoListExA(nullptr, nullptr, nullptr, nullptr);
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  bool ok = false;
  flags = 0;
  if (SetupDiOpenDeviceInfoA(set, instanceId.c_str(), nullptr, 0, &data)) {
    SP_PROPCHANGE_PARAMS params{};
    params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    params.StateChange = stateChange;
    params.Scope = DICS_FLAG_GLOBAL;
    EXPECT_TRUE(SetupDiSetClassInstallParamsA(set, &data, &params.ClassInstallHeader, sizeof params));
    ok = SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, &data);
    SP_DEVINSTALL_PARAMS_A install{};
    install.cbSize = sizeof install;
    EXPECT_TRUE(SetupDiGetDeviceInstallParamsA(set, &data, &install));
    flags = install.Flags;
  }
  SetupDiDestroyDeviceInfoList(set);
  return ok;
}

CONFIGRET DeviceTree::status(const std::string& instanceId, ULONG& bits, ULONG& problem) {
  std::string id = instanceId;
  DEVINST node = 0;
  CONFIGRET result = CM_Locate_DevNode_ExA(&node, id.data(), CM_LOCATE_DEVNODE_PHANTOM, nullptr);
  if (result != CR_SUCCESS) return result;
  return CM_Get_DevNode_Status_Ex(&bits, &problem, node, 0, nullptr);
}

}  // namespace setuptest
