// The device-tree calls one by one: node status bits by state, new elements and their errors,
// hardware ids written and saved, the configuration manager's argument checks, file names, the
// token calls, and the failure hook on each call.

#include <unistd.h>

#include <functional>
#include <vector>

#include "platform/win32/Win32.h"
#include "tests/platform/setup/DeviceTreeRig.h"

namespace setuptest {
namespace {

using nt::DevNodeState;

struct StatusCase {
  const char* name;
  DevNodeState state;
  bool disabled;
  bool pendingRemoval;
  bool root;
  unsigned reported;
  ULONG bits;
  ULONG problem;
};

class NodeStatusTable : public testing::TestWithParam<StatusCase> {};

TEST_P(NodeStatusTable, BitsAndProblemFollowTheNodesState) {
  const StatusCase& c = GetParam();
  platform::Machine::DeviceNode node;
  node.present = true;
  node.state = c.state;
  node.rootEnumerated = c.root;
  node.record.disabled = c.disabled;
  node.record.pendingRemoval = c.pendingRemoval;
  node.record.reportedProblem = c.reported;
  ULONG bits = 0, problem = 0;
  setup::NodeStatus(node, bits, problem);
  EXPECT_EQ(bits, c.bits);
  EXPECT_EQ(problem, c.problem);
}

constexpr ULONG kRunning = DN_DRIVER_LOADED | DN_STARTED | DN_DISABLEABLE;

INSTANTIATE_TEST_SUITE_P(
    States, NodeStatusTable,
    testing::Values(
        StatusCase{"Started", DevNodeState::Started, false, false, false, 0, DN_REMOVABLE | kRunning, 0},
        StatusCase{"StartedRoot", DevNodeState::Started, false, false, true, 0, DN_ROOT_ENUMERATED | kRunning, 0},
        StatusCase{"QueryStopped", DevNodeState::QueryStopped, false, false, true, 0, DN_ROOT_ENUMERATED | kRunning, 0},
        StatusCase{"DisableVetoed", DevNodeState::Started, true, false, true, 0,
                   DN_ROOT_ENUMERATED | kRunning | DN_NEED_RESTART, 0},
        StatusCase{"RemovalPending", DevNodeState::Started, false, true, false, 0,
                   DN_REMOVABLE | kRunning | DN_NEED_RESTART | DN_WILL_BE_REMOVED, 0},
        StatusCase{"Disabled", DevNodeState::Removed, true, false, true, 0,
                   DN_ROOT_ENUMERATED | DN_DISABLEABLE | DN_HAS_PROBLEM, CM_PROB_DISABLED},
        StatusCase{"DisabledAtLoad", DevNodeState::NoDriver, true, false, false, 0,
                   DN_REMOVABLE | DN_DISABLEABLE | DN_HAS_PROBLEM, CM_PROB_DISABLED},
        StatusCase{"StartFailed", DevNodeState::StartFailed, false, false, false, 0, DN_REMOVABLE | DN_HAS_PROBLEM,
                   CM_PROB_FAILED_START},
        StatusCase{"NoDriver", DevNodeState::NoDriver, false, false, true, 0, DN_ROOT_ENUMERATED | DN_HAS_PROBLEM,
                   CM_PROB_FAILED_INSTALL},
        StatusCase{"AddFailed", DevNodeState::AddFailed, false, false, true, 0, DN_ROOT_ENUMERATED | DN_HAS_PROBLEM,
                   CM_PROB_FAILED_ADD},
        StatusCase{"ReportedWhileRunning", DevNodeState::Started, false, false, false, CM_PROB_HARDWARE_DISABLED,
                   DN_REMOVABLE | kRunning | DN_HAS_PROBLEM, CM_PROB_HARDWARE_DISABLED},
        StatusCase{"DisabledOverReported", DevNodeState::Removed, true, false, true, CM_PROB_HARDWARE_DISABLED,
                   DN_ROOT_ENUMERATED | DN_DISABLEABLE | DN_HAS_PROBLEM, CM_PROB_DISABLED},
        StatusCase{"RemovedNotStarted", DevNodeState::Removed, false, false, true, 0, DN_ROOT_ENUMERATED, 0}),
    [](const testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

TEST(NodeStatus, APrivateProblemIsItsOwnBit) {
  platform::Machine::DeviceNode node;
  node.present = true;
  node.state = DevNodeState::Started;
  node.record.privateProblem = true;
  ULONG bits = 0, problem = 0;
  setup::NodeStatus(node, bits, problem);
  EXPECT_EQ(bits & (DN_PRIVATE_PROBLEM | DN_HAS_PROBLEM), DN_PRIVATE_PROBLEM);
  EXPECT_EQ(problem, 0u);
}

TEST_F(DeviceTree, NewElementsCheckTheirNameClassAndIdAndWaitForRegistration) {
  const std::string inf = writeInf();
  GUID guid{};
  char className[64];
  ASSERT_TRUE(SetupDiGetINFClassA(inf.c_str(), &guid, className, sizeof className, nullptr));
  EXPECT_STREQ(className, "RootTestClass");
  EXPECT_EQ(setup::GuidText(guid), "{5b0c3e21-44d2-4a7e-8f10-2c619e03a75d}");
  DWORD needed = 0;
  EXPECT_FALSE(SetupDiGetINFClassA(inf.c_str(), &guid, className, 4, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(needed, 14u);
  const std::string noClass = writeInf("noclass.inf", "[Version]\nSignature=\"$Windows NT$\"\n");
  EXPECT_FALSE(SetupDiGetINFClassA(noClass.c_str(), &guid, className, sizeof className, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NO_ASSOCIATED_CLASS);

  HDEVINFO set = SetupDiCreateDeviceInfoList(&guid, nullptr);
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  GUID other = guid;
  other.Data1 ^= 1;
  EXPECT_FALSE(SetupDiCreateDeviceInfoA(set, "RootTestClass", &other, nullptr, nullptr, DICD_GENERATE_ID, &data));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_MISMATCH);
  EXPECT_FALSE(SetupDiCreateDeviceInfoA(set, "ROOT\\X", &guid, nullptr, nullptr, DICD_GENERATE_ID, &data));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DEVINST_NAME);
  EXPECT_FALSE(SetupDiCreateDeviceInfoA(set, "USB\\VID_1\\2", &guid, nullptr, nullptr, 0, &data));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DEVINST_NAME);
  EXPECT_FALSE(SetupDiCreateDeviceInfoA(set, "X", &guid, nullptr, nullptr, 0x80, &data));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);

  // Two new elements in one set get different ids; neither is recorded before registration.
  SP_DEVINFO_DATA second{};
  second.cbSize = sizeof second;
  ASSERT_TRUE(SetupDiCreateDeviceInfoA(set, "RootTestClass", &guid, "first", nullptr, DICD_GENERATE_ID, &data));
  ASSERT_TRUE(SetupDiCreateDeviceInfoA(set, "RootTestClass", &guid, nullptr, nullptr, DICD_GENERATE_ID, &second));
  char id[200];
  ASSERT_TRUE(SetupDiGetDeviceInstanceIdA(set, &second, id, sizeof id, nullptr));
  EXPECT_STREQ(id, "ROOT\\ROOTTESTCLASS\\0001");
  EXPECT_TRUE(machine().setupDevices().empty());
  EXPECT_FALSE(SetupDiCreateDeviceInfoA(set, "ROOT\\ROOTTESTCLASS\\0001", &guid, nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DEVINST_ALREADY_EXISTS);
  EXPECT_FALSE(SetupDiSetDeviceRegistryPropertyA(set, &data, SPDRP_SERVICE, reinterpret_cast<const BYTE*>("x"), 2));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_REG_PROPERTY);
  SP_PROPCHANGE_PARAMS change{{sizeof(SP_CLASSINSTALL_HEADER), DIF_PROPERTYCHANGE}, DICS_ENABLE, DICS_FLAG_GLOBAL, 0};
  ASSERT_TRUE(SetupDiSetClassInstallParamsA(set, &data, &change.ClassInstallHeader, sizeof change));
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, &data));
  EXPECT_EQ(GetLastError(), ERROR_DEVINFO_NOT_REGISTERED);
  change.StateChange = 9;
  EXPECT_FALSE(SetupDiSetClassInstallParamsA(set, &data, &change.ClassInstallHeader, sizeof change));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // The first is registered with its ids; the set's end drops the second.
  const char ids[] = "ROOT\\ROOTTEST\0ROOT\\SECOND\0";
  ASSERT_TRUE(
      SetupDiSetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids), sizeof ids));
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &data));
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &data));  // once registered, left as it is
  SetupDiDestroyDeviceInfoList(set);
  std::vector<platform::Machine::SetupDevice> devices = machine().setupDevices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].record.instanceId, "ROOT\\ROOTTESTCLASS\\0000");
  EXPECT_EQ(devices[0].record.hardwareIds, (std::vector<std::string>{"ROOT\\ROOTTEST", "ROOT\\SECOND"}));
  EXPECT_EQ(devices[0].record.description, "first");
  EXPECT_TRUE(devices[0].present);
}

