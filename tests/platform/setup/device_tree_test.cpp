// The device tree through the setup calls, as the console's commands drive them: install on the
// root bus and driver update, disable / enable / restart of a root node and of the instrument,
// re-enumeration, the node status, and the restart that carries out pending removals.

#include <algorithm>
#include <vector>

#include "driver/OruInterface.h"
#include "platform/win32/Win32.h"
#include "tests/platform/setup/DeviceTreeRig.h"

namespace setuptest {
namespace {

std::vector<UCHAR> minorsSince(std::size_t from) {
  std::vector<UCHAR> all = roottest::rootTestLog().minors();
  return std::vector<UCHAR>(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
}

TEST_F(DeviceTree, InstallCreatesARootNodeThatUpdateBindsAndAReloadStartsAgain) {
  const std::string inf = writeInf();
  const std::string id = createAndRegister(inf, roottest::kHardwareId);
  EXPECT_EQ(id, "ROOT\\ROOTTESTCLASS\\0000");
  ULONG bits = 0, problem = 0;
  // Registered and present, but no stored package serves it yet.
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_HAS_PROBLEM | DN_STARTED | DN_ROOT_ENUMERATED), DN_HAS_PROBLEM | DN_ROOT_ENUMERATED);
  EXPECT_EQ(problem, CM_PROB_FAILED_INSTALL);

  BOOL reboot = TRUE;
  ASSERT_TRUE(UpdateDriverForPlugAndPlayDevicesA(nullptr, roottest::kHardwareId, inf.c_str(), 0, &reboot))
      << GetLastError();
  EXPECT_FALSE(reboot);
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_HAS_PROBLEM | DN_STARTED), DN_STARTED);
  EXPECT_EQ(problem, 0u);
  platform::DeviceRecord record = machine().deviceNode(id)->record;
  EXPECT_EQ(record.driverKey.infPath, "oem0.inf");
  EXPECT_EQ(record.driverKey.providerName, "Quorlan tests");
  EXPECT_EQ(record.service, roottest::kServiceName);
  EXPECT_EQ(record.className, "RootTestClass");
  EXPECT_EQ(machine().pnp().enabledInterfaces(roottest::kRootTestInterface).size(), 1u);

  // A second install finds the package stored: its node starts at once, under the next id.
  EXPECT_EQ(createAndRegister(inf, roottest::kHardwareId), "ROOT\\ROOTTESTCLASS\\0001");
  EXPECT_EQ(machine().pnp().enabledInterfaces(roottest::kRootTestInterface).size(), 2u);
  EXPECT_EQ(machine().driverPackageCount(), 1u);

  reload();
  for (const char* each : {"ROOT\\ROOTTESTCLASS\\0000", "ROOT\\ROOTTESTCLASS\\0001"}) {
    ASSERT_EQ(status(each, bits, problem), CR_SUCCESS) << each;
    EXPECT_TRUE(bits & DN_STARTED) << each;
  }
}

TEST_F(DeviceTree, UpdateFailsWithoutAMatchingDeviceOrDriverAndReportsAVeto) {
  const std::string inf = writeInf();
  BOOL reboot = FALSE;
  EXPECT_FALSE(UpdateDriverForPlugAndPlayDevicesA(nullptr, roottest::kHardwareId, inf.c_str(), 0, &reboot));
  EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_DEVINST);
  EXPECT_EQ(machine().driverPackageCount(), 0u);  // nothing stored for nobody

  const std::string id = createAndRegister(inf, roottest::kHardwareId);
  EXPECT_FALSE(UpdateDriverForPlugAndPlayDevicesA(nullptr, "ROOT\\ELSE", inf.c_str(), 0, &reboot));
  EXPECT_EQ(GetLastError(), ERROR_NO_DRIVER_SELECTED);
  EXPECT_FALSE(UpdateDriverForPlugAndPlayDevicesA(nullptr, roottest::kHardwareId, (inf + ".gone").c_str(), 0, &reboot));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(UpdateDriverForPlugAndPlayDevicesA(nullptr, roottest::kHardwareId, inf.c_str(), 0x8, &reboot));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
  const std::string garbage = writeInf("garbage.inf", "no sections here\n");
  EXPECT_FALSE(UpdateDriverForPlugAndPlayDevicesA(nullptr, roottest::kHardwareId, garbage.c_str(), 0, &reboot));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);

  ASSERT_TRUE(UpdateDriverForPlugAndPlayDevicesA(nullptr, "root\\roottest", inf.c_str(), INSTALLFLAG_FORCE, &reboot));
  EXPECT_FALSE(reboot);
  // The driver refuses the removal: the node keeps running and a restart is needed.
  roottest::rootTestLog().refuseQueryRemove = true;
  std::size_t before = roottest::rootTestLog().minors().size();
  ASSERT_TRUE(UpdateDriverForPlugAndPlayDevicesA(nullptr, roottest::kHardwareId, inf.c_str(), 0, &reboot));
  EXPECT_TRUE(reboot);
  EXPECT_EQ(minorsSince(before), (std::vector<UCHAR>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_CANCEL_REMOVE_DEVICE}));
  ULONG bits = 0, problem = 0;
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_TRUE(bits & DN_STARTED);
}

