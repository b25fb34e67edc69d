// Fuzz target for the machine's setup state readers: the INF reader (with binding and the
// driver store over what it reads) and the machine.json loader. The first byte chooses: even,
// the rest is an INF; odd, a machine.json. Nothing may crash; an INF the store takes must bind
// its own models' ids; a state that loads must save and load back to the same text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/machine/DriverStore.h"
#include "platform/machine/InfFile.h"
#include "platform/machine/SetupDatabase.h"

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "setup state fuzz: %s\n", what);
    std::abort();
  }
}

void Inf(const std::string& text) {
  std::optional<platform::InfFile> inf = platform::InfFile::parse(text);
  if (!inf) return;
  std::optional<platform::InfDriver> driver = platform::ReadInfDriver(*inf);
  platform::SetupDatabase db;
  std::string name;
  platform::StoreResult stored = platform::AddDriverPackage(db, text, false, name);
  Require((stored == platform::StoreResult::Stored) == driver.has_value(), "store and reader disagree");
  if (!driver) return;
  Require(name == "oem0.inf" && db.packages.size() == 1 && db.packages[0].bytes == text, "stored copy");
  Require(platform::AddDriverPackage(db, text, true, name) == platform::StoreResult::AlreadyStored, "found again");
  for (const platform::InfModel& model : driver->models) {
    platform::DeviceRecord r = platform::BindDevice(db, {}, "X\\Y\\1", {model.ids[0]}, {});
    Require(r.driverKey.infPath == "oem0.inf", "a model's id binds from its package");
  }
}

void State(const std::string& text) {
  platform::SetupDatabase db;
  std::string error;
  if (!platform::LoadSetupDatabase(text, db, error)) {
    Require(!error.empty(), "a refusal says why");
    return;
  }
  std::string saved = platform::SaveSetupDatabase(db);
  platform::SetupDatabase again;
  Require(platform::LoadSetupDatabase(saved, again, error), "saved state loads");
  Require(platform::SaveSetupDatabase(again) == saved, "round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) Inf(text);
  else State(text);
  return 0;
}
