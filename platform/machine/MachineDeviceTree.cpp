// The Machine's device tree as setup changes it: root-enumerated devices, disabling and enabling,
// new ids, rebinding, re-enumeration, node status and the restart request.

#include <cstdio>

#include "platform/machine/InfFile.h"
#include "platform/machine/Machine.h"
#include "platform/nt/UnicodeString.h"

namespace platform {

namespace {

bool holdsId(const DeviceRecord& record, std::string_view id) {
  for (const std::string& h : record.hardwareIds) {
    if (EqualsNoCase(h, id)) return true;
  }
  for (const std::string& c : record.compatibleIds) {
    if (EqualsNoCase(c, id)) return true;
  }
  return false;
}

bool vetoed(nt::RemovalResult result) {
  return result == nt::RemovalResult::VetoedByDriver || result == nt::RemovalResult::VetoedOpenHandles;
}

// States from which the PnP manager can add and start a present node again.
bool restartable(nt::DevNodeState state) {
  return state == nt::DevNodeState::Removed || state == nt::DevNodeState::NoDriver ||
         state == nt::DevNodeState::StartFailed || state == nt::DevNodeState::AddFailed;
}

}  // namespace

nt::DevNodeId Machine::nodeOfInstance(std::string_view instanceId) const {
  nt::DevNodeId found = 0;
  for (const nt::DevNodeInfo& info : pnp_->nodes()) {
    if (!info.present || info.state == nt::DevNodeState::Deleted) continue;
    if (EqualsNoCase(nt::narrow(info.instanceId), instanceId)) found = info.id;  // the newest wins
  }
  return found;
}

void Machine::enumerateRecordedRootDevices() {
  std::vector<DeviceRecord> arriving;
  for (auto& [key, record] : setup_->snapshot().devices) {
    if (!RootEnumerator::IsRootInstanceId(record.instanceId) || record.pendingRemoval) continue;
    if (!rootBus_->find(record.instanceId)) arriving.push_back(std::move(record));
  }
  bindRootDevices(arriving);
  for (const DeviceRecord& record : arriving) {
    if (PDEVICE_OBJECT pdo = rootBus_->create(record.instanceId, record.hardwareIds, record.compatibleIds))
      pnp_->deviceArrived(pdo);
  }
}

void Machine::startWaitingRootDevices() {
  std::vector<nt::DevNodeId> waiting;
  for (const nt::DevNodeInfo& info : pnp_->nodes()) {
    if (info.present && info.state == nt::DevNodeState::NoDriver && rootBus_->owns(info.pdo))
      waiting.push_back(info.id);
  }
  if (waiting.empty()) return;
  std::vector<DeviceRecord> rebound;
  for (nt::DevNodeId id : waiting) {
    const PDEVICE_OBJECT pdo = pnp_->node(id).pdo;
    DeviceRecord r;
    r.instanceId = nt::narrow(pnp_->node(id).instanceId);
    r.hardwareIds = rootBus_->hardwareIds(pdo);
    r.compatibleIds = rootBus_->compatibleIds(pdo);
    rebound.push_back(std::move(r));
  }
  bindRootDevices(rebound);  // the driver now registered may serve them
  SetupDatabase db = setup_->snapshot();
  for (nt::DevNodeId id : waiting) {
    const DeviceRecord* record = db.find(nt::narrow(pnp_->node(id).instanceId));
    if (!record || !record->disabled) pnp_->restart(id);
  }
}

std::string Machine::nextRootInstanceId(std::string_view name, const std::vector<std::string>& taken) {
  const std::string base = "ROOT\\" + UpperCase(name) + "\\";
  SetupDatabase db = setup_->snapshot();
  for (unsigned n = 0; n < 10000; ++n) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04u", n);
    std::string id = base + digits;
    if (db.find(id) || rootBus_->find(id)) continue;
    bool used = false;
    for (const std::string& t : taken) used = used || EqualsNoCase(t, id);
    if (!used) return id;
  }
  return {};
}

bool Machine::createRootDevice(const DeviceRecord& record) {
  const std::string id = record.instanceId;
  if (!RootEnumerator::IsRootInstanceId(id) || rootBus_->find(id)) return false;
  bool added = false;
  bool saved = setup_->update([&](SetupDatabase& db) {
    if (db.find(id)) return;
    db.put(record);
    added = true;
  });
  if (!saved || !added) return false;
  PDEVICE_OBJECT pdo = rootBus_->create(id, record.hardwareIds, record.compatibleIds);
  if (!pdo) {
    setup_->update([&](SetupDatabase& db) { db.erase(id); });
    return false;
  }
  pnp_->deviceArrived(pdo);
  return true;
}

