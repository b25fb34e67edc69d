// Device interfaces: the driver-facing routines (served by the kernel's PnP manager) and the
// process-wide listeners of interface classes.

#include "platform/nt/DeviceInterface.h"

#include <map>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/ObjectTable.h"
#include "platform/nt/PnpManager.h"

namespace nt {

namespace {

struct Listener {
  GUID interfaceClass;
  InterfaceListener callback;
};

struct Listeners {
  std::mutex mutex;
  std::shared_mutex running;  // shared while callbacks run; exclusive to wait them out
  std::map<std::uintptr_t, Listener> byCookie;
  std::uintptr_t next = 1;
};

Listeners& listeners() {
  static Listeners* l = new Listeners;  // lives through static destruction
  return *l;
}

PnpManager* managerOf(const void* object, const char* routine) {
  Kernel* kernel = nullptr;
  if (auto owner = ObjectTable::find(object)) kernel = owner->kernel;
  if (!kernel) kernel = Kernel::current();
  PnpManager* manager = kernel ? PnpManager::of(*kernel) : nullptr;
  if (!manager) reportViolation(Violation::PnpMisuse, std::string(routine) + ": this kernel has no PnP manager");
  return manager;
}

}  // namespace

std::uintptr_t addInterfaceListener(const GUID& interfaceClass, InterfaceListener listener) {
  Listeners& l = listeners();
  std::lock_guard lock(l.mutex);
  std::uintptr_t cookie = l.next++;
  l.byCookie[cookie] = Listener{interfaceClass, std::move(listener)};
  return cookie;
}

void removeInterfaceListener(std::uintptr_t cookie) {
  Listeners& l = listeners();
  {
    std::lock_guard lock(l.mutex);
    l.byCookie.erase(cookie);
  }
  std::unique_lock wait(l.running);  // callbacks already under way finish first
}

void notifyInterfaceListeners(Kernel& kernel, const GUID& interfaceClass, InterfaceEvent event,
                              const std::u16string& link) {
  Listeners& l = listeners();
  std::shared_lock running(l.running);
  std::vector<InterfaceListener> targets;
  {
    std::lock_guard lock(l.mutex);
    for (const auto& [cookie, listener] : l.byCookie) {
      if (listener.interfaceClass == interfaceClass) targets.push_back(listener.callback);
    }
  }
  for (const auto& callback : targets) callback(kernel, interfaceClass, event, link);
}

}  // namespace nt

NTSTATUS IoRegisterDeviceInterface(PDEVICE_OBJECT physicalDeviceObject, const GUID* interfaceClassGuid,
                                   PUNICODE_STRING referenceString, PUNICODE_STRING symbolicLinkName) {
  if (!interfaceClassGuid || !symbolicLinkName) return STATUS_INVALID_PARAMETER;
  nt::PnpManager* manager = nt::managerOf(physicalDeviceObject, "IoRegisterDeviceInterface");
  if (!manager) return STATUS_INVALID_DEVICE_REQUEST;
  std::u16string reference = referenceString ? nt::toU16(referenceString) : std::u16string();
  return manager->registerInterface(physicalDeviceObject, *interfaceClassGuid, reference, symbolicLinkName);
}

NTSTATUS IoSetDeviceInterfaceState(PUNICODE_STRING symbolicLinkName, BOOLEAN enable) {
  if (!symbolicLinkName || !symbolicLinkName->Buffer) return STATUS_INVALID_PARAMETER;
  nt::PnpManager* manager = nt::managerOf(symbolicLinkName->Buffer, "IoSetDeviceInterfaceState");
  if (!manager) return STATUS_OBJECT_NAME_NOT_FOUND;
  return manager->setInterfaceState(nt::toU16(symbolicLinkName), enable != FALSE);
}
