// Cancellation: the kernel's global cancel lock and IoCancelIrp.

#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"

namespace nt {

// Under the cancel lock: mark the IRP cancelled and take its routine; a routine taken is called
// with the lock held and must release it (IoReleaseCancelSpinLock(Irp->CancelIrql)).
BOOLEAN IoManager::cancel(IrpRecord* record) {
  PIRP irp = record->irp;
  if (record->state.load() == IrpState::Finished) return FALSE;
  if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
    kernel_.verifier().record(Violation::IrqlTooHigh, "IoCancelIrp at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  KIRQL irql;
  KeAcquireSpinLock(kernel_.cancelLock(), &irql);
  markIrpCancelled(irp);
  PDRIVER_CANCEL routine = IoSetCancelRoutine(irp, nullptr);
  if (!routine) {
    KeReleaseSpinLock(kernel_.cancelLock(), irql);
    return FALSE;
  }
  // The IRP is the cancel path's now: no other path may complete it, so its stack holds still.
  // (Pinned: a driver that completes it meanwhile anyway must not free the record under us.)
  record->cancelWindow = true;
  pin(record);
  kernel_.runCancelWindowHook(irp);
  irp->CancelIrql = irql;
  PDEVICE_OBJECT device =
      irp->CurrentLocation <= irp->StackCount ? IoGetCurrentIrpStackLocation(irp)->DeviceObject : nullptr;
  record->cancelWindow = false;
  unpin(record);
  {
    DriverCall call(kernel_, device ? device->DriverObject : record->owner, device, "cancel routine",
                    /*checkIrql=*/false);
    routine(device, irp);
  }
  if (spinLockHeldByCurrentThread(kernel_.cancelLock())) {
    kernel_.verifier().record(Violation::CancelLockNotReleased,
                              "the cancel routine of IRP " + pointerText(irp) + " returned holding the cancel lock");
    KeReleaseSpinLock(kernel_.cancelLock(), irql);
  }
  return TRUE;
}

}  // namespace nt

BOOLEAN IoCancelIrp(PIRP irp) {
  nt::IrpRecord* record = nt::lookupIrp(irp, "IoCancelIrp", nt::Violation::UnknownIrp);
  return record ? record->kernel->io().cancel(record) : FALSE;
}

VOID IoAcquireCancelSpinLock(PKIRQL irql) {
  KeAcquireSpinLock(nt::Kernel::require("IoAcquireCancelSpinLock").cancelLock(), irql);
}

VOID IoReleaseCancelSpinLock(KIRQL irql) {
  KeReleaseSpinLock(nt::Kernel::require("IoReleaseCancelSpinLock").cancelLock(), irql);
}