Machine::StateChange Machine::disableDevice(std::string_view instanceId) {
  const std::string id(instanceId);
  if (!setup_->snapshot().find(id)) return StateChange::NoSuchDevice;
  nt::RemovalResult result = nt::RemovalResult::NotStarted;
  if (nt::DevNodeId node = nodeOfInstance(id); node && pnp_->node(node).state == nt::DevNodeState::Started)
    result = pnp_->requestRemoval(node);
  // After a veto the flag still holds: the device stays off from the next start on.
  bool saved = setup_->update([&](SetupDatabase& db) {
    if (DeviceRecord* r = db.find(id)) r->disabled = true;
    if (vetoed(result)) db.pendingRestart = true;
  });
  if (!saved) return StateChange::WriteFailed;
  return vetoed(result) ? StateChange::NeedsRestart : StateChange::Done;
}

Machine::StateChange Machine::enableDevice(std::string_view instanceId) {
  const std::string id(instanceId);
  bool known = false;
  bool saved = setup_->update([&](SetupDatabase& db) {
    if (DeviceRecord* r = db.find(id)) {
      r->disabled = false;
      known = true;
    }
  });
  if (!saved) return StateChange::WriteFailed;
  if (!known) return StateChange::NoSuchDevice;
  if (nt::DevNodeId node = nodeOfInstance(id); node && restartable(pnp_->node(node).state)) pnp_->restart(node);
  return StateChange::Done;
}

bool Machine::changeDeviceRecord(std::string_view instanceId, const std::function<void(DeviceRecord&)>& change) {
  const std::string id(instanceId);
  bool found = false;
  DeviceRecord after;
  bool saved = setup_->update([&](SetupDatabase& db) {
    DeviceRecord* r = db.find(id);
    if (!r) return;
    const std::string keep = r->instanceId;
    change(*r);
    r->instanceId = keep;  // the record's key
    after = *r;
    found = true;
  });
  if (!saved || !found) return false;
  if (PDEVICE_OBJECT pdo = rootBus_->find(id)) rootBus_->setIds(pdo, after.hardwareIds, after.compatibleIds);
  return true;
}

Machine::Rebind Machine::rebindDevices(std::string_view hardwareId, std::string_view package) {
  Rebind out;
  std::vector<SetupDevice> devices = setupDevices();
  if (!package.empty()) {
    // Binding keeps a node's recorded package while it serves the node: record the given one.
    out.saved = setup_->update([&](SetupDatabase& db) {
      for (const SetupDevice& device : devices) {
        if (!device.present || !holdsId(device.record, hardwareId)) continue;
        if (DeviceRecord* r = db.find(device.record.instanceId)) r->driverKey.infPath = std::string(package);
      }
    });
    if (!out.saved) return out;
  }
  for (const SetupDevice& device : devices) {
    if (!device.present || !holdsId(device.record, hardwareId)) continue;
    ++out.matched;
    if (device.record.disabled) continue;
    nt::DevNodeId node = nodeOfInstance(device.record.instanceId);
    if (!node) continue;
    if (pnp_->node(node).state == nt::DevNodeState::Started) {
      nt::RemovalResult result = pnp_->requestRemoval(node);
      if (vetoed(result)) {
        out.needsRestart = true;
        continue;
      }
    }
    if (restartable(pnp_->node(node).state)) pnp_->restart(node);
  }
  if (out.needsRestart) out.saved = setup_->update([](SetupDatabase& db) { db.pendingRestart = true; });
  return out;
}

void Machine::reenumerate(std::string_view instanceId) {
  if (instanceId.empty()) enumerateRecordedRootDevices();
  SetupDatabase db = setup_->snapshot();
  for (const nt::DevNodeInfo& info : pnp_->nodes()) {
    if (!info.present || info.state == nt::DevNodeState::Deleted) continue;
    const std::string id = nt::narrow(info.instanceId);
    if (!instanceId.empty() && !EqualsNoCase(id, instanceId)) continue;
    const DeviceRecord* record = db.find(id);
    if (record && record->disabled) continue;
    // A removed node (its record gone with it) comes back; a node without a driver is bound
    // again, now that a package may serve it. A failed start is not retried.
    if (info.state == nt::DevNodeState::Removed || info.state == nt::DevNodeState::NoDriver ||
        info.state == nt::DevNodeState::AddFailed) {
      pnp_->restart(info.id);
    }
  }
}

std::optional<Machine::DeviceNode> Machine::deviceNode(std::string_view instanceId) {
  SetupDatabase db = setup_->snapshot();
  const DeviceRecord* record = db.find(instanceId);
  if (!record) return std::nullopt;
  DeviceNode out;
  out.record = *record;
  out.rootEnumerated = RootEnumerator::IsRootInstanceId(record->instanceId);
  if (nt::DevNodeId node = nodeOfInstance(instanceId)) {
    out.present = true;
    out.state = pnp_->node(node).state;
  }
  return out;
}

bool Machine::requestRestart() {
  return setup_->update([](SetupDatabase& db) { db.restartRequested = true; });
}

bool Machine::restartRequested() { return setup_->snapshot().restartRequested; }

}  // namespace platform
