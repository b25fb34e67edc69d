#pragma once

// The IRP status a bus driver completes a URB with, for its USBD status.

#include "platform/nt/NtStatus.h"
#include "platform/usb/UsbdStatus.h"

namespace usb {

constexpr NTSTATUS ntStatusFor(USBD_STATUS usbd) {
  if (USBD_SUCCESS(usbd)) return STATUS_SUCCESS;
  switch (usbd) {
    case USBD_STATUS_CANCELED:
      return STATUS_CANCELLED;
    case USBD_STATUS_DEVICE_GONE:
      return STATUS_DEVICE_NOT_CONNECTED;
    case USBD_STATUS_INVALID_PARAMETER:
    case USBD_STATUS_INVALID_PIPE_HANDLE:
    case USBD_STATUS_INVALID_URB_FUNCTION:
    case USBD_STATUS_BAD_START_FRAME:
    case USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR:
    case USBD_STATUS_INTERFACE_NOT_FOUND:
    case USBD_STATUS_BUFFER_TOO_SMALL:
      return STATUS_INVALID_PARAMETER;
    case USBD_STATUS_INSUFFICIENT_RESOURCES:
      return STATUS_INSUFFICIENT_RESOURCES;
    case USBD_STATUS_NOT_SUPPORTED:
      return STATUS_NOT_SUPPORTED;
    case USBD_STATUS_TIMEOUT:
      return STATUS_IO_TIMEOUT;
    default:
      return STATUS_UNSUCCESSFUL;
  }
}

}  // namespace usb
