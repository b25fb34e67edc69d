// Completing IRPs: the walk up the stack locations with completion routines, and what happens when
// completion reaches the requester.

#include <cstring>

#include "platform/nt/Event.h"
#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/RequestBuffers.h"
#include "platform/nt/ThreadIo.h"

namespace nt {

namespace {

bool routineWanted(PIRP irp, UCHAR control) {
  NTSTATUS status = irp->IoStatus.Status;
  return (NT_SUCCESS(status) && (control & SL_INVOKE_ON_SUCCESS)) ||
         (!NT_SUCCESS(status) && (control & SL_INVOKE_ON_ERROR)) ||
         (irpCancelled(irp) && (control & SL_INVOKE_ON_CANCEL));
}

}  // namespace

// Walks from the current location up. Each location is cleared as the walk leaves it; a routine
// found there runs with the device of the location above (NULL above the top). A routine that
// returns STATUS_MORE_PROCESSING_REQUIRED keeps the IRP: the walk stops, and a later
// IoCompleteRequest resumes from the location it stopped at. Without a routine, a pending mark
// moves up with the walk.
void IoManager::complete(IrpRecord* record) {
  PIRP irp = record->irp;
  auto where = [&] { return "IoCompleteRequest(" + pointerText(irp) + ")"; };
  if (record->state.load() == IrpState::Finished) {
    kernel_.verifier().record(Violation::IrpCompletedTwice, where() + ": completion already reached its requester");
    return;
  }
  if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
    kernel_.verifier().record(Violation::IrqlTooHigh, where() + " at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  if (irp->IoStatus.Status == STATUS_PENDING) {
    kernel_.verifier().record(Violation::IrpCompletedPending, where());
  }
  if (IoSetCancelRoutine(irp, nullptr)) {
    kernel_.verifier().record(Violation::IrpCompletedWithCancelRoutine, where());
  }
  if (record->cancelWindow.load()) {
    kernel_.verifier().record(Violation::IrpCompletedWhileCancelling,
                              where() + ": IoCancelIrp has taken its cancel routine, which has not run yet");
  }
  while (irp->CurrentLocation <= irp->StackCount) {
    PIO_STACK_LOCATION location = IoGetCurrentIrpStackLocation(irp);
    irp->PendingReturned = (location->Control & SL_PENDING_RETURNED) ? TRUE : FALSE;
    completionPassed(record, irp->CurrentLocation, irp->PendingReturned);
    PIO_COMPLETION_ROUTINE routine = location->CompletionRoutine;
    PVOID context = location->Context;
    UCHAR control = location->Control;
    std::memset(location, 0, sizeof *location);
    IoSkipCurrentIrpStackLocation(irp);
    bool atTop = irp->CurrentLocation > irp->StackCount;
    PDEVICE_OBJECT device = atTop ? nullptr : IoGetCurrentIrpStackLocation(irp)->DeviceObject;
    if (routine && routineWanted(irp, control)) {
      PDRIVER_OBJECT driver = device ? device->DriverObject : record->owner;
      record->state = IrpState::Returned;
      NTSTATUS status;
      {
        DriverCall call(kernel_, driver, device, "completion routine");
        status = routine(device, irp, context);
      }
      // The routine's owner may have freed, re-sent or completed the IRP: it is not ours.
      if (status == STATUS_MORE_PROCESSING_REQUIRED) return;
      record->state = IrpState::InDriver;
    } else if (irp->PendingReturned && !atTop) {
      IoMarkIrpPending(irp);
    }
  }
  finishAtTop(record);
}

void IoManager::finishAtTop(IrpRecord* record) {
  record->state = IrpState::Finished;
  {
    std::lock_guard lock(mutex_);
    counters_.completed++;
  }
  switch (record->origin) {
    case IrpOrigin::Driver:
      kernel_.verifier().record(
          Violation::IrpUnclaimed,
          "IRP " + pointerText(record->irp) + " from IoAllocateIrp completed with no routine keeping it at its top");
      return;
    case IrpOrigin::Threaded:
      finishThreaded(record);
      return;
    case IrpOrigin::User:
      finishUser(record);
      return;
    case IrpOrigin::System:
      if (record->atTop) record->atTop(*record);
      freeRequestBuffers(record);
      releaseIrp(record);
      return;
  }
}

void IoManager::finishThreaded(IrpRecord* record) {
  PIRP irp = record->irp;
  copyBackRequestOutput(record);
  freeRequestBuffers(record);
  PIO_STATUS_BLOCK iosb = irp->UserIosb;
  PKEVENT event = irp->UserEvent;
  IO_STATUS_BLOCK result = irp->IoStatus;
  releaseIrp(record);
  // The waiter may return as soon as the event is set: nothing of the IRP is touched after it.
  if (iosb) *iosb = result;
  if (event) KeSetEvent(event, 0, FALSE);
}

void IoManager::finishUser(IrpRecord* record) {
  PIRP irp = record->irp;
  copyBackRequestOutput(record);
  freeRequestBuffers(record);
  UserCompletion completion = std::move(record->completion);
  if (completion) completion(irp->IoStatus.Status, irp->IoStatus.Information);
  removeThreadRequest(record);
  FileRecord* file = record->file;
  releaseIrp(record);
  if (file) dereferenceFile(file);
}

}  // namespace nt

VOID IoCompleteRequest(PIRP irp, CCHAR priorityBoost) {
  (void)priorityBoost;
  if (nt::IrpRecord* record = nt::lookupIrp(irp, "IoCompleteRequest", nt::Violation::IrpCompletedTwice)) {
    record->kernel->io().complete(record);
  }
}
