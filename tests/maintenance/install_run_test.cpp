// Whole installation runs in-process, on a root that a program's machine used before.

#include <gtest/gtest.h>

#include "driver/install/OruDriverStore.h"
#include "maintenance/install/DriverInstall.h"
#include "maintenance/install/InstallerOutput.h"
#include "platform/machine/SetupStore.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {
namespace {

namespace fs = std::filesystem;

constexpr char kInstrument[] = "USB\\VID_0452&PID_0201\\ORU14400-000001";

struct RunResult {
  int status;
  std::string out, err;
};

std::string drain(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string all;
  char buffer[512];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, f)) all.append(buffer, n);
  std::fclose(f);
  return all;
}

RunResult run(const std::vector<std::string>& arguments, const fs::path& root) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  SetInstallerStreams(out, err);
  int status = RunInstallOperation(arguments, root);
  SetInstallerStreams(nullptr, nullptr);
  return {status, drain(out), drain(err)};
}

class InstallRuns : public testing::Test {
 protected:
  void SetUp() override {
    // The program ran once with the instrument attached, bound through the direct install.
    SetupRig program(root, {.registerImage = false});
    oru::InstallDriver(program.machine());
    ASSERT_NE(program.plugInstrument(), 0);
  }

  TempDir dir;
  fs::path root = dir.path() / "machine";
};

TEST_F(InstallRuns, ThirtyTwoRemovesTheInstrumentStoresTheInfAndTheNextStartBindsIt) {
  RunResult r = run({"/InstallDriver32", SourceInf().string()}, root);
  EXPECT_EQ(r.status, kInstallStored) << r.err;
  char expected[128];
  std::snprintf(expected, sizeof expected, "%-60s: %s\n", kInstrument, "Removed");
  EXPECT_EQ(r.out, std::string(expected) + "1 device(s) removed.\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadBytes(root / "INF" / "oem0.inf"), ReadBytes(SourceInf()));

  SetupRig next(root, {});
  ASSERT_NE(next.plugInstrument(), 0);
  auto devices = next.machine().setupDevices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].record.driverKey.infPath, "oem0.inf");
  EXPECT_EQ(next.machine().device(1).state, nt::DevNodeState::Started);
}

TEST_F(InstallRuns, BothSwitchesRunOnlyTheThirtyTwoBitOperation) {
  RunResult r = run({"/InstallDriver64", "/InstallDriver32", SourceInf().string()}, root);
  EXPECT_EQ(r.status, kInstallStored);
  EXPECT_NE(r.out.find("Removed"), std::string::npos);
  RunResult again = run({"/InstallDriver64", SourceInf().string()}, root);
  EXPECT_EQ(again.status, kInstallStored);
  EXPECT_EQ(again.out, "");  // removes nothing
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "INF"), fs::directory_iterator()), 1);
}

TEST_F(InstallRuns, AFailedCopyGivesTwoAndOneLine) {
  fs::path missing = dir.path() / "missing.inf";
  RunResult r = run({"/InstallDriver64", missing.string()}, root);
  EXPECT_EQ(r.status, kInstallCopyFailed);
  EXPECT_EQ(r.err, missing.string() + ": The file was not found.\n");
  EXPECT_TRUE(fs::is_empty(root / "INF"));
}

TEST_F(InstallRuns, AStateThatDoesNotLoadFailsTheRunAndIsKept) {
  WriteBytes(root / "machine.json", "[1, 2");
  RunResult r = run({"/InstallDriver32", SourceInf().string()}, root);
  EXPECT_EQ(r.status, kInstallCopyFailed);
  EXPECT_NE(r.err.find("cannot be used"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(root / "machine.json"), "[1, 2");
  EXPECT_TRUE(fs::is_empty(root / "INF"));
}

// The program's INF with another DriverVer line.
std::string programInfDated(const std::string& driverVer) {
  std::string text = ReadBytes(SourceInf());
  const std::size_t at = text.find("DriverVer");
  const std::size_t end = text.find('\n', at);
  return text.replace(at, end - at, "DriverVer = " + driverVer);
}

TEST_F(InstallRuns, AFailedStateWriteFailsTheRunWithItsMessageAndStoresNothing) {
  const std::string state = ReadBytes(root / "machine.json");
  platform::FailNextStateWrite();  // the removal's
  RunResult r = run({"/InstallDriver32", SourceInf().string()}, root);
  EXPECT_EQ(r.status, kInstallCopyFailed);
  char line[128];
  std::snprintf(line, sizeof line, "%-60s: %s\n", kInstrument, "Remove failed");
  EXPECT_EQ(r.out, std::string(line) + "No devices were removed.\n");
  const std::string lost = ": The state could not be written: cannot write " + (root / "machine.json").string() +
                           ": No space left on device\n";
  EXPECT_EQ(r.err, SourceInf().string() + lost);
  EXPECT_EQ(ReadBytes(root / "machine.json"), state);

  platform::FailNextStateWrite();  // the copy's
  r = run({"/InstallDriver64", SourceInf().string()}, root);
  EXPECT_EQ(r.status, kInstallCopyFailed);
  EXPECT_EQ(r.err, SourceInf().string() + lost);
  EXPECT_TRUE(fs::is_empty(root / "INF"));  // the package went with the failed state
  EXPECT_EQ(ReadBytes(root / "machine.json"), state);
}

TEST_F(InstallRuns, AVersionSectionSplitInTwoInstalls) {
  std::string text = ReadBytes(SourceInf());
  // Class, ClassGuid and the rest of [Version] come after another section.
  text.insert(text.find("\nClass ") + 1, "[Manufacturer]\n[Version]\n");
  const fs::path inf = dir.path() / "split.inf";
  WriteBytes(inf, text);
  RunResult r = run({"/InstallDriver64", inf.string()}, root);
  EXPECT_EQ(r.status, kInstallStored) << r.err;
  EXPECT_EQ(ReadBytes(root / "INF" / "oem0.inf"), text);
}

TEST(InstallNewer, ANewerInfInstalledAfterTheFirstStartBindsAtTheNextStart) {
  TempDir dir;
  const fs::path root = dir.path() / "machine";
  {
    SetupRig first(root, {.storeProgramInf = true});  // the program's first start
    ASSERT_NE(first.plugInstrument(), 0);
  }
  const fs::path newer = dir.path() / "newer.inf";
  WriteBytes(newer, programInfDated("01/15/2027,1.1.0.0"));
  RunResult r = run({"/InstallDriver32", newer.string()}, root);
  EXPECT_EQ(r.status, kInstallStored) << r.err;
  EXPECT_NE(r.out.find("Removed"), std::string::npos) << r.out;

  SetupRig next(root, {.storeProgramInf = true});
  const int port = next.plugInstrument();
  ASSERT_NE(port, 0);
  auto devices = next.machine().setupDevices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].record.driverKey.infPath, "oem1.inf");
  EXPECT_EQ(devices[0].record.driverKey.providerName, "Pelgrave, Inc.");
  EXPECT_EQ(next.machine().device(port).state, nt::DevNodeState::Started);
}

}  // namespace
}  // namespace setuptest
