#pragma once

// A machine for the setup tests: a private root folder (or none), the ORUpc driver image
// registered by its service name only, the machine attached as the device system, and simulated
// instruments to plug.

#include <deque>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/machine/Machine.h"
#include "platform/win32/DeviceSystem.h"
#include "sim/Instrument.h"

namespace setuptest {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// The program's driver/ORUpc.inf in the source tree.
std::filesystem::path SourceInf();

struct RigOptions {
  bool withRoot = true;
  bool registerImage = true;     // "ORUpc" -> the driver's entry point
  bool storeProgramInf = false;  // driver/ORUpc.inf through SetupCopyOEMInfA
  unsigned queryRemoveWaitMs = 2000;
};

class SetupRig {
 public:
  explicit SetupRig(RigOptions options = {});
  // Another machine on the same root (the first one must be gone or shut down by then).
  SetupRig(const std::filesystem::path& root, RigOptions options);
  ~SetupRig();

  platform::Machine& machine() { return *machine_; }
  const std::filesystem::path& root() const { return root_; }
  // Plugs a new instrument (product id 0x0201 unless given) and returns its port.
  int plugInstrument(uint16_t productId = 0x0201);
  // Ends the attachment and shuts the machine down; true when the verifier found nothing.
  bool shutdown();

 private:
  void start(RigOptions options);

  std::unique_ptr<TempDir> dir_;
  std::filesystem::path root_;
  std::deque<std::unique_ptr<sim::Instrument>> instruments_;
  std::unique_ptr<platform::Machine> machine_;
  std::unique_ptr<win32::DeviceSystemAttachment> attached_;
};

}  // namespace setuptest
