#pragma once

// The machine's setup state: every device node ever seen with its driver key, the setup classes
// the stored packages name, the packages themselves and a restart still owed. As JSON it is the
// root's machine.json; the packages are the root's INF/oem<N>.inf files.

#include <map>
#include <memory>
#include <optional>
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
  bool operator==(const DriverKey&) const = default;
};

// One resource of a logical configuration: a memory or I/O range (base and end inclusive), a DMA
// channel or an interrupt.
struct ResourceDescriptor {
  unsigned type = 0;  // ResType_Mem 1, ResType_IO 2, ResType_DMA 3, ResType_IRQ 4
  unsigned long long base = 0;
  unsigned long long end = 0;
  unsigned number = 0;  // DMA channel or interrupt
  bool operator==(const ResourceDescriptor&) const = default;
};

// A logical configuration of a node: the allocated (2), boot (3) or forced (4) one.
struct LogicalConfiguration {
  unsigned type = 0;
  std::vector<ResourceDescriptor> resources;
  bool operator==(const LogicalConfiguration&) const = default;
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
  std::string friendlyName;
  std::vector<std::string> upperFilters;  // the node's own filter drivers
  std::vector<std::string> lowerFilters;
  std::vector<LogicalConfiguration> configurations;  // USB nodes have none
  // A problem the device itself reports (CM_PROB_HARDWARE_DISABLED 29, ...) and a problem only
  // its driver knows; our simulated devices report none, tests seed them.
  unsigned reportedProblem = 0;
  bool privateProblem = false;
  bool disabled = false;
  bool pendingRemoval = false;  // removal finishes at the next start of the machine
  bool operator==(const DeviceRecord&) const = default;
};

struct SetupClass {
  std::string name;
  std::string guid;
  std::string description;  // empty: the name stands for it
  // The class installer key's filter values; a class without the key has neither.
  bool installerKey = true;
  std::vector<std::string> upperFilters;
  std::vector<std::string> lowerFilters;
};

struct InfDriver;

struct StoredPackage {
  std::string name;                          // "oem0.inf"
  std::shared_ptr<const std::string> bytes;  // the INF, byte for byte; every copy of the state shares it
  // What binding reads of the bytes, parsed once (ReadStoredPackage); null until then, an empty
  // optional for bytes that are not a driver INF.
  std::shared_ptr<const std::optional<InfDriver>> driver;
};

struct SetupDatabase {
  std::map<std::string, DeviceRecord> devices;  // by upper-case instance id
  std::vector<SetupClass> classes;
  bool pendingRestart = false;
  bool restartRequested = false;        // a restart of the computer was asked for (InitiateSystemShutdownExA)
  std::vector<StoredPackage> packages;  // not in machine.json: the files of INF/

  DeviceRecord* find(std::string_view instanceId);
  const DeviceRecord* find(std::string_view instanceId) const;
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
