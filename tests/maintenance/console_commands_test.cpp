// The console's rows run through the table against an in-process machine: help, the listings,
// the eight enumeration commands, enable / disable / restart of the instrument, install and
// update of the root-enumerated test node, the driver store commands, rescan, reboot and
// sethwid; and every handler's wrong-use and failure results.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "maintenance/console/DeviceConsole.h"
#include "maintenance/install/InstallerOutput.h"
#include "platform/setup/ConfigManager.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "platform/setup/SystemShutdown.h"
#include "tests/maintenance/ConsoleRig.h"

namespace consoletest {
namespace {

constexpr char kInstrument[] = "USB\\VID_0452&PID_0201\\ORU14400-000001";

struct Row {
  const char* name;
  DWORD shortHelp, longHelp;
};

constexpr Row kRows[] = {
    {"classfilter", 61501, 61500},
    {"classes", 60201, 60200},
    {"disable", 60601, 60600},
    {"driverfiles", 60411, 60410},
    {"drivernodes", 61401, 61400},
    {"enable", 60501, 60500},
    {"find", 60401, 60400},
    {"findall", 60407, 60406},
    {"help", 60101, 0},
    {"hwids", 60415, 60414},
    {"install", 61001, 61000},
    {"listclass", 60301, 60300},
    {"reboot", 60801, 60800},
    {"remove", 61201, 61200},
    {"rescan", 61301, 61300},
    {"resources", 60413, 60412},
    {"restart", 60701, 60700},
    {"sethwid", 61601, 61600},
    {"stack", 60417, 60416},
    {"status", 60409, 60408},
    {"update", 61101, 61100},
    {"updateni", 61105, 61104},
    {"dp_add", 61108, 61107},
    {"dp_delete", 61110, 61109},
    {"dp_enum", 61112, 61111},
    {"?", 0, 0},
};

std::string message(DWORD id, std::initializer_list<DWORD_PTR> arguments) {
  Capture c;
  PrintMessage(c.stream(), id, arguments);
  return c.take();
}

std::string message(DWORD id) { return message(id, {reinterpret_cast<DWORD_PTR>("qv")}); }

TEST(ConsoleTable, RowsInTheirOrderThenAnEmptyRow) {
  std::span<const console::CommandRow> table = console::DeviceConsole::Table();
  ASSERT_EQ(table.size(), std::size(kRows) + 1);
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    EXPECT_STREQ(table[i].name, kRows[i].name);
    EXPECT_EQ(table[i].shortHelp, kRows[i].shortHelp) << kRows[i].name;
    EXPECT_EQ(table[i].longHelp, kRows[i].longHelp) << kRows[i].name;
    EXPECT_NE(table[i].handler, nullptr);
    // Every help text the table names exists.
    if (kRows[i].shortHelp) {
      EXPECT_FALSE(message(kRows[i].shortHelp).empty()) << kRows[i].name;
    }
    if (kRows[i].longHelp) {
      EXPECT_FALSE(message(kRows[i].longHelp).empty()) << kRows[i].name;
    }
  }
  EXPECT_EQ(table.back().name, nullptr);
  EXPECT_EQ(table.back().handler, nullptr);
  EXPECT_EQ(table.back().shortHelp, 0u);
  EXPECT_EQ(table.back().longHelp, 0u);
  EXPECT_EQ(console::DeviceConsole::Find("?")->handler, console::DeviceConsole::Find("help")->handler);
}

class Console : public testing::Test {
 protected:
  void SetUp() override { before = setup::OpenSetupHandles(); }
  void TearDown() override {
    setup::ClearFailures();
    setup::ShowAllExports();
    SetupSetNonInteractiveMode(FALSE);
    EXPECT_EQ(setup::OpenSetupHandles(), before);
    EXPECT_EQ(setup::OpenMachineHandles(), 0u);
    EXPECT_EQ(setup::OpenTokenHandles(), 0u);
  }

