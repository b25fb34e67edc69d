#include "driver/DriverEntry.h"

#include "driver/DeviceControl.h"
#include "driver/DeviceExtension.h"
#include "driver/OruInterface.h"
#include "driver/Pnp.h"
#include "driver/Power.h"
#include "driver/ReadWrite.h"
#include "driver/Requests.h"

namespace oru {

namespace {

// Driver-wide state, one per load. Several simulated machines may load the driver side by side in one process, so each
// load keeps its own slot, keyed by its driver object.
struct DriverGlobals {
  PDRIVER_OBJECT driver;
  UNICODE_STRING registryPathCopy;
};
constexpr int kMaxLoads = 32;
DriverGlobals gLoads[kMaxLoads];
KSPIN_LOCK gLoadsLock = 0;

DriverGlobals* ClaimSlot(PDRIVER_OBJECT driver) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&gLoadsLock, &oldIrql);
  DriverGlobals* slot = nullptr;
  for (DriverGlobals& g : gLoads) {
    if (g.driver == nullptr) {
      g.driver = driver;
      slot = &g;
      break;
    }
  }
  KeReleaseSpinLock(&gLoadsLock, oldIrql);
  return slot;
}

DriverGlobals* FindSlot(PDRIVER_OBJECT driver) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&gLoadsLock, &oldIrql);
  DriverGlobals* slot = nullptr;
  for (DriverGlobals& g : gLoads) {
    if (g.driver == driver) slot = &g;
  }
  KeReleaseSpinLock(&gLoadsLock, oldIrql);
  return slot;
}

void ReleaseSlot(DriverGlobals* slot) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&gLoadsLock, &oldIrql);
  slot->registryPathCopy = UNICODE_STRING{};
  slot->driver = nullptr;
  KeReleaseSpinLock(&gLoadsLock, oldIrql);
}

void InitName(PUNICODE_STRING name, const char16_t* text) { RtlInitUnicodeString(name, text); }

}  // namespace

NTSTATUS DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath) {
  DriverGlobals* slot = ClaimSlot(driverObject);
  if (!slot) return STATUS_INSUFFICIENT_RESOURCES;
  USHORT capacity = static_cast<USHORT>(registryPath->Length + sizeof(WCHAR));
  auto buffer = static_cast<PWCHAR>(ExAllocatePoolWithTag(PagedPool, capacity, kTagRegistryPath));
  if (!buffer) {
    ReleaseSlot(slot);
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  RtlCopyMemory(buffer, registryPath->Buffer, registryPath->Length);
  buffer[registryPath->Length / sizeof(WCHAR)] = 0;
  slot->registryPathCopy.Buffer = buffer;
  slot->registryPathCopy.Length = registryPath->Length;
  slot->registryPathCopy.MaximumLength = capacity;

  driverObject->DriverUnload = DriverUnload;
  driverObject->DriverExtension->AddDevice = AddDevice;
  driverObject->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
  driverObject->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
  driverObject->MajorFunction[IRP_MJ_READ] = DispatchReadWrite;
  driverObject->MajorFunction[IRP_MJ_WRITE] = DispatchReadWrite;
  driverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  driverObject->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = DispatchPassDown;
  driverObject->MajorFunction[IRP_MJ_POWER] = DispatchPower;
  driverObject->MajorFunction[IRP_MJ_SYSTEM_CONTROL] = DispatchPassDown;
  driverObject->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
  return STATUS_SUCCESS;
}

VOID DriverUnload(PDRIVER_OBJECT driverObject) {
  DriverGlobals* slot = FindSlot(driverObject);
  if (!slot) return;
  if (slot->registryPathCopy.Buffer) ExFreePool(slot->registryPathCopy.Buffer);
  ReleaseSlot(slot);
}

NTSTATUS AddDevice(PDRIVER_OBJECT driverObject, PDEVICE_OBJECT physicalDeviceObject) {
  UNICODE_STRING deviceName;
  UNICODE_STRING linkName;
  InitName(&deviceName, kDeviceName);
  InitName(&linkName, kDosDeviceName);

  PDEVICE_OBJECT device = nullptr;
  // A second instrument fails here: the name is taken.
  NTSTATUS status = IoCreateDevice(driverObject, sizeof(DeviceExtension), &deviceName, FILE_DEVICE_UNKNOWN,
                                   FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  IoCreateSymbolicLink(&linkName, &deviceName);

  DeviceExtension* ext = ExtensionOf(device);
  ext->self = device;
  ext->physicalDevice = physicalDeviceObject;
  IoInitializeRemoveLock(&ext->removeLock, 0, 0, 0);
  InitializeQueue(&ext->requestQueue, StartTransfer);
  ext->pnpState = kPnpNotStarted;
  device->Flags |= DO_DIRECT_IO | DO_POWER_PAGABLE;
  ext->pipeMode = PIPE_MODE_BULK1;
  ext->pieceSize = 64;

  ext->lowerDevice = IoAttachDeviceToDeviceStack(device, physicalDeviceObject);
  if (!ext->lowerDevice) {
    status = STATUS_DEVICE_REMOVED;
  } else {
    status = IoRegisterDeviceInterface(physicalDeviceObject, &GUID_DEVINTERFACE_ORU, nullptr, &ext->interfaceName);
  }
  if (!NT_SUCCESS(status)) {
    if (ext->interfaceName.Buffer) RtlFreeUnicodeString(&ext->interfaceName);
    if (ext->lowerDevice) IoDetachDevice(ext->lowerDevice);
    IoDeleteDevice(device);
    IoDeleteSymbolicLink(&linkName);
    return status;
  }
  ext->systemPower = PowerSystemWorking;
  ext->devicePower = PowerDeviceD0;
  POWER_STATE state;
  state.DeviceState = PowerDeviceD0;
  PoSetPowerState(device, DevicePowerState, state);
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

NTSTATUS DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  return CompleteRequest(irp, STATUS_SUCCESS);
}

NTSTATUS DispatchClose(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  return CompleteRequest(irp, STATUS_SUCCESS);
}

}  // namespace oru
