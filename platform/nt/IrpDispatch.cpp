// Sending IRPs: IoCallDriver with its checks, the default dispatch routine, and the threaded
// device-control IRP drivers build for their own synchronous requests.

#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"
#include "platform/nt/ObjectTable.h"
#include "platform/nt/RequestBuffers.h"

namespace nt {

NTSTATUS invalidDeviceRequest(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_INVALID_DEVICE_REQUEST;
}

NTSTATUS IoManager::callDriver(PDEVICE_OBJECT device, IrpRecord* record, bool fromUser) {
    PIRP irp = record->irp;
    auto where = [&] { return "IoCallDriver(" + pointerText(device) + ", IRP " + pointerText(irp) + ")"; };
    if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
        kernel_.verifier().record(Violation::IrqlTooHigh, where() + " at IRQL " + std::to_string(KeGetCurrentIrql()));
    }
    bool gone, deleted;
    {
        std::lock_guard lock(mutex_);
        auto it = devices_.find(device);
        if (it == devices_.end()) {
            kernel_.verifier().record(Violation::UnknownDevice, where() + ": not a device of this kernel");
            return STATUS_INVALID_PARAMETER;
        }
        gone = it->second->gone;
        deleted = it->second->deleted;
        PDEVICE_OBJECT sender = currentCall().device;
        auto s = sender ? devices_.find(sender) : devices_.end();
        if (!fromUser && s != devices_.end() && s->second->detachedFrom == device && s->second->attachedTo != device) {
            kernel_.verifier().record(Violation::IrpToDetachedDevice,
                                      where() + ": sent by " + pointerText(sender) + " after it detached from it");
        }
    }
    if (irp->CurrentLocation <= 1) {
        kernel_.verifier().record(Violation::IrpStackExhausted,
                                  where() + ": the IRP has " + std::to_string(irp->StackCount) + " location(s)");
        return STATUS_INVALID_PARAMETER;
    }
    IoSetNextIrpStackLocation(irp);
    PIO_STACK_LOCATION location = IoGetCurrentIrpStackLocation(irp);
    location->DeviceObject = device;
    record->state = IrpState::InDriver;
    if (gone) {
        // The object is poisoned: no driver can take the IRP, so it fails here.
        kernel_.verifier().record(Violation::IrpToDeletedDevice, where() + ": the device was deleted and is gone");
        irp->IoStatus.Status = STATUS_NO_SUCH_DEVICE;
        irp->IoStatus.Information = 0;
        complete(record);
        return STATUS_NO_SUCH_DEVICE;
    }
    if (deleted && !fromUser) {
        kernel_.verifier().record(Violation::IrpToDeletedDevice, where() + ": the device was deleted");
    }
    PDRIVER_OBJECT driver = device->DriverObject;
    UCHAR major = location->MajorFunction;
    PDRIVER_DISPATCH routine = major <= IRP_MJ_MAXIMUM_FUNCTION ? driver->MajorFunction[major] : invalidDeviceRequest;
    DriverCall call(kernel_, driver, device, "dispatch routine");
    return routine(device, irp);
}

}  // namespace nt

using nt::IrpOrigin;
using nt::IrpRecord;
using nt::Kernel;

NTSTATUS IoCallDriver(PDEVICE_OBJECT deviceObject, PIRP irp) {
    IrpRecord* record = nt::lookupIrp(irp, "IoCallDriver", nt::Violation::UnknownIrp);
    if (!record) return STATUS_INVALID_PARAMETER;
    return record->kernel->io().callDriver(deviceObject, record, false);
}

PIRP IoBuildDeviceIoControlRequest(ULONG ioControlCode, PDEVICE_OBJECT deviceObject, PVOID inputBuffer,
                                   ULONG inputBufferLength, PVOID outputBuffer, ULONG outputBufferLength,
                                   BOOLEAN internalDeviceIoControl, PKEVENT event, PIO_STATUS_BLOCK ioStatusBlock) {
    auto owner = nt::ObjectTable::find(deviceObject);
    Kernel& kernel = owner ? *owner->kernel : Kernel::require("IoBuildDeviceIoControlRequest");
    if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
        kernel.verifier().record(nt::Violation::SyncCallAtDispatch,
                                 "IoBuildDeviceIoControlRequest at IRQL " + std::to_string(KeGetCurrentIrql()));
    }
    IrpRecord* record = kernel.io().allocateIrp(deviceObject->StackSize, IrpOrigin::Threaded, nt::currentCall().driver);
    if (!record) return nullptr;
    PIRP irp = record->irp;
    irp->RequestorMode = KernelMode;
    irp->Tail.Overlay.Thread = PsGetCurrentThread();
    irp->UserIosb = ioStatusBlock;
    irp->UserEvent = event;
    irp->Flags |= IRP_SYNCHRONOUS_API;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = internalDeviceIoControl ? IRP_MJ_INTERNAL_DEVICE_CONTROL : IRP_MJ_DEVICE_CONTROL;
    if (!nt::setupDeviceControlBuffers(record, ioControlCode, inputBuffer, inputBufferLength, outputBuffer,
                                       outputBufferLength)) {
        nt::freeRequestBuffers(record);
        kernel.io().releaseIrp(record);
        return nullptr;
    }
    return irp;
}