TEST_F(DeviceTree, HardwareIdsWrittenOnARegisteredDeviceAreSavedAndAnswered) {
  const std::string id = createAndRegister(writeInf(), "ROOT\\NOBODY");
  HDEVINFO set = SetupDiCreateDeviceInfoListExA(nullptr, nullptr, nullptr, nullptr);
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, id.c_str(), nullptr, 0, &data));
  // Without the final terminator, the last string still counts.
  const char ids[] = {'R', 'O', 'O', 'T', '\\', 'R', 'O', 'O', 'T', 'T', 'E', 'S', 'T', '\0', 'N', 'E', 'W'};
  ASSERT_TRUE(
      SetupDiSetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids), sizeof ids));
  char read[64];
  DWORD type = 0;
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type, reinterpret_cast<BYTE*>(read),
                                                sizeof read, nullptr));
  EXPECT_EQ(std::string(read, 19), std::string("ROOT\\ROOTTEST\0NEW\0\0", 19));
  SetupDiDestroyDeviceInfoList(set);
  EXPECT_EQ(machine().rootBus().hardwareIds(machine().rootBus().find(id)),
            (std::vector<std::string>{"ROOT\\ROOTTEST", "NEW"}));
  reload();
  EXPECT_EQ(machine().deviceNode(id)->record.hardwareIds, (std::vector<std::string>{"ROOT\\ROOTTEST", "NEW"}));
}

