// The query calls over a machine with the program's package stored and the instrument bound:
// classes and installer keys, the driver store as files (listing, verifying, deleting), the
// node's driver key and its driver list, and run-time loading.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "maintenance/install/DriverInstall.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "platform/setup/SetupQueries.h"
#include "platform/win32/LastError.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {
namespace {

constexpr char kOrupcGuid[] = "{B979AFCD-77CA-451E-931A-2ADABC8521F2}";
const HKEY kNoKey = static_cast<HKEY>(INVALID_HANDLE_VALUE);

GUID guidOf(const char* text) {
  unsigned long d1 = 0;
  unsigned d2 = 0, d3 = 0, b[8] = {};
  std::sscanf(text, "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5],
              &b[6], &b[7]);
  GUID g{};
  g.Data1 = static_cast<ULONG>(d1);
  g.Data2 = static_cast<USHORT>(d2);
  g.Data3 = static_cast<USHORT>(d3);
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<UCHAR>(b[i]);
  return g;
}

class SetupQueries : public testing::Test {
 protected:
  void SetUp() override {
    before = setup::OpenSetupHandles();
    ASSERT_NE(rig.plugInstrument(), 0);
  }
  void TearDown() override {
    setup::ClearFailures();
    setup::ShowAllExports();
    EXPECT_EQ(setup::OpenSetupHandles(), before);
    EXPECT_EQ(setup::ReportOpenSetupHandles(nullptr), 0u);
  }

  // A class of the test's own with a description and filters of its own.
  void addClass(const std::string& name, const std::string& guid, std::vector<std::string> upper,
                std::vector<std::string> lower, bool installerKey = true) {
    ASSERT_TRUE(rig.machine().changeSetupState([&](platform::SetupDatabase& db) {
      platform::SetupClass c;
      c.name = name;
      c.guid = guid;
      c.description = name + " devices";
      c.installerKey = installerKey;
      c.upperFilters = upper;
      c.lowerFilters = lower;
      db.classes.push_back(c);
    }));
  }

