#include "driver/DeviceControl.h"

#include "driver/DeviceExtension.h"
#include "driver/OruInterface.h"
#include "driver/Requests.h"
#include "driver/UsbRequests.h"

namespace oru {

namespace {

// Endpoint index whose halt is cleared when the isochronous mode is chosen.
constexpr USHORT kIsoOutEndpointIndex = 3;

// Runs `send` (a USB request to the lower device) under the remove lock; STATUS_DELETE_PENDING once removal has begun.
template <typename Send>
NTSTATUS UnderRemoveLock(DeviceExtension* ext, PIRP irp, Send send) {
  if (!NT_SUCCESS(IoAcquireRemoveLock(&ext->removeLock, irp))) return STATUS_DELETE_PENDING;
  NTSTATUS status = send();
  IoReleaseRemoveLock(&ext->removeLock, irp);
  return status;
}

// A vendor request's result: success with 0 bytes, or the failure with the byte count left alone.
NTSTATUS CompleteUsbRequest(PIRP irp, NTSTATUS status) {
  return NT_SUCCESS(status) ? CompleteRequest(irp, status) : CompleteRequestStatus(irp, status);
}

}  // namespace

NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
  DeviceExtension* ext = ExtensionOf(device);
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG inputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  ULONG outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  if (inputLength > kMaxControlBuffer || outputLength > kMaxControlBuffer) {
    return CompleteRequestStatus(irp, STATUS_INVALID_PARAMETER);
  }
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_ORU_NOP:
      return CompleteRequest(irp, STATUS_SUCCESS);
    case IOCTL_ORU_VENDOR_IN_4:
      return CompleteUsbRequest(
          irp, UnderRemoveLock(ext, irp, [&] { return SendVendorRequest(device, kVendorReadBulk1, true); }));
    case IOCTL_ORU_VENDOR_OUT_1:
      return CompleteUsbRequest(
          irp, UnderRemoveLock(ext, irp, [&] { return SendVendorRequest(device, kVendorAbort, false); }));
    case IOCTL_ORU_SET_PIPE_MODE: {
      auto input = static_cast<const UCHAR*>(irp->AssociatedIrp.SystemBuffer);
      UCHAR mode = inputLength >= 1 && input ? input[0] : 0;
      StorePipeMode(ext, mode);
      NTSTATUS status = STATUS_SUCCESS;
      if (mode == PIPE_MODE_ISO_IN) {
        status = UnderRemoveLock(ext, irp, [&] { return ClearEndpointHalt(device, kIsoOutEndpointIndex); });
      }
      return CompleteRequestStatus(irp, status);
    }
    default:
      return CompleteRequest(irp, STATUS_INVALID_DEVICE_REQUEST);
  }
}

}  // namespace oru
