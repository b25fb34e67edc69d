#pragma once

// Internal device-control codes of the USB bus driver, sent by a function driver to the device's
// PDO (IRP_MJ_INTERNAL_DEVICE_CONTROL), with their arguments in Parameters.Others.

#include "platform/nt/BaseTypes.h"

// Argument1: the URB. The IRP completes with an NTSTATUS; the URB header carries the USBD status.
constexpr ULONG IOCTL_INTERNAL_USB_SUBMIT_URB = 0x00220003;
// No arguments: resets the device's port (the device keeps its address and configuration).
constexpr ULONG IOCTL_INTERNAL_USB_RESET_PORT = 0x00220007;
// Argument1: a ULONG that receives USBD_PORT_ENABLED | USBD_PORT_CONNECTED.
constexpr ULONG IOCTL_INTERNAL_USB_GET_PORT_STATUS = 0x00220013;

constexpr ULONG USBD_PORT_ENABLED = 0x00000001;
constexpr ULONG USBD_PORT_CONNECTED = 0x00000002;
