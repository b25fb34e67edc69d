#include "EchoDriver.h"

namespace echo {

namespace {

UNICODE_STRING g_registryCopy;

NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp) {
  Extension* ext = extensionOf(device);
  InterlockedIncrement(IoGetCurrentIrpStackLocation(irp)->MajorFunction == IRP_MJ_CREATE ? &ext->opens : &ext->closes);
  return complete(irp, STATUS_SUCCESS, 0);
}

VOID CancelWaitingRead(PDEVICE_OBJECT device, PIRP irp) {
  IoReleaseCancelSpinLock(irp->CancelIrql);
  Extension* ext = extensionOf(device);
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  KeReleaseSpinLock(&ext->lock, irql);
  complete(irp, STATUS_CANCELLED, 0);
  IoReleaseRemoveLock(&ext->removeLock, irp);
}

// Takes the oldest waiting read that no canceller owns, under the lock.
PIRP takeWaitingRead(Extension* ext) {
  while (!IsListEmpty(&ext->waitingReads)) {
    PLIST_ENTRY entry = RemoveHeadList(&ext->waitingReads);
    PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    if (IoSetCancelRoutine(irp, nullptr)) return irp;
    InitializeListHead(entry);  // the canceller's unlink stays harmless
  }
  return nullptr;
}

void finishRead(Extension* ext, PIRP irp, const UCHAR* bytes, ULONG available) {
  ULONG length = irp->MdlAddress ? MmGetMdlByteCount(irp->MdlAddress) : 0;
  ULONG count = available < length ? available : length;
  if (count > 0) {
    auto target = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority));
    if (!target) {
      complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
      IoReleaseRemoveLock(&ext->removeLock, irp);
      return;
    }
    RtlCopyMemory(target, bytes, count);
  }
  complete(irp, STATUS_SUCCESS, count);
  IoReleaseRemoveLock(&ext->removeLock, irp);
}

NTSTATUS DispatchRead(PDEVICE_OBJECT device, PIRP irp) {
  Extension* ext = extensionOf(device);
  NTSTATUS status = IoAcquireRemoveLock(&ext->removeLock, irp);
  if (!NT_SUCCESS(status)) return complete(irp, status, 0);
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  if (ext->dataLength > 0) {
    UCHAR bytes[kCapacity];
    ULONG n = ext->dataLength;
    RtlCopyMemory(bytes, ext->data, n);
    ext->dataLength = 0;
    KeReleaseSpinLock(&ext->lock, irql);
    finishRead(ext, irp, bytes, n);
    return STATUS_SUCCESS;
  }
  IoMarkIrpPending(irp);
  IoSetCancelRoutine(irp, CancelWaitingRead);
  if (irp->Cancel && IoSetCancelRoutine(irp, nullptr)) {
    KeReleaseSpinLock(&ext->lock, irql);
    complete(irp, STATUS_CANCELLED, 0);
    IoReleaseRemoveLock(&ext->removeLock, irp);
    return STATUS_PENDING;
  }
  InsertTailList(&ext->waitingReads, &irp->Tail.Overlay.ListEntry);
  KeReleaseSpinLock(&ext->lock, irql);
  return STATUS_PENDING;
}

NTSTATUS DispatchWrite(PDEVICE_OBJECT device, PIRP irp) {
  Extension* ext = extensionOf(device);
  NTSTATUS status = IoAcquireRemoveLock(&ext->removeLock, irp);
  if (!NT_SUCCESS(status)) return complete(irp, status, 0);
  ULONG length = irp->MdlAddress ? MmGetMdlByteCount(irp->MdlAddress) : 0;
  if (length > kCapacity) length = kCapacity;
  // A scratch copy, so that an allocation failure has a path to take.
  auto scratch = static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPool, kCapacity, kScratchTag));
  if (!scratch) {
    IoReleaseRemoveLock(&ext->removeLock, irp);
    return complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
  }
  if (length > 0) {
    auto source = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority));
    if (!source) {
      ExFreePool(scratch);
      IoReleaseRemoveLock(&ext->removeLock, irp);
      return complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    RtlCopyMemory(scratch, source, length);
  }
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  PIRP reader = length > 0 ? takeWaitingRead(ext) : nullptr;
  if (!reader) {
    RtlCopyMemory(ext->data, scratch, length);
    ext->dataLength = length;
  }
  KeReleaseSpinLock(&ext->lock, irql);
  if (reader) finishRead(ext, reader, scratch, length);
  ExFreePool(scratch);
  IoReleaseRemoveLock(&ext->removeLock, irp);
  return complete(irp, STATUS_SUCCESS, length);
}

struct Deferred {
  PIO_WORKITEM item;
  PIRP irp;
};

VOID CompleteDeferred(PDEVICE_OBJECT device, PVOID context) {
  auto deferred = static_cast<Deferred*>(context);
  PIRP irp = deferred->irp;
  IoFreeWorkItem(deferred->item);
  ExFreePool(deferred);
  complete(irp, STATUS_SUCCESS, 100 + KeGetCurrentIrql());
  IoReleaseRemoveLock(&extensionOf(device)->removeLock, irp);
}

NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
  Extension* ext = extensionOf(device);
  NTSTATUS status = IoAcquireRemoveLock(&ext->removeLock, irp);
  if (!NT_SUCCESS(status)) return complete(irp, status, 0);
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
  ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
  ULONG_PTR information = 0;
  status = STATUS_SUCCESS;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_ECHO_BUFFERED: {
      auto buffer = static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer);
      UCHAR input[kCapacity];
      ULONG n = in < kCapacity ? in : kCapacity;
      RtlCopyMemory(input, buffer, n);
      information = n < out ? n : out;
      for (ULONG i = 0; i < information; ++i) buffer[i] = input[n - 1 - i];
      break;
    }
    case IOCTL_ECHO_IN_DIRECT: {
      auto input = static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer);
      for (ULONG i = 0; i < in; ++i) information += input[i];
      if (irp->MdlAddress) {
        auto extra = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority));
        for (ULONG i = 0; i < MmGetMdlByteCount(irp->MdlAddress); ++i) information += extra[i];
      }
      break;
    }
    case IOCTL_ECHO_OUT_DIRECT: {
      UCHAR first = in > 0 ? static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer)[0] : 0;
      if (irp->MdlAddress) {
        auto output = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority));
        for (ULONG i = 0; i < MmGetMdlByteCount(irp->MdlAddress); ++i) output[i] = static_cast<UCHAR>(first + i);
        information = MmGetMdlByteCount(irp->MdlAddress);
      }
      break;
    }
    case IOCTL_ECHO_NEITHER: {
      auto input = static_cast<PUCHAR>(stack->Parameters.DeviceIoControl.Type3InputBuffer);
      auto output = static_cast<PUCHAR>(irp->UserBuffer);
      information = in < out ? in : out;
      for (ULONG i = 0; i < information; ++i) output[i] = input[i] ^ 0xFF;
      break;
    }
    case IOCTL_ECHO_DEFERRED: {
      auto deferred = static_cast<Deferred*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(Deferred), kScratchTag));
      PIO_WORKITEM item = deferred ? IoAllocateWorkItem(device) : nullptr;
      if (!item) {
        if (deferred) ExFreePool(deferred);
        status = STATUS_INSUFFICIENT_RESOURCES;
        break;
      }
      deferred->item = item;
      deferred->irp = irp;
      IoMarkIrpPending(irp);
      IoQueueWorkItem(item, CompleteDeferred, DelayedWorkQueue, deferred);
      return STATUS_PENDING;
    }
    default:
      status = STATUS_INVALID_DEVICE_REQUEST;
  }
  complete(irp, status, information);
  IoReleaseRemoveLock(&ext->removeLock, irp);
  return status;
}

VOID DriverUnload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, u"\\DosDevices\\Echo0");
  IoDeleteSymbolicLink(&link);
  if (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
  ExFreePool(g_registryCopy.Buffer);
}

}  // namespace

Extension* extensionOf(PDEVICE_OBJECT device) { return static_cast<Extension*>(device->DeviceExtension); }

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  g_registryCopy.Buffer = static_cast<PWCHAR>(ExAllocatePoolWithTag(PagedPool, registryPath->Length + 2, kTag));
  if (!g_registryCopy.Buffer) return STATUS_INSUFFICIENT_RESOURCES;
  g_registryCopy.MaximumLength = static_cast<USHORT>(registryPath->Length + 2);
  RtlCopyUnicodeString(&g_registryCopy, registryPath);

  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, u"\\Device\\Echo0");
  RtlInitUnicodeString(&link, u"\\DosDevices\\Echo0");
  PDEVICE_OBJECT device;
  NTSTATUS status =
      IoCreateDevice(driver, sizeof(Extension), &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  if (!NT_SUCCESS(status)) {
    ExFreePool(g_registryCopy.Buffer);
    return status;
  }
  IoCreateSymbolicLink(&link, &name);
  Extension* ext = extensionOf(device);
  ext->self = device;
  IoInitializeRemoveLock(&ext->removeLock, kTag, 0, 0);
  KeInitializeSpinLock(&ext->lock);
  InitializeListHead(&ext->waitingReads);
  device->Flags |= DO_DIRECT_IO;

  driver->DriverUnload = DriverUnload;
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
  driver->MajorFunction[IRP_MJ_READ] = DispatchRead;
  driver->MajorFunction[IRP_MJ_WRITE] = DispatchWrite;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  return STATUS_SUCCESS;
}

bool completeOldestRead(PDEVICE_OBJECT device, UCHAR fill, ULONG length) {
  Extension* ext = extensionOf(device);
  UCHAR bytes[kCapacity];
  RtlFillMemory(bytes, kCapacity, fill);
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  PIRP irp = takeWaitingRead(ext);
  KeReleaseSpinLock(&ext->lock, irql);
  if (!irp) return false;
  finishRead(ext, irp, bytes, length < kCapacity ? length : kCapacity);
  return true;
}

ULONG waitingReadCount(PDEVICE_OBJECT device) {
  Extension* ext = extensionOf(device);
  ULONG n = 0;
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  for (PLIST_ENTRY e = ext->waitingReads.Flink; e != &ext->waitingReads; e = e->Flink) ++n;
  KeReleaseSpinLock(&ext->lock, irql);
  return n;
}

void removeAndWait(PDEVICE_OBJECT device) {
  Extension* ext = extensionOf(device);
  IoAcquireRemoveLock(&ext->removeLock, nullptr);
  IoReleaseRemoveLockAndWait(&ext->removeLock, nullptr);
}

}  // namespace echo
