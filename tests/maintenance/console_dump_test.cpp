// The console's per-device dumps and shared operations, called directly on seeded nodes and on
// the bound instrument: every line in its exact format, the parts left out, the growing
// readers, and every handle given back.

#include <gtest/gtest.h>

#include <string>

#include "maintenance/console/DeviceConsole.h"
#include "maintenance/install/IdList.h"
#include "platform/setup/ConfigManager.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "tests/maintenance/ConsoleRig.h"

namespace consoletest {
namespace {

constexpr char kInstrument[] = "USB\\VID_0452&PID_0201\\ORU14400-000001";
constexpr char kSeeded[] = "PCI\\VEN_1234&DEV_0001\\3&0&0";
constexpr char kOrupcGuid[] = "{B979AFCD-77CA-451E-931A-2ADABC8521F2}";

class ConsoleDump : public testing::Test {
 protected:
  void SetUp() override { before = setup::OpenSetupHandles(); }
  void TearDown() override {
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
    setup::ClearFailures();
    EXPECT_EQ(setup::OpenSetupHandles(), before);
    EXPECT_EQ(setup::OpenMachineHandles(), 0u);
  }

  void seed(const std::function<void(platform::DeviceRecord&)>& fill, const std::string& id = kSeeded) {
    ASSERT_TRUE(rig.machine().changeSetupState([&](platform::SetupDatabase& db) {
      platform::DeviceRecord* existing = db.find(id);
      platform::DeviceRecord r = existing ? *existing : platform::DeviceRecord{};
      r.instanceId = id;
      fill(r);
      db.put(r);
    }));
  }
  void seedClass(const std::function<void(platform::SetupClass&)>& fill) {
    ASSERT_TRUE(rig.machine().changeSetupState([&](platform::SetupDatabase& db) {
      for (platform::SetupClass& c : db.classes)
        if (c.guid == kOrupcGuid) fill(c);
    }));
  }
  // A set holding the node as it is recorded now (a set keeps what it saw when the node joined).
  PSP_DEVINFO_DATA open(const std::string& id) {
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
    set = SetupDiCreateDeviceInfoListExA(nullptr, nullptr, nullptr, nullptr);
    device = {};
    device.cbSize = sizeof device;
    EXPECT_TRUE(SetupDiOpenDeviceInfoA(set, id.c_str(), nullptr, 0, &device)) << id;
    return &device;
  }

  ConsoleRig rig;
  Capture out;
  console::DeviceConsole console{out.stream()};
  HDEVINFO set = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA device{};
  std::size_t before = 0;
};

TEST_F(ConsoleDump, StatusOfAbsentStartedUnboundAndUnreadableNodes) {
  seed([](platform::DeviceRecord&) {});
  EXPECT_EQ(console.PrintDeviceStatus(set, open(kSeeded)), 1);
  EXPECT_EQ(out.take(), "    The device is not present.\n");

  EXPECT_EQ(console.PrintDeviceStatus(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    The driver is running.\n");

  setup::FailNextCall("CM_Get_DevNode_Status_Ex", CR_FAILURE);
  EXPECT_EQ(console.PrintDeviceStatus(set, open(kInstrument)), 0);
  EXPECT_EQ(out.take(), "    The status of the device cannot be read.\n");

  // An instrument of another product: no package serves it, so it is not started.
  ASSERT_NE(rig.setup().plugInstrument(0x0202), 0);
  EXPECT_EQ(console.PrintDeviceStatus(set, open(UnboundInstrument(rig.machine()))), 1);
  EXPECT_EQ(out.take(), "    The device has a problem: 28.\n");
}

TEST_F(ConsoleDump, ResourceLinesInTheirExactFormats) {
  seed(
      [](platform::DeviceRecord& r) {
        r.configurations = {{ALLOC_LOG_CONF,
                             {{ResType_Mem, 0xFE000000, 0xFE000FFF, 0},
                              {ResType_Mem, 0, ~0ull, 0},  // the whole 64-bit space
                              {ResType_IO, 0x3F8, 0x3F8, 0},
                              {ResType_IO, 0x1234567890ull, 0x1234567891ull, 0},
                              {ResType_DMA, 0, 0, 3},
                              {ResType_IRQ, 0, 0, 11},
                              {7, 0, 0, 0}}},
                            {BOOT_LOG_CONF, {{ResType_IRQ, 0, 0, 5}}}};
      },
      kInstrument);
  EXPECT_EQ(console.PrintDeviceResources(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(),
            "    The device is using these resources:\n"
            "        MEM : fe000000-fe000fff\n"
            "        IO  : 03f8-03f8\n"
            "        IO  : 1234567890-1234567891\n"
            "        DMA : 3\n"
            "        IRQ : 11\n");
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::ResDes), 0u);
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::LogConf), 0u);