TEST_F(DeviceTree, MachineHandlesAndNodeCallsCheckTheirArguments) {
  HMACHINE handle = reinterpret_cast<HMACHINE>(1);
  EXPECT_EQ(CM_Connect_MachineA("\\\\elsewhere", &handle), CR_INVALID_MACHINENAME);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(CM_Connect_MachineA(nullptr, nullptr), CR_INVALID_POINTER);
  EXPECT_EQ(CM_Disconnect_Machine(nullptr), CR_SUCCESS);  // the local machine needs none
  DEVINST node = 0;
  char unknown[] = "ROOT\\NONE\\0000";
  EXPECT_EQ(CM_Locate_DevNode_ExA(&node, unknown, 0, nullptr), CR_NO_SUCH_DEVNODE);
  EXPECT_EQ(CM_Locate_DevNode_ExA(&node, nullptr, 0x10, nullptr), CR_INVALID_FLAG);
  EXPECT_EQ(CM_Locate_DevNode_ExA(&node, nullptr, 0, reinterpret_cast<HMACHINE>(8)), CR_INVALID_POINTER);
  ULONG bits = 0, problem = 0;
  EXPECT_EQ(CM_Get_DevNode_Status_Ex(&bits, &problem, 0, 0, nullptr), CR_INVALID_DEVNODE);
  EXPECT_EQ(CM_Get_DevNode_Status_Ex(nullptr, &problem, setup::RootDevInst(), 0, nullptr), CR_INVALID_POINTER);
  EXPECT_EQ(CM_Get_DevNode_Status_Ex(&bits, &problem, setup::RootDevInst(), 1, nullptr), CR_INVALID_FLAG);
  ASSERT_EQ(CM_Get_DevNode_Status_Ex(&bits, &problem, setup::RootDevInst(), 0, nullptr), CR_SUCCESS);
  EXPECT_TRUE(bits & DN_STARTED);
  EXPECT_EQ(CM_Reenumerate_DevNode_Ex(setup::RootDevInst(), 0x8, nullptr), CR_INVALID_FLAG);
  EXPECT_EQ(CM_Reenumerate_DevNode_Ex(setup::DevInstOf("ROOT\\NONE\\0000"), 0, nullptr), CR_NO_SUCH_DEVNODE);
}

