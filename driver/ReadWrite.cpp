#include "driver/ReadWrite.h"

#include <algorithm>

#include "driver/DeviceExtension.h"
#include "driver/ErrorRecovery.h"
#include "driver/IsoRead.h"
#include "driver/OruInterface.h"
#include "driver/Requests.h"
#include "driver/UsbRequests.h"

namespace oru {

namespace {

// The pipe mode a bulk request was dispatched in rides with it while it waits in the queue (the queue owns the request
// then, and with it the driver context).
void SetDispatchMode(PIRP irp, UCHAR mode) {
  irp->Tail.Overlay.DriverContext[0] = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(mode));
}
UCHAR DispatchModeOf(PIRP irp) {
  return static_cast<UCHAR>(reinterpret_cast<ULONG_PTR>(irp->Tail.Overlay.DriverContext[0]));
}

bool IsRead(PIRP irp) { return IoGetCurrentIrpStackLocation(irp)->MajorFunction == IRP_MJ_READ; }

USBD_PIPE_HANDLE BulkPipe(DeviceExtension* ext, UCHAR mode, bool read) {
  if (mode == PIPE_MODE_BULK2) return ext->pipeHandles[read ? kPipeBulkIn2 : kPipeBulkOut2];
  return ext->pipeHandles[read ? kPipeBulkIn1 : kPipeBulkOut1];
}

// Ends a bulk request that never reached the bus: the queue moves on, then the request completes.
VOID EndUnstarted(DeviceExtension* ext, PIRP irp, NTSTATUS status) {
  StartNext(&ext->requestQueue, ext->self);
  CompleteRequest(irp, status);
  IoReleaseRemoveLock(&ext->removeLock, irp);
}

// Hands the current piece to the bus with the request itself.
VOID SendPiece(DeviceExtension* ext, PIRP irp, TransferContext* ctx) {
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
  next->Parameters.Others.Argument1 = &ctx->urb;
  IoSetCompletionRoutine(irp, TransferComplete, ctx, TRUE, TRUE, TRUE);
  IoCallDriver(ext->lowerDevice, irp);
}

// The request is over: free what it used, let the next one start, and let it complete with its status.
NTSTATUS EndBulk(DeviceExtension* ext, PIRP irp, TransferContext* ctx) {
  IoFreeMdl(ctx->pieceMdl);
  ExFreePool(ctx);
  StartNext(&ext->requestQueue, ext->self);
  IoReleaseRemoveLock(&ext->removeLock, irp);
  return STATUS_SUCCESS;
}

NTSTATUS BulkPieceComplete(PDEVICE_OBJECT device, PIRP irp, TransferContext* ctx) {
  DeviceExtension* ext = ExtensionOf(device);
  auto& transfer = ctx->urb.UrbBulkOrInterruptTransfer;
  ULONG moved = transfer.TransferBufferLength;
  ctx->byteTotal += moved;
  NTSTATUS status = irp->IoStatus.Status;

  if (NT_SUCCESS(status)) {
    if (ctx->remaining == 0 || irp->Cancel || moved < ext->pieceSize) {
      irp->IoStatus.Information = ctx->byteTotal;
      return EndBulk(ext, irp, ctx);
    }
    ULONG piece = std::min(ctx->remaining, ext->pieceSize);
    PMDL mdl = ctx->pieceMdl;
    if (mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) MmUnmapLockedPages(mdl->MappedSystemVa, mdl);
    IoBuildPartialMdl(irp->MdlAddress, mdl, reinterpret_cast<PVOID>(ctx->nextAddress), piece);
    if (MapPiece(mdl)) {
      transfer.TransferBufferLength = piece;
      ctx->remaining -= piece;
      ctx->nextAddress += piece;
      SendPiece(ext, irp, ctx);
      return STATUS_MORE_PROCESSING_REQUIRED;
    }
    status = STATUS_INSUFFICIENT_RESOURCES;
    irp->IoStatus.Status = status;
  }

  irp->IoStatus.Information = 0;
  if (status == STATUS_CANCELLED) return EndBulk(ext, irp, ctx);
  PIO_WORKITEM item = IoAllocateWorkItem(device);
  if (!item) return EndBulk(ext, irp, ctx);
  ctx->workItem = item;
  ctx->request = irp;
  IoQueueWorkItem(item, RecoverTransferError, DelayedWorkQueue, ctx);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

}  // namespace

PVOID MapPiece(PMDL mdl) {
  CSHORT saved = mdl->MdlFlags & MDL_MAPPING_CAN_FAIL;
  mdl->MdlFlags |= MDL_MAPPING_CAN_FAIL;
  PVOID address = MmMapLockedPagesSpecifyCache(mdl, KernelMode, MmNonCached, nullptr, FALSE, NormalPagePriority);
  mdl->MdlFlags = static_cast<CSHORT>((mdl->MdlFlags & ~MDL_MAPPING_CAN_FAIL) | saved);
  return address;
}

NTSTATUS DispatchReadWrite(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  UCHAR mode = PipeModeOf(ext);
  bool read = IsRead(irp);
  switch (mode) {
    case PIPE_MODE_BULK1:
    case PIPE_MODE_BULK2:
      // The instrument is told a read is coming; only a started device is asked, and only while removal has not
      // begun.
      if (read && IsStarted(ext)) {
        if (!NT_SUCCESS(IoAcquireRemoveLock(&ext->removeLock, irp))) {
          return CompleteRequest(irp, STATUS_DELETE_PENDING);
        }
        SendVendorRequest(device, mode == PIPE_MODE_BULK1 ? kVendorReadBulk1 : kVendorReadBulk2, true);
        IoReleaseRemoveLock(&ext->removeLock, irp);
      }
      SetDispatchMode(irp, mode);
      IoMarkIrpPending(irp);
      QueueOrStart(&ext->requestQueue, device, irp);
      return STATUS_PENDING;
    case PIPE_MODE_ISO_IN:
      // Endpoint 0x03 carries no data: there is no isochronous write.
      if (read) return IsoRead(device, irp);
      return CompleteRequest(irp, STATUS_INVALID_DEVICE_REQUEST);
    default:
      return CompleteRequest(irp, STATUS_INVALID_DEVICE_REQUEST);
  }
}

VOID StartTransfer(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  NTSTATUS status = IoAcquireRemoveLock(&ext->removeLock, irp);
  if (!NT_SUCCESS(status)) {
    StartNext(&ext->requestQueue, device);
    CompleteRequest(irp, status);
    return;
  }
  bool read = IsRead(irp);
  USBD_PIPE_HANDLE pipe = BulkPipe(ext, DispatchModeOf(irp), read);

  auto ctx =
      static_cast<TransferContext*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(TransferContext), kTagBulkContext));
  if (!ctx) return EndUnstarted(ext, irp, STATUS_INSUFFICIENT_RESOURCES);
  RtlZeroMemory(ctx, sizeof *ctx);
  ctx->kind = TransferKind::Bulk;

  ULONG length = irp->MdlAddress ? MmGetMdlByteCount(irp->MdlAddress) : 0;
  if (length == 0) {
    ExFreePool(ctx);
    return EndUnstarted(ext, irp, STATUS_SUCCESS);
  }
  ULONG piece = std::min(length, ext->pieceSize);
  // Room for a piece that straddles a page boundary, so the descriptor serves every piece.
  ctx->pieceMdl = IoAllocateMdl(reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0xFFF)), piece, FALSE, FALSE, nullptr);
  if (!ctx->pieceMdl) {
    ExFreePool(ctx);
    return EndUnstarted(ext, irp, STATUS_INSUFFICIENT_RESOURCES);
  }
  PVOID start = MmGetMdlVirtualAddress(irp->MdlAddress);
  IoBuildPartialMdl(irp->MdlAddress, ctx->pieceMdl, start, piece);
  if (!MapPiece(ctx->pieceMdl)) {
    IoFreeMdl(ctx->pieceMdl);
    ExFreePool(ctx);
    return EndUnstarted(ext, irp, STATUS_INSUFFICIENT_RESOURCES);
  }
  ULONG flags = read ? USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK : USBD_SHORT_TRANSFER_OK;
  UsbBuildInterruptOrBulkTransferRequest(&ctx->urb, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER), pipe, nullptr,
                                         ctx->pieceMdl, piece, flags, nullptr);
  ctx->nextAddress = reinterpret_cast<ULONG_PTR>(start) + piece;
  ctx->remaining = length - piece;
  ctx->byteTotal = 0;
  ctx->request = irp;
  SendPiece(ext, irp, ctx);
}

NTSTATUS TransferComplete(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
  if (irp->PendingReturned) IoMarkIrpPending(irp);
  if (*static_cast<TransferKind*>(context) == TransferKind::Isochronous) {
    return IsoTransferComplete(device, irp, static_cast<IsoTransferContext*>(context));
  }
  return BulkPieceComplete(device, irp, static_cast<TransferContext*>(context));
}

}  // namespace oru
