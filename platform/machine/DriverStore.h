#pragma once

// Adding an INF to the driver store, and binding a device node to a driver from the store.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine/InfFile.h"
#include "platform/machine/SetupDatabase.h"

namespace platform {

enum class StoreResult {
  Stored,         // copied to a new oem<N>.inf
  AlreadyStored,  // a byte-identical package was there
  NotAnInf,       // no [Version] with a signature, a Class and a ClassGuid
  NotStoredYet,   // replace-only, and no identical package is stored
  WriteFailed,    // the machine's state cannot be read or written
};

// Stores `bytes` (an INF) under the lowest free oem<N>.inf, or finds the identical package; with
// `replaceOnly` only finding counts. Registers the INF's setup class. `name` gets the package's;
// `error`, for NotAnInf, why.
StoreResult AddDriverPackage(SetupDatabase& database, const std::string& bytes, bool replaceOnly, std::string& name,
                             std::string* error = nullptr);

// The driver a package's bytes hold, parsed now (an empty optional, and why, when they hold none).
std::shared_ptr<const std::optional<InfDriver>> ReadStoredPackage(const std::string& bytes,
                                                                  std::string* error = nullptr);

// A hardware id registered in-process with its service (Machine::installDriver).
struct DirectInstall {
  std::string hardwareId;
  std::string service;
};

// The record of a node seen now: its ids, and the driver that serves it best. A node recorded
// with a stored package that still serves it keeps that package; otherwise packages rank as the
// platform ranks them: the earlier of the node's ids a model names (hardware ids in order, then
// compatible ids), then the newer DriverVer date, then the newer version, then the lower
// oem<N>. A direct install counts where its id stands, after packages naming the same id. An
// earlier record keeps its disabled flag, pending removal, friendly name, filters, logical
// configurations and reported problems, and its class and description when no driver binds.
DeviceRecord BindDevice(const SetupDatabase& database, const std::vector<DirectInstall>& direct,
                        const std::string& instanceId, const std::vector<std::string>& hardwareIds,
                        const std::vector<std::string>& compatibleIds);

}  // namespace platform
