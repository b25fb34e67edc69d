// Fuzz target for the INF reader, with the driver store and binding over what it reads. Nothing
// may crash or grow past the reader's limits; an INF the store takes must bind its own models'
// ids from its package, also when an older package serving the same ids is stored first.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/machine/DriverStore.h"
#include "platform/machine/InfFile.h"

namespace {

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "INF reader fuzz: %s\n", what);
    std::abort();
  }
}

// A package that names every id of `driver` with the oldest possible date.
std::string olderPackage(const platform::InfDriver& driver) {
  std::string text =
      "[Version]\nSignature=\"$Windows NT$\"\nClass=Old\nClassGuid={00000000-0000-0000-0000-000000000000}\n"
      "DriverVer=01/01/1980,0.0.0.0\n[Manufacturer]\nM=Old\n[Old]\n";
  for (const platform::InfModel& model : driver.models) {
    for (const std::string& id : model.ids) {
      if (id.find_first_of("\",;%\\\n\r") == std::string::npos) text += "d=I," + id + "\n";
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<platform::InfFile> inf = platform::InfFile::parse(text);
  if (!inf) return 0;
  std::optional<platform::InfDriver> driver = platform::ReadInfDriver(*inf);
  platform::SetupDatabase db;
  std::string name;
  platform::StoreResult stored = platform::AddDriverPackage(db, text, false, name);
  Require((stored == platform::StoreResult::Stored) == driver.has_value(), "store and reader disagree");
  if (!driver) return 0;
  for (const platform::InfModel& model : driver->models) {
    Require(model.description.size() <= platform::kLongestInfValue, "a value past the limit");
    for (const std::string& id : model.ids) Require(id.size() <= platform::kLongestInfValue, "an id past the limit");
  }
  Require(name == "oem0.inf" && db.packages.size() == 1 && *db.packages[0].bytes == text, "stored copy");
  Require(platform::AddDriverPackage(db, text, true, name) == platform::StoreResult::AlreadyStored, "found again");

  // The same package behind an older one that serves its ids: binding still finds a package.
  platform::SetupDatabase ranked;
  std::string older;
  platform::AddDriverPackage(ranked, olderPackage(*driver), false, older);
  platform::AddDriverPackage(ranked, text, false, name);
  for (const platform::InfModel& model : driver->models) {
    platform::DeviceRecord alone = platform::BindDevice(db, {}, "X\\Y\\1", {model.ids[0]}, {});
    Require(alone.driverKey.infPath == "oem0.inf", "a model's id binds from its package");
    platform::DeviceRecord r = platform::BindDevice(ranked, {}, "X\\Y\\1", {model.ids[0]}, {});
    Require(!r.driverKey.infPath.empty(), "a model's id binds beside an older package");
  }
  return 0;
}
