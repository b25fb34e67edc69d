// Logical configurations and resource descriptors of a seeded node: choosing a configuration,
// walking descriptors of one type or all, their data, the handles' lifetimes, and the records
// surviving a save and load of the machine's state.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "platform/setup/SetupQueries.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {
namespace {

constexpr char kSeeded[] = "PCI\\VEN_1234&DEV_0001\\3&0&0";

platform::DeviceRecord seededRecord() {
  platform::DeviceRecord r;
  r.instanceId = kSeeded;
  r.hardwareIds = {"PCI\\VEN_1234&DEV_0001"};
  r.friendlyName = "Seeded card";
  r.upperFilters = {"upf"};
  platform::LogicalConfiguration alloc{ALLOC_LOG_CONF,
                                       {{ResType_Mem, 0xFE000000, 0xFE000FFF, 0},
                                        {ResType_IRQ, 0, 0, 11},
                                        {ResType_IO, 0x3F8, 0x3FF, 0},
                                        {ResType_DMA, 0, 0, 3},
                                        {ResType_IO, 0x2F8, 0x2FF, 0}}};
  platform::LogicalConfiguration boot{BOOT_LOG_CONF, {{ResType_IO, 0x100, 0x100, 0}}};
  r.configurations = {alloc, boot};
  return r;
}

class SetupResources : public testing::Test {
 protected:
  void SetUp() override {
    before = setup::OpenSetupHandles();
    ASSERT_TRUE(rig.machine().changeSetupState([](platform::SetupDatabase& db) { db.put(seededRecord()); }));
    node = setup::DevInstOf(kSeeded);
  }
  void TearDown() override {
    setup::ClearFailures();
    EXPECT_EQ(setup::OpenSetupHandles(), before);
  }

  SetupRig rig;
  std::size_t before = 0;
  DEVINST node = 0;
};

TEST_F(SetupResources, ConfigurationsByTypeAndDescriptorWalks) {
  LOG_CONF configuration = 0;
  EXPECT_EQ(CM_Get_First_Log_Conf_Ex(&configuration, node, FORCED_LOG_CONF, nullptr), CR_NO_MORE_LOG_CONF);
  ASSERT_EQ(CM_Get_First_Log_Conf_Ex(&configuration, node, ALLOC_LOG_CONF, nullptr), CR_SUCCESS);
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::LogConf), 1u);

  // Every type, in order; each step from the previous descriptor.
  std::vector<RESOURCEID> types;
  RES_DES descriptor = 0, previous = 0;
  RESOURCEID type = 0;
  ULONG_PTR from = configuration;
  while (CM_Get_Next_Res_Des_Ex(&descriptor, from, ResType_All, &type, 0, nullptr) == CR_SUCCESS) {
    types.push_back(type);
    if (previous) {
      EXPECT_EQ(CM_Free_Res_Des_Handle(previous), CR_SUCCESS);
    }
    previous = from = descriptor;
  }
  EXPECT_EQ(types, (std::vector<RESOURCEID>{ResType_Mem, ResType_IRQ, ResType_IO, ResType_DMA, ResType_IO}));
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::ResDes), 1u);
  EXPECT_EQ(CM_Free_Res_Des_Handle(previous), CR_SUCCESS);
  EXPECT_EQ(CM_Free_Res_Des_Handle(previous), CR_INVALID_RES_DES);

  // Only I/O: both ranges, with their data.
  std::vector<std::pair<ULONGLONG, ULONGLONG>> ranges;
  from = configuration;
  while (CM_Get_Next_Res_Des_Ex(&descriptor, from, ResType_IO, &type, 0, nullptr) == CR_SUCCESS) {
    ULONG size = 0;
    ASSERT_EQ(CM_Get_Res_Des_Data_Size_Ex(&size, descriptor, 0, nullptr), CR_SUCCESS);
    ASSERT_EQ(size, sizeof(IO_DES));
    IO_DES io{};
    EXPECT_EQ(CM_Get_Res_Des_Data_Ex(descriptor, &io, size - 1, 0, nullptr), CR_BUFFER_SMALL);
    ASSERT_EQ(CM_Get_Res_Des_Data_Ex(descriptor, &io, size, 0, nullptr), CR_SUCCESS);
    ranges.emplace_back(io.IOD_Alloc_Base, io.IOD_Alloc_End);
    if (from != configuration) CM_Free_Res_Des_Handle(from);
    from = descriptor;
  }
  if (from != configuration) CM_Free_Res_Des_Handle(from);
  EXPECT_EQ(ranges, (std::vector<std::pair<ULONGLONG, ULONGLONG>>{{0x3F8, 0x3FF}, {0x2F8, 0x2FF}}));

  EXPECT_EQ(CM_Free_Log_Conf_Handle(configuration), CR_SUCCESS);
  EXPECT_EQ(CM_Free_Log_Conf_Handle(configuration), CR_INVALID_LOG_CONF);
  EXPECT_EQ(CM_Get_Next_Res_Des_Ex(&descriptor, configuration, ResType_All, &type, 0, nullptr), CR_INVALID_RES_DES);
}

