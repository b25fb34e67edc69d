#pragma once

// The power manager's routines that drivers call. Power IRPs travel with PoCallDriver (sending
// one with IoCallDriver is a verifier violation), and every driver that receives a power IRP
// calls PoStartNextPowerIrp for it exactly once (checked when the IRP completes).

#include "platform/nt/BaseTypes.h"
#include "platform/nt/IoForward.h"
#include "platform/nt/Irp.h"
#include "platform/nt/PnpPowerTypes.h"

typedef VOID REQUEST_POWER_COMPLETE(PDEVICE_OBJECT deviceObject, UCHAR minorFunction, POWER_STATE powerState,
                                    PVOID context, PIO_STATUS_BLOCK ioStatus);
typedef REQUEST_POWER_COMPLETE* PREQUEST_POWER_COMPLETE;

NTSTATUS PoCallDriver(PDEVICE_OBJECT deviceObject, PIRP irp);
VOID PoStartNextPowerIrp(PIRP irp);
// Records the state the driver reports for its device; returns the previous one.
POWER_STATE PoSetPowerState(PDEVICE_OBJECT deviceObject, POWER_STATE_TYPE type, POWER_STATE state);
// Sends a device power IRP (IRP_MN_SET_POWER, IRP_MN_QUERY_POWER or IRP_MN_WAIT_WAKE) to the top of
// the stack of `deviceObject` (a PDO) at PASSIVE_LEVEL on the power manager's thread, and calls
// `completionFunction` when it completes. STATUS_PENDING when issued; STATUS_INVALID_PARAMETER for a
// system state or another minor function; STATUS_INSUFFICIENT_RESOURCES without memory. `irp`
// receives the IRP when not NULL.
NTSTATUS PoRequestPowerIrp(PDEVICE_OBJECT deviceObject, UCHAR minorFunction, POWER_STATE powerState,
                           PREQUEST_POWER_COMPLETE completionFunction, PVOID context, PIRP* irp);
