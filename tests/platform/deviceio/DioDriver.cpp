#include "DioDriver.h"

#include <cstring>

namespace dio {

namespace {

struct Names {
  const char16_t* device;
  const char16_t* link;
};

constexpr Names kNames[] = {
    {u"\\Device\\DioDirect", u"\\DosDevices\\DioDirect"},
    {u"\\Device\\DioBuffered", u"\\DosDevices\\DioBuffered"},
    {u"\\Device\\DioNeither", u"\\DosDevices\\DioNeither"},
};

constexpr ULONG kDeviceFlags[] = {DO_DIRECT_IO, DO_BUFFERED_IO, 0};

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

bool IsOn(LONG* word) { return InterlockedCompareExchange(word, 0, 0) != 0; }

// Where a request's output goes, and how long it is.
PUCHAR OutputOf(PIRP irp, ULONG* length) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL) {
    *length = stack->Parameters.DeviceIoControl.OutputBufferLength;
    return static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer);
  }
  *length = stack->Parameters.Read.Length;
  if (irp->MdlAddress) return static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority));
  if (irp->AssociatedIrp.SystemBuffer) return static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer);
  return static_cast<PUCHAR>(irp->UserBuffer);
}

// Input of a write, by the device's buffering.
const UCHAR* WriteInputOf(PIRP irp) {
  if (irp->MdlAddress) return static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority));
  if (irp->AssociatedIrp.SystemBuffer) return static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer);
  return static_cast<const UCHAR*>(irp->UserBuffer);
}

VOID CancelQueued(PDEVICE_OBJECT device, PIRP irp) {
  IoReleaseCancelSpinLock(irp->CancelIrql);
  Extension* ext = ExtensionOf(device);
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  ext->queued--;
  KeReleaseSpinLock(&ext->lock, irql);
  Complete(irp, STATUS_CANCELLED, 0);
}

NTSTATUS Queue(Extension* ext, PIRP irp) {
  IoMarkIrpPending(irp);
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  if (!IsOn(&ext->ignoreCancel)) {
    IoSetCancelRoutine(irp, CancelQueued);
    if (irp->Cancel && IoSetCancelRoutine(irp, nullptr)) {
      KeReleaseSpinLock(&ext->lock, irql);
      Complete(irp, STATUS_CANCELLED, 0);
      return STATUS_PENDING;
    }
  }
  InsertTailList(&ext->queue, &irp->Tail.Overlay.ListEntry);
  ext->queued++;
  KeReleaseSpinLock(&ext->lock, irql);
  return STATUS_PENDING;
}

NTSTATUS DispatchCreateCloseCleanup(PDEVICE_OBJECT device, PIRP irp) {
  Extension* ext = ExtensionOf(device);
  switch (IoGetCurrentIrpStackLocation(irp)->MajorFunction) {
    case IRP_MJ_CREATE:
      InterlockedIncrement(&ext->creates);
      break;
    case IRP_MJ_CLEANUP:
      InterlockedIncrement(&ext->cleanups);
      break;
    default:
      InterlockedIncrement(&ext->closes);
  }
  return Complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS DispatchRead(PDEVICE_OBJECT device, PIRP irp) {
  Extension* ext = ExtensionOf(device);
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  if (ext->dataLength == 0) {
    KeReleaseSpinLock(&ext->lock, irql);
    if (IsOn(&ext->completeInQueue)) {
      IoMarkIrpPending(irp);
      Complete(irp, STATUS_SUCCESS, 0);
      return STATUS_PENDING;
    }
    return Queue(ext, irp);
  }
  ULONG length;
  PUCHAR output = OutputOf(irp, &length);
  ULONG count = ext->dataLength < length ? ext->dataLength : length;
  std::memcpy(output, ext->data, count);
  ext->dataLength = 0;
  KeReleaseSpinLock(&ext->lock, irql);
  return Complete(irp, STATUS_SUCCESS, count);
}

NTSTATUS DispatchWrite(PDEVICE_OBJECT device, PIRP irp) {
  Extension* ext = ExtensionOf(device);
  ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Write.Length;
  if (length > kCapacity) length = kCapacity;
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  if (length > 0) std::memcpy(ext->data, WriteInputOf(irp), length);
  ext->dataLength = length;
  KeReleaseSpinLock(&ext->lock, irql);
  return Complete(irp, STATUS_SUCCESS, length);
}

NTSTATUS StatusFromInput(PIRP irp, ULONG in) {
  NTSTATUS status = STATUS_INVALID_PARAMETER;
  if (in >= sizeof status) std::memcpy(&status, irp->AssociatedIrp.SystemBuffer, sizeof status);
  return status;
}

NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
  Extension* ext = ExtensionOf(device);
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  const ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
  const ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
  ext->lastInputLength = in;
  ext->lastOutputLength = out;
  ULONG_PTR information = 0;
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_DIO_BUFFERED: {
      auto buffer = static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer);
      information = in < out ? in : out;
      for (ULONG i = 0; i < information; ++i) buffer[i] = static_cast<UCHAR>(buffer[i] + 1);
      break;
    }
    case IOCTL_DIO_IN_DIRECT: {
      ULONG mdlLength = irp->MdlAddress ? MmGetMdlByteCount(irp->MdlAddress) : 0;
      if (in + mdlLength > kCapacity) return Complete(irp, STATUS_INVALID_PARAMETER, 0);
      KIRQL irql;
      KeAcquireSpinLock(&ext->lock, &irql);
      if (in > 0) std::memcpy(ext->data, irp->AssociatedIrp.SystemBuffer, in);
      if (mdlLength > 0)
        std::memcpy(ext->data + in, MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority), mdlLength);
      ext->dataLength = in + mdlLength;
      KeReleaseSpinLock(&ext->lock, irql);
      information = in + mdlLength;
      break;
    }
    case IOCTL_DIO_OUT_DIRECT: {
      UCHAR first = in > 0 ? static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer)[0] : 0;
      if (irp->MdlAddress) {
        auto output = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority));
        information = MmGetMdlByteCount(irp->MdlAddress);
        for (ULONG i = 0; i < information; ++i) output[i] = static_cast<UCHAR>(first + i);
      }
      break;
    }
    case IOCTL_DIO_NEITHER: {
      auto input = static_cast<PUCHAR>(stack->Parameters.DeviceIoControl.Type3InputBuffer);
      auto output = static_cast<PUCHAR>(irp->UserBuffer);
      ext->lastType3Input = input;
      ext->lastUserBuffer = output;
      information = in < out ? in : out;
      for (ULONG i = 0; i < information; ++i) output[i] = input[i] ^ 0x5A;
      break;
    }
    case IOCTL_DIO_FAIL:
      return Complete(irp, StatusFromInput(irp, in), 0);
    case IOCTL_DIO_FAIL_PENDING:
      IoMarkIrpPending(irp);
      Complete(irp, StatusFromInput(irp, in), 0);
      return STATUS_PENDING;
    case IOCTL_DIO_HOLD:
      return Queue(ext, irp);
    default:
      return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  }
  return Complete(irp, STATUS_SUCCESS, information);
}

