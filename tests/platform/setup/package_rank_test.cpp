// Which stored package a node binds to: the better id match, then the newer DriverVer date, then
// the newer version; a node keeps the package it is recorded with while that still serves it.

#include <gtest/gtest.h>

#include "platform/machine/DriverStore.h"

namespace {

struct Package {
  const char* driverVer;
  const char* id;
};

std::string infText(const Package& p) {
  return std::string(
             "[Version]\nSignature=\"$Windows NT$\"\nClass=T\nClassGuid={12345678-1234-1234-1234-123456789abc}\n") +
         "DriverVer=" + p.driverVer + "\n[Manufacturer]\nM=Models,NTamd64\n[Models.NTamd64]\nd=I," + p.id + "\n";
}

platform::SetupDatabase storeAll(const std::vector<Package>& packages) {
  platform::SetupDatabase db;
  for (const Package& p : packages) {
    std::string name;
    // A comment keeps packages of equal rank from being one package.
    const std::string text = infText(p) + "; package " + std::to_string(db.packages.size()) + "\n";
    EXPECT_EQ(platform::AddDriverPackage(db, text, false, name), platform::StoreResult::Stored);
  }
  return db;
}

platform::DeviceRecord bind(const platform::SetupDatabase& db) {
  return platform::BindDevice(db, {}, "X\\Y\\1", {"HW\\A", "HW\\B"}, {"CC\\X"});
}

struct RankCase {
  const char* name;
  std::vector<Package> packages;  // stored as oem0, oem1, ...
  const char* bound;
};

class PackageRank : public testing::TestWithParam<RankCase> {};

TEST_P(PackageRank, PicksThePlatformsBest) {
  EXPECT_EQ(bind(storeAll(GetParam().packages)).driverKey.infPath, GetParam().bound);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PackageRank,
    testing::Values(
        RankCase{"HardwareIdBeatsNewerCompatibleId", {{"01/01/2020", "HW\\B"}, {"01/01/2027", "CC\\X"}}, "oem0.inf"},
        RankCase{"EarlierHardwareIdBeatsNewerLaterOne", {{"01/01/2027", "hw\\b"}, {"01/01/2020", "HW\\A"}}, "oem1.inf"},
        RankCase{"NewerDateWins", {{"12/31/2025,9.0.0.0", "HW\\A"}, {"01/01/2026,1.0.0.0", "HW\\A"}}, "oem1.inf"},
        RankCase{"NewerVersionOnTheSameDate",
                 {{"06/01/2026,1.10.0.0", "HW\\A"}, {"06/01/2026,1.9.9.9", "HW\\A"}},
                 "oem0.inf"},
        RankCase{
            "VersionPartsCompareAsNumbers", {{"06/01/2026,1.2", "HW\\A"}, {"06/01/2026, 1.10", "HW\\A"}}, "oem1.inf"},
        RankCase{"AnEqualRankKeepsTheLowerOem", {{"06/01/2026,1.0", "HW\\A"}, {"06/01/2026,1.0", "HW\\A"}}, "oem0.inf"},
        RankCase{"AMalformedDateIsTheOldest",
                 {{"soon", "HW\\A"}, {"13/01/2030", "HW\\A"}, {"01/01/2001", "HW\\A"}},
                 "oem2.inf"},
        RankCase{"NoMatchBindsNothing", {{"01/01/2026", "HW\\C"}}, ""}),
    [](const testing::TestParamInfo<RankCase>& info) { return info.param.name; });

TEST(PackageRank, ARecordedPackageThatStillServesTheNodeIsKept) {
  platform::SetupDatabase db = storeAll({{"01/01/2020", "HW\\B"}, {"01/01/2027", "HW\\A"}});
  platform::DeviceRecord first = bind(db);
  ASSERT_EQ(first.driverKey.infPath, "oem1.inf");
  first.driverKey.infPath = "oem0.inf";  // as an update to that package records it
  db.put(first);
  EXPECT_EQ(bind(db).driverKey.infPath, "oem0.inf");
  // Once that package no longer serves the node, the best one binds again.
  db.packages.erase(db.packages.begin());
  EXPECT_EQ(bind(db).driverKey.infPath, "oem1.inf");
}

TEST(PackageRank, ADirectInstallCountsWhereItsIdStands) {
  platform::SetupDatabase db = storeAll({{"01/01/2027", "HW\\B"}});
  EXPECT_EQ(platform::BindDevice(db, {{"hw\\a", "direct"}}, "X\\Y\\1", {"HW\\A", "HW\\B"}, {}).service, "direct");
  EXPECT_EQ(platform::BindDevice(db, {{"HW\\B", "direct"}}, "X\\Y\\1", {"HW\\A", "HW\\B"}, {}).driverKey.infPath,
            "oem0.inf");
}

}  // namespace
