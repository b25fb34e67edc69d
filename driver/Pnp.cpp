#include "driver/Pnp.h"

#include "driver/Configuration.h"
#include "driver/DeviceExtension.h"
#include "driver/OruInterface.h"
#include "driver/PowerCapabilities.h"
#include "driver/Requests.h"

namespace oru {

namespace {

typedef NTSTATUS PNP_HANDLER(PDEVICE_OBJECT device, PIRP irp);

constexpr UCHAR kPnpTableSize = 24;

NTSTATUS PnpPassDown(PDEVICE_OBJECT device, PIRP irp) {
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(ExtensionOf(device)->lowerDevice, irp);
}

// Handlers that act on a request report success unless the lower drivers say otherwise.
void SetSuccess(PIRP irp) { irp->IoStatus.Status = STATUS_SUCCESS; }

NTSTATUS PnpStartDevice(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  NTSTATUS status = ForwardAndWait(device, irp);
  if (NT_SUCCESS(status)) status = ConfigureDevice(device);
  if (NT_SUCCESS(status)) {
    // Ready before the program hears of the device, so its first requests find it started.
    SetPnpState(ext, kPnpStarted);
    AllowRequests(&ext->requestQueue);
    RestartQueue(&ext->requestQueue, device);
    IoSetDeviceInterfaceState(&ext->interfaceName, TRUE);
  }
  return CompleteRequestStatus(irp, status);
}

NTSTATUS PnpQueryStop(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  if (PnpStateOf(ext) == kPnpStarted) {
    if (StallIfIdle(&ext->requestQueue)) return CompleteRequestStatus(irp, STATUS_UNSUCCESSFUL);
    SetPnpState(ext, kPnpStopPending);
  }
  return PnpPassDown(device, irp);
}

NTSTATUS PnpCancelStop(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  if (PnpStateOf(ext) != kPnpStopPending) return PnpPassDown(device, irp);
  NTSTATUS status = ForwardAndWait(device, irp);
  if (NT_SUCCESS(status)) {
    SetPnpState(ext, kPnpStarted);
    RestartQueue(&ext->requestQueue, device);
  }
  return CompleteRequestStatus(irp, status);
}

NTSTATUS PnpStopDevice(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  LONG state = PnpStateOf(ext);
  if (state != kPnpStopPending) {
    AbortQueue(&ext->requestQueue);
    // Without a query-stop the queue was running: stall it as a query-stop would have, so that the next start's
    // restart leaves it at 0 and not below.
    if (state == kPnpStarted) StallQueue(&ext->requestQueue);
  }
  UnconfigureDevice(device, state == kPnpStarted || state == kPnpStopPending);
  SetPnpState(ext, kPnpNotStarted);
  return PnpPassDown(device, irp);
}

NTSTATUS PnpQueryRemove(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  LONG state = PnpStateOf(ext);
  bool stalled = false;
  if (state == kPnpStarted) {
    if (StallIfIdle(&ext->requestQueue)) return CompleteRequestStatus(irp, STATUS_UNSUCCESSFUL);
    stalled = true;
  }
  ext->removeQueryStalledQueue = stalled;
  ext->savedPnpState = state;
  SetPnpState(ext, kPnpRemovePending);
  return PnpPassDown(device, irp);
}

NTSTATUS PnpCancelRemove(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  if (PnpStateOf(ext) != kPnpRemovePending) return PnpPassDown(device, irp);
  NTSTATUS status = ForwardAndWait(device, irp);
  if (NT_SUCCESS(status)) {
    SetPnpState(ext, ext->savedPnpState);
    // Only the stall this query-remove added is undone.
    if (ext->removeQueryStalledQueue) {
      ext->removeQueryStalledQueue = FALSE;
      RestartQueue(&ext->requestQueue, device);
    }
  }
  return CompleteRequestStatus(irp, status);
}

NTSTATUS PnpSurpriseRemoval(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  AbortQueue(&ext->requestQueue);
  IoSetDeviceInterfaceState(&ext->interfaceName, FALSE);
  LONG before = PnpStateOf(ext);
  SetPnpState(ext, kPnpSurpriseRemoved);
  UnconfigureDevice(device, before == kPnpStarted);
  return PnpPassDown(device, irp);
}

NTSTATUS PnpRemoveDevice(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  AbortQueue(&ext->requestQueue);
  if (ext->interfaceName.Buffer) {
    IoSetDeviceInterfaceState(&ext->interfaceName, FALSE);
    RtlFreeUnicodeString(&ext->interfaceName);
  }
  // A device still configured (an orderly removal) is returned to the unconfigured state, which also ends whatever it
  // still has at the bus.
  UnconfigureDevice(device, ext->configDescriptor != nullptr);
  SetPnpState(ext, kPnpRemoved);
  // Everyone who may still send to the lower device is done before it hears of the removal (a bus deletes the device
  // of an unplugged instrument then).
  IoReleaseRemoveLockAndWait(&ext->removeLock, irp);
  PDEVICE_OBJECT lower = ext->lowerDevice;
  IoSkipCurrentIrpStackLocation(irp);
  NTSTATUS status = IoCallDriver(lower, irp);
  IoDetachDevice(lower);
  IoDeleteDevice(device);
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, kDosDeviceName);
  IoDeleteSymbolicLink(&link);
  return status;
}

NTSTATUS PnpQueryCapabilities(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  SetSuccess(irp);
  PDEVICE_CAPABILITIES caps = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceCapabilities.Capabilities;
  if (!caps || caps->Version < 1) return PnpPassDown(device, irp);
  NTSTATUS status = ForwardAndWait(device, irp);
  if (NT_SUCCESS(status)) {
    caps->SurpriseRemovalOK = 1;
    AdjustPowerCapabilities(caps);
    RtlCopyMemory(&ext->capabilities, caps, sizeof ext->capabilities);
  }
  return CompleteRequestStatus(irp, status);
}

constexpr PNP_HANDLER* kPnpHandlers[kPnpTableSize] = {
    PnpStartDevice,        // 0 start
    PnpQueryRemove,        // 1 query remove
    PnpRemoveDevice,       // 2 remove
    PnpCancelRemove,       // 3 cancel remove
    PnpStopDevice,         // 4 stop
    PnpQueryStop,          // 5 query stop
    PnpCancelStop,         // 6 cancel stop
    PnpPassDown,           // 7
    PnpPassDown,           // 8
    PnpQueryCapabilities,  // 9 query capabilities
    PnpPassDown,           // 10
    PnpPassDown,           // 11
    PnpPassDown,           // 12
    PnpPassDown,           // 13
    PnpPassDown,           // 14
    PnpPassDown,           // 15
    PnpPassDown,           // 16
    PnpPassDown,           // 17
    PnpPassDown,           // 18
    PnpPassDown,           // 19
    PnpPassDown,           // 20
    PnpPassDown,           // 21
    PnpPassDown,           // 22
    PnpSurpriseRemoval,    // 23 surprise removal
};

}  // namespace

NTSTATUS DispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  NTSTATUS status = IoAcquireRemoveLock(&ext->removeLock, irp);
  if (!NT_SUCCESS(status)) return CompleteRequestStatus(irp, status);
  UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
  if (minor >= kPnpTableSize) {
    status = PnpPassDown(device, irp);
    IoReleaseRemoveLock(&ext->removeLock, irp);
    return status;
  }
  status = kPnpHandlers[minor](device, irp);
  // Removal has given up its hold and waited for everyone else's.
  if (minor != IRP_MN_REMOVE_DEVICE) IoReleaseRemoveLock(&ext->removeLock, irp);
  return status;
}

}  // namespace oru
