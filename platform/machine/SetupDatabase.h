#pragma once

// The machine's setup state: every device node ever seen with its driver key, the setup classes
// the stored packages name, the packages themselves and a restart still owed. As JSON it is the
// root's machine.json; the packages are the root's INF/oem<N>.inf files.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The values of a node's driver key.
struct DriverKey {
  std::string infPath;  // "oem0.inf"
  std::string providerName;
  std::string infSection;
  std::string driverDesc;
};

struct DeviceRecord {
  std::string instanceId;
  std::vector<std::string> hardwareIds;
  std::vector<std::string> compatibleIds;
  std::string className;
  std::string classGuid;
  std::string description;
  std::string manufacturer;
  std::string service;
  DriverKey driverKey;
  bool disabled = false;
  bool pendingRemoval = false;  // removal finishes at the next start of the machine
};

struct SetupClass {
  std::string name;
  std::string guid;
};

struct StoredPackage {
  std::string name;   // "oem0.inf"
  std::string bytes;  // the INF, byte for byte
};

struct SetupDatabase {
  std::map<std::string, DeviceRecord> devices;  // by upper-case instance id
  std::vector<SetupClass> classes;
  bool pendingRestart = false;
  std::vector<StoredPackage> packages;  // not in machine.json: the files of INF/

  DeviceRecord* find(std::string_view instanceId);
  void put(DeviceRecord record);
  bool erase(std::string_view instanceId);
  void addClass(const std::string& name, const std::string& guid);
};

// machine.json of a database (packages left out).
std::string SaveSetupDatabase(const SetupDatabase& database);
// Fills `database` (packages untouched) from machine.json; false, with the reason, for text that
// is not such a file (bad JSON, wrong types, a record without its instance id).
bool LoadSetupDatabase(std::string_view text, SetupDatabase& database, std::string& error);

}  // namespace platform
