#pragma once

// USB requests the driver sends and waits for (PASSIVE_LEVEL only): URBs, the port status and the port reset, and the
// small vendor, feature, pipe and frame requests built on them.

#include "platform/nt/Wdm.h"
#include "platform/usb/Usb.h"

namespace oru {

// Sends the URB to the lower device and waits for it; STATUS_INSUFFICIENT_RESOURCES when no request can be built.
NTSTATUS SubmitUrbSync(PDEVICE_OBJECT device, PURB urb);
// Vendor request to the endpoint recipient with no data stage; IN requests allow short transfers.
NTSTATUS SendVendorRequest(PDEVICE_OBJECT device, UCHAR request, bool directionIn);
// Clears ENDPOINT_HALT of the endpoint with that index.
NTSTATUS ClearEndpointHalt(PDEVICE_OBJECT device, USHORT endpointIndex);
// URB_FUNCTION_ABORT_PIPE or URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL.
NTSTATUS SendPipeRequest(PDEVICE_OBJECT device, USHORT function, USBD_PIPE_HANDLE pipe);
NTSTATUS GetCurrentFrame(PDEVICE_OBJECT device, PULONG frame);
// USBD_PORT_ENABLED | USBD_PORT_CONNECTED in *portStatus.
NTSTATUS GetPortStatus(PDEVICE_OBJECT device, PULONG portStatus);
NTSTATUS ResetPort(PDEVICE_OBJECT device);

}  // namespace oru