  int run(const char* name, std::vector<std::string> args = {}, const char* machine = nullptr, DWORD flags = 0) {
    const console::CommandRow* row = console::DeviceConsole::Find(name);
    EXPECT_NE(row, nullptr) << name;
    if (!row) return -1;
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return console.run(*row, "qv", machine, flags, static_cast<int>(args.size()), argv.data());
  }

  const platform::DeviceRecord* record(const std::string& id) {
    state = rig.machine().setupState();
    return state.find(id);
  }

  ConsoleRig rig;
  Capture out;
  console::DeviceConsole console{out.stream()};
  platform::SetupDatabase state;
  std::size_t before = 0;
};

TEST_F(Console, HelpListsEveryShortHelpInOrderAndLongHelpByName) {
  EXPECT_EQ(run("help"), 0);
  std::string expected = message(console::kMsgGeneralHelp);
  for (const Row& r : kRows)
    if (r.shortHelp) expected += message(r.shortHelp);
  EXPECT_EQ(out.take(), expected);
  EXPECT_NE(expected.find("qv [-m:"), std::string::npos);  // the base name goes into the text

  EXPECT_EQ(run("?"), 0);
  EXPECT_EQ(out.take(), expected);
  EXPECT_EQ(run("help", {"ENABLE"}), 0);
  EXPECT_EQ(out.take(), message(60500));
  EXPECT_EQ(run("?", {"dp_Delete"}), 0);
  EXPECT_EQ(out.take(), message(61109));
  EXPECT_EQ(run("help", {"nosuch"}), 3);
  EXPECT_EQ(out.take(), "");
}

TEST_F(Console, ClassesAndTheirDevices) {
  EXPECT_EQ(run("classes"), 0);
  EXPECT_EQ(out.take(), "ORUpc               : ORUpc\n" + message(60202, {1}));
  EXPECT_EQ(run("classes", {}, "\\\\elsewhere"), 2);
  setup::FailNextCall("SetupDiBuildClassInfoListExA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(run("classes"), 2);

  EXPECT_EQ(run("listclass", {"orupc", "Nothing"}), 0);
  std::string text = out.take();
  EXPECT_NE(text.find("Class orupc ({B979AFCD-77CA-451E-931A-2ADABC8521F2}):\n" + std::string(kInstrument)),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(": ORU14400 telephone-line instrument\n1 device(s) of class orupc.\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("There is no setup class \"Nothing\".\n"), std::string::npos) << text;
  EXPECT_EQ(run("listclass"), 3);
}

class EnumerationCommand : public Console, public testing::WithParamInterface<std::pair<const char*, DWORD>> {};

TEST_P(EnumerationCommand, PrintsOnlyItsSummary) {
  const auto [name, summary] = GetParam();
  ASSERT_NE(message(summary), "");
  EXPECT_EQ(run(name, {"*"}), 0);
  EXPECT_EQ(out.take(), message(summary));
  EXPECT_EQ(run(name, {"=ORUpc", "USB\\VID_0452*"}), 0);
  EXPECT_EQ(out.take(), message(summary));
  EXPECT_EQ(run(name), 3);
  EXPECT_EQ(run(name, {"*"}, "\\\\elsewhere"), 2);
  setup::FailNextCall("SetupDiGetClassDevsExA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(run(name, {"*"}), 2);
  EXPECT_EQ(out.take(), "");
}

INSTANTIATE_TEST_SUITE_P(Eight, EnumerationCommand,
                         testing::Values(std::pair{"find", 60402u}, std::pair{"findall", 60403u},
                                         std::pair{"status", 60418u}, std::pair{"driverfiles", 60419u},
                                         std::pair{"resources", 60420u}, std::pair{"hwids", 60421u},
                                         std::pair{"stack", 60422u}, std::pair{"drivernodes", 61402u}),
                         [](const auto& info) { return std::string(info.param.first); });

// Wrong use and failures of every handler that takes arguments or a machine.
struct Misuse {
  const char* name;
  std::vector<std::string> args;
  const char* machine;
  const char* failing;  // a call made to fail, or null
  int expected;
};

class HandlerMisuse : public Console, public testing::WithParamInterface<Misuse> {};

TEST_P(HandlerMisuse, GivesItsResult) {
  const Misuse& m = GetParam();
  std::vector<std::string> args = m.args;
  for (std::string& a : args)
    if (a == "<inf>") a = rig.testInf().string();
  if (m.failing) setup::FailNextCall(m.failing, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(run(m.name, args, m.machine), m.expected);
}

const char* const kRemote = "\\\\elsewhere";

INSTANTIATE_TEST_SUITE_P(
    Rows, HandlerMisuse,
    testing::Values(
        Misuse{"enable", {}, nullptr, nullptr, 3}, Misuse{"enable", {"*"}, kRemote, nullptr, 3},
        Misuse{"disable", {}, nullptr, nullptr, 3}, Misuse{"disable", {"*"}, kRemote, nullptr, 3},
        Misuse{"restart", {}, nullptr, nullptr, 3}, Misuse{"restart", {"*"}, kRemote, nullptr, 3},
        Misuse{"restart", {"*"}, nullptr, "SetupDiGetClassDevsExA", 2}, Misuse{"remove", {}, nullptr, nullptr, 3},
        Misuse{"remove", {"*"}, kRemote, nullptr, 3}, Misuse{"install", {"<inf>"}, nullptr, nullptr, 3},
        Misuse{"install", {"<inf>", "ROOT\\QVTEST"}, kRemote, nullptr, 3},
        Misuse{"install", {"/no/such.inf", "ROOT\\QVTEST"}, nullptr, nullptr, 2},
        Misuse{"install", {"<inf>", "ROOT\\QVTEST"}, nullptr, "SetupDiCreateDeviceInfoA", 2},
        Misuse{"update", {"<inf>"}, nullptr, nullptr, 3}, Misuse{"update", {"<inf>", "X"}, kRemote, nullptr, 3},
        Misuse{"update", {"/no/such.inf", "X"}, nullptr, nullptr, 2},
        Misuse{"update", {"<inf>", "ROOT\\QVTEST"}, nullptr, "LoadLibraryA", 2},
        Misuse{"updateni", {"<inf>"}, nullptr, nullptr, 3},
        Misuse{"updateni", {"<inf>", "ROOT\\QVTEST"}, nullptr, "SetupSetNonInteractiveMode", 2},
        Misuse{"dp_add", {}, nullptr, nullptr, 3}, Misuse{"dp_add", {"<inf>"}, kRemote, nullptr, 3},
        Misuse{"dp_add", {"<inf>"}, nullptr, "SetupCopyOEMInfA", 2}, Misuse{"dp_delete", {}, nullptr, nullptr, 3},
        Misuse{"dp_delete", {"oem0.inf"}, kRemote, nullptr, 3},
        Misuse{"dp_delete", {"oem0.inf"}, nullptr, "GetProcAddress", 2}, Misuse{"dp_enum", {}, kRemote, nullptr, 3},
        Misuse{"dp_enum", {}, nullptr, "FindFirstFileA", 2}, Misuse{"dp_enum", {}, nullptr, "GetWindowsDirectoryA", 2},
        Misuse{"reboot", {}, kRemote, nullptr, 3}, Misuse{"reboot", {}, nullptr, "InitiateSystemShutdownExA", 2},
        Misuse{"rescan", {}, kRemote, nullptr, 2}, Misuse{"rescan", {}, nullptr, "CM_Reenumerate_DevNode_Ex", 2},
        Misuse{"sethwid", {"*"}, nullptr, nullptr, 3}, Misuse{"sethwid", {":=", "+A"}, nullptr, nullptr, 3},
        Misuse{"sethwid", {"*", ":="}, nullptr, nullptr, 3}, Misuse{"sethwid", {"*", ":=", "+A"}, kRemote, nullptr, 3},
        Misuse{"listclass", {"ORUpc"}, kRemote, nullptr, 2},
        Misuse{"listclass", {"ORUpc"}, nullptr, "SetupDiGetClassDevsExA", 2}),
    [](const testing::TestParamInfo<Misuse>& info) {
      return std::string(info.param.name) + "_" + std::to_string(info.index);
    });

TEST_F(Console, DisableEnableAndRestartTheInstrument) {
  InstrumentClient client;
  ASSERT_TRUE(client.open());
  client.close();

  EXPECT_EQ(run("disable", {"@" + std::string(kInstrument)}), 0);
  EXPECT_EQ(out.take(), std::string(kInstrument) + std::string(60 - std::strlen(kInstrument), ' ') + ": Disabled\n" +
                            message(60603, {1}));
  EXPECT_TRUE(record(kInstrument)->disabled);
  EXPECT_FALSE(client.open());
  // The status dump of the disabled node says so, alone.
  HDEVINFO set = SetupDiCreateDeviceInfoListExA(nullptr, nullptr, nullptr, nullptr);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, kInstrument, nullptr, 0, &device));
  EXPECT_EQ(console.PrintDeviceStatus(set, &device), 1);
  EXPECT_EQ(out.take(), "    The device is disabled.\n");

  EXPECT_EQ(run("enable", {"USB\\VID_0452&PID_0201"}), 0);
  EXPECT_NE(out.take().find(": Enabled\n"), std::string::npos);
  EXPECT_FALSE(record(kInstrument)->disabled);
  EXPECT_TRUE(client.open());
  EXPECT_EQ(console.PrintDeviceStatus(set, &device), 1);
  EXPECT_EQ(out.take(), "    The driver is running.\n");
  client.close();

  EXPECT_EQ(run("restart", {"=ORUpc", "*"}), 0);
  EXPECT_NE(out.take().find(": Restarted\n"), std::string::npos);
  EXPECT_TRUE(client.open());

  // A read in progress vetoes the removal: the device keeps running until the next start.
  ASSERT_TRUE(client.startRead());
  EXPECT_EQ(run("restart", {"*"}), 1);
  std::string text = out.take();
  EXPECT_NE(text.find(": Requires reboot\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.find('\n') + 1), message(60704, {1}));
  client.close();
  EXPECT_TRUE(client.open());
  client.close();
  SetupDiDestroyDeviceInfoList(set);
}

TEST_F(Console, InstallCreatesARootNodeServedByTheTestDriver) {
  ClearTestDriverPnpLog();
  EXPECT_EQ(run("install", {rig.testInf().string(), kTestHardwareId}), 0);
  std::string text = out.take();
  EXPECT_NE(text.find(message(61103)), std::string::npos) << text;
  EXPECT_NE(text.find(message(61002)), std::string::npos) << text;
  const platform::DeviceRecord* r = record("ROOT\\QVTEST\\0000");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->hardwareIds, std::vector<std::string>{kTestHardwareId});
  EXPECT_EQ(r->service, kTestService);
  EXPECT_EQ(r->className, "QvTest");
  // The driver key names the stored package (the instrument's is oem0.inf).
  EXPECT_EQ(r->driverKey.infPath, "oem1.inf");
  std::vector<unsigned> minors = TestDriverPnpLog();
  EXPECT_NE(std::find(minors.begin(), minors.end(), IRP_MN_START_DEVICE), minors.end());

  // The node answers the dumps as any other.
  HDEVINFO set = SetupDiCreateDeviceInfoListExA(nullptr, nullptr, nullptr, nullptr);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  ASSERT_TRUE(SetupDiOpenDeviceInfoA(set, "ROOT\\QVTEST\\0000", nullptr, 0, &device));
  EXPECT_EQ(console.PrintDeviceStatus(set, &device), 1);
  EXPECT_EQ(out.take(), "    The driver is running.\n");
  SP_DRVINFO_DATA_A driver{};
  EXPECT_EQ(console.FindInstalledDriverNode(set, &device, &driver), 1);
  EXPECT_STREQ(driver.ProviderName, "Console Test Makers");
  SetupDiDestroyDriverInfoList(set, &device, SPDIT_CLASSDRIVER);
  SetupDiDestroyDeviceInfoList(set);

  // Disabling the node takes its stack down in order; enabling builds and starts it again.
  ClearTestDriverPnpLog();
  EXPECT_EQ(run("disable", {"@ROOT\\QVTEST\\0000"}), 0);
  EXPECT_EQ(TestDriverPnpLog(), (std::vector<unsigned>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_REMOVE_DEVICE}));
  ClearTestDriverPnpLog();
  EXPECT_EQ(run("enable", {"@ROOT\\QVTEST\\0000"}), 0);
  minors = TestDriverPnpLog();
  EXPECT_NE(std::find(minors.begin(), minors.end(), IRP_MN_START_DEVICE), minors.end());
  EXPECT_EQ(std::count(minors.begin(), minors.end(), IRP_MN_REMOVE_DEVICE), 0);

  // A second install is the next free number.
  EXPECT_EQ(run("install", {rig.testInf().string(), kTestHardwareId}), 0);
  EXPECT_NE(record("ROOT\\QVTEST\\0001"), nullptr);

  // sethwid on both root nodes: the edits in order, saved.
  out.take();
  EXPECT_EQ(
      run("sethwid", {"@ROOT\\QVTEST\\*", ":=", "+EXTRA", "SECOND", "+EXTRA", "-" + std::string(kTestHardwareId)}), 0);
  text = out.take();
  EXPECT_NE(text.find("ROOT\\QVTEST\\0000" + std::string(60 - 16, ' ') + ": SECOND, EXTRA\n"), std::string::npos)
      << text;
  EXPECT_EQ(record("ROOT\\QVTEST\\0001")->hardwareIds, (std::vector<std::string>{"SECOND", "EXTRA"}));
  EXPECT_EQ(run("sethwid", {"@ROOT\\QVTEST\\0000", ":=", "=ONLY"}), 0);
  EXPECT_EQ(record("ROOT\\QVTEST\\0000")->hardwareIds, std::vector<std::string>{"ONLY"});
  EXPECT_EQ(record("ROOT\\QVTEST\\0001")->hardwareIds, (std::vector<std::string>{"SECOND", "EXTRA"}));
}

TEST_F(Console, UpdateRebindsMatchingNodesOrFails) {
  EXPECT_EQ(run("update", {rig.testInf().string(), "ROOT\\NOBODY"}), 2);
  EXPECT_EQ(run("install", {rig.testInf().string(), kTestHardwareId}), 0);
  out.take();
  EXPECT_EQ(run("updateni", {rig.testInf().string(), kTestHardwareId}), 0);
  EXPECT_TRUE(SetupNonInteractiveMode());
  EXPECT_EQ(out.take(), "Updating the driver for ROOT\\QVTEST from " + rig.testInf().string() + ".\n" + message(61103));
  setup::HideExport("newdev.dll", "UpdateDriverForPlugAndPlayDevicesA");
  EXPECT_EQ(run("update", {rig.testInf().string(), kTestHardwareId}), 2);
}

TEST_F(Console, InstallAndUpdateBindThePackageTheyWereGiven) {
  std::string newer = TestDriverInf();
  newer.replace(newer.find("01/02/2026,2.3.4.5"), 18, "01/02/2030,9.0.0.0");
  const std::filesystem::path newerInf = rig.testInf().parent_path() / "newer.inf";
  setuptest::WriteBytes(newerInf, newer);
  EXPECT_EQ(run("dp_add", {newerInf.string()}), 0);  // oem1.inf, the newest
  EXPECT_EQ(run("install", {rig.testInf().string(), kTestHardwareId}), 0);
  EXPECT_EQ(record("ROOT\\QVTEST\\0000")->driverKey.infPath, "oem2.inf");
  EXPECT_EQ(run("update", {newerInf.string(), kTestHardwareId}), 0);
  EXPECT_EQ(record("ROOT\\QVTEST\\0000")->driverKey.infPath, "oem1.inf");
  EXPECT_EQ(run("update", {rig.testInf().string(), kTestHardwareId}), 0);
  EXPECT_EQ(record("ROOT\\QVTEST\\0000")->driverKey.infPath, "oem2.inf");
}

TEST_F(Console, DriverStoreAddListAndDelete) {
  EXPECT_EQ(run("dp_add", {rig.testInf().string()}), 0);
  EXPECT_EQ(out.take(), "Driver package \"oem1.inf\" added.\n");
  EXPECT_EQ(rig.machine().driverPackageCount(), 2u);

  const std::string listing = message(61116) +
                              "    oem0.inf\n"
                              "        Provider  : Pelgrave, Inc.\n"
                              "        Version   : \n"
                              "        ClassGUID : {B979AFCD-77CA-451E-931A-2ADABC8521F2}\n"
                              "        DriverVer : 12/09/2026,1.0.0.0\n"
                              "    oem1.inf\n"
                              "        Provider  : Console Test Makers\n"
                              "        Version   : \n"
                              "        ClassGUID : " +
                              std::string(kTestClassGuid) +
                              "\n"
                              "        DriverVer : 01/02/2026,2.3.4.5\n";
  EXPECT_EQ(run("dp_enum"), 0);
  EXPECT_EQ(out.take(), listing);
  setup::HideExport("setupapi.dll", "SetupVerifyInfFile");
  EXPECT_EQ(run("dp_enum"), 0);
  EXPECT_EQ(out.take(), listing);

  // Refused while the instrument uses it, for paths and for names not stored.
  for (const char* name : {"oem0.inf", "../x", "..\\oem1.inf", "oem7.inf"}) {
    EXPECT_EQ(run("dp_delete", {name}), 2) << name;
    EXPECT_EQ(out.take(), "Driver package \"" + std::string(name) + "\" cannot be deleted.\n");
  }
  EXPECT_EQ(rig.machine().driverPackageCount(), 2u);
  EXPECT_EQ(run("dp_delete", {"OEM1.INF"}), 0);
  EXPECT_EQ(run("dp_delete", {"oem0.inf"}, nullptr, console::kFlagForce), 0);
  EXPECT_EQ(rig.machine().driverPackageCount(), 0u);
  out.take();
  EXPECT_EQ(run("dp_enum"), 0);
  EXPECT_EQ(out.take(), message(61117));
}

TEST_F(Console, RescanBindsANodeOnceItsPackageIsStored) {
  // An instrument of a product no package serves: present, without a driver.
  ASSERT_NE(rig.setup().plugInstrument(0x0205), 0);
  const std::string id = UnboundInstrument(rig.machine());
  ASSERT_NE(record(id), nullptr);
  EXPECT_TRUE(record(id)->service.empty());
  std::string inf = TestDriverInf();
  inf.replace(inf.find("ROOT\\QVTEST"), 11, "USB\\VID_0452&PID_0205");
  const std::filesystem::path usbInf = rig.testInf().parent_path() / "qvusb.inf";
  setuptest::WriteBytes(usbInf, inf);
  EXPECT_EQ(run("dp_add", {usbInf.string()}), 0);
  ClearTestDriverPnpLog();
  EXPECT_EQ(run("rescan"), 0);
  EXPECT_EQ(out.take(), "Driver package \"oem1.inf\" added.\n" + message(61302) + message(61303));
  EXPECT_EQ(record(id)->service, kTestService);
  std::vector<unsigned> minors = TestDriverPnpLog();
  EXPECT_NE(std::find(minors.begin(), minors.end(), IRP_MN_START_DEVICE), minors.end());
}

TEST_F(Console, RebootRecordsTheRestartAndTheNextLoadFinishesRemovals) {
  InstrumentClient client;
  ASSERT_TRUE(client.open());
  ASSERT_TRUE(client.startRead());
  // The busy device cannot go now: its removal waits for the restart.
  EXPECT_EQ(run("remove", {"@" + std::string(kInstrument)}), 1);
  EXPECT_TRUE(record(kInstrument)->pendingRemoval);
  client.close();
  EXPECT_EQ(run("reboot"), 0);
  EXPECT_TRUE(rig.machine().setupState().pendingRestart);
  const std::filesystem::path root = rig.setup().root();
  ASSERT_TRUE(rig.setup().shutdown());
  setuptest::SetupRig next(root, {});
  EXPECT_EQ(next.machine().setupState().find(kInstrument), nullptr);
  EXPECT_FALSE(next.machine().setupState().pendingRestart);
}

}  // namespace
}  // namespace consoletest
