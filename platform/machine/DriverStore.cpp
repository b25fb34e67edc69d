#include "platform/machine/DriverStore.h"

#include <array>
#include <cstdio>
#include <optional>
#include <set>
#include <string_view>

#include "platform/machine/InfFile.h"

namespace platform {

namespace {

// A DriverVer entry ("mm/dd/yyyy[,w.x.y.z]") as numbers that compare in order: the date as
// yyyymmdd, then the four version parts. A malformed entry counts as the oldest.
using DriverVersion = std::array<unsigned long, 5>;

DriverVersion readDriverVer(std::string_view text) {
  DriverVersion out{};
  unsigned month = 0, day = 0, year = 0;
  int used = 0;
  const std::string entry(text.substr(0, 64));
  if (std::sscanf(entry.c_str(), "%2u/%2u/%4u%n", &month, &day, &year, &used) != 3 || month < 1 || month > 12 ||
      day < 1 || day > 31)
    return out;
  out[0] = year * 10000ul + month * 100ul + day;
  std::string_view rest = std::string_view(entry).substr(static_cast<std::size_t>(used));
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (rest.empty() || rest.front() != ',') return out;
  rest.remove_prefix(1);
  for (std::size_t part = 1; part < out.size() && !rest.empty(); ++part) {
    std::size_t dot = rest.find('.');
    std::string_view digits = rest.substr(0, dot);
    while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
    while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string_view::npos) break;
    for (char c : digits) out[part] = out[part] * 10 + static_cast<unsigned long>(c - '0');
    if (dot == std::string_view::npos) break;
    rest.remove_prefix(dot + 1);
  }
  return out;
}

// One model of one package that names one of the node's ids.
struct Candidate {
  const StoredPackage* package = nullptr;
  const InfDriver* driver = nullptr;
  const InfModel* model = nullptr;
  std::size_t id = 0;  // the earliest of the node's ids the model names
  DriverVersion version{};
};

bool better(const Candidate& a, const Candidate& b) {
  if (a.id != b.id) return a.id < b.id;
  return a.version > b.version;  // an equal rank keeps the earlier (lower oem<N>) package
}

// Index of the first of `ids` that `names` holds, or ids.size().
std::size_t firstNamed(const std::vector<std::string>& ids, const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < ids.size(); ++i) {
    for (const std::string& name : names) {
      if (EqualsNoCase(name, ids[i])) return i;
    }
  }
  return ids.size();
}

}  // namespace

std::shared_ptr<const std::optional<InfDriver>> ReadStoredPackage(const std::string& bytes, std::string* error) {
  std::optional<InfFile> inf = InfFile::parse(bytes, error);
  return std::make_shared<const std::optional<InfDriver>>(inf ? ReadInfDriver(*inf, error) : std::nullopt);
}

StoreResult AddDriverPackage(SetupDatabase& database, const std::string& bytes, bool replaceOnly, std::string& name,
                             std::string* error) {
  std::shared_ptr<const std::optional<InfDriver>> parsed = ReadStoredPackage(bytes, error);
  if (!*parsed) return StoreResult::NotAnInf;
  const InfVersion& version = (*parsed)->version;
  for (const StoredPackage& package : database.packages) {
    if (*package.bytes == bytes) {
      name = package.name;
      database.addClass(version.className, version.classGuid);
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
  database.packages.push_back({name, std::make_shared<const std::string>(bytes), parsed});
  database.addClass(version.className, version.classGuid);
  return StoreResult::Stored;
}

DeviceRecord BindDevice(const SetupDatabase& database, const std::vector<DirectInstall>& direct,
                        const std::string& instanceId, const std::vector<std::string>& hardwareIds,
                        const std::vector<std::string>& compatibleIds) {
  DeviceRecord record;
  std::string keptPackage;  // the package the node was bound to before
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
    keptPackage = it->second.driverKey.infPath;
  }
  record.instanceId = instanceId;
  record.hardwareIds = hardwareIds;
  record.compatibleIds = compatibleIds;

  std::vector<std::string> ids = hardwareIds;
  ids.insert(ids.end(), compatibleIds.begin(), compatibleIds.end());
  std::vector<std::shared_ptr<const std::optional<InfDriver>>> parsedNow;  // packages nobody parsed yet
  std::optional<Candidate> best, kept;
  for (const StoredPackage& package : database.packages) {
    const std::optional<InfDriver>* driver = package.driver.get();
    if (!driver) driver = parsedNow.emplace_back(ReadStoredPackage(*package.bytes)).get();
    if (!*driver) continue;
    const DriverVersion version = readDriverVer((*driver)->version.driverVer);
    for (const InfModel& model : (*driver)->models) {
      Candidate c{&package, &**driver, &model, firstNamed(ids, model.ids), version};
      if (c.id == ids.size()) continue;
      if (!best || better(c, *best)) best = c;
      if (!keptPackage.empty() && package.name == keptPackage && (!kept || better(c, *kept))) kept = c;
    }
  }
  if (kept) best = kept;
  std::size_t directId = ids.size();
  const DirectInstall* directBest = nullptr;
  for (const DirectInstall& d : direct) {
    std::size_t at = firstNamed(ids, {d.hardwareId});
    if (at < directId) {
      directId = at;
      directBest = &d;
    }
  }
  if (best && (!directBest || best->id <= directId || kept)) {
    const InfDriver& driver = *best->driver;
    const InfModel& model = *best->model;
    record.className = driver.version.className;
    record.classGuid = driver.version.classGuid;
    record.description = model.description;
    record.manufacturer = model.manufacturer;
    record.service = model.service;
    record.driverKey = {best->package->name, driver.version.provider, model.installSection, model.description};
  } else if (directBest) {
    // A direct install is a package of one model whose section and description are the service.
    record.description = directBest->service;
    record.service = directBest->service;
    record.driverKey = {"", "", directBest->service, directBest->service};
  }
  return record;
}

}  // namespace platform
