#include "driver/UsbRequests.h"

#include "driver/DeviceExtension.h"

namespace oru {

namespace {

// One internal device-control request to the lower device with `argument` as Argument1, waited for.
NTSTATUS SendInternalSync(PDEVICE_OBJECT device, ULONG code, PVOID argument) {
  KEVENT done;
  KeInitializeEvent(&done, NotificationEvent, FALSE);
  IO_STATUS_BLOCK ioStatus{};
  PDEVICE_OBJECT lower = ExtensionOf(device)->lowerDevice;
  PIRP irp = IoBuildDeviceIoControlRequest(code, lower, nullptr, 0, nullptr, 0, TRUE, &done, &ioStatus);
  if (!irp) return STATUS_INSUFFICIENT_RESOURCES;
  IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = argument;
  NTSTATUS status = IoCallDriver(lower, irp);
  if (status == STATUS_PENDING) {
    KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
    status = ioStatus.Status;
  }
  return status;
}

}  // namespace

NTSTATUS SubmitUrbSync(PDEVICE_OBJECT device, PURB urb) {
  return SendInternalSync(device, IOCTL_INTERNAL_USB_SUBMIT_URB, urb);
}

NTSTATUS SendVendorRequest(PDEVICE_OBJECT device, UCHAR request, bool directionIn) {
  URB urb;
  ULONG flags = directionIn ? USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK : USBD_TRANSFER_DIRECTION_OUT;
  UsbBuildVendorRequest(&urb, URB_FUNCTION_VENDOR_ENDPOINT, sizeof(struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST), flags,
                        0, request, 0, 0, nullptr, nullptr, 0, nullptr);
  return SubmitUrbSync(device, &urb);
}

NTSTATUS ClearEndpointHalt(PDEVICE_OBJECT device, USHORT endpointIndex) {
  URB urb;
  UsbBuildFeatureRequest(&urb, URB_FUNCTION_CLEAR_FEATURE_TO_ENDPOINT, USB_FEATURE_ENDPOINT_STALL, endpointIndex,
                         nullptr);
  return SubmitUrbSync(device, &urb);
}

NTSTATUS SendPipeRequest(PDEVICE_OBJECT device, USHORT function, USBD_PIPE_HANDLE pipe) {
  URB urb;
  RtlZeroMemory(&urb, sizeof urb);
  urb.UrbHeader.Length = sizeof(struct _URB_PIPE_REQUEST);
  urb.UrbHeader.Function = function;
  urb.UrbPipeRequest.PipeHandle = pipe;
  return SubmitUrbSync(device, &urb);
}

NTSTATUS GetCurrentFrame(PDEVICE_OBJECT device, PULONG frame) {
  URB urb;
  RtlZeroMemory(&urb, sizeof urb);
  urb.UrbHeader.Length = sizeof(struct _URB_GET_CURRENT_FRAME_NUMBER);
  urb.UrbHeader.Function = URB_FUNCTION_GET_CURRENT_FRAME_NUMBER;
  NTSTATUS status = SubmitUrbSync(device, &urb);
  if (NT_SUCCESS(status)) *frame = urb.UrbGetCurrentFrameNumber.FrameNumber;
  return status;
}

NTSTATUS GetPortStatus(PDEVICE_OBJECT device, PULONG portStatus) {
  *portStatus = 0;
  return SendInternalSync(device, IOCTL_INTERNAL_USB_GET_PORT_STATUS, portStatus);
}

NTSTATUS ResetPort(PDEVICE_OBJECT device) { return SendInternalSync(device, IOCTL_INTERNAL_USB_RESET_PORT, nullptr); }

}  // namespace oru