struct PathCase {
  const char* in;
  const char* out;  // "~" stands for the current folder
  const char* filePart;
};

class FullPaths : public testing::TestWithParam<PathCase> {};

TEST_P(FullPaths, AreAbsoluteFoldedAndUseSlashes) {
  std::string expected = GetParam().out;
  if (expected[0] == '~') expected = std::filesystem::current_path().string() + expected.substr(1);
  char buffer[4096];
  LPSTR part = buffer;
  DWORD n = GetFullPathNameA(GetParam().in, sizeof buffer, buffer, &part);
  ASSERT_EQ(n, expected.size()) << GetParam().in;
  EXPECT_EQ(std::string(buffer), expected);
  if (GetParam().filePart) {
    ASSERT_NE(part, nullptr);
    EXPECT_STREQ(part, GetParam().filePart);
  } else {
    EXPECT_EQ(part, nullptr);
  }
  // One short: the size with the terminator, nothing written.
  std::vector<char> small(expected.size(), 'x');
  EXPECT_EQ(GetFullPathNameA(GetParam().in, static_cast<DWORD>(small.size()), small.data(), nullptr),
            expected.size() + 1);
  EXPECT_EQ(small[0], 'x');
}

INSTANTIATE_TEST_SUITE_P(Table, FullPaths,
                         testing::Values(PathCase{"a/b/../c.inf", "~/a/c.inf", "c.inf"},
                                         PathCase{"/x/./y//z.inf", "/x/y/z.inf", "z.inf"},
                                         PathCase{"\\x\\y.inf", "/x/y.inf", "y.inf"},
                                         PathCase{"/x/y/", "/x/y/", nullptr}, PathCase{"/../..", "/", nullptr},
                                         PathCase{"./driver.inf", "~/driver.inf", "driver.inf"}));

TEST_F(DeviceTree, FileAttributesTellFoldersFilesAndWhatIsMissing) {
  const std::string inf = writeInf();
  EXPECT_EQ(GetFileAttributesA(files.path().string().c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA(inf.c_str()), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA((inf + ".none").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA((files.path() / "none" / "x.inf").string().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(GetFullPathNameA("", 10, nullptr, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST_F(DeviceTree, TokenCallsCheckTheirHandleAccessAndPrivilege) {
  HANDLE token = nullptr;
  EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(8), TOKEN_QUERY, &token));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  LUID luid{};
  EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &luid));
  EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_PRIVILEGE);
  EXPECT_FALSE(LookupPrivilegeValueA("\\\\elsewhere", SE_SHUTDOWN_NAME, &luid));
  EXPECT_EQ(GetLastError(), ERROR_BAD_NETPATH);
  ASSERT_TRUE(LookupPrivilegeValueA("", "seshutdownprivilege", &luid));
  EXPECT_EQ(luid.LowPart, 19u);

  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES enable{1, {{luid, SE_PRIVILEGE_ENABLED}}};
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &enable, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(token);
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &enable, 0, nullptr, nullptr));  // closed
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES unknown{1, {{LUID{7, 0}, SE_PRIVILEGE_ENABLED}}};
  EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &unknown, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ALL_ASSIGNED);
  TOKEN_PRIVILEGES previous{};
  DWORD length = 0;
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &enable, sizeof previous, &previous, &length));
  EXPECT_EQ(previous.PrivilegeCount, 1u);
  EXPECT_EQ(previous.Privileges[0].Attributes, 0u);  // it was off
  char elsewhere[] = "\\\\elsewhere";
  EXPECT_FALSE(InitiateSystemShutdownExA(elsewhere, nullptr, 0, FALSE, TRUE, 0));
  EXPECT_EQ(GetLastError(), ERROR_BAD_NETPATH);
  // Disabling all takes it away again.
  ASSERT_TRUE(AdjustTokenPrivileges(token, TRUE, nullptr, 0, nullptr, nullptr));
  EXPECT_FALSE(InitiateSystemShutdownExA(nullptr, nullptr, 0, FALSE, TRUE, 0));
  EXPECT_EQ(GetLastError(), ERROR_PRIVILEGE_NOT_HELD);
  EXPECT_FALSE(machine().restartRequested());
  CloseHandle(token);
}

