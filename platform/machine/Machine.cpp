#include "platform/machine/Machine.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "platform/machine/InfFile.h"

#include "platform/nt/NtStatus.h"
#include "platform/nt/UnicodeString.h"

namespace platform {

namespace {

std::string upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

std::mutex& registryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<nt::Kernel*, Machine*>& registry() {
  static std::map<nt::Kernel*, Machine*> machines;
  return machines;
}

std::vector<std::string> narrowAll(const std::vector<std::u16string>& ids) {
  std::vector<std::string> out;
  for (const std::u16string& id : ids) out.push_back(nt::narrow(id));
  return out;
}

nt::PnpOptions pnpOptions(const MachineOptions& options) {
  nt::PnpOptions pnp = options.pnp;
  pnp.threaded = options.kernel.workerThread;
  return pnp;
}

}  // namespace

MachineOptions MachineOptions::deterministic() {
  MachineOptions o;
  o.kernel.workerThread = false;
  o.bus.threaded = false;
  o.pnp.threaded = false;
  return o;
}

Machine::Machine(MachineOptions options)
    : kernel_(options.kernel),
      bus_(std::make_unique<usb::HostController>(kernel_, options.bus)),
      pnp_(std::make_unique<nt::PnpManager>(kernel_, pnpOptions(options))),
      power_(std::make_unique<nt::PowerManager>(kernel_, *pnp_, options.kernel.workerThread, options.pnp.waitLimitMs)),
      rootBus_(std::make_unique<RootEnumerator>(kernel_)),
      root_(options.root) {
  setup_ = std::make_unique<SetupStore>(root_);
  if (!root_.empty()) {
    std::string error;
    persistent_ = setup_->open(error);
    if (persistent_) {
      // This load is the restart any earlier one asked for: removals that waited for it
      // finish now.
      persistent_ = setup_->update(
          [](SetupDatabase& db) {
            for (auto it = db.devices.begin(); it != db.devices.end();) {
              it = it->second.pendingRemoval ? db.devices.erase(it) : std::next(it);
            }
            db.pendingRestart = false;
            db.restartRequested = false;
          },
          &error);
    }
    if (persistent_) skipped_ = setup_->skippedPackages();
    if (!persistent_) {
      stateError_ = error.empty() ? "the machine state cannot be used" : error;
      setup_ = std::make_unique<SetupStore>();
    }
  }
  {
    std::lock_guard lock(registryMutex());
    registry()[&kernel_] = this;
  }
  pnp_->setDriverCallbacks([this](const nt::DevNodeInfo& node) { return driverFor(node); },
                           [this](PDRIVER_OBJECT driver) { driverUnused(driver); });
  // A device that leaves by itself (a fault, the model) is reported from whatever thread saw it.
  bus_->setUnplugHandler([this](int, PDEVICE_OBJECT pdo) { pnp_->deviceMissingAsync(pdo); });
  enumerateRecordedRootDevices();
}

Machine::~Machine() {
  shutdown();
  std::lock_guard lock(registryMutex());
  registry().erase(&kernel_);
}

Machine* Machine::of(nt::Kernel& kernel) {
  std::lock_guard lock(registryMutex());
  auto it = registry().find(&kernel);
  return it == registry().end() ? nullptr : it->second;
}

// ---- driver store ------------------------------------------------------------------------------

void Machine::installDriver(std::string_view name, PDRIVER_INITIALIZE entry) {
  {
    std::lock_guard lock(storeMutex_);
    installed_[std::string(name)] = entry;
  }
  startWaitingRootDevices();
}

void Machine::installDriver(std::string_view hardwareId, std::string_view name, PDRIVER_INITIALIZE entry) {
  {
    std::lock_guard lock(storeMutex_);
    installed_[std::string(name)] = entry;
    byHardwareId_[upper(hardwareId)] = std::string(name);
  }
  startWaitingRootDevices();
}

bool Machine::isInstalled(std::string_view name) const {
  std::lock_guard lock(storeMutex_);
  return installed_.find(name) != installed_.end();
}

NTSTATUS Machine::loadDriver(std::string_view name) {
  PDRIVER_INITIALIZE entry;
  {
    std::lock_guard lock(storeMutex_);
    auto it = installed_.find(name);
    if (it == installed_.end()) return STATUS_OBJECT_NAME_NOT_FOUND;
    if (loaded_.find(name) != loaded_.end()) return STATUS_OBJECT_NAME_COLLISION;
    entry = it->second;
    loads_[std::string(name)]++;
  }
  PDRIVER_OBJECT object = nullptr;
  nt::KernelScope scope(&kernel_);
  NTSTATUS status = kernel_.loadDriver(nt::widen(name), entry, &object);
  if (NT_SUCCESS(status)) {
    std::lock_guard lock(storeMutex_);
    loaded_[std::string(name)] = object;
  }
  return status;
}

PDRIVER_OBJECT Machine::driver(std::string_view name) const {
  std::lock_guard lock(storeMutex_);
  auto it = loaded_.find(name);
  return it == loaded_.end() ? nullptr : it->second;
}

int Machine::loadCount(std::string_view name) const {
  std::lock_guard lock(storeMutex_);
  auto it = loads_.find(name);
  return it == loads_.end() ? 0 : it->second;
}

void Machine::unloadDriver(std::string_view name) {
  PDRIVER_OBJECT object;
  {
    std::lock_guard lock(storeMutex_);
    auto it = loaded_.find(name);
    if (it == loaded_.end()) return;
    object = it->second;
    loaded_.erase(it);
  }
  nt::KernelScope scope(&kernel_);
  kernel_.unloadDriver(object);
}

std::vector<DirectInstall> Machine::directInstalls() const {
  std::vector<DirectInstall> direct;
  std::lock_guard lock(storeMutex_);
  for (const auto& [id, name] : byHardwareId_) direct.push_back({id, name});
  return direct;
}

void Machine::bindRootDevices(const std::vector<DeviceRecord>& records) {
  if (records.empty()) return;
  const std::vector<DirectInstall> direct = directInstalls();
  setup_->update([&](SetupDatabase& db) {
    for (const DeviceRecord& r : records) db.put(BindDevice(db, direct, r.instanceId, r.hardwareIds, r.compatibleIds));
  });
}

PDRIVER_OBJECT Machine::driverFor(const nt::DevNodeInfo& node) {
  const std::vector<DirectInstall> direct = directInstalls();
  const std::string instanceId = nt::narrow(node.instanceId);
  // A root device's ids are its record's, which setup may have changed since its arrival.
  const bool root = rootBus_->owns(node.pdo);
  const std::vector<std::string> hardware = root ? rootBus_->hardwareIds(node.pdo) : narrowAll(node.hardwareIds);
  const std::vector<std::string> compatible = root ? rootBus_->compatibleIds(node.pdo) : narrowAll(node.compatibleIds);
  DeviceRecord bound;
  auto bind = [&](SetupDatabase& db) {
    bound = BindDevice(db, direct, instanceId, hardware, compatible);
    db.put(bound);
  };
  // A node whose record already says how it binds changes nothing: the state is not written
  // (nor copied), so that a load of many recorded devices takes one pass.
  bool recorded = false;
  setup_->inspect([&](const SetupDatabase& db) {
    bound = BindDevice(db, direct, instanceId, hardware, compatible);
    const DeviceRecord* r = db.find(instanceId);
    recorded = r && *r == bound;
  });
  if (!recorded && !setup_->update(bind)) {
    // The root went unwritable: bind from what it holds, without recording the node.
    SetupDatabase db = setup_->snapshot();
    bind(db);
  }
  if (bound.service.empty() || bound.disabled) return nullptr;
  if (PDRIVER_OBJECT loaded = driver(bound.service)) return loaded;
  if (NT_SUCCESS(loadDriver(bound.service))) return driver(bound.service);
  return nullptr;
}

void Machine::driverUnused(PDRIVER_OBJECT object) {
  std::string name;
  {
    std::lock_guard lock(storeMutex_);
    for (const auto& [n, d] : loaded_) {
      if (d == object) name = n;
    }
  }
  if (!name.empty()) unloadDriver(name);
}

// ---- devices -----------------------------------------------------------------------------------

int Machine::plug(usb::UsbDeviceModel& model, const usb::PlugOptions& options) {
  int port = bus_->plug(model, options);
  if (port == 0) return 0;
  nt::DevNodeId id = pnp_->deviceArrived(bus_->pdo(port));
  std::lock_guard lock(storeMutex_);
  nodes_[port] = id;
  return port;
}

void Machine::unplug(int port) {
  bus_->unplug(port);
  pnp_->waitIdle();
}

nt::RemovalResult Machine::remove(int port) {
  nt::DevNodeId id = node(port);
  return id ? pnp_->requestRemoval(id) : nt::RemovalResult::NotStarted;
}

nt::DevNodeId Machine::node(int port) const {
  std::lock_guard lock(storeMutex_);
  auto it = nodes_.find(port);
  return it == nodes_.end() ? 0 : it->second;
}

nt::DevNodeInfo Machine::device(int port) const { return pnp_->node(node(port)); }

// ---- setup state -------------------------------------------------------------------------------

nt::DevNodeId Machine::liveNode(std::string_view instanceId) const {
  for (const nt::DevNodeInfo& info : pnp_->nodes()) {
    // A removed node that is still present is a disabled device: present, as the platform sees it.
    if (!info.present || info.state == nt::DevNodeState::Deleted) continue;
    if (EqualsNoCase(nt::narrow(info.instanceId), instanceId)) return info.id;
  }
  return 0;
}

std::vector<Machine::SetupDevice> Machine::setupDevices() {
  std::vector<SetupDevice> out;
  for (auto& [key, record] : setup_->snapshot().devices) {
    bool present = liveNode(record.instanceId) != 0;
    out.push_back({std::move(record), present});
  }
  return out;
}

std::vector<SetupClass> Machine::setupClasses() { return setup_->snapshot().classes; }

std::size_t Machine::driverPackageCount() { return setup_->snapshot().packages.size(); }

SetupDatabase Machine::setupState() { return setup_->snapshot(); }

bool Machine::changeSetupState(const std::function<void(SetupDatabase&)>& change) { return setup_->update(change); }

StoreResult Machine::storeDriverPackage(const std::string& bytes, bool replaceOnly, std::string& name,
                                        std::string& path, std::string* error) {
  StoreResult result = StoreResult::WriteFailed;
  bool saved =
      setup_->update([&](SetupDatabase& db) { result = AddDriverPackage(db, bytes, replaceOnly, name, error); }, error);
  if (!saved) return StoreResult::WriteFailed;
  if (result == StoreResult::Stored || result == StoreResult::AlreadyStored)
    path = setup_->persistent() ? (root_ / "INF" / name).string() : name;
  return result;
}

Machine::DeviceRemoval Machine::removeDevice(std::string_view instanceId, std::string* error) {
  const std::string id(instanceId);
  bool known = false;
  for (const SetupDevice& d : setupDevices()) known = known || EqualsNoCase(d.record.instanceId, id);
  if (!known) return DeviceRemoval::NoSuchDevice;
  nt::RemovalResult result = nt::RemovalResult::Removed;
  if (nt::DevNodeId live = liveNode(id)) result = pnp_->requestRemoval(live);
  if (result == nt::RemovalResult::VetoedByDriver || result == nt::RemovalResult::VetoedOpenHandles) {
    bool saved = setup_->update(
        [&](SetupDatabase& db) {
          if (DeviceRecord* r = db.find(id)) r->pendingRemoval = true;
          db.pendingRestart = true;
        },
        error);
    return saved ? DeviceRemoval::NeedsRestart : DeviceRemoval::WriteFailed;
  }
  if (!setup_->update([&](SetupDatabase& db) { db.erase(id); }, error)) return DeviceRemoval::WriteFailed;
  // A root device has no hardware behind it: once removed, its PDO goes too.
  if (PDEVICE_OBJECT pdo = rootBus_->find(id)) {
    rootBus_->unplug(pdo);
    pnp_->deviceMissing(pdo);
  }
  return DeviceRemoval::Removed;
}

bool Machine::sleep() { return power_->sleep(PowerSystemSleeping3); }

void Machine::wake() { power_->wake(); }

// ---- shutdown ----------------------------------------------------------------------------------

std::vector<nt::VerifierRecord> Machine::shutdown() {
  if (!shutDown_) {
    shutDown_ = true;
    pnp_->waitIdle();
    power_->waitIdle();
    pnp_->removeAll();
    pnp_->waitIdle();
    power_->stop();
    pnp_->stop();
    bus_->shutdown();
    rootBus_->shutdown();
    kernel_.shutdown();
    std::lock_guard lock(storeMutex_);
    loaded_.clear();
  }
  return kernel_.verifier().records();
}

}  // namespace platform