  // Only a configuration of one full range: the header and no line.
  seed(
      [](platform::DeviceRecord& r) {
        r.configurations = {{ALLOC_LOG_CONF, {{ResType_IO, 0, ~0ull, 0}}}};
      },
      kInstrument);
  EXPECT_EQ(console.PrintDeviceResources(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    The device is using these resources:\n");
  seed([](platform::DeviceRecord& r) { r.configurations.clear(); }, kInstrument);
  EXPECT_EQ(console.PrintDeviceResources(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    The device is using no resources.\n");
  // A node that is not present: no status, nothing printed.
  seed([](platform::DeviceRecord& r) { r.configurations = {{ALLOC_LOG_CONF, {{ResType_IRQ, 0, 0, 1}}}}; });
  EXPECT_EQ(console.PrintDeviceResources(set, open(kSeeded)), 0);
  EXPECT_EQ(out.take(), "");
}

TEST_F(ConsoleDump, AProblemNodeShowsItsForcedConfigurationButNotItsAllocatedOne) {
  ASSERT_NE(rig.setup().plugInstrument(0x0202), 0);
  const std::string id = UnboundInstrument(rig.machine());
  seed(
      [](platform::DeviceRecord& r) {
        r.configurations = {{ALLOC_LOG_CONF, {{ResType_IRQ, 0, 0, 9}}}, {FORCED_LOG_CONF, {{ResType_DMA, 0, 0, 2}}}};
      },
      id);
  EXPECT_EQ(console.PrintDeviceResources(set, open(id)), 1);
  EXPECT_EQ(out.take(), "    The device has these resources reserved:\n        DMA : 2\n");
  // Without the forced one, the boot one (problem 28 is not a hardware-disabled node).
  seed([](platform::DeviceRecord& r) { r.configurations = {{BOOT_LOG_CONF, {{ResType_IRQ, 0, 0, 4}}}}; }, id);
  EXPECT_EQ(console.PrintDeviceResources(set, open(id)), 1);
  EXPECT_EQ(out.take(), "    The device has these resources reserved:\n        IRQ : 4\n");
}

TEST_F(ConsoleDump, ProblemsTheDeviceReportsItself) {
  seed([](platform::DeviceRecord& r) { r.privateProblem = true; }, kInstrument);
  EXPECT_EQ(console.PrintDeviceStatus(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    The device has a problem reported by its driver.\n    The driver is running.\n");

  // Hardware disabled (29): neither the allocated nor the boot configuration is looked at.
  seed(
      [](platform::DeviceRecord& r) {
        r.privateProblem = false;
        r.reportedProblem = CM_PROB_HARDWARE_DISABLED;
        r.configurations = {{ALLOC_LOG_CONF, {{ResType_IRQ, 0, 0, 9}}}, {BOOT_LOG_CONF, {{ResType_IRQ, 0, 0, 4}}}};
      },
      kInstrument);
  EXPECT_EQ(console.PrintDeviceStatus(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    The device has a problem: 29.\n    The driver is running.\n");
  EXPECT_EQ(console.PrintDeviceResources(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    The device is using no resources.\n");
  // Another problem still shows the boot configuration.
  seed([](platform::DeviceRecord& r) { r.reportedProblem = CM_PROB_FAILED_START; }, kInstrument);
  EXPECT_EQ(console.PrintDeviceResources(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    The device is using these resources:\n        IRQ : 4\n");
}

TEST_F(ConsoleDump, StackPartsInOrderWithEmptyPartsLeftOut) {
  seedClass([](platform::SetupClass& c) {
    c.upperFilters = {"ClassUp"};
    c.lowerFilters = {"ClassLow1", "ClassLow2"};
  });
  seed([](platform::DeviceRecord& r) { r.lowerFilters = {"DevLow"}; }, kInstrument);
  EXPECT_EQ(console.PrintDeviceStack(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(),
            "    Class upper filters:\n"
            "        ClassUp\n"
            "    Controlling service:\n"
            "        ORUpc\n"
            "    Class lower filters:\n"
            "        ClassLow1\n"
            "        ClassLow2\n"
            "    Lower filters:\n"
            "        DevLow\n");
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::RegistryKey), 0u);

  // Without the installer key the node's own parts still print.
  seedClass([](platform::SetupClass& c) { c.installerKey = false; });
  seed([](platform::DeviceRecord& r) { r.upperFilters = {"DevUp"}; }, kInstrument);
  EXPECT_EQ(console.PrintDeviceStack(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(),
            "    Upper filters:\n        DevUp\n    Controlling service:\n        ORUpc\n"
            "    Lower filters:\n        DevLow\n");

  seed([](platform::DeviceRecord&) {});
  EXPECT_EQ(console.PrintDeviceStack(set, open(kSeeded)), 1);
  EXPECT_EQ(out.take(), "    Controlling service:\n        (none)\n");
}

TEST_F(ConsoleDump, SetupClassDescriptionAndIds) {
  seed([](platform::DeviceRecord& r) { r.className = "Ports"; });
  EXPECT_EQ(console.PrintDeviceSetupClass(set, open(kSeeded)), 1);
  EXPECT_EQ(out.take(), "    Setup class: {} Ports\n");
  seed([](platform::DeviceRecord& r) {
    r.className.clear();
    r.classGuid = kOrupcGuid;
  });
  EXPECT_EQ(console.PrintDeviceSetupClass(set, open(kSeeded)), 1);
  EXPECT_EQ(out.take(), std::string("    Setup class: ") + kOrupcGuid + " (?)\n");
  seed([](platform::DeviceRecord& r) { r.classGuid.clear(); });
  EXPECT_EQ(console.PrintDeviceSetupClass(set, open(kSeeded)), 1);
  EXPECT_EQ(out.take(), "    Setup class: (none)\n");

  EXPECT_EQ(console.PrintDeviceDescription(set, open(kSeeded)), 0);
  EXPECT_EQ(out.take(), "");
  EXPECT_EQ(console.PrintDeviceDescription(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    Name: ORU14400 telephone-line instrument\n");
  seed([](platform::DeviceRecord& r) { r.friendlyName = "Bench unit"; }, kInstrument);
  EXPECT_EQ(console.PrintDeviceDescription(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "    Name: Bench unit\n");

  EXPECT_EQ(console.PrintDeviceHardwareIds(set, open(kSeeded)), 1);
  EXPECT_EQ(out.take(), "    The device has no hardware or compatible ids.\n");
  seed([](platform::DeviceRecord& r) {
    r.hardwareIds = {"PCI\\A", "PCI\\B"};
    r.compatibleIds = {"PCI\\CC_07"};
  });
  EXPECT_EQ(console.PrintDeviceHardwareIds(set, open(kSeeded)), 1);
  EXPECT_EQ(out.take(), "    Hardware ids:\n        PCI\\A\n        PCI\\B\n    Compatible ids:\n        PCI\\CC_07\n");
  seed([](platform::DeviceRecord& r) { r.hardwareIds.clear(); });
  EXPECT_EQ(console.PrintDeviceHardwareIds(set, open(kSeeded)), 1);
  EXPECT_EQ(out.take(), "    Compatible ids:\n        PCI\\CC_07\n");

  char* emptyList[] = {nullptr};
  EXPECT_EQ(console.PrintStringList(1, emptyList), 0);
  EXPECT_EQ(console.PrintStringList(1, nullptr), 0);
  EXPECT_EQ(out.take(), "");
}

TEST_F(ConsoleDump, InstalledDriverNodeMatchesOnlyTheDriverKeyAsWritten) {
  SP_DRVINFO_DATA_A driver{};
  ASSERT_EQ(console.FindInstalledDriverNode(set, open(kInstrument), &driver), 1);
  EXPECT_STREQ(driver.Description, "ORU14400 telephone-line instrument");
  // The list stays built for the caller.
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::DriverList), 1u);
  EXPECT_TRUE(SetupDiDestroyDriverInfoList(set, &device, SPDIT_CLASSDRIVER));
  EXPECT_EQ(out.take(), "");

  for (auto change : std::vector<std::function<void(platform::DriverKey&)>>{
           [](platform::DriverKey& k) { k.driverDesc = "Another description"; },
           [](platform::DriverKey& k) { k.infSection = "Other_Install"; },
           [](platform::DriverKey& k) { k.providerName = "Someone else"; },
           [](platform::DriverKey& k) { k.infPath = "oem5.inf"; },
       }) {
    platform::DriverKey saved = rig.machine().setupState().find(kInstrument)->driverKey;
    seed([&](platform::DeviceRecord& r) { change(r.driverKey); }, kInstrument);
    EXPECT_EQ(console.FindInstalledDriverNode(set, open(kInstrument), &driver), 0);
    EXPECT_EQ(setup::OpenHandles(setup::HandleKind::DriverList), 0u);
    seed([&](platform::DeviceRecord& r) { r.driverKey = saved; }, kInstrument);
  }
  EXPECT_EQ(console.PrintDeviceDriverFiles(set, open(kInstrument)), 1);
  EXPECT_EQ(console.PrintDeviceDriverNodes(set, open(kInstrument)), 1);
  EXPECT_EQ(out.take(), "");
}

TEST_F(ConsoleDump, SharedReadersGrowPastTheirFirstBuffers) {
  const std::string longName(1500, 'n');
  seed([&](platform::DeviceRecord& r) { r.friendlyName = longName; });
  std::unique_ptr<char[]> name =
      console::DeviceConsole::ReadDeviceStringProperty(set, open(kSeeded), SPDRP_FRIENDLYNAME);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::string(name.get()), longName);
  EXPECT_EQ(console::DeviceConsole::ReadDeviceStringProperty(set, open(kSeeded), SPDRP_SERVICE), nullptr);

  std::vector<std::string> filters;
  for (int i = 0; i < 400; ++i) filters.push_back("filter-driver-number-" + std::to_string(i));
  seedClass([&](platform::SetupClass& c) { c.upperFilters = filters; });
  GUID guid = open(kInstrument)->ClassGuid;
  HKEY key = SetupDiOpenClassRegKeyExA(&guid, KEY_READ, DIOCR_INSTALLER, nullptr, nullptr);
  ASSERT_NE(key, static_cast<HKEY>(INVALID_HANDLE_VALUE));
  char** list = console::DeviceConsole::ReadRegistryMultiString(key, "UpperFilters");
  ASSERT_NE(list, nullptr);
  std::vector<std::string> read;
  for (char** s = list; *s; ++s) read.push_back(*s);
  FreeIdList(list);
  EXPECT_EQ(read, filters);
  EXPECT_EQ(console::DeviceConsole::ReadRegistryMultiString(key, "LowerFilters"), nullptr);
  RegCloseKey(key);

  char small[4];
  EXPECT_EQ(console::DeviceConsole::BoundedCopy(small, 0, "x"), console::STRSAFE_E_INVALID_PARAMETER);
  EXPECT_EQ(console::DeviceConsole::BoundedCopy(small, console::STRSAFE_MAX_CCH + 1, "x"),
            console::STRSAFE_E_INVALID_PARAMETER);
  EXPECT_EQ(console::DeviceConsole::BoundedCopy(small, sizeof small, "abcdef"), console::STRSAFE_E_INSUFFICIENT_BUFFER);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(console::DeviceConsole::BoundedCopy(small, sizeof small, "abc"), console::S_OK);
  EXPECT_STREQ(small, "abc");

  int count = 0;
  EXPECT_EQ(console.DriverFileCallback(&count, 0, reinterpret_cast<ULONG_PTR>("a.sys"), 0), 0u);
  EXPECT_EQ(console.DriverFileCallback(&count, 0, reinterpret_cast<ULONG_PTR>("b.sys"), 0), 0u);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(out.take(), "");
  EXPECT_EQ(console.DriverFileCallback(nullptr, 0, reinterpret_cast<ULONG_PTR>("c.sys"), 0), 0u);
  EXPECT_EQ(out.take(), "        c.sys\n");

  console.PrintDeviceLine(set, open(kInstrument), "text");
  console.PrintDeviceLine(set, open(kInstrument), nullptr);
  EXPECT_EQ(out.take(), std::string(kInstrument) + std::string(60 - std::strlen(kInstrument), ' ') + ": text\n" +
                            kInstrument + "\n");
}

}  // namespace
}  // namespace consoletest