  SetupRig rig{{.storeProgramInf = true}};
  std::size_t before = 0;
};

TEST_F(SetupQueries, ClassListNamesAndDescriptions) {
  addClass("QvTest", "{11111111-2222-3333-4444-555555555555}", {}, {});
  DWORD count = 0;
  EXPECT_FALSE(SetupDiBuildClassInfoListExA(0, nullptr, 0, &count, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  ASSERT_EQ(count, 2u);
  std::vector<GUID> guids(count);
  ASSERT_TRUE(SetupDiBuildClassInfoListExA(0, guids.data(), count, &count, nullptr, nullptr));

  std::vector<std::string> names, descriptions;
  for (const GUID& g : guids) {
    char name[MAX_CLASS_NAME_LEN], description[LINE_LEN];
    ASSERT_TRUE(SetupDiClassNameFromGuidExA(&g, name, sizeof name, nullptr, nullptr, nullptr));
    ASSERT_TRUE(SetupDiGetClassDescriptionExA(&g, description, sizeof description, nullptr, nullptr, nullptr));
    names.push_back(name);
    descriptions.push_back(description);
  }
  // The stored package's class has no description of its own: its name stands for it.
  EXPECT_EQ(names, (std::vector<std::string>{"ORUpc", "QvTest"}));
  EXPECT_EQ(descriptions, (std::vector<std::string>{"ORUpc", "QvTest devices"}));

  GUID orupc = guidOf(kOrupcGuid);
  char small[3];
  DWORD required = 0;
  EXPECT_FALSE(SetupDiClassNameFromGuidExA(&orupc, small, sizeof small, &required, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(required, 6u);
  GUID unknown = guidOf("{00000000-0000-0000-0000-000000000001}");
  char name[MAX_CLASS_NAME_LEN];
  EXPECT_FALSE(SetupDiClassNameFromGuidExA(&unknown, name, sizeof name, nullptr, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_CLASS);
  EXPECT_FALSE(SetupDiBuildClassInfoListExA(0, nullptr, 0, &count, "\\\\elsewhere", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MACHINENAME);
  setup::FailNextCall("SetupDiGetClassDescriptionExA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(SetupDiGetClassDescriptionExA(&orupc, name, sizeof name, nullptr, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_TRUE(SetupDiGetClassDescriptionExA(&orupc, name, sizeof name, nullptr, nullptr, nullptr));
}

TEST_F(SetupQueries, InstallerKeyFiltersAndMoreData) {
  addClass("QvTest", "{11111111-2222-3333-4444-555555555555}", {"upper1", "upper2"}, {"lower1"});
  addClass("NoKey", "{11111111-2222-3333-4444-666666666666}", {"x"}, {}, false);
  GUID test = guidOf("{11111111-2222-3333-4444-555555555555}");
  HKEY key = SetupDiOpenClassRegKeyExA(&test, KEY_READ, DIOCR_INSTALLER, nullptr, nullptr);
  ASSERT_NE(key, kNoKey);
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::RegistryKey), 1u);

  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExA(key, "UpperFilters", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(size, std::strlen("upper1") + std::strlen("upper2") + 3);
  BYTE small[4];
  DWORD smallSize = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "UpperFilters", nullptr, &type, small, &smallSize),
            static_cast<LONG>(ERROR_MORE_DATA));
  EXPECT_EQ(smallSize, size);
  std::vector<BYTE> data(size);
  ASSERT_EQ(RegQueryValueExA(key, "upperfilters", nullptr, &type, data.data(), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data.data()), size), std::string("upper1\0upper2\0\0", 15));
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "LowerFilters", nullptr, &type, small, &size), static_cast<LONG>(ERROR_MORE_DATA));
  EXPECT_EQ(RegQueryValueExA(key, "NoSuchValue", nullptr, &type, nullptr, &size),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegQueryValueExA(key, "UpperFilters", nullptr, &type, nullptr, &size),
            static_cast<LONG>(ERROR_INVALID_HANDLE));

  GUID noKey = guidOf("{11111111-2222-3333-4444-666666666666}");
  EXPECT_EQ(SetupDiOpenClassRegKeyExA(&noKey, KEY_READ, DIOCR_INSTALLER, nullptr, nullptr), kNoKey);
  EXPECT_EQ(SetupDiOpenClassRegKeyExA(&test, KEY_READ, DIOCR_INSTALLER, "\\\\elsewhere", nullptr), kNoKey);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MACHINENAME);
}

TEST_F(SetupQueries, StoreListsAsFilesUnderTheWindowsDirectory) {
  char windows[MAX_PATH];
  UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::string(windows, length), rig.root().string());
  char tiny[2];
  EXPECT_EQ(GetWindowsDirectoryA(tiny, sizeof tiny), length + 1);

  // A second package, so the listing has two names to give.
  std::string second = ProgramDriverInf() + "\n; another build\n";
  std::string name, path;
  ASSERT_EQ(rig.machine().storeDriverPackage(second, false, name, path), platform::StoreResult::Stored);
  ASSERT_EQ(name, "oem1.inf");

