#include "platform/machine/Machine.h"

#include <algorithm>
#include <cctype>

#include "platform/nt/NtStatus.h"
#include "platform/nt/UnicodeString.h"

namespace platform {

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
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
      power_(std::make_unique<nt::PowerManager>(kernel_, *pnp_, options.kernel.workerThread, options.pnp.waitLimitMs)) {
    pnp_->setDriverCallbacks([this](const std::vector<std::u16string>& ids) { return driverFor(ids); },
                             [this](PDRIVER_OBJECT driver) { driverUnused(driver); });
    // A device that leaves by itself (a fault, the model) is reported from whatever thread saw it.
    bus_->setUnplugHandler([this](int, PDEVICE_OBJECT pdo) { pnp_->deviceMissingAsync(pdo); });
}

Machine::~Machine() { shutdown(); }

// ---- driver store ------------------------------------------------------------------------------

void Machine::installDriver(std::string_view name, PDRIVER_INITIALIZE entry) {
    std::lock_guard lock(storeMutex_);
    installed_[std::string(name)] = entry;
}

void Machine::installDriver(std::string_view hardwareId, std::string_view name, PDRIVER_INITIALIZE entry) {
    std::lock_guard lock(storeMutex_);
    installed_[std::string(name)] = entry;
    byHardwareId_[upper(hardwareId)] = std::string(name);
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

PDRIVER_OBJECT Machine::driverFor(const std::vector<std::u16string>& hardwareIds) {
    for (const std::u16string& id : hardwareIds) {
        std::string service;
        {
            std::lock_guard lock(storeMutex_);
            auto it = byHardwareId_.find(upper(nt::narrow(id)));
            if (it == byHardwareId_.end()) continue;
            service = it->second;
        }
        if (PDRIVER_OBJECT loaded = driver(service)) return loaded;
        if (NT_SUCCESS(loadDriver(service))) return driver(service);
        return nullptr;
    }
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
        kernel_.shutdown();
        std::lock_guard lock(storeMutex_);
        loaded_.clear();
    }
    return kernel_.verifier().records();
}

}  // namespace platform
