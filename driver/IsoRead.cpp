#include "driver/IsoRead.h"

#include <algorithm>
#include <cstddef>

#include "driver/DeviceExtension.h"
#include "driver/ReadWrite.h"
#include "driver/Requests.h"
#include "driver/UsbRequests.h"

namespace oru {

namespace {

IO_COMPLETION_ROUTINE IsoSubRequestComplete;
DRIVER_CANCEL CancelIsoRead;

// The main request carries its context for the cancel routine; the request is never passed down, so its driver context
// stays the driver's.
void SetIsoContext(PIRP irp, IsoTransferContext* ctx) { irp->Tail.Overlay.DriverContext[1] = ctx; }
IsoTransferContext* IsoContextOf(PIRP irp) {
  return static_cast<IsoTransferContext*>(irp->Tail.Overlay.DriverContext[1]);
}

// Frees the sub-requests and the context and releases the request's hold; the read has completed.
void ReleaseIsoTransfer(IsoTransferContext* ctx) {
  DeviceExtension* ext = ctx->extension;
  PIRP irp = ctx->request;
  for (ULONG k = 0; k < ctx->count; ++k) {
    if (ctx->entries[k].irp) IoFreeIrp(ctx->entries[k].irp);
  }
  ExFreePool(ctx);
  IoReleaseRemoveLock(&ext->removeLock, irp);
}

// The sub-requests' side and the cancel path each hold a reference; whichever drops the last completes the read. A
// cancel routine that IoCancelIrp has taken may still be about to run, so the read is never completed under it.
void DropIsoReference(IsoTransferContext* ctx) {
  if (InterlockedDecrement(&ctx->references) > 0) return;
  PIRP irp = ctx->request;
  irp->IoStatus.Status = nt::atomicWord(&ctx->failureStatus).load();
  IoCompleteRequest(irp, IO_NO_INCREMENT);
}

NTSTATUS IsoSubRequestComplete(PDEVICE_OBJECT device, PIRP sub, PVOID context) {
  (void)device;
  auto ctx = static_cast<IsoTransferContext*>(context);
  // The sub-request's own location names its request block and descriptor.
  PIO_STACK_LOCATION own = IoGetCurrentIrpStackLocation(sub);
  auto urb = static_cast<PURB>(own->Parameters.Others.Argument1);
  auto mdl = static_cast<PMDL>(own->Parameters.Others.Argument2);
  if (NT_SUCCESS(sub->IoStatus.Status)) {
    InterlockedExchangeAdd(&ctx->byteTotal, static_cast<LONG>(urb->UrbIsochronousTransfer.TransferBufferLength));
  } else {
    InterlockedExchange(&ctx->failureStatus, sub->IoStatus.Status);
  }
  ExFreePool(urb);
  IoFreeMdl(mdl);
  own->Parameters.Others.Argument1 = nullptr;
  own->Parameters.Others.Argument2 = nullptr;
  if (InterlockedDecrement(&ctx->pendingCount) == 0) {
    // Taken back, the cancel path's reference is ours to drop too.
    if (IoSetCancelRoutine(ctx->request, nullptr) != nullptr) InterlockedDecrement(&ctx->references);
    DropIsoReference(ctx);
  }
  // The sub-request stays allocated until the read has completed.
  return STATUS_MORE_PROCESSING_REQUIRED;
}

// Sub-requests already at the bus are not cancelled: they end within their frames, and the read ends after them. The
// cancel path only gives up its reference.
VOID CancelIsoRead(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  IoReleaseCancelSpinLock(irp->CancelIrql);
  DropIsoReference(IsoContextOf(irp));
}

// Builds sub-request k for `t` bytes starting at *nextAddress and packet frame *startFrame.
bool BuildSubRequest(DeviceExtension* ext, PIRP irp, IsoTransferContext* ctx, ULONG k, ULONG t, PUCHAR* nextAddress,
                     ULONG* startFrame) {
  IsoSubRequest& entry = ctx->entries[k];
  ULONG packets = (t + kIsoPacketSize - 1) / kIsoPacketSize;
  entry.irp = IoAllocateIrp(static_cast<CCHAR>(ext->lowerDevice->StackSize + 1), FALSE);
  if (!entry.irp) return false;
  ULONG urbSize = GET_ISO_URB_SIZE(packets);
  entry.urb = static_cast<PURB>(ExAllocatePoolWithTag(NonPagedPool, urbSize, kTagIsoContext));
  if (!entry.urb) return false;
  entry.mdl = IoAllocateMdl(*nextAddress, t, FALSE, FALSE, nullptr);
  if (!entry.mdl) return false;
  IoBuildPartialMdl(irp->MdlAddress, entry.mdl, *nextAddress, t);
  *nextAddress += t;

  RtlZeroMemory(entry.urb, urbSize);
  auto& iso = entry.urb->UrbIsochronousTransfer;
  iso.Hdr.Length = static_cast<USHORT>(urbSize);
  iso.Hdr.Function = URB_FUNCTION_ISOCH_TRANSFER;
  iso.PipeHandle = ext->pipeHandles[kPipeIsoIn];
  iso.TransferFlags = USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK;
  iso.TransferBufferLength = t;
  iso.TransferBufferMDL = entry.mdl;
  iso.StartFrame = *startFrame;
  iso.NumberOfPackets = packets;
  for (ULONG j = 0; j < packets; ++j) iso.IsoPacket[j].Offset = j * kIsoPacketSize;
  *startFrame += packets;  // one packet per frame

  IoSetNextIrpStackLocation(entry.irp);
  PIO_STACK_LOCATION own = IoGetCurrentIrpStackLocation(entry.irp);
  own->DeviceObject = ext->self;
  own->Parameters.Others.Argument1 = entry.urb;
  own->Parameters.Others.Argument2 = entry.mdl;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(entry.irp);
  next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
  next->Parameters.Others.Argument1 = entry.urb;
  IoSetCompletionRoutine(entry.irp, IsoSubRequestComplete, ctx, TRUE, TRUE, TRUE);
  return true;
}

}  // namespace

NTSTATUS IsoRead(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  NTSTATUS status = IoAcquireRemoveLock(&ext->removeLock, irp);
  if (!NT_SUCCESS(status)) return CompleteRequest(irp, status);
  // Without a configuration there is no isochronous pipe to read from.
  if (!IsStarted(ext)) {
    status = PnpStateOf(ext) == kPnpNotStarted ? STATUS_DEVICE_NOT_READY : STATUS_DELETE_PENDING;
    IoReleaseRemoveLock(&ext->removeLock, irp);
    return CompleteRequest(irp, status);
  }
  ULONG length = irp->MdlAddress ? MmGetMdlByteCount(irp->MdlAddress) : 0;
  if (length == 0) {
    IoReleaseRemoveLock(&ext->removeLock, irp);
    return CompleteRequest(irp, STATUS_SUCCESS);
  }
  ULONG count = (length + kIsoMaxSubRequest - 1) / kIsoMaxSubRequest;
  SIZE_T size = offsetof(IsoTransferContext, entries) + count * sizeof(IsoSubRequest);
  auto ctx = static_cast<IsoTransferContext*>(ExAllocatePoolWithTag(NonPagedPool, size, kTagIsoContext));
  if (!ctx) {
    IoReleaseRemoveLock(&ext->removeLock, irp);
    return CompleteRequest(irp, STATUS_INSUFFICIENT_RESOURCES);
  }
  RtlZeroMemory(ctx, size);
  ctx->kind = TransferKind::Isochronous;
  ctx->extension = ext;
  ctx->request = irp;
  ctx->count = count;
  ctx->pendingCount = static_cast<LONG>(count);
  ctx->references = 2;
  SetIsoContext(irp, ctx);

  ULONG frame = 0;
  ULONG startFrame = NT_SUCCESS(GetCurrentFrame(device, &frame)) ? frame + kIsoStartDelay : kIsoStartDelay;
  auto nextAddress = static_cast<PUCHAR>(MmGetMdlVirtualAddress(irp->MdlAddress));
  ULONG left = length;
  NTSTATUS failure = STATUS_SUCCESS;
  for (ULONG k = 0; k < count; ++k) {
    ULONG t = std::min(left, kIsoMaxSubRequest);
    if (!BuildSubRequest(ext, irp, ctx, k, t, &nextAddress, &startFrame)) {
      failure = STATUS_INSUFFICIENT_RESOURCES;
      break;
    }
    left -= t;
  }
  // The read's own completion step, in a location below its own. The stack is set before a cancel routine can run:
  // IoCancelIrp reads it.
  IoMarkIrpPending(irp);
  IoCopyCurrentIrpStackLocationToNext(irp);
  IoSetCompletionRoutine(irp, TransferComplete, ctx, TRUE, TRUE, TRUE);
  IoSetNextIrpStackLocation(irp);

  // The cancel path's reference goes now unless a cancel routine stays installed or is about to run.
  bool cancelPathDone = true;
  if (failure == STATUS_SUCCESS) {
    IoSetCancelRoutine(irp, CancelIsoRead);
    cancelPathDone = false;
    if (irp->Cancel) {
      failure = STATUS_CANCELLED;
      cancelPathDone = IoSetCancelRoutine(irp, nullptr) != nullptr;
    }
  }
  if (cancelPathDone) InterlockedDecrement(&ctx->references);

  if (failure != STATUS_SUCCESS) {
    for (ULONG k = 0; k < count; ++k) {
      if (ctx->entries[k].urb) ExFreePool(ctx->entries[k].urb);
      if (ctx->entries[k].mdl) IoFreeMdl(ctx->entries[k].mdl);
      ctx->entries[k].urb = nullptr;
      ctx->entries[k].mdl = nullptr;
    }
    // Nothing went to the bus: with a cancel routine still due, that routine completes the read.
    InterlockedExchange(&ctx->failureStatus, failure);
    irp->IoStatus.Information = 0;
    DropIsoReference(ctx);
    return STATUS_PENDING;
  }
  // Once the last one is sent the read may end and its context go: nothing is touched after.
  PDEVICE_OBJECT lower = ext->lowerDevice;
  for (ULONG k = 0; k < count; ++k) IoCallDriver(lower, ctx->entries[k].irp);
  return STATUS_PENDING;
}

// Runs once both references are gone (the read is completed only then), so it frees everything.
NTSTATUS IsoTransferComplete(PDEVICE_OBJECT device, PIRP irp, IsoTransferContext* ctx) {
  (void)device;
  irp->IoStatus.Information = NT_SUCCESS(irp->IoStatus.Status) ? static_cast<ULONG>(ctx->byteTotal) : 0;
  ReleaseIsoTransfer(ctx);
  return STATUS_SUCCESS;
}

}  // namespace oru
