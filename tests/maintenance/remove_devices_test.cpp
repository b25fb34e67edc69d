// The removal of the instrument's nodes through the setup layer, as the 32-bit installation runs
// it: absent and present nodes, the query-remove a listener answers, the veto of a busy read,
// the results, the lines printed and the summaries.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "driver/OruInterface.h"
#include "maintenance/install/DeviceEnumeration.h"
#include "maintenance/install/DriverInstall.h"
#include "maintenance/install/InstallerOutput.h"
#include "maintenance/install/RemoveDevices.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/win32/DeviceIo.h"
#include "platform/win32/DeviceNotification.h"
#include "platform/win32/Event.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/LastError.h"
#include "platform/win32/RecordingWindowTarget.h"
#include "tests/platform/setup/SetupRig.h"

namespace setuptest {
namespace {

constexpr char kInstrument[] = "USB\\VID_0452&PID_0201\\ORU14400-000001";
constexpr char kOther[] = "USB\\VID_0452&PID_0202\\ORU14400-000001";

std::string line(const std::string& id, const char* status) {
  char text[256];
  std::snprintf(text, sizeof text, "%-60s: %s\n", id.c_str(), status);
  return text;
}

// What the installer printed, captured.
class Captured {
 public:
  Captured() : out_(std::tmpfile()) { SetInstallerStreams(out_, nullptr); }
  ~Captured() {
    SetInstallerStreams(nullptr, nullptr);
    std::fclose(out_);
  }
  std::string text() {
    std::fflush(out_);
    std::rewind(out_);
    std::string all;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, out_)) all.append(buffer, n);
    return all;
  }

 private:
  std::FILE* out_;
};

int removeInstrument() {
  char pattern[] = "@USB\\VID_0452&PID_0201\\*";
  char* argv[] = {pattern};
  return RemoveMatchingDevices(nullptr, nullptr, 1, 1, argv);
}

bool recorded(platform::Machine& machine, const std::string& id) {
  for (const auto& d : machine.setupDevices()) {
    if (d.record.instanceId == id) return true;
  }
  return false;
}

class Removal : public testing::Test {
 protected:
  void SetUp() override { sets = setup::OpenDeviceInfoSets(); }
  void TearDown() override {
    setup::ClearFailures();
    EXPECT_EQ(setup::OpenDeviceInfoSets(), sets);  // every set made was destroyed
  }
  std::size_t sets = 0;
};

TEST_F(Removal, AnAbsentNodeIsDeletedAtOnceAndAnotherProductIsLeft) {
  SetupRig rig({.storeProgramInf = true});
  int port = rig.plugInstrument();
  ASSERT_NE(rig.plugInstrument(0x0202), 0);
  rig.machine().unplug(port);
  Captured out;
  EXPECT_EQ(removeInstrument(), kResultDone);
  EXPECT_EQ(out.text(), line(kInstrument, "Removed") + "1 device(s) removed.\n");
  EXPECT_FALSE(recorded(rig.machine(), kInstrument));
  EXPECT_TRUE(recorded(rig.machine(), kOther));
}

