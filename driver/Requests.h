#pragma once

// Completing requests and handing them to the driver below: the small steps every part of the driver shares.

#include "platform/nt/Wdm.h"

namespace oru {

// Byte count 0 and `status`; completes and returns `status`.
NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status);
// Only the status (the byte count stays); completes and returns `status`.
NTSTATUS CompleteRequestStatus(PIRP irp, NTSTATUS status);

// Internal device control and system control: passed unchanged to the lower device, under the remove lock
// (STATUS_DELETE_PENDING once removal has begun).
DRIVER_DISPATCH DispatchPassDown;

// Sends the request down with the current location copied and waits (PASSIVE_LEVEL) until the lower drivers have
// completed it; the request comes back to the caller, who completes it. Returns the request's status.
NTSTATUS ForwardAndWait(PDEVICE_OBJECT device, PIRP irp);

}  // namespace oru
