#include "driver/ErrorRecovery.h"

#include "driver/DeviceExtension.h"
#include "driver/ReadWrite.h"
#include "driver/UsbRequests.h"

namespace oru {

VOID RecoverTransferError(PDEVICE_OBJECT device, PVOID context) {
  DeviceExtension* ext = ExtensionOf(device);
  auto ctx = static_cast<TransferContext*>(context);
  PIRP irp = ctx->request;

  ULONG port = 0;
  if (!NT_SUCCESS(GetPortStatus(device, &port))) port = 0;
  // The pipe the failed piece went to, whatever mode has been chosen since.
  USBD_PIPE_HANDLE pipe = ctx->urb.UrbBulkOrInterruptTransfer.PipeHandle;
  if ((port & USBD_PORT_CONNECTED) && !(port & USBD_PORT_ENABLED)) {
    SendPipeRequest(device, URB_FUNCTION_ABORT_PIPE, pipe);
    ResetPort(device);
  }
  SendPipeRequest(device, URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL, pipe);

  IoFreeWorkItem(ctx->workItem);
  IoFreeMdl(ctx->pieceMdl);
  ExFreePool(ctx);
  StartNext(&ext->requestQueue, device);
  IoReleaseRemoveLock(&ext->removeLock, irp);
  // The status of the failed piece is still the request's.
  IoCompleteRequest(irp, IO_NO_INCREMENT);
}

}  // namespace oru
