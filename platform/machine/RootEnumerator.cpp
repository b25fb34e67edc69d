#include "platform/machine/RootEnumerator.h"

#include <algorithm>
#include <cctype>

#include "platform/machine/InfFile.h"
#include "platform/nt/CallContext.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/UnicodeString.h"

namespace platform {

struct RootEnumerator::Child : nt::BusChild {
  std::string deviceId;  // "ROOT\CLASS"
  std::string instance;  // "0000"
  std::vector<std::string> hardwareIds;
  std::vector<std::string> compatibleIds;
};

namespace {

constexpr ULONG kIdTag = 0x64497452;  // "RtId"

NTSTATUS RootDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  nt::PdoBus::SetDispatch(driver);
  return STATUS_SUCCESS;
}

}  // namespace

bool RootEnumerator::IsRootInstanceId(const std::string& instanceId) {
  if (instanceId.size() < 7 || !EqualsNoCase(instanceId.substr(0, 5), "ROOT\\")) return false;
  std::size_t slash = instanceId.find('\\', 5);
  if (slash == std::string::npos || slash == 5 || slash + 1 == instanceId.size()) return false;
  for (std::size_t i = 5; i < slash; ++i) {
    unsigned char c = static_cast<unsigned char>(instanceId[i]);
    if (c <= 0x20 || c >= 0x7F || c == ',') return false;
  }
  return std::all_of(instanceId.begin() + static_cast<std::ptrdiff_t>(slash) + 1, instanceId.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
}

RootEnumerator::RootEnumerator(nt::Kernel& kernel) : PdoBus(kIdTag), kernel_(kernel) {
  nt::KernelScope scope(&kernel_);
  kernel_.loadDriver(u"root", RootDriverEntry, &driver_);
}

RootEnumerator::~RootEnumerator() { shutdown(); }

std::shared_ptr<RootEnumerator::Child> RootEnumerator::child(PDEVICE_OBJECT pdo) const {
  std::lock_guard lock(mutex_);
  auto it = byPdo_.find(pdo);
  return it != byPdo_.end() && !it->second->deleted ? it->second : nullptr;
}

PDEVICE_OBJECT RootEnumerator::create(const std::string& instanceId, std::vector<std::string> hardwareIds,
                                      std::vector<std::string> compatibleIds) {
  if (!driver_ || !IsRootInstanceId(instanceId)) return nullptr;
  auto c = std::make_shared<Child>();
  std::size_t slash = instanceId.rfind('\\');
  c->deviceId = instanceId.substr(0, slash);
  c->instance = instanceId.substr(slash + 1);
  c->hardwareIds = std::move(hardwareIds);
  c->compatibleIds = std::move(compatibleIds);
  const std::string key = UpperCase(instanceId);
  int number;
  {
    std::lock_guard lock(mutex_);
    if (shutDown_) return nullptr;
    if (auto other = byInstanceId_.find(key); other != byInstanceId_.end() && !other->second->deleted) return nullptr;
    number = nextName_++;
  }
  PDEVICE_OBJECT pdo = createPdo(kernel_, driver_, u"\\Device\\ROOTPDO-" + nt::widen(std::to_string(number)),
                                 FILE_DEVICE_UNKNOWN, "root enumeration");
  if (!pdo) return nullptr;
  c->pdo = pdo;
  std::lock_guard lock(mutex_);
  byInstanceId_[key] = c;
  byPdo_[pdo] = c;
  children_.push_back(std::move(c));
  return pdo;
}

void RootEnumerator::setIds(PDEVICE_OBJECT pdo, std::vector<std::string> hardwareIds,
                            std::vector<std::string> compatibleIds) {
  auto c = child(pdo);
  if (!c) return;
  std::lock_guard lock(mutex_);
  c->hardwareIds = std::move(hardwareIds);
  c->compatibleIds = std::move(compatibleIds);
}

void RootEnumerator::unplug(PDEVICE_OBJECT pdo) {
  auto c = child(pdo);
  if (!c) return;
  std::lock_guard lock(mutex_);
  c->gone = true;
}

PDEVICE_OBJECT RootEnumerator::find(const std::string& instanceId) const {
  std::lock_guard lock(mutex_);
  auto it = byInstanceId_.find(UpperCase(instanceId));
  return it != byInstanceId_.end() && !it->second->deleted && !it->second->gone ? it->second->pdo : nullptr;
}

bool RootEnumerator::owns(PDEVICE_OBJECT pdo) const { return child(pdo) != nullptr; }

std::vector<std::string> RootEnumerator::hardwareIds(PDEVICE_OBJECT pdo) const {
  auto c = child(pdo);
  std::lock_guard lock(mutex_);
  return c ? c->hardwareIds : std::vector<std::string>{};
}

std::vector<std::string> RootEnumerator::compatibleIds(PDEVICE_OBJECT pdo) const {
  auto c = child(pdo);
  std::lock_guard lock(mutex_);
  return c ? c->compatibleIds : std::vector<std::string>{};
}

std::vector<std::string> RootEnumerator::instanceIds() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& c : children_) {
    if (!c->deleted) out.push_back(c->deviceId + "\\" + c->instance);
  }
  return out;
}

void RootEnumerator::shutdown() {
  std::vector<std::shared_ptr<Child>> left;
  {
    std::lock_guard lock(mutex_);
    if (shutDown_) return;
    shutDown_ = true;
    for (auto& c : children_) {
      if (!c->deleted) {
        c->deleted = true;
        left.push_back(c);
      }
    }
  }
  nt::KernelScope scope(&kernel_);
  for (auto& c : left) {
    nt::DriverCall call(kernel_, driver_, c->pdo, "root shutdown");
    IoDeleteDevice(c->pdo);
  }
}

std::shared_ptr<nt::BusChild> RootEnumerator::childOf(PDEVICE_OBJECT pdo) const { return child(pdo); }

std::vector<std::u16string> RootEnumerator::queryIds(nt::BusChild& bus, BUS_QUERY_ID_TYPE type) {
  auto& c = static_cast<Child&>(bus);
  std::vector<std::u16string> ids;
  auto wide = [&](const std::vector<std::string>& from) {
    for (const std::string& id : from) ids.push_back(nt::widen(id));
  };
  std::lock_guard lock(mutex_);
  switch (type) {
    case BusQueryDeviceID:
      wide({c.deviceId});
      break;
    case BusQueryHardwareIDs:
      wide(c.hardwareIds);
      break;
    case BusQueryCompatibleIDs:
      wide(c.compatibleIds);
      break;
    case BusQueryInstanceID:
      wide({c.instance});
      break;
    default:
      break;
  }
  return ids;
}

void RootEnumerator::fillCapabilities(nt::BusChild&, DEVICE_CAPABILITIES& caps) {
  caps.DeviceState[PowerSystemWorking] = PowerDeviceD0;
  for (int s = PowerSystemSleeping1; s <= PowerSystemShutdown; ++s) caps.DeviceState[s] = PowerDeviceD3;
  caps.SystemWake = PowerSystemUnspecified;
  caps.DeviceWake = PowerDeviceUnspecified;
  caps.SilentInstall = 1;
}

}  // namespace platform
