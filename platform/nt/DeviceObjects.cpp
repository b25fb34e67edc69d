// Device objects and their stacks: creation, deletion with deferred poisoning, references,
// attaching and detaching.

#include <cstring>

#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/KernelPool.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/ObjectTable.h"

namespace nt {

namespace {
constexpr std::size_t kDeviceHeader = (sizeof(DEVICE_OBJECT) + 15) / 16 * 16;

// The kernel of a live object; NULL (and a violation) for anything else.
Kernel* kernelOf(const void* object, const char* routine) {
  if (auto owner = ObjectTable::find(object)) return owner->kernel;
  reportViolation(Violation::UnknownDevice, std::string(routine) + "(" + pointerText(object) + "): not a live object");
  return nullptr;
}
}  // namespace

NTSTATUS IoManager::createDevice(PDRIVER_OBJECT driver, ULONG extensionSize, std::u16string_view name, DEVICE_TYPE type,
                                 ULONG characteristics, PDEVICE_OBJECT* device) {
  *device = nullptr;
  std::u16string normalized = name.empty() ? std::u16string() : normalizeName(name);
  std::size_t size = kDeviceHeader + extensionSize;
  auto memory = static_cast<PCHAR>(kernel_.pool().allocate(NonPagedPool, size, kDeviceObjectTag, driver));
  if (!memory) return STATUS_INSUFFICIENT_RESOURCES;
  std::memset(memory, 0, size);

  std::lock_guard lock(mutex_);
  if (!normalized.empty() && nameInUse(normalized)) {
    kernel_.pool().free(memory);
    return STATUS_OBJECT_NAME_COLLISION;
  }
  auto dev = reinterpret_cast<PDEVICE_OBJECT>(memory);
  dev->Type = IO_TYPE_DEVICE;
  dev->Size = static_cast<USHORT>(sizeof(DEVICE_OBJECT) + extensionSize);
  dev->DriverObject = driver;
  dev->Flags = DO_DEVICE_INITIALIZING;
  dev->Characteristics = characteristics;
  dev->DeviceExtension = extensionSize ? memory + kDeviceHeader : nullptr;
  dev->DeviceType = type;
  dev->StackSize = 1;
  dev->NextDevice = driver->DeviceObject;
  driver->DeviceObject = dev;

  auto record = std::make_unique<DeviceRecord>();
  record->device = dev;
  record->driver = driver;
  record->name = normalized;
  dev->DeviceObjectExtension = reinterpret_cast<PDEVOBJ_EXTENSION>(record.get());
  devices_[dev] = std::move(record);
  if (!normalized.empty()) named_[foldedName(normalized)] = dev;
  *device = dev;
  return STATUS_SUCCESS;
}

void IoManager::deleteDevice(PDEVICE_OBJECT device) {
  DeviceRecord* record = findDevice(device);
  if (!record) {
    kernel_.verifier().record(Violation::UnknownDevice, "IoDeleteDevice(" + pointerText(device) + ")");
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (record->deleted) {
      kernel_.verifier().record(Violation::UnknownDevice,
                                "IoDeleteDevice(" + pointerText(device) + ") on a device already deleted");
      return;
    }
  }
  checkOutstanding({device}, Violation::IrpOutstandingAtDelete,
                   "device " + pointerText(device) + " " + narrow(record->name) + " deleted");
  std::lock_guard lock(mutex_);
  if (record->attachedTo) {
    kernel_.verifier().record(
        Violation::DeviceDeletedWhileAttached,
        "IoDeleteDevice(" + pointerText(device) + ") still attached to " + pointerText(record->attachedTo));
  }
  record->deleted = true;
  PDEVICE_OBJECT* link = &record->driver->DeviceObject;
  while (*link && *link != device) link = &(*link)->NextDevice;
  if (*link) *link = device->NextDevice;
  // A device something is still attached to stays until that one detaches (a bus deletes its
  // PDO at removal before the function driver above it detaches).
  if (record->references == 0 && !device->AttachedDevice) poisonDevice(record);
}

// Nothing may keep pointing at a poisoned device: a stack it was left in forgets it.
void IoManager::poisonDevice(DeviceRecord* record) {
  PDEVICE_OBJECT device = record->device;
  if (PDEVICE_OBJECT lower = record->attachedTo) {
    if (!devices_.at(lower)->gone && lower->AttachedDevice == device) lower->AttachedDevice = nullptr;
  }
  for (auto& [other, r] : devices_) {
    if (r->attachedTo == device) r->attachedTo = nullptr;
    if (r->detachedFrom == device) r->detachedFrom = nullptr;
  }
  record->attachedTo = nullptr;
  record->gone = true;
  if (!record->name.empty()) named_.erase(foldedName(record->name));
  kernel_.pool().free(record->device, /*keepUntilEnd=*/true);
}

DeviceRecord* IoManager::findDevice(PDEVICE_OBJECT device) {
  std::lock_guard lock(mutex_);
  auto it = devices_.find(device);
  return it == devices_.end() ? nullptr : it->second.get();
}

void IoManager::reference(PDEVICE_OBJECT device) {
  std::lock_guard lock(mutex_);
  auto it = devices_.find(device);
  if (it == devices_.end() || it->second->gone) {
    kernel_.verifier().record(Violation::UnknownDevice, "reference to " + pointerText(device));
    return;
  }
  it->second->references++;
  device->ReferenceCount = it->second->references;
}

void IoManager::dereference(PDEVICE_OBJECT device) {
  std::lock_guard lock(mutex_);
  auto it = devices_.find(device);
  if (it == devices_.end() || it->second->gone || it->second->references == 0) {
    kernel_.verifier().record(Violation::UnknownDevice, "dereference of " + pointerText(device));
    return;
  }
  DeviceRecord* record = it->second.get();
  record->references--;
  device->ReferenceCount = record->references;
  if (record->deleted && record->references == 0 && !device->AttachedDevice) poisonDevice(record);
}

PDEVICE_OBJECT IoManager::attach(PDEVICE_OBJECT source, PDEVICE_OBJECT target) {
  std::lock_guard lock(mutex_);
  auto s = devices_.find(source);
  auto t = devices_.find(target);
  if (s == devices_.end() || t == devices_.end() || s->second->gone || t->second->gone) return nullptr;
  PDEVICE_OBJECT top = target;
  while (top->AttachedDevice) top = top->AttachedDevice;
  if (devices_.at(top)->deleted) return nullptr;
  top->AttachedDevice = source;
  source->StackSize = static_cast<CCHAR>(top->StackSize + 1);
  if (top->AlignmentRequirement > source->AlignmentRequirement)
    source->AlignmentRequirement = top->AlignmentRequirement;
  s->second->attachedTo = top;
  s->second->detachedFrom = nullptr;
  return top;
}

void IoManager::detach(PDEVICE_OBJECT target) {
  std::lock_guard lock(mutex_);
  auto t = devices_.find(target);
  if (t == devices_.end() || t->second->gone || !target->AttachedDevice) {
    kernel_.verifier().record(Violation::UnknownDevice,
                              "IoDetachDevice(" + pointerText(target) + ") with nothing attached");
    return;
  }
  PDEVICE_OBJECT upper = target->AttachedDevice;
  target->AttachedDevice = nullptr;
  auto u = devices_.find(upper);
  if (u != devices_.end()) {
    u->second->attachedTo = nullptr;
    u->second->detachedFrom = target;
  }
  if (t->second->deleted && t->second->references == 0) poisonDevice(t->second.get());
}

PDEVICE_OBJECT IoManager::topOfStack(PDEVICE_OBJECT device) {
  std::lock_guard lock(mutex_);
  while (device->AttachedDevice) device = device->AttachedDevice;
  return device;
}

std::vector<PDEVICE_OBJECT> IoManager::devicesOf(PDRIVER_OBJECT driver, bool includeDeleted) {
  std::lock_guard lock(mutex_);
  std::vector<PDEVICE_OBJECT> out;
  for (const auto& [dev, record] : devices_) {
    if (record->driver == driver && !record->gone && (includeDeleted || !record->deleted)) out.push_back(dev);
  }
  return out;
}

}  // namespace nt