TEST_F(DeviceTree, DisableEnableAndRestartOfARootNode) {
  const std::string inf = writeInf();
  ASSERT_TRUE(SetupCopyOEMInfA(inf.c_str(), nullptr, SPOST_PATH, 0, nullptr, 0, nullptr, nullptr));
  const std::string id = createAndRegister(inf, roottest::kHardwareId);
  ULONG bits = 0, problem = 0;
  DWORD flags = 0;

  std::size_t before = roottest::rootTestLog().minors().size();
  ASSERT_TRUE(changeState(id, DICS_DISABLE, flags)) << GetLastError();
  EXPECT_EQ(flags & (DI_NEEDRESTART | DI_NEEDREBOOT), 0u);
  EXPECT_EQ(minorsSince(before), (std::vector<UCHAR>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_REMOVE_DEVICE}));
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_HAS_PROBLEM | DN_STARTED), DN_HAS_PROBLEM);
  EXPECT_EQ(problem, CM_PROB_DISABLED);
  // Disabled devices are still present ones.
  HDEVINFO present =
      SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT, nullptr, nullptr, nullptr);
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  EXPECT_TRUE(SetupDiOpenDeviceInfoA(present, id.c_str(), nullptr, 0, &data));
  SetupDiDestroyDeviceInfoList(present);

  before = roottest::rootTestLog().minors().size();
  ASSERT_TRUE(changeState(id, DICS_ENABLE, flags));
  EXPECT_EQ(minorsSince(before).front(), IRP_MN_START_DEVICE);
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_HAS_PROBLEM | DN_STARTED), DN_STARTED);

  before = roottest::rootTestLog().minors().size();
  ASSERT_TRUE(changeState(id, DICS_PROPCHANGE, flags));
  std::vector<UCHAR> restart = minorsSince(before);
  ASSERT_GE(restart.size(), 3u);
  EXPECT_EQ(std::vector<UCHAR>(restart.begin(), restart.begin() + 3),
            (std::vector<UCHAR>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_REMOVE_DEVICE, IRP_MN_START_DEVICE}));
  EXPECT_EQ(roottest::rootTestLog().addDevices, 3);

  // A veto: the device keeps running, the restart-needed flag comes back.
  roottest::rootTestLog().refuseQueryRemove = true;
  ASSERT_TRUE(changeState(id, DICS_PROPCHANGE, flags));
  EXPECT_TRUE(flags & DI_NEEDRESTART);
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_STARTED | DN_NEED_RESTART), DN_STARTED);  // enabled again at once
  ASSERT_TRUE(changeState(id, DICS_DISABLE, flags));
  EXPECT_TRUE(flags & DI_NEEDRESTART);
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_STARTED | DN_NEED_RESTART), DN_STARTED | DN_NEED_RESTART);
  // ... and after the restart it stays off.
  roottest::rootTestLog().refuseQueryRemove = false;
  reload();
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(problem, CM_PROB_DISABLED);
}