  for (const std::string pattern : {"\\INF\\OEM*.INF", "/inf/oem*.inf", "\\INF/oem?.INF"}) {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((std::string(windows) + pattern).c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << pattern;
    std::vector<std::string> names{found.cFileName};
    while (FindNextFileA(search, &found)) names.push_back(found.cFileName);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    EXPECT_EQ(names, (std::vector<std::string>{"oem0.inf", "oem1.inf"})) << pattern;
  }
  WIN32_FIND_DATAA found{};
  EXPECT_EQ(FindFirstFileA((std::string(windows) + "\\INF\\OEM*.PNF").c_str(), &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("/etc/*", &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  SP_INF_SIGNER_INFO_A signer{};
  signer.cbSize = sizeof signer;
  EXPECT_TRUE(SetupVerifyInfFile((std::string(windows) + "\\INF\\oem1.inf").c_str(), nullptr, &signer));
  EXPECT_FALSE(SetupVerifyInfFile((std::string(windows) + "\\INF\\oem7.inf").c_str(), nullptr, &signer));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  char provider[64];
  GetPrivateProfileStringA("Version", "Provider", "", provider, sizeof provider,
                           (std::string(windows) + "\\INF\\oem0.inf").c_str());
  EXPECT_STREQ(provider, "Pelgrave, Inc.");
  GetPrivateProfileStringA("Version", "Missing", "none", provider, sizeof provider,
                           (std::string(windows) + "\\INF\\oem0.inf").c_str());
  EXPECT_STREQ(provider, "none");
}

TEST_F(SetupQueries, UninstallTakesOnlyStoredNamesAndKeepsPackagesInUse) {
  std::filesystem::path stored = rig.root() / "INF" / "oem0.inf";
  ASSERT_TRUE(std::filesystem::exists(stored));
  // A file beside the root, which no name may reach.
  WriteBytes(rig.root().parent_path() / "x", "keep");
  for (const char* bad : {"../x", "..\\x", "INF/oem0.inf", "C:oem0.inf", "oem9.inf", "x", "", "oemA.inf"}) {
    EXPECT_FALSE(SetupUninstallOEMInfA(bad, SUOI_FORCEDELETE, nullptr)) << bad;
  }
  EXPECT_TRUE(std::filesystem::exists(rig.root().parent_path() / "x"));
  // The instrument is bound to oem0.inf.
  EXPECT_FALSE(SetupUninstallOEMInfA("oem0.inf", 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INF_IN_USE_BY_DEVICES);
  EXPECT_TRUE(std::filesystem::exists(stored));
  EXPECT_FALSE(SetupUninstallOEMInfA("oem0.inf", 0x2, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
  EXPECT_TRUE(SetupUninstallOEMInfA("OEM0.INF", SUOI_FORCEDELETE, nullptr));
  EXPECT_FALSE(std::filesystem::exists(stored));
  EXPECT_EQ(rig.machine().driverPackageCount(), 0u);
  EXPECT_FALSE(SetupUninstallOEMInfA("oem0.inf", SUOI_FORCEDELETE, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(SetupQueries, DriverKeyAndDriverListOfTheBoundInstrument) {
  HDEVINFO set =
      SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT, nullptr, nullptr, nullptr);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  ASSERT_TRUE(SetupDiEnumDeviceInfo(set, 0, &device));

  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  ASSERT_NE(key, kNoKey);
  char value[MAX_PATH];
  DWORD type = 0, size = sizeof value;
  ASSERT_EQ(RegQueryValueExA(key, "InfPath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_STREQ(value, "oem0.inf");
  size = sizeof value;
  ASSERT_EQ(RegQueryValueExA(key, "InfSection", nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
  EXPECT_STREQ(value, "ORUpc_Install");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ), kNoKey);

  // The one INF named in DriverPath.
  SP_DEVINSTALL_PARAMS_A params{};
  params.cbSize = sizeof params;
  ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(set, &device, &params));
  params.Flags |= DI_ENUMSINGLEINF;
  std::snprintf(params.DriverPath, sizeof params.DriverPath, "%s", (rig.root() / "INF" / "oem0.inf").c_str());
  ASSERT_TRUE(SetupDiSetDeviceInstallParamsA(set, &device, &params));
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set, &device, SPDIT_CLASSDRIVER));
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::DriverList), 1u);
  SP_DRVINFO_DATA_A driver{};
  driver.cbSize = sizeof driver;
  ASSERT_TRUE(SetupDiEnumDriverInfoA(set, &device, SPDIT_CLASSDRIVER, 0, &driver));
  EXPECT_STREQ(driver.Description, "ORU14400 telephone-line instrument");
  EXPECT_STREQ(driver.MfgName, "Pelgrave, Inc.");
  EXPECT_STREQ(driver.ProviderName, "Pelgrave, Inc.");
  EXPECT_EQ(driver.DriverVersion, 1ull << 48);
  EXPECT_FALSE(SetupDiEnumDriverInfoA(set, &device, SPDIT_CLASSDRIVER, 1, &driver));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
  ASSERT_TRUE(SetupDiEnumDriverInfoA(set, &device, SPDIT_CLASSDRIVER, 0, &driver));

  // A record with no room for the ids: the fixed part is filled and the call says so.
  SP_DRVINFO_DETAIL_DATA_A detail{};
  detail.cbSize = sizeof detail;
  DWORD required = 0;
  EXPECT_FALSE(SetupDiGetDriverInfoDetailA(set, &device, &driver, &detail, sizeof detail, &required));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_STREQ(detail.SectionName, "ORUpc_Install");
  EXPECT_STREQ(detail.DrvDescription, "ORU14400 telephone-line instrument");
  EXPECT_STREQ(detail.InfFileName, "oem0.inf");
  std::vector<std::uint8_t> whole(required);
  auto* full = reinterpret_cast<PSP_DRVINFO_DETAIL_DATA_A>(whole.data());
  full->cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_A);
  ASSERT_TRUE(SetupDiGetDriverInfoDetailA(set, &device, &driver, full, required, nullptr));
  EXPECT_STREQ(full->HardwareID, "USB\\VID_0452&PID_0201");

  EXPECT_TRUE(SetupDiDestroyDriverInfoList(set, &device, SPDIT_CLASSDRIVER));
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::DriverList), 0u);
  EXPECT_FALSE(SetupDiEnumDriverInfoA(set, &device, SPDIT_CLASSDRIVER, 0, &driver));

  // A DriverPath that names nothing.
  std::snprintf(params.DriverPath, sizeof params.DriverPath, "%s", "/nowhere/oem5.inf");
  ASSERT_TRUE(SetupDiSetDeviceInstallParamsA(set, &device, &params));
  EXPECT_FALSE(SetupDiBuildDriverInfoList(set, &device, SPDIT_CLASSDRIVER));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  // A list still built goes with its set.
  params.Flags &= ~DI_ENUMSINGLEINF;
  ASSERT_TRUE(SetupDiSetDeviceInstallParamsA(set, &device, &params));
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set, &device, SPDIT_COMPATDRIVER));
  ASSERT_TRUE(SetupDiEnumDriverInfoA(set, &device, SPDIT_COMPATDRIVER, 0, &driver));
  EXPECT_EQ(driver.DriverType, SPDIT_COMPATDRIVER);
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::DriverList), 0u);
}

