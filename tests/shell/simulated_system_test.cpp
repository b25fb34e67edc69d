#include <gtest/gtest.h>

#include <fstream>

#include "driver/OruInterface.h"
#include "platform/win32/Win32.h"
#include "app/SimulatedSystem.h"
#include "sim/ScenarioChoice.h"

// The program's own machine: the device opens through the driver while the instrument is
// plugged in and is gone after it is unplugged; shutting down leaves the verifier log clean.
TEST(SimulatedSystem, InstrumentOpensThroughTheDriverUntilUnplugged) {
  std::vector<nt::VerifierRecord> log;
  {
    SimulatedSystem system;
    ASSERT_NE(system.instrumentPort(), 0);

    HANDLE device =
        CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(device));

    system.unplugInstrument();
    EXPECT_EQ(system.instrumentPort(), 0);
    device =
        CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_OVERLAPPED, nullptr);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    system.plugInstrument();
    device =
        CreateFile(oru::kUserPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(device));
    log = system.shutdown();
  }
  for (const auto& record : log) ADD_FAILURE() << record.text;
}

// The program's instrument plays the line QUORLAN_SCENARIO chooses from the start: a built-in
// name, a scenario file, or idle lines (nothing loaded, line 1 on hook).
TEST(SimulatedSystem, InstrumentPlaysTheChosenLine) {
  const std::string file = ::testing::TempDir() + "simulated_system_line.scn";
  std::ofstream(file) << "scenario from-file\ntitle \"t\"\nat 0 dc 1 -7.5 ramp 0\n";
  struct Case {
    std::string choice;
    std::string playing;
    const char* lineOne;
  };
  for (const Case& c : {Case{"", "live-line", "ON HOOK"}, Case{"two-calls", "two-calls", "ON HOOK"},
                        Case{file, "from-file", "OFF HOOK"}, Case{"idle", "", "ON HOOK"}}) {
    const sim::ScenarioChoice line = sim::chooseScenario(c.choice);
    ASSERT_TRUE(line.ok()) << line.error;
    SimulatedSystem system(true, line.scenario);
    system.instrument().withFirmware([&](sim::Firmware& firmware) {
      EXPECT_EQ(firmware.line().scenario().name, c.playing) << c.choice;
      // The meter's status, not a "VM:" command: the program's instrument measures in real time.
      EXPECT_EQ(firmware.meter().lineStatus(1, sim::millis(150)), c.lineOne) << c.choice;
    });
    EXPECT_TRUE(system.shutdown().empty());
  }
}