TEST_F(DeviceTree, TheInstrumentClosesOnQueryRemoveIsDisabledAndOpensAgainWhenEnabled) {
  reload(RigOptions{.storeProgramInf = true});
  ASSERT_NE(rig->plugInstrument(), 0);
  const std::string id = machine().setupDevices().front().record.instanceId;
  DWORD flags = 0;
  ULONG bits = 0, problem = 0;

  // An open handle that nobody closes vetoes the removal.
  HANDLE held = CreateFile(oru::kUserPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(changeState(id, DICS_DISABLE, flags));
  EXPECT_TRUE(flags & DI_NEEDRESTART);
  CloseHandle(held);
  ASSERT_TRUE(changeState(id, DICS_ENABLE, flags));  // takes the saved flag back

  ASSERT_TRUE(changeState(id, DICS_DISABLE, flags));
  EXPECT_EQ(flags & DI_NEEDRESTART, 0u);
  EXPECT_EQ(CreateFile(oru::kUserPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(problem, CM_PROB_DISABLED);
  EXPECT_EQ(bits & DN_STARTED, 0u);

  ASSERT_TRUE(changeState(id, DICS_ENABLE, flags));
  HANDLE again = CreateFile(oru::kUserPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_STARTED | DN_HAS_PROBLEM | DN_REMOVABLE), DN_STARTED | DN_REMOVABLE);

  // Unplugged, the recorded device is absent.
  machine().unplug(1);
  EXPECT_EQ(status(id, bits, problem), CR_NO_SUCH_DEVINST);
}

TEST_F(DeviceTree, RescanBindsANodeWhosePackageArrivedAndBringsBackARemovedOne) {
  ASSERT_NE(rig->plugInstrument(), 0);
  const std::string id = machine().setupDevices().front().record.instanceId;
  ULONG bits = 0, problem = 0;
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(problem, CM_PROB_FAILED_INSTALL);
  ASSERT_TRUE(SetupCopyOEMInfA(SourceInf().c_str(), nullptr, SPOST_PATH, 0, nullptr, 0, nullptr, nullptr));
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(problem, CM_PROB_FAILED_INSTALL);  // nothing binds before the rescan

  HMACHINE handle = nullptr;
  ASSERT_EQ(CM_Connect_MachineA(nullptr, &handle), CR_SUCCESS);
  EXPECT_EQ(setup::OpenMachineHandles(), 1u);
  DEVINST rootNode = 0;
  ASSERT_EQ(CM_Locate_DevNode_ExA(&rootNode, nullptr, CM_LOCATE_DEVNODE_NORMAL, handle), CR_SUCCESS);
  EXPECT_EQ(rootNode, setup::RootDevInst());
  ASSERT_EQ(CM_Reenumerate_DevNode_Ex(rootNode, 0, handle), CR_SUCCESS);
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_STARTED | DN_HAS_PROBLEM), DN_STARTED);

  // Removed through setup, the plugged device comes back with the next rescan.
  HDEVINFO set = SetupDiCreateDeviceInfoListExA(nullptr, nullptr, nullptr, nullptr);
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, id.c_str(), nullptr, 0, &data));
  SP_REMOVEDEVICE_PARAMS remove{{sizeof(SP_CLASSINSTALL_HEADER), DIF_REMOVE}, DI_REMOVEDEVICE_GLOBAL, 0};
  ASSERT_TRUE(SetupDiSetClassInstallParamsA(set, &data, &remove.ClassInstallHeader, sizeof remove));
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, set, &data));
  SetupDiDestroyDeviceInfoList(set);
  EXPECT_EQ(status(id, bits, problem), CR_NO_SUCH_DEVNODE);
  ASSERT_EQ(CM_Reenumerate_DevNode_Ex(rootNode, CM_REENUMERATE_SYNCHRONOUS, handle), CR_SUCCESS);
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_TRUE(bits & DN_STARTED);
  EXPECT_EQ(CM_Disconnect_Machine(handle), CR_SUCCESS);
  EXPECT_EQ(CM_Disconnect_Machine(handle), CR_INVALID_POINTER);  // once only
}

TEST_F(DeviceTree, RebootRecordsTheRestartAndTheNextLoadCarriesOutThePendingRemoval) {
  const std::string inf = writeInf();
  ASSERT_TRUE(SetupCopyOEMInfA(inf.c_str(), nullptr, SPOST_PATH, 0, nullptr, 0, nullptr, nullptr));
  const std::string id = createAndRegister(inf, roottest::kHardwareId);
  roottest::rootTestLog().refuseQueryRemove = true;
  EXPECT_EQ(machine().removeDevice(id), platform::Machine::DeviceRemoval::NeedsRestart);

  char local[] = "";
  EXPECT_FALSE(InitiateSystemShutdownExA(nullptr, nullptr, 0, FALSE, TRUE, 0x80010002));
  EXPECT_EQ(GetLastError(), ERROR_PRIVILEGE_NOT_HELD);
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  EXPECT_EQ(setup::OpenTokenHandles(), 1u);
  TOKEN_PRIVILEGES privileges{};
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(CloseHandle(token));

  EXPECT_FALSE(machine().restartRequested());
  ASSERT_TRUE(InitiateSystemShutdownExA(local, nullptr, 0, FALSE, TRUE, 0x80010002));
  EXPECT_TRUE(machine().restartRequested());
  EXPECT_FALSE(InitiateSystemShutdownExA(nullptr, nullptr, 0, FALSE, TRUE, 0x80010002));
  EXPECT_EQ(GetLastError(), ERROR_SHUTDOWN_IN_PROGRESS);
  ULONG bits = 0, problem = 0;
  ASSERT_EQ(status(id, bits, problem), CR_SUCCESS);
  EXPECT_EQ(bits & (DN_STARTED | DN_WILL_BE_REMOVED), DN_STARTED | DN_WILL_BE_REMOVED);

  roottest::rootTestLog().refuseQueryRemove = false;
  reload();
  EXPECT_FALSE(machine().restartRequested());
  EXPECT_EQ(status(id, bits, problem), CR_NO_SUCH_DEVNODE);
  EXPECT_TRUE(machine().rootBus().instanceIds().empty());
}

}  // namespace
}  // namespace setuptest
