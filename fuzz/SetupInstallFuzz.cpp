// Fuzz target for installing a package: the input is an INF, stored in the driver store of a
// machine on a root folder, a node bound to its first model's id, the state written; then another
// store of the same root reads it all back. Nothing may crash, throw or grow past the reader's
// bounds; a package the store refuses says why and leaves the root as it was; a stored one is
// read back byte for byte and the state reads back to the same text.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "FuzzWorker.h"
#include "platform/machine/DriverStore.h"
#include "platform/machine/Machine.h"
#include "platform/machine/SetupStore.h"

namespace {

namespace fs = std::filesystem;

constexpr char kNode[] = "ROOT\\FUZZ\\0000";

// One machine for the whole run, on a root of its own (in memory-backed /dev/shm when there is
// one: every change of the state is written and synced), removed at exit.
struct Rig {
  Rig() {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string folder = (base / "qv-fuzz-install-XXXXXX").string();
    Require(::mkdtemp(folder.data()) != nullptr);
    dir = folder;
    root = dir / "machine";
    platform::MachineOptions options = platform::MachineOptions::deterministic();
    options.root = root;
    machine = std::make_unique<platform::Machine>(options);
    Require(machine->setupStatePersistent());
  }
  ~Rig() {
    machine.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path dir, root;
  std::unique_ptr<platform::Machine> machine;
};

Rig& rig() {
  static Rig r;
  return r;
}

void Install(const std::string& text) {
  platform::Machine& machine = *rig().machine;
  const std::string before = platform::SaveSetupDatabase(machine.setupState());
  std::string name, path, why;
  const platform::StoreResult stored = machine.storeDriverPackage(text, false, name, path, &why);
  if (stored == platform::StoreResult::NotAnInf) {
    Require(!why.empty());
    Require(machine.driverPackageCount() == 0);
    Require(platform::SaveSetupDatabase(machine.setupState()) == before);
    return;
  }
  Require(stored == platform::StoreResult::Stored);
  // The package's first model serves a node; what binding records comes from the INF's texts.
  std::string id = "NO\\MODEL";
  bool modelled = false;
  const platform::SetupDatabase installed = machine.setupState();
  if (const auto& driver = installed.packages.at(0).driver; driver && *driver && !(*driver)->models.empty()) {
    id = (*driver)->models.front().ids.front();
    modelled = true;
  }
  Require(machine.changeSetupState(
      [&](platform::SetupDatabase& db) { db.put(platform::BindDevice(db, {}, kNode, {id}, {})); }));

  // Another store of the root reads the state back.
  platform::SetupStore other(rig().root);
  std::string error;
  Require(other.open(error));
  const platform::SetupDatabase read = other.snapshot();
  Require(read.packages.size() == 1 && read.packages[0].name == name && *read.packages[0].bytes == text);
  const platform::DeviceRecord* node = read.find(kNode);
  Require(node != nullptr);
  Require((node->driverKey.infPath == name) == modelled);
  const std::string saved = platform::SaveSetupDatabase(read);
  Require(saved == platform::SaveSetupDatabase(machine.setupState()));
  platform::SetupDatabase again;
  Require(platform::LoadSetupDatabase(saved, again, error));
  Require(platform::SaveSetupDatabase(again) == saved);

  // Back to an empty root for the next input.
  Require(machine.changeSetupState([](platform::SetupDatabase& db) { db = {}; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Install(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
