#include "driver/Requests.h"

#include "driver/DeviceExtension.h"

namespace oru {

namespace {

NTSTATUS SignalAndKeep(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
  (void)device;
  (void)irp;
  KeSetEvent(static_cast<PKEVENT>(context), 0, FALSE);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

}  // namespace

NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status) {
  irp->IoStatus.Information = 0;
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS CompleteRequestStatus(PIRP irp, NTSTATUS status) {
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS DispatchPassDown(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  NTSTATUS status = IoAcquireRemoveLock(&ext->removeLock, irp);
  if (!NT_SUCCESS(status)) return CompleteRequestStatus(irp, status);
  IoSkipCurrentIrpStackLocation(irp);
  status = IoCallDriver(ext->lowerDevice, irp);
  IoReleaseRemoveLock(&ext->removeLock, irp);
  return status;
}

NTSTATUS ForwardAndWait(PDEVICE_OBJECT device, PIRP irp) {
  KEVENT done;
  KeInitializeEvent(&done, NotificationEvent, FALSE);
  IoCopyCurrentIrpStackLocationToNext(irp);
  IoSetCompletionRoutine(irp, SignalAndKeep, &done, TRUE, TRUE, TRUE);
  IoCallDriver(ExtensionOf(device)->lowerDevice, irp);
  KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
  return irp->IoStatus.Status;
}

}  // namespace oru
