#pragma once

// The I/O manager's routines that drivers call: device objects and their stacks, symbolic links,
// sending and completing IRPs, driver-built IRPs and cancellation.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/DeviceObject.h"
#include "platform/nt/Event.h"
#include "platform/nt/Irp.h"
#include "platform/nt/UnicodeString.h"

// STATUS_OBJECT_NAME_COLLISION when the name is in use (also by a deleted device that is still
// referenced). The extension is zeroed; the new device has DO_DEVICE_INITIALIZING set.
NTSTATUS IoCreateDevice(PDRIVER_OBJECT driverObject, ULONG deviceExtensionSize, PUNICODE_STRING deviceName,
                        DEVICE_TYPE deviceType, ULONG deviceCharacteristics, BOOLEAN exclusive,
                        PDEVICE_OBJECT* deviceObject);
// The object stays, "delete pending", until its last reference goes; then it is poisoned.
VOID IoDeleteDevice(PDEVICE_OBJECT deviceObject);

// "\DosDevices\X" and "\??\X" name the same link; user mode opens it as "\\.\X".
NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING symbolicLinkName, PUNICODE_STRING deviceName);
NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING symbolicLinkName);

// Returns the device that `source` was attached to (the top of target's stack), or NULL.
PDEVICE_OBJECT IoAttachDeviceToDeviceStack(PDEVICE_OBJECT sourceDevice, PDEVICE_OBJECT targetDevice);
// `targetDevice` is the lower device; what was attached above it is detached.
VOID IoDetachDevice(PDEVICE_OBJECT targetDevice);
PDEVICE_OBJECT IoGetAttachedDevice(PDEVICE_OBJECT deviceObject);
// As IoGetAttachedDevice, with a reference the caller drops with ObDereferenceObject.
PDEVICE_OBJECT IoGetAttachedDeviceReference(PDEVICE_OBJECT deviceObject);
// References on device objects.
VOID ObReferenceObject(PVOID object);
VOID ObDereferenceObject(PVOID object);

// Moves the IRP to its next location and calls that device's dispatch routine.
NTSTATUS IoCallDriver(PDEVICE_OBJECT deviceObject, PIRP irp);
VOID IoCompleteRequest(PIRP irp, CCHAR priorityBoost);

// An IRP with no thread and no requester: its owner frees it with IoFreeIrp.
PIRP IoAllocateIrp(CCHAR stackSize, BOOLEAN chargeQuota);
VOID IoFreeIrp(PIRP irp);
// A threaded IRP whose next location is set up for (internal) device control. At final completion
// the I/O manager fills *ioStatusBlock, sets the event and frees the IRP. PASSIVE_LEVEL only.
PIRP IoBuildDeviceIoControlRequest(ULONG ioControlCode, PDEVICE_OBJECT deviceObject, PVOID inputBuffer,
                                   ULONG inputBufferLength, PVOID outputBuffer, ULONG outputBufferLength,
                                   BOOLEAN internalDeviceIoControl, PKEVENT event, PIO_STATUS_BLOCK ioStatusBlock);

// Cancellation: a global cancel lock per kernel. IoCancelIrp sets Cancel, takes the routine and,
// when there was one, calls it with the cancel lock held; the routine must release the lock with
// IoReleaseCancelSpinLock(Irp->CancelIrql).
BOOLEAN IoCancelIrp(PIRP irp);
VOID IoAcquireCancelSpinLock(PKIRQL irql);
VOID IoReleaseCancelSpinLock(KIRQL irql);

PETHREAD PsGetCurrentThread();