TEST_F(SetupQueries, ModulesExportOurOwnFunctionsAndCanHideOne) {
  HMODULE newdev = LoadLibraryA("newdev.dll");
  ASSERT_NE(newdev, nullptr);
  EXPECT_EQ(GetProcAddress(newdev, "UpdateDriverForPlugAndPlayDevicesA"),
            reinterpret_cast<FARPROC>(&UpdateDriverForPlugAndPlayDevicesA));
  EXPECT_EQ(GetProcAddress(newdev, "SetupVerifyInfFile"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  HMODULE setupapi = LoadLibraryA("SETUPAPI");
  ASSERT_NE(setupapi, nullptr);
  EXPECT_EQ(GetProcAddress(setupapi, "SetupVerifyInfFile"), reinterpret_cast<FARPROC>(&SetupVerifyInfFile));
  setup::HideExport("setupapi.dll", "SetupVerifyInfFile");
  EXPECT_EQ(GetProcAddress(setupapi, "SetupVerifyInfFile"), nullptr);
  EXPECT_NE(GetProcAddress(setupapi, "SetupUninstallOEMInfA"), nullptr);
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::Module), 2u);
  EXPECT_TRUE(FreeLibrary(newdev));
  EXPECT_TRUE(FreeLibrary(setupapi));
  EXPECT_FALSE(FreeLibrary(setupapi));
  EXPECT_EQ(LoadLibraryA("kernel32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

  EXPECT_FALSE(SetupSetNonInteractiveMode(TRUE));
  EXPECT_TRUE(SetupNonInteractiveMode());
  EXPECT_TRUE(SetupSetNonInteractiveMode(FALSE));
  EXPECT_FALSE(SetupNonInteractiveMode());

  char word[8];
  EXPECT_EQ(LoadStringA(nullptr, 3003, word, sizeof word), 7);
  EXPECT_STREQ(word, "Disable");  // "Disabled", cut to fit
  EXPECT_EQ(LoadStringA(nullptr, 3008, word, sizeof word), 7);
  EXPECT_EQ(LoadStringA(nullptr, 2999999, word, sizeof word), 0);
}

}  // namespace
}  // namespace setuptest