struct HookCase {
  const char* function;
  std::function<bool(const std::string& inf)> call;  // true when the call succeeded
};

class FailureHook : public DeviceTree, public testing::WithParamInterface<HookCase> {};

TEST_P(FailureHook, FailsTheChosenCallOnceWithTheArmedError) {
  const std::string inf = writeInf();
  ASSERT_TRUE(SetupCopyOEMInfA(inf.c_str(), nullptr, SPOST_PATH, 0, nullptr, 0, nullptr, nullptr));
  createAndRegister(inf, roottest::kHardwareId);
  setup::FailNextCall(GetParam().function, 0x1234);
  EXPECT_FALSE(GetParam().call(inf));
  EXPECT_EQ(GetLastError(), 0x1234u);
  EXPECT_TRUE(GetParam().call(inf)) << GetLastError();
}

bool withElement(const std::function<bool(HDEVINFO, SP_DEVINFO_DATA&)>& use) {
  GUID guid{};
  setup::ParseGuid("{5b0c3e21-44d2-4a7e-8f10-2c619e03a75d}", guid);
  HDEVINFO set = SetupDiCreateDeviceInfoListExA(&guid, nullptr, nullptr, nullptr);
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  bool ok = SetupDiCreateDeviceInfoA(set, "RootTestClass", &guid, nullptr, nullptr, DICD_GENERATE_ID, &data) &&
            use(set, data);
  DWORD error = GetLastError();
  SetupDiDestroyDeviceInfoList(set);
  SetLastError(error);
  return ok;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, FailureHook,
    testing::Values(HookCase{"SetupDiCreateDeviceInfoA",
                             [](const std::string&) { return withElement([](auto, auto&) { return true; }); }},
                    HookCase{"SetupDiGetINFClassA",
                             [](const std::string& inf) {
                               GUID g;
                               char name[32];
                               return SetupDiGetINFClassA(inf.c_str(), &g, name, sizeof name, nullptr) != FALSE;
                             }},
                    HookCase{"UpdateDriverForPlugAndPlayDevicesA",
                             [](const std::string& inf) {
                               return UpdateDriverForPlugAndPlayDevicesA(nullptr, roottest::kHardwareId, inf.c_str(), 0,
                                                                         nullptr) != FALSE;
                             }},
                    HookCase{"GetFullPathNameA",
                             [](const std::string& inf) {
                               char full[MAX_PATH];
                               return GetFullPathNameA(inf.c_str(), sizeof full, full, nullptr) != 0;
                             }},
                    HookCase{"CM_Get_DevNode_Status_Ex",
                             [](const std::string&) {
                               ULONG bits, problem;
                               CONFIGRET r =
                                   CM_Get_DevNode_Status_Ex(&bits, &problem, setup::RootDevInst(), 0, nullptr);
                               SetLastError(r);
                               return r == CR_SUCCESS;
                             }}),
    [](const testing::TestParamInfo<HookCase>& info) { return std::string(info.param.function); });

}  // namespace
}  // namespace setuptest
