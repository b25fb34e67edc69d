#include "platform/machine/DriverStore.h"

#include <optional>
#include <set>

#include "platform/machine/InfFile.h"

namespace platform {

StoreResult AddDriverPackage(SetupDatabase& database, const std::string& bytes, bool replaceOnly, std::string& name) {
  std::optional<InfFile> inf = InfFile::parse(bytes);
  std::optional<InfDriver> driver = inf ? ReadInfDriver(*inf) : std::nullopt;
  if (!driver) return StoreResult::NotAnInf;
  for (const StoredPackage& package : database.packages) {
    if (package.bytes == bytes) {
      name = package.name;
      database.addClass(driver->version.className, driver->version.classGuid);
      return StoreResult::AlreadyStored;
    }
  }
  if (replaceOnly) return StoreResult::NotStoredYet;
  std::set<std::string> taken;
  for (const StoredPackage& package : database.packages) taken.insert(package.name);
  for (unsigned n = 0;; ++n) {
    name = "oem" + std::to_string(n) + ".inf";
    if (!taken.count(name)) break;
  }
  database.packages.push_back({name, bytes});
  database.addClass(driver->version.className, driver->version.classGuid);
  return StoreResult::Stored;
}

DeviceRecord BindDevice(const SetupDatabase& database, const std::vector<DirectInstall>& direct,
                        const std::string& instanceId, const std::vector<std::string>& hardwareIds,
                        const std::vector<std::string>& compatibleIds) {
  DeviceRecord record;
  if (auto it = database.devices.find(UpperCase(instanceId)); it != database.devices.end()) {
    record.disabled = it->second.disabled;
    record.pendingRemoval = it->second.pendingRemoval;
    // The node's own values, which no driver gives.
    record.friendlyName = it->second.friendlyName;
    record.upperFilters = it->second.upperFilters;
    record.lowerFilters = it->second.lowerFilters;
    record.configurations = it->second.configurations;
    record.reportedProblem = it->second.reportedProblem;
    record.privateProblem = it->second.privateProblem;
    // Kept when no driver binds now (a device setup created, a package deleted).
    record.className = it->second.className;
    record.classGuid = it->second.classGuid;
    record.description = it->second.description;
  }
  record.instanceId = instanceId;
  record.hardwareIds = hardwareIds;
  record.compatibleIds = compatibleIds;

  struct Parsed {
    const StoredPackage* package;
    InfDriver driver;
  };
  std::vector<Parsed> packages;
  for (const StoredPackage& package : database.packages) {
    std::optional<InfFile> inf = InfFile::parse(package.bytes);
    if (!inf) continue;
    if (std::optional<InfDriver> driver = ReadInfDriver(*inf)) packages.push_back({&package, std::move(*driver)});
  }
  std::vector<std::string> ids = hardwareIds;
  ids.insert(ids.end(), compatibleIds.begin(), compatibleIds.end());
  for (const std::string& id : ids) {
    for (const Parsed& p : packages) {
      for (const InfModel& model : p.driver.models) {
        for (const std::string& modelId : model.ids) {
          if (!EqualsNoCase(modelId, id)) continue;
          record.className = p.driver.version.className;
          record.classGuid = p.driver.version.classGuid;
          record.description = model.description;
          record.manufacturer = model.manufacturer;
          record.service = model.service;
          record.driverKey = {p.package->name, p.driver.version.provider, model.installSection, model.description};
          return record;
        }
      }
    }
    // A direct install is a package of one model whose section and description are the service.
    for (const DirectInstall& d : direct) {
      if (!EqualsNoCase(d.hardwareId, id)) continue;
      record.description = d.service;
      record.service = d.service;
      record.driverKey = {"", "", d.service, d.service};
      return record;
    }
  }
  return record;
}

}  // namespace platform