VOID Unload(PDRIVER_OBJECT driver) {
  for (const Names& names : kNames) {
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, names.link);
    IoDeleteSymbolicLink(&link);
  }
  while (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
}

}  // namespace

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  for (ULONG kind = 0; kind < 3; ++kind) {
    UNICODE_STRING name, link;
    RtlInitUnicodeString(&name, kNames[kind].device);
    RtlInitUnicodeString(&link, kNames[kind].link);
    PDEVICE_OBJECT device;
    NTSTATUS status = IoCreateDevice(driver, sizeof(Extension), &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
      Unload(driver);
      return status;
    }
    device->Flags |= kDeviceFlags[kind];
    Extension* ext = ExtensionOf(device);
    ext->kind = static_cast<Kind>(kind);
    KeInitializeSpinLock(&ext->lock);
    InitializeListHead(&ext->queue);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
      Unload(driver);
      return status;
    }
  }
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateCloseCleanup;
  driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCreateCloseCleanup;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateCloseCleanup;
  driver->MajorFunction[IRP_MJ_READ] = DispatchRead;
  driver->MajorFunction[IRP_MJ_WRITE] = DispatchWrite;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  driver->DriverUnload = Unload;
  return STATUS_SUCCESS;
}

PDEVICE_OBJECT DeviceOf(PDRIVER_OBJECT driver, Kind kind) {
  for (PDEVICE_OBJECT device = driver->DeviceObject; device; device = device->NextDevice) {
    if (ExtensionOf(device)->kind == kind) return device;
  }
  return nullptr;
}

Extension* ExtensionOf(PDEVICE_OBJECT device) { return static_cast<Extension*>(device->DeviceExtension); }

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Direct:
      return "Direct";
    case Kind::Buffered:
      return "Buffered";
    case Kind::Neither:
      break;
  }
  return "Neither";
}

const char* UserPath(Kind kind) {
  switch (kind) {
    case Kind::Direct:
      return "\\\\.\\DioDirect";
    case Kind::Buffered:
      return "\\\\.\\DioBuffered";
    case Kind::Neither:
      break;
  }
  return "\\\\.\\DioNeither";
}

bool CompleteOldest(PDEVICE_OBJECT device, UCHAR fill, ULONG length, NTSTATUS status) {
  Extension* ext = ExtensionOf(device);
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  PIRP irp = nullptr;
  while (!IsListEmpty(&ext->queue)) {
    PLIST_ENTRY entry = RemoveHeadList(&ext->queue);
    PIRP candidate = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    // A request whose canceller is running already belongs to the canceller.
    if (IsOn(&ext->ignoreCancel) || IoSetCancelRoutine(candidate, nullptr)) {
      ext->queued--;
      irp = candidate;
      break;
    }
    InitializeListHead(entry);
  }
  KeReleaseSpinLock(&ext->lock, irql);
  if (!irp) return false;
  ULONG room;
  PUCHAR output = OutputOf(irp, &room);
  ULONG count = length < room ? length : room;
  if (!NT_SUCCESS(status)) count = 0;
  if (count > 0) std::memset(output, fill, count);
  Complete(irp, status, count);
  return true;
}

ULONG QueuedCount(PDEVICE_OBJECT device) {
  Extension* ext = ExtensionOf(device);
  KIRQL irql;
  KeAcquireSpinLock(&ext->lock, &irql);
  ULONG n = ext->queued;
  KeReleaseSpinLock(&ext->lock, irql);
  return n;
}

}  // namespace dio