TEST_F(SetupResources, UnknownNodesAndInjectedFailures) {
  LOG_CONF configuration = 0;
  EXPECT_EQ(CM_Get_First_Log_Conf_Ex(&configuration, 0, ALLOC_LOG_CONF, nullptr), CR_INVALID_DEVNODE);
  EXPECT_EQ(CM_Get_First_Log_Conf_Ex(&configuration, node, 9, nullptr), CR_INVALID_FLAG);
  // Asking only whether one exists takes no handle.
  EXPECT_EQ(CM_Get_First_Log_Conf_Ex(nullptr, node, BOOT_LOG_CONF, nullptr), CR_SUCCESS);
  setup::FailNextCall("CM_Get_First_Log_Conf_Ex", 0);
  EXPECT_EQ(CM_Get_First_Log_Conf_Ex(&configuration, node, BOOT_LOG_CONF, nullptr), CR_FAILURE);
  ASSERT_EQ(CM_Get_First_Log_Conf_Ex(&configuration, node, BOOT_LOG_CONF, nullptr), CR_SUCCESS);
  RES_DES descriptor = 0;
  RESOURCEID type = 0;
  EXPECT_EQ(CM_Get_Next_Res_Des_Ex(&descriptor, configuration, ResType_All, nullptr, 0, nullptr), CR_INVALID_POINTER);
  EXPECT_EQ(CM_Get_Next_Res_Des_Ex(&descriptor, configuration, ResType_Mem, &type, 0, nullptr), CR_NO_MORE_RES_DES);
  EXPECT_EQ(setup::OpenHandles(setup::HandleKind::ResDes), 0u);
  EXPECT_EQ(CM_Free_Log_Conf_Handle(configuration), CR_SUCCESS);
}

TEST_F(SetupResources, SeededDataSurvivesTheNextLoad) {
  const std::filesystem::path root = rig.root();
  ASSERT_TRUE(rig.machine().changeSetupState([](platform::SetupDatabase& db) {
    platform::SetupClass c;
    c.name = "Seeded";
    c.guid = "{11111111-2222-3333-4444-555555555555}";
    c.description = "Seeded cards";
    c.installerKey = false;
    c.lowerFilters = {"lf1", "lf2"};
    db.classes.push_back(c);
  }));
  ASSERT_TRUE(rig.shutdown());
  SetupRig again(root, {});
  platform::SetupDatabase db = again.machine().setupState();
  const platform::DeviceRecord* r = db.find(kSeeded);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->friendlyName, "Seeded card");
  EXPECT_EQ(r->upperFilters, std::vector<std::string>{"upf"});
  ASSERT_EQ(r->configurations.size(), 2u);
  EXPECT_EQ(r->configurations[0].type, ALLOC_LOG_CONF);
  ASSERT_EQ(r->configurations[0].resources.size(), 5u);
  EXPECT_EQ(r->configurations[0].resources[0].end, 0xFE000FFFull);
  EXPECT_EQ(r->configurations[0].resources[1].number, 11u);
  ASSERT_EQ(db.classes.size(), 1u);
  EXPECT_EQ(db.classes[0].description, "Seeded cards");
  EXPECT_FALSE(db.classes[0].installerKey);
  EXPECT_EQ(db.classes[0].lowerFilters, (std::vector<std::string>{"lf1", "lf2"}));
}

TEST(SetupDatabaseText, ConfigurationsOfTheWrongShapeDoNotLoad) {
  platform::SetupDatabase db;
  std::string error;
  EXPECT_FALSE(platform::LoadSetupDatabase(
      R"({"devices":[{"instanceId":"A\\B\\C","configurations":[{"type":2,"resources":[7]}]}]})", db, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(platform::LoadSetupDatabase(R"({"devices":[{"instanceId":"A\\B\\C","configurations":{}}]})", db, error));
  EXPECT_TRUE(platform::LoadSetupDatabase(
      R"({"devices":[{"instanceId":"A\\B\\C","configurations":[{"type":4,"resources":[{"type":2,"base":16,"end":31}]}]}]})",
      db, error));
  ASSERT_NE(db.find("a\\b\\c"), nullptr);
  EXPECT_EQ(db.find("a\\b\\c")->configurations.at(0).resources.at(0).end, 31u);
}

}  // namespace
}  // namespace setuptest
