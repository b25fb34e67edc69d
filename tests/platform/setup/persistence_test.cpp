// The setup state across machines and processes: recorded nodes, concurrent writers, and state
// that does not load or a root that cannot be written.

#include <gtest/gtest.h>

#include <thread>

#include "platform/machine/SetupStore.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {
namespace {

namespace fs = std::filesystem;

TEST(Persistence, TheNextMachineKnowsARecordedNodeThatIsNotPresent) {
  TempDir dir;
  const fs::path root = dir.path() / "machine";
  {
    SetupRig first(root, {.storeProgramInf = true});
    ASSERT_NE(first.plugInstrument(), 0);
    EXPECT_TRUE(first.shutdown());
  }
  SetupRig second(root, {});
  std::vector<platform::Machine::SetupDevice> devices = second.machine().setupDevices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].record.instanceId, "USB\\VID_0452&PID_0201\\ORU14400-000001");
  EXPECT_FALSE(devices[0].present);
  EXPECT_EQ(devices[0].record.driverKey.infPath, "oem0.inf");
  EXPECT_EQ(second.machine().driverPackageCount(), 1u);
}

TEST(Persistence, ConcurrentWritersLoseNothing) {
  TempDir dir;
  constexpr int kEach = 40;
  auto writer = [&](char tag) {
    platform::SetupStore store(dir.path());
    std::string error;
    ASSERT_TRUE(store.open(error)) << error;
    for (int i = 0; i < kEach; ++i) {
      platform::DeviceRecord r;
      r.instanceId = std::string("TEST\\") + tag + "\\" + std::to_string(i);
      std::string bytes = std::string(
                              "[Version]\nSignature=\"$Chicago$\"\nClass=T\n"
                              "ClassGuid={12345678-1234-1234-1234-123456789abc}\n; ") +
                          tag + std::to_string(i);
      ASSERT_TRUE(store.update(
          [&](platform::SetupDatabase& db) {
            db.put(r);
            if (i % 8 == 0) {
              std::string name;
              platform::AddDriverPackage(db, bytes, false, name);
            }
          },
          &error))
          << error;
    }
  };
  std::thread a(writer, 'A'), b(writer, 'B');
  a.join();
  b.join();
  platform::SetupStore check(dir.path());
  std::string error;
  ASSERT_TRUE(check.open(error)) << error;
  platform::SetupDatabase db = check.snapshot();
  EXPECT_EQ(db.devices.size(), 2u * kEach);
  EXPECT_EQ(db.packages.size(), 2u * (kEach / 8));
  for (std::size_t i = 0; i < db.packages.size(); ++i)
    EXPECT_EQ(db.packages[i].name, "oem" + std::to_string(i) + ".inf");
}

TEST(Persistence, ACorruptStateFileIsKeptReportedAndNeverWritten) {
  TempDir dir;
  const fs::path root = dir.path() / "machine";
  fs::create_directories(root);
  const std::string corrupt = "{\"devices\": [ {\"instanceId\": 7} ]}";
  WriteBytes(root / "machine.json", corrupt);
  {
    SetupRig rig(root, {.storeProgramInf = true});
    const std::string said = rig.machine().setupStateError();
    EXPECT_NE(said.find("machine.json"), std::string::npos) << said;
    EXPECT_FALSE(rig.machine().setupStatePersistent());
    // It still runs, on a fresh state in memory: the instrument binds from the program's INF.
    ASSERT_NE(rig.plugInstrument(), 0);
    EXPECT_EQ(rig.machine().setupDevices().size(), 1u);
    EXPECT_TRUE(rig.machine().setupDevices()[0].present);
  }
  EXPECT_EQ(ReadBytes(root / "machine.json"), corrupt);
  EXPECT_TRUE(fs::is_empty(root / "INF"));
}

TEST(Persistence, ARootThatCannotBeMadeFallsBackToMemory) {
  TempDir dir;
  WriteBytes(dir.path() / "file", "x");
  SetupRig rig(dir.path() / "file" / "machine", {});
  EXPECT_NE(rig.machine().setupStateError().find("cannot create"), std::string::npos);
  EXPECT_FALSE(rig.machine().setupStatePersistent());
}

TEST(Persistence, DefaultRootFollowsTheEnvironment) {
  const char* saved[3] = {std::getenv("QUORLAN_MACHINE_ROOT"), std::getenv("XDG_DATA_HOME"), std::getenv("HOME")};
  std::string keep[3];
  for (int i = 0; i < 3; ++i) keep[i] = saved[i] ? saved[i] : "";
  ::setenv("HOME", "/h", 1);
  ::unsetenv("QUORLAN_MACHINE_ROOT");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(platform::SetupStore::DefaultRoot(), fs::path("/h/.local/share/quorlan-view/machine"));
  ::setenv("XDG_DATA_HOME", "/x", 1);
  EXPECT_EQ(platform::SetupStore::DefaultRoot(), fs::path("/x/quorlan-view/machine"));
  ::setenv("QUORLAN_MACHINE_ROOT", "/r", 1);
  EXPECT_EQ(platform::SetupStore::DefaultRoot(), fs::path("/r"));
  const char* names[3] = {"QUORLAN_MACHINE_ROOT", "XDG_DATA_HOME", "HOME"};
  for (int i = 0; i < 3; ++i) {
    if (saved[i])
      ::setenv(names[i], keep[i].c_str(), 1);
    else
      ::unsetenv(names[i]);
  }
}

// Texts reach the state from packages, devices and callers: whatever their bytes, the state is
// written (as UTF-8, the other bytes read as Windows-1252) and reads back the same.
TEST(Persistence, ATextOfAnyBytesIsSavedAndReadsBack) {
  platform::SetupDatabase db;
  platform::DeviceRecord r;
  r.instanceId = "ROOT\\X\\0000";
  r.friendlyName = "Pelgrave\xAE \x80";
  r.hardwareIds = {"ID\\\xFF", "caf\xC3\xA9"};
  r.driverKey.providerName = std::string("a\0b\xED\xA0\x80", 6);
  db.put(r);
  db.addClass("ORUpc\xAE", "{B979AFCD-77CA-451E-931A-2ADABC8521F2}");
  const std::string saved = platform::SaveSetupDatabase(db);
  platform::SetupDatabase back;
  std::string error;
  ASSERT_TRUE(platform::LoadSetupDatabase(saved, back, error)) << error;
  const platform::DeviceRecord* read = back.find("ROOT\\X\\0000");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->friendlyName, "Pelgrave\xC2\xAE \xE2\x82\xAC");
  EXPECT_EQ(read->hardwareIds, (std::vector<std::string>{"ID\\\xC3\xBF", "caf\xC3\xA9"}));
  EXPECT_EQ(read->driverKey.providerName, std::string("a\0b\xC3\xAD\xC2\xA0\xE2\x82\xAC", 10));
  EXPECT_EQ(back.classes.at(0).name, "ORUpc\xC2\xAE");
  EXPECT_EQ(platform::SaveSetupDatabase(back), saved);
}

}  // namespace
}  // namespace setuptest
