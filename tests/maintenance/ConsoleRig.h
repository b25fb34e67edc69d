#pragma once

// The console tests' machine: the program's package stored, the instrument plugged, a small
// driver of the tests' own ("QvTestDrv") registered for the root-enumerated test node that
// "install" creates from a test INF, and a console whose output the test reads back.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/platform/setup/SetupRig.h"

namespace consoletest {

inline constexpr char kTestService[] = "QvTestDrv";
inline constexpr char kTestHardwareId[] = "ROOT\\QVTEST";
inline constexpr char kTestClassGuid[] = "{5D3C2B1A-0F9E-4D8C-B7A6-1E2D3C4B5A69}";

// The PnP requests the test driver saw, by minor code, in order.
std::vector<unsigned> TestDriverPnpLog();
void ClearTestDriverPnpLog();

// The instance id of the one recorded node of the instrument's vendor that is not product 0201.
std::string UnboundInstrument(platform::Machine& machine);

// The INF of the test driver: class "QvTest", one model for kTestHardwareId.
std::string TestDriverInf();

// The instrument's device from user mode: opened, a read left waiting, closed (its requests
// cancelled first).
class InstrumentClient {
 public:
  InstrumentClient() = default;
  ~InstrumentClient();
  bool open();
  bool startRead();
  void close();
  bool isOpen() const;

 private:
  void* handle_ = nullptr;
  struct Pending;
  Pending* pending_ = nullptr;
};

// Output written to a temporary file and read back.
class Capture {
 public:
  Capture();
  ~Capture();
  std::FILE* stream() const { return file_; }
  // Everything written since the last take.
  std::string take();

 private:
  std::FILE* file_;
  long taken_ = 0;
};

class ConsoleRig {
 public:
  ConsoleRig();
  setuptest::SetupRig& setup() { return rig_; }
  platform::Machine& machine() { return rig_.machine(); }
  // The test INF, written into the rig's folder.
  const std::filesystem::path& testInf() const { return testInf_; }

 private:
  setuptest::SetupRig rig_;
  std::filesystem::path testInf_;
};

}  // namespace consoletest
