// Sending IRPs: IoCallDriver with its checks, the default dispatch routine, and the threaded
// device-control IRP drivers build for their own synchronous requests.

#include <cstdio>

#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/ObjectTable.h"
#include "platform/nt/RequestBuffers.h"

namespace nt {

// One dispatch call in progress, on its caller's stack. Completion may pass its location before
// the routine returns (inline, or on another thread); then the mark it saw waits here.
struct DispatchFrame {
  DispatchFrame* outer = nullptr;  // an earlier call at the same location (a skipped location)
  PIRP irp = nullptr;
  PDEVICE_OBJECT device = nullptr;
  bool passed = false;  // completion passed the location
  bool markedPending = false;
  bool orphaned = false;  // the IRP was freed under it: nothing to compare
};

namespace {

std::string pendingMismatch(PIRP irp, PDEVICE_OBJECT device, NTSTATUS returned, bool markedPending) {
  char status[16];
  std::snprintf(status, sizeof status, "0x%08X", static_cast<unsigned>(returned));
  std::string who = "the dispatch routine of " + pointerText(device) + " for IRP " + pointerText(irp);
  if (markedPending) return who + " marked it pending but returned " + status;
  return who + " returned STATUS_PENDING without marking it pending";
}

}  // namespace

void IoManager::dispatchReturned(IrpRecord* record, int location, DispatchFrame& frame, NTSTATUS status) {
  bool pending = status == STATUS_PENDING;
  std::string fault;
  {
    std::lock_guard lock(pendingMutex_);
    if (frame.orphaned) return;
    if (frame.passed) {
      // The record may be gone already: only the frame is ours.
      if (frame.markedPending != pending) fault = pendingMismatch(frame.irp, frame.device, status, frame.markedPending);
    } else {
      DispatchSlot& slot = record->dispatches[static_cast<std::size_t>(location - 1)];
      slot.inCall = frame.outer;  // calls at one location return innermost first
      (pending ? slot.returnedPending : slot.returnedOther)++;
      if (!pending) slot.lastReturned = status;
      slot.device = frame.device;
    }
  }
  if (!fault.empty()) kernel_.verifier().record(Violation::PendingMismatch, fault);
}

void IoManager::completionPassed(IrpRecord* record, int location, bool markedPending) {
  if (location < 1 || static_cast<std::size_t>(location) > record->dispatches.size()) return;
  std::string fault;
  {
    std::lock_guard lock(pendingMutex_);
    DispatchSlot& slot = record->dispatches[static_cast<std::size_t>(location - 1)];
    for (DispatchFrame* f = slot.inCall; f; f = f->outer) {
      f->passed = true;
      f->markedPending = markedPending;
    }
    slot.inCall = nullptr;
    if (markedPending && slot.returnedOther > 0) {
      fault = pendingMismatch(record->irp, slot.device, slot.lastReturned, true);
    } else if (!markedPending && slot.returnedPending > 0) {
      fault = pendingMismatch(record->irp, slot.device, STATUS_PENDING, false);
    }
    slot = DispatchSlot{};
  }
  if (!fault.empty()) kernel_.verifier().record(Violation::PendingMismatch, fault);
}

void IoManager::orphanDispatches(IrpRecord* record) {
  std::lock_guard lock(pendingMutex_);
  for (DispatchSlot& slot : record->dispatches) {
    for (DispatchFrame* f = slot.inCall; f; f = f->outer) f->orphaned = true;
    slot.inCall = nullptr;
  }
}

NTSTATUS invalidDeviceRequest(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
  irp->IoStatus.Information = 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return STATUS_INVALID_DEVICE_REQUEST;
}

NTSTATUS IoManager::callDriver(PDEVICE_OBJECT device, IrpRecord* record, bool fromUser) {
  PIRP irp = record->irp;
  auto where = [&] { return "IoCallDriver(" + pointerText(device) + ", IRP " + pointerText(irp) + ")"; };
  if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
    kernel_.verifier().record(Violation::IrqlTooHigh, where() + " at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  bool gone, deleted;
  {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(device);
    if (it == devices_.end()) {
      kernel_.verifier().record(Violation::UnknownDevice, where() + ": not a device of this kernel");
      return STATUS_INVALID_PARAMETER;
    }
    gone = it->second->gone;
    deleted = it->second->deleted;
    PDEVICE_OBJECT sender = currentCall().device;
    auto s = sender ? devices_.find(sender) : devices_.end();
    if (!fromUser && s != devices_.end() && s->second->detachedFrom == device && s->second->attachedTo != device) {
      kernel_.verifier().record(Violation::IrpToDetachedDevice,
                                where() + ": sent by " + pointerText(sender) + " after it detached from it");
    }
  }
  if (irp->CurrentLocation <= 1) {
    kernel_.verifier().record(Violation::IrpStackExhausted,
                              where() + ": the IRP has " + std::to_string(irp->StackCount) + " location(s)");
    return STATUS_INVALID_PARAMETER;
  }
  IoSetNextIrpStackLocation(irp);
  PIO_STACK_LOCATION location = IoGetCurrentIrpStackLocation(irp);
  location->DeviceObject = device;
  record->state = IrpState::InDriver;
  if (gone) {
    // The object is poisoned: no driver can take the IRP, so it fails here.
    kernel_.verifier().record(Violation::IrpToDeletedDevice, where() + ": the device was deleted and is gone");
    irp->IoStatus.Status = STATUS_NO_SUCH_DEVICE;
    irp->IoStatus.Information = 0;
    complete(record);
    return STATUS_NO_SUCH_DEVICE;
  }
  if (deleted && !fromUser) {
    kernel_.verifier().record(Violation::IrpToDeletedDevice, where() + ": the device was deleted");
  }
  PDRIVER_OBJECT driver = device->DriverObject;
  UCHAR major = location->MajorFunction;
  PDRIVER_DISPATCH routine = major <= IRP_MJ_MAXIMUM_FUNCTION ? driver->MajorFunction[major] : invalidDeviceRequest;
  int at = irp->CurrentLocation;
  DispatchFrame frame;
  frame.irp = irp;
  frame.device = device;
  {
    std::lock_guard lock(pendingMutex_);
    DispatchSlot& slot = record->dispatches[static_cast<std::size_t>(at - 1)];
    frame.outer = slot.inCall;
    slot.inCall = &frame;
  }
  NTSTATUS status;
  {
    DriverCall call(kernel_, driver, device, "dispatch routine");
    status = routine(device, irp);
  }
  // The IRP may be completed and freed by now: only the frame and the record's slot (kept while
  // the frame is registered) are touched.
  dispatchReturned(record, at, frame, status);
  return status;
}

}  // namespace nt

using nt::IrpOrigin;
using nt::IrpRecord;
using nt::Kernel;

NTSTATUS IoCallDriver(PDEVICE_OBJECT deviceObject, PIRP irp) {
  IrpRecord* record = nt::lookupIrp(irp, "IoCallDriver", nt::Violation::UnknownIrp);
  if (!record) return STATUS_INVALID_PARAMETER;
  return record->kernel->io().callDriver(deviceObject, record, false);
}

PIRP IoBuildDeviceIoControlRequest(ULONG ioControlCode, PDEVICE_OBJECT deviceObject, PVOID inputBuffer,
                                   ULONG inputBufferLength, PVOID outputBuffer, ULONG outputBufferLength,
                                   BOOLEAN internalDeviceIoControl, PKEVENT event, PIO_STATUS_BLOCK ioStatusBlock) {
  auto owner = nt::ObjectTable::find(deviceObject);
  Kernel& kernel = owner ? *owner->kernel : Kernel::require("IoBuildDeviceIoControlRequest");
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    kernel.verifier().record(nt::Violation::SyncCallAtDispatch,
                             "IoBuildDeviceIoControlRequest at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  IrpRecord* record = kernel.io().allocateIrp(deviceObject->StackSize, IrpOrigin::Threaded, nt::currentCall().driver);
  if (!record) return nullptr;
  PIRP irp = record->irp;
  irp->RequestorMode = KernelMode;
  irp->Tail.Overlay.Thread = PsGetCurrentThread();
  irp->UserIosb = ioStatusBlock;
  irp->UserEvent = event;
  irp->Flags |= IRP_SYNCHRONOUS_API;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = internalDeviceIoControl ? IRP_MJ_INTERNAL_DEVICE_CONTROL : IRP_MJ_DEVICE_CONTROL;
  if (!nt::setupDeviceControlBuffers(record, ioControlCode, inputBuffer, inputBufferLength, outputBuffer,
                                     outputBufferLength)) {
    nt::freeRequestBuffers(record);
    kernel.io().releaseIrp(record);
    return nullptr;
  }
  return irp;
}