using nt::Kernel;

NTSTATUS IoCreateDevice(PDRIVER_OBJECT driverObject, ULONG deviceExtensionSize, PUNICODE_STRING deviceName,
                        DEVICE_TYPE deviceType, ULONG deviceCharacteristics, BOOLEAN exclusive,
                        PDEVICE_OBJECT* deviceObject) {
  Kernel& kernel = Kernel::require("IoCreateDevice");
  std::u16string name = deviceName ? nt::toU16(deviceName) : std::u16string();
  NTSTATUS status = kernel.io().createDevice(driverObject, deviceExtensionSize, name, deviceType, deviceCharacteristics,
                                             deviceObject);
  if (NT_SUCCESS(status) && exclusive) (*deviceObject)->Flags |= DO_EXCLUSIVE;
  return status;
}

VOID IoDeleteDevice(PDEVICE_OBJECT deviceObject) {
  if (Kernel* kernel = nt::kernelOf(deviceObject, "IoDeleteDevice")) kernel->io().deleteDevice(deviceObject);
}

PDEVICE_OBJECT IoAttachDeviceToDeviceStack(PDEVICE_OBJECT sourceDevice, PDEVICE_OBJECT targetDevice) {
  Kernel* kernel = nt::kernelOf(targetDevice, "IoAttachDeviceToDeviceStack");
  return kernel ? kernel->io().attach(sourceDevice, targetDevice) : nullptr;
}

VOID IoDetachDevice(PDEVICE_OBJECT targetDevice) {
  if (Kernel* kernel = nt::kernelOf(targetDevice, "IoDetachDevice")) kernel->io().detach(targetDevice);
}

PDEVICE_OBJECT IoGetAttachedDevice(PDEVICE_OBJECT deviceObject) {
  Kernel* kernel = nt::kernelOf(deviceObject, "IoGetAttachedDevice");
  return kernel ? kernel->io().topOfStack(deviceObject) : deviceObject;
}

PDEVICE_OBJECT IoGetAttachedDeviceReference(PDEVICE_OBJECT deviceObject) {
  Kernel* kernel = nt::kernelOf(deviceObject, "IoGetAttachedDeviceReference");
  if (!kernel) return nullptr;
  PDEVICE_OBJECT top = kernel->io().topOfStack(deviceObject);
  kernel->io().reference(top);
  return top;
}

VOID ObReferenceObject(PVOID object) {
  if (Kernel* kernel = nt::kernelOf(object, "ObReferenceObject")) {
    kernel->io().reference(static_cast<PDEVICE_OBJECT>(object));
  }
}

VOID ObDereferenceObject(PVOID object) {
  if (Kernel* kernel = nt::kernelOf(object, "ObDereferenceObject")) {
    kernel->io().dereference(static_cast<PDEVICE_OBJECT>(object));
  }
}