TEST_F(Removal, APresentNodeWhoseListenerClosesOnQueryRemoveIsRemoved) {
  SetupRig rig({.storeProgramInf = true});
  int port = rig.plugInstrument();
  ASSERT_NE(port, 0);
  HANDLE device = CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  // The program's main window: closes its handle when asked whether the device may go.
  win32::RecordingWindowTarget window;
  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = oru::GUID_DEVINTERFACE_ORU;
  HDEVNOTIFY notify = RegisterDeviceNotification(window.Handle(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  ASSERT_NE(notify, nullptr);
  std::thread listener([&] {
    if (window.WaitForMessage(WM_DEVICECHANGE, 10000) && window.Messages()[0].wParam == DBT_DEVICEQUERYREMOVE)
      CloseHandle(device);
  });
  rig.machine().pnp().clearHistory();
  Captured out;
  int result = removeInstrument();
  listener.join();
  EXPECT_EQ(result, kResultDone);
  EXPECT_EQ(out.text(), line(kInstrument, "Removed") + "1 device(s) removed.\n");
  std::vector<UCHAR> minors;
  for (const nt::PnpIrpRecord& r : rig.machine().pnp().history()) minors.push_back(r.minor);
  EXPECT_EQ(minors, (std::vector<UCHAR>{IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_REMOVE_DEVICE}));
  EXPECT_EQ(CreateFile(oru::kUserPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(recorded(rig.machine(), kInstrument));
  EXPECT_EQ(rig.machine().device(port).state, nt::DevNodeState::Removed);  // still plugged, no node
  UnregisterDeviceNotification(notify);
}

TEST_F(Removal, ABusyReadLeavesTheRemovalForTheNextStart) {
  TempDir dir;
  const std::filesystem::path root = dir.path() / "machine";
  {
    SetupRig rig(root, {.storeProgramInf = true, .queryRemoveWaitMs = 100});
    ASSERT_NE(rig.plugInstrument(), 0);
    HANDLE device = CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    HANDLE done = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = done;
    char reply[64];
    ASSERT_FALSE(ReadFile(device, reply, sizeof reply, nullptr, &overlapped));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    {
      Captured out;
      EXPECT_EQ(removeInstrument(), kResultRestart);
      EXPECT_EQ(out.text(),
                line(kInstrument, "Removed on reboot") + "1 device(s) removed; a restart is needed to finish.\n");
    }
    EXPECT_TRUE(recorded(rig.machine(), kInstrument));  // until the next start
    CancelIo(device);
    DWORD moved = 0;
    GetOverlappedResult(device, &overlapped, &moved, TRUE);
    CloseHandle(device);
    CloseHandle(done);
    EXPECT_TRUE(rig.shutdown());
  }
  SetupRig next(root, {});
  EXPECT_FALSE(recorded(next.machine(), kInstrument));
}

TEST_F(Removal, AnInstallerFailureIsPrintedAndNotCounted) {
  SetupRig rig({.storeProgramInf = true});
  rig.machine().unplug(rig.plugInstrument());
  setup::FailNextCall("SetupDiCallClassInstaller", ERROR_GEN_FAILURE);
  Captured out;
  EXPECT_EQ(removeInstrument(), kResultDone);
  EXPECT_EQ(out.text(), line(kInstrument, "Remove failed") + "No devices were removed.\n");
  EXPECT_TRUE(recorded(rig.machine(), kInstrument));
}

TEST_F(Removal, WrongUseAndNoMatch) {
  SetupRig rig({.storeProgramInf = true});
  ASSERT_NE(rig.plugInstrument(0x0202), 0);
  Captured out;
  char pattern[] = "@USB\\VID_0452&PID_0201\\*";
  char* argv[] = {pattern};
  EXPECT_EQ(RemoveMatchingDevices(nullptr, nullptr, 1, 0, argv), kResultUsage);
  EXPECT_EQ(RemoveMatchingDevices(nullptr, "\\\\other", 1, 1, argv), kResultUsage);
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(removeInstrument(), kResultDone);
  EXPECT_EQ(out.text(), "No devices were removed.\n");
  EXPECT_TRUE(recorded(rig.machine(), kOther));
}

int countVisits(HDEVINFO, PSP_DEVINFO_DATA, DWORD, void* context) {
  ++*static_cast<int*>(context);
  return 0;
}

TEST_F(Removal, EnumerationByClassByHardwareIdAndByNamedInstance) {
  SetupRig rig({.storeProgramInf = true});
  rig.machine().unplug(rig.plugInstrument());  // recorded, not present
  ASSERT_NE(rig.plugInstrument(0x0202), 0);
  auto visits = [](DWORD flags, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    int count = 0;
    int result = EnumerateMatchingDevices(nullptr, nullptr, flags, static_cast<int>(argv.size()), argv.data(),
                                          countVisits, &count);
    return std::make_pair(result, count);
  };
  EXPECT_EQ(visits(0, {"=NoSuchClass", "*"}), std::make_pair(0, 0));
  EXPECT_EQ(visits(0, {"=ORUpc"}), std::make_pair(0, 1));
  EXPECT_EQ(visits(0, {}), std::make_pair(0, 2));
  EXPECT_EQ(visits(DIGCF_PRESENT, {"*"}), std::make_pair(0, 1));
  EXPECT_EQ(visits(0, {"usb\\vid_0452&pid_020*"}), std::make_pair(0, 2));  // hardware ids
  EXPECT_EQ(visits(0, {"USB\\Class_*"}), std::make_pair(0, 2));            // compatible ids
  // A named instance is opened directly, so the present-only flag does not drop it.
  EXPECT_EQ(visits(DIGCF_PRESENT, {std::string("@") + kInstrument}), std::make_pair(0, 1));
  EXPECT_EQ(visits(DIGCF_PRESENT, {"@USB\\VID_0452&PID_0201\\*"}), std::make_pair(0, 0));
  EXPECT_EQ(visits(0, {"@USB\\VID_0452&PID_0201\\NOPE"}), std::make_pair(0, 0));
  setup::FailNextCall("SetupDiGetClassDevsExA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(visits(0, {"*"}).first, kResultFailed);
}

}  // namespace
}  // namespace setuptest
