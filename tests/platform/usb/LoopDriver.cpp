#include "LoopDriver.h"

namespace looptest {

namespace {

constexpr ULONG kTag = 0x706f6f4c;  // "Loop"

struct Extension {
  PDEVICE_OBJECT self;
  PDEVICE_OBJECT lower;
  PDEVICE_OBJECT pdo;
  IO_REMOVE_LOCK removeLock;
  UNICODE_STRING interfaceName;
  PUSB_CONFIGURATION_DESCRIPTOR config;
  USBD_PIPE_HANDLE bulkIn;
  USBD_PIPE_HANDLE bulkOut;
  USBD_PIPE_HANDLE isoIn;
  LONG started;
  LONG surpriseRemoved;
};

Extension* ext(PDEVICE_OBJECT device) { return static_cast<Extension*>(device->DeviceExtension); }

NTSTATUS complete(PIRP irp, NTSTATUS status, ULONG_PTR information = 0) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS callSync(Extension* e, ULONG code, PVOID argument) {
  KEVENT event;
  IO_STATUS_BLOCK iosb{};
  KeInitializeEvent(&event, NotificationEvent, FALSE);
  PIRP irp = IoBuildDeviceIoControlRequest(code, e->lower, nullptr, 0, nullptr, 0, TRUE, &event, &iosb);
  if (!irp) return STATUS_INSUFFICIENT_RESOURCES;
  IoGetNextIrpStackLocation(irp)->Parameters.Others.Argument1 = argument;
  NTSTATUS status = IoCallDriver(e->lower, irp);
  if (status == STATUS_PENDING) {
    KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
    status = iosb.Status;
  }
  return status;
}

NTSTATUS submitSync(Extension* e, PURB urb) { return callSync(e, IOCTL_INTERNAL_USB_SUBMIT_URB, urb); }

NTSTATUS getDescriptor(Extension* e, UCHAR type, PVOID buffer, ULONG length) {
  URB urb;
  UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST), type, 0, 0, buffer, nullptr,
                               length, nullptr);
  return submitSync(e, &urb);
}

NTSTATUS configure(Extension* e) {
  USB_DEVICE_DESCRIPTOR device;
  NTSTATUS status = getDescriptor(e, USB_DEVICE_DESCRIPTOR_TYPE, &device, sizeof device);
  if (!NT_SUCCESS(status)) return status;
  USB_CONFIGURATION_DESCRIPTOR head;
  status = getDescriptor(e, USB_CONFIGURATION_DESCRIPTOR_TYPE, &head, sizeof head);
  if (!NT_SUCCESS(status)) return status;
  auto config =
      static_cast<PUSB_CONFIGURATION_DESCRIPTOR>(ExAllocatePoolWithTag(NonPagedPool, head.wTotalLength, kTag));
  if (!config) return STATUS_INSUFFICIENT_RESOURCES;
  status = getDescriptor(e, USB_CONFIGURATION_DESCRIPTOR_TYPE, config, head.wTotalLength);
  PUSB_INTERFACE_DESCRIPTOR iface =
      NT_SUCCESS(status) ? USBD_ParseConfigurationDescriptorEx(config, config, -1, -1, -1, -1, -1) : nullptr;
  if (NT_SUCCESS(status) && (!iface || iface->bNumEndpoints != 3)) status = STATUS_DEVICE_CONFIGURATION_ERROR;
  if (!NT_SUCCESS(status)) {
    ExFreePool(config);
    return status;
  }
  USBD_INTERFACE_LIST_ENTRY list[2] = {{iface, nullptr}, {nullptr, nullptr}};
  PURB select = USBD_CreateConfigurationRequestEx(config, list);
  if (!select) {
    ExFreePool(config);
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  status = submitSync(e, select);
  if (NT_SUCCESS(status)) {
    PUSBD_INTERFACE_INFORMATION info = list[0].Interface;
    for (ULONG i = 0; i < info->NumberOfPipes; ++i) {
      const USBD_PIPE_INFORMATION& p = info->Pipes[i];
      if (p.EndpointAddress == 0x81) e->bulkIn = p.PipeHandle;
      if (p.EndpointAddress == 0x01) e->bulkOut = p.PipeHandle;
      if (p.EndpointAddress == 0x83) e->isoIn = p.PipeHandle;
    }
    e->config = config;
  } else {
    ExFreePool(config);
  }
  ExFreePool(select);
  return status;
}

void unconfigure(Extension* e) {
  if (!e->config) return;
  if (!e->surpriseRemoved) {
    URB urb;
    UsbBuildSelectConfigurationRequest(&urb, sizeof(struct _URB_SELECT_CONFIGURATION), nullptr);
    submitSync(e, &urb);
  }
  ExFreePool(e->config);
  e->config = nullptr;
}

NTSTATUS SignalEvent(PDEVICE_OBJECT, PIRP, PVOID context) {
  KeSetEvent(static_cast<PKEVENT>(context), 0, FALSE);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS forwardAndWait(Extension* e, PIRP irp) {
  KEVENT event;
  KeInitializeEvent(&event, NotificationEvent, FALSE);
  IoCopyCurrentIrpStackLocationToNext(irp);
  IoSetCompletionRoutine(irp, SignalEvent, &event, TRUE, TRUE, TRUE);
  if (IoCallDriver(e->lower, irp) == STATUS_PENDING)
    KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
  return irp->IoStatus.Status;
}

NTSTATUS passDown(Extension* e, PIRP irp) {
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(e->lower, irp);
}

void logPnp(UCHAR minor, NTSTATUS status) {
  std::lock_guard lock(loopLog().mutex);
  loopLog().pnpMinors.push_back(minor);
  loopLog().pnpResults.push_back(status);
}

TransferFault transferFault() {
  std::lock_guard lock(loopLog().mutex);
  return loopLog().transferFault;
}

// Sends the caller's IRP down with the URB; `done` takes it back.
NTSTATUS sendUrb(Extension* e, PIRP irp, PURB urb, PIO_COMPLETION_ROUTINE done) {
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
  next->Parameters.Others.Argument1 = urb;
  IoSetCompletionRoutine(irp, done, urb, TRUE, TRUE, TRUE);
  TransferFault fault = transferFault();
  if (fault != TransferFault::PendingUnmarked) IoMarkIrpPending(irp);
  IoCallDriver(e->lower, irp);
  return fault == TransferFault::PendingNotReturned ? STATUS_SUCCESS : STATUS_PENDING;
}

constexpr ULONG_PTR kCookie = 0x600D;

NTSTATUS FreeOwnIrp(PDEVICE_OBJECT, PIRP irp, PVOID context) {
  ExFreePool(context);
  IoFreeIrp(irp);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

// The wrong way to recover: a pipe reset belongs at PASSIVE_LEVEL (a work item), not in a completion routine.
void resetPipeNow(Extension* e, USBD_PIPE_HANDLE pipe) {
  auto urb = static_cast<PURB>(ExAllocatePoolWithTag(NonPagedPool, sizeof(struct _URB_PIPE_REQUEST), kTag));
  PIRP own = urb ? IoAllocateIrp(e->lower->StackSize, FALSE) : nullptr;
  if (!own) {
    if (urb) ExFreePool(urb);
    return;
  }
  RtlZeroMemory(urb, sizeof(struct _URB_PIPE_REQUEST));
  urb->UrbPipeRequest.Hdr.Length = sizeof(struct _URB_PIPE_REQUEST);
  urb->UrbPipeRequest.Hdr.Function = URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL;
  urb->UrbPipeRequest.PipeHandle = pipe;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(own);
  next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
  next->Parameters.Others.Argument1 = urb;
  IoSetCompletionRoutine(own, FreeOwnIrp, urb, TRUE, TRUE, TRUE);
  IoCallDriver(e->lower, own);
}

// ---- create, close, read, write --------------------------------------------------------------

NTSTATUS DispatchCreateClose(PDEVICE_OBJECT, PIRP irp) { return complete(irp, STATUS_SUCCESS); }

NTSTATUS TransferDone(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
  auto urb = static_cast<PURB>(context);
  switch (transferFault()) {
    case TransferFault::ResetPipeInCompletion:
      if (!NT_SUCCESS(irp->IoStatus.Status)) resetPipeNow(ext(device), urb->UrbBulkOrInterruptTransfer.PipeHandle);
      break;
    case TransferFault::StateInIrp:
      if (irp->Tail.Overlay.DriverContext[3] != reinterpret_cast<PVOID>(kCookie) ||
          irp->Tail.Overlay.ListEntry.Flink != &irp->Tail.Overlay.ListEntry) {
        std::lock_guard lock(loopLog().mutex);
        loopLog().stateLost++;
      }
      break;
    default:
      break;
  }
  irp->IoStatus.Information = urb->UrbBulkOrInterruptTransfer.TransferBufferLength;
  ExFreePool(urb);
  IoReleaseRemoveLock(&ext(device)->removeLock, irp);
  return STATUS_SUCCESS;
}

NTSTATUS DispatchReadWrite(PDEVICE_OBJECT device, PIRP irp) {
  Extension* e = ext(device);
  NTSTATUS status = IoAcquireRemoveLock(&e->removeLock, irp);
  if (!NT_SUCCESS(status)) return complete(irp, status);
  bool read = IoGetCurrentIrpStackLocation(irp)->MajorFunction == IRP_MJ_READ;
  ULONG length = irp->MdlAddress ? MmGetMdlByteCount(irp->MdlAddress) : 0;
  if (!e->started || length == 0) {
    IoReleaseRemoveLock(&e->removeLock, irp);
    return complete(irp, e->started ? STATUS_SUCCESS : STATUS_DEVICE_NOT_READY);
  }
  auto urb =
      static_cast<PURB>(ExAllocatePoolWithTag(NonPagedPool, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER), kTag));
  if (!urb) {
    IoReleaseRemoveLock(&e->removeLock, irp);
    return complete(irp, STATUS_INSUFFICIENT_RESOURCES);
  }
  UsbBuildInterruptOrBulkTransferRequest(urb, sizeof(struct _URB_BULK_OR_INTERRUPT_TRANSFER),
                                         read ? e->bulkIn : e->bulkOut, nullptr, irp->MdlAddress, length,
                                         read ? USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK : 0, nullptr);
  if (transferFault() == TransferFault::StateInIrp) {
    irp->Tail.Overlay.DriverContext[3] = reinterpret_cast<PVOID>(kCookie);
    InitializeListHead(&irp->Tail.Overlay.ListEntry);
  }
  return sendUrb(e, irp, urb, TransferDone);
}

// ---- device control --------------------------------------------------------------------------

NTSTATUS IsoDone(PDEVICE_OBJECT device, PIRP irp, PVOID context) {
  auto urb = static_cast<PURB>(context);
  auto result = static_cast<IsoReadResult*>(irp->AssociatedIrp.SystemBuffer);
  auto& iso = urb->UrbIsochronousTransfer;
  result->status = irp->IoStatus.Status;
  result->usbdStatus = urb->UrbHeader.Status;
  result->startFrame = iso.StartFrame;
  result->errorCount = iso.ErrorCount;
  result->transferred = iso.TransferBufferLength;
  for (ULONG j = 0; j < iso.NumberOfPackets; ++j) {
    result->lengths[j] = iso.IsoPacket[j].Length;
    result->statuses[j] = iso.IsoPacket[j].Status;
  }
  ExFreePool(urb);
  irp->IoStatus.Status = STATUS_SUCCESS;
  irp->IoStatus.Information = sizeof(IsoReadResult);
  IoReleaseRemoveLock(&ext(device)->removeLock, irp);
  return STATUS_SUCCESS;
}

NTSTATUS isoRead(Extension* e, PIRP irp, ULONG inLength, ULONG outLength) {
  auto buffer = irp->AssociatedIrp.SystemBuffer;
  if (inLength < sizeof(IsoReadRequest) || outLength < sizeof(IsoReadResult)) return STATUS_INVALID_PARAMETER;
  IsoReadRequest request = *static_cast<IsoReadRequest*>(buffer);
  if (request.packets == 0 || request.packets > kMaxIsoPackets) return STATUS_INVALID_PARAMETER;
  URB frame;
  RtlZeroMemory(&frame, sizeof frame);
  frame.UrbHeader.Length = sizeof(struct _URB_GET_CURRENT_FRAME_NUMBER);
  frame.UrbHeader.Function = URB_FUNCTION_GET_CURRENT_FRAME_NUMBER;
  NTSTATUS status = submitSync(e, &frame);
  if (!NT_SUCCESS(status)) return status;
  ULONG size = GET_ISO_URB_SIZE(request.packets);
  auto urb = static_cast<PURB>(ExAllocatePoolWithTag(NonPagedPool, size, kTag));
  if (!urb) return STATUS_INSUFFICIENT_RESOURCES;
  RtlZeroMemory(urb, size);
  auto result = static_cast<IsoReadResult*>(buffer);
  RtlZeroMemory(result, sizeof *result);
  auto& iso = urb->UrbIsochronousTransfer;
  iso.Hdr.Length = static_cast<USHORT>(size);
  iso.Hdr.Function = URB_FUNCTION_ISOCH_TRANSFER;
  iso.PipeHandle = e->isoIn;
  iso.TransferFlags = USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK;
  iso.TransferBufferLength = request.packets * 128;
  iso.TransferBuffer = result->data;
  iso.StartFrame = frame.UrbGetCurrentFrameNumber.FrameNumber + static_cast<ULONG>(request.frameOffset);
  iso.NumberOfPackets = request.packets;
  for (ULONG j = 0; j < request.packets; ++j) iso.IsoPacket[j].Offset = j * 128;
  return sendUrb(e, irp, urb, IsoDone);
}

USBD_PIPE_HANDLE pipeFor(Extension* e, UCHAR address) {
  return address == 0x81 ? e->bulkIn : address == 0x01 ? e->bulkOut : address == 0x83 ? e->isoIn : nullptr;
}

NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
  Extension* e = ext(device);
  PIO_STACK_LOCATION s = IoGetCurrentIrpStackLocation(irp);
  ULONG inLength = s->Parameters.DeviceIoControl.InputBufferLength;
  ULONG outLength = s->Parameters.DeviceIoControl.OutputBufferLength;
  auto buffer = static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer);
  NTSTATUS status = IoAcquireRemoveLock(&e->removeLock, irp);
  if (!NT_SUCCESS(status)) return complete(irp, status);
  ULONG_PTR information = 0;
  URB urb;
  RtlZeroMemory(&urb, sizeof urb);
  switch (s->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_LOOP_VENDOR: {
      if (inLength < sizeof(VendorRequest)) {
        status = STATUS_INVALID_PARAMETER;
        break;
      }
      VendorRequest v = *reinterpret_cast<VendorRequest*>(buffer);
      static const USHORT functions[] = {URB_FUNCTION_VENDOR_DEVICE, URB_FUNCTION_VENDOR_INTERFACE,
                                         URB_FUNCTION_VENDOR_ENDPOINT};
      UsbBuildVendorRequest(&urb, functions[v.recipient % 3], sizeof(struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST),
                            v.in ? USBD_TRANSFER_DIRECTION_IN | USBD_SHORT_TRANSFER_OK : 0, v.reservedBits, v.request,
                            v.value, v.index, v.in ? buffer : nullptr, nullptr, v.in ? outLength : 0, nullptr);
      status = submitSync(e, &urb);
      if (NT_SUCCESS(status) && v.in) information = urb.UrbControlVendorClassRequest.TransferBufferLength;
      break;
    }
    case IOCTL_LOOP_CLEAR_HALT:
      UsbBuildFeatureRequest(&urb, URB_FUNCTION_CLEAR_FEATURE_TO_ENDPOINT, USB_FEATURE_ENDPOINT_STALL,
                             inLength ? buffer[0] : 0, nullptr);
      status = submitSync(e, &urb);
      break;
    case IOCTL_LOOP_RESET_PIPE:
    case IOCTL_LOOP_ABORT_PIPE:
      urb.UrbPipeRequest.Hdr.Length = sizeof(struct _URB_PIPE_REQUEST);
      urb.UrbPipeRequest.Hdr.Function = s->Parameters.DeviceIoControl.IoControlCode == IOCTL_LOOP_RESET_PIPE
                                            ? URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL
                                            : URB_FUNCTION_ABORT_PIPE;
      urb.UrbPipeRequest.PipeHandle = pipeFor(e, inLength ? buffer[0] : 0);
      status = submitSync(e, &urb);
      break;
    case IOCTL_LOOP_PORT_STATUS: {
      ULONG flags = 0;
      status = callSync(e, IOCTL_INTERNAL_USB_GET_PORT_STATUS, &flags);
      if (NT_SUCCESS(status) && outLength >= sizeof flags) {
        RtlCopyMemory(buffer, &flags, sizeof flags);
        information = sizeof flags;
      }
      break;
    }
    case IOCTL_LOOP_RESET_PORT:
      status = callSync(e, IOCTL_INTERNAL_USB_RESET_PORT, nullptr);
      break;
    case IOCTL_LOOP_FRAME:
      urb.UrbHeader.Length = sizeof(struct _URB_GET_CURRENT_FRAME_NUMBER);
      urb.UrbHeader.Function = URB_FUNCTION_GET_CURRENT_FRAME_NUMBER;
      status = submitSync(e, &urb);
      if (NT_SUCCESS(status) && outLength >= sizeof(ULONG)) {
        RtlCopyMemory(buffer, &urb.UrbGetCurrentFrameNumber.FrameNumber, sizeof(ULONG));
        information = sizeof(ULONG);
      }
      break;
    case IOCTL_LOOP_ISO_READ:
      status = isoRead(e, irp, inLength, outLength);
      if (status == STATUS_PENDING) return status;  // IsoDone releases the remove lock
      break;
    default:
      status = STATUS_INVALID_DEVICE_REQUEST;
      break;
  }
  IoReleaseRemoveLock(&e->removeLock, irp);
  return complete(irp, status, information);
}

NTSTATUS DispatchPassDown(PDEVICE_OBJECT device, PIRP irp) { return passDown(ext(device), irp); }

// ---- plug and play ---------------------------------------------------------------------------

NTSTATUS DispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
  Extension* e = ext(device);
  UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
  NTSTATUS status = IoAcquireRemoveLock(&e->removeLock, irp);
  if (!NT_SUCCESS(status)) {
    logPnp(minor, status);
    return complete(irp, status);
  }
  switch (minor) {
    case IRP_MN_START_DEVICE:
      status = forwardAndWait(e, irp);
      if (NT_SUCCESS(status) && loopLog().failStart) status = STATUS_DEVICE_CONFIGURATION_ERROR;
      if (NT_SUCCESS(status)) status = configure(e);
      if (NT_SUCCESS(status)) {
        IoSetDeviceInterfaceState(&e->interfaceName, TRUE);
        e->started = 1;
      }
      complete(irp, status);
      break;
    case IRP_MN_QUERY_CAPABILITIES:
      status = forwardAndWait(e, irp);
      complete(irp, status);
      break;
    case IRP_MN_QUERY_REMOVE_DEVICE:
      if (loopLog().refuseQueryRemove) {
        status = complete(irp, STATUS_UNSUCCESSFUL);
        break;
      }
      irp->IoStatus.Status = STATUS_SUCCESS;
      status = passDown(e, irp);
      break;
    case IRP_MN_SURPRISE_REMOVAL:
      e->started = 0;
      e->surpriseRemoved = 1;
      IoSetDeviceInterfaceState(&e->interfaceName, FALSE);
      unconfigure(e);
      irp->IoStatus.Status = STATUS_SUCCESS;
      status = passDown(e, irp);
      break;
    case IRP_MN_REMOVE_DEVICE: {
      e->started = 0;
      IoSetDeviceInterfaceState(&e->interfaceName, FALSE);
      unconfigure(e);
      irp->IoStatus.Status = STATUS_SUCCESS;
      status = passDown(e, irp);
      IoReleaseRemoveLockAndWait(&e->removeLock, irp);
      RtlFreeUnicodeString(&e->interfaceName);
      IoDetachDevice(e->lower);
      UNICODE_STRING link;
      RtlInitUnicodeString(&link, u"\\DosDevices\\LoopTest");
      IoDeleteSymbolicLink(&link);
      IoDeleteDevice(device);
      logPnp(minor, status);
      return status;
    }
    case IRP_MN_STOP_DEVICE:
      e->started = 0;
      unconfigure(e);
      irp->IoStatus.Status = STATUS_SUCCESS;
      status = passDown(e, irp);
      break;
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
      irp->IoStatus.Status = STATUS_SUCCESS;
      status = passDown(e, irp);
      break;
    default:
      status = passDown(e, irp);
      break;
  }
  IoReleaseRemoveLock(&e->removeLock, irp);
  logPnp(minor, status);
  return status;
}

// ---- power -----------------------------------------------------------------------------------

VOID SystemDownDeviceDone(PDEVICE_OBJECT, UCHAR, POWER_STATE, PVOID context, PIO_STATUS_BLOCK ioStatus) {
  auto systemIrp = static_cast<PIRP>(context);
  Extension* e = ext(IoGetCurrentIrpStackLocation(systemIrp)->DeviceObject);
  PoStartNextPowerIrp(systemIrp);
  if (!NT_SUCCESS(ioStatus->Status)) {
    complete(systemIrp, ioStatus->Status);
    return;
  }
  IoCopyCurrentIrpStackLocationToNext(systemIrp);
  PoCallDriver(e->lower, systemIrp);
}

VOID DeviceUpDone(PDEVICE_OBJECT, UCHAR, POWER_STATE, PVOID, PIO_STATUS_BLOCK) {}

NTSTATUS SystemUpDone(PDEVICE_OBJECT device, PIRP irp, PVOID) {
  if (irp->PendingReturned) IoMarkIrpPending(irp);
  POWER_STATE d0;
  d0.DeviceState = PowerDeviceD0;
  PoRequestPowerIrp(ext(device)->pdo, IRP_MN_SET_POWER, d0, DeviceUpDone, nullptr, nullptr);
  PoStartNextPowerIrp(irp);
  return STATUS_SUCCESS;
}

NTSTATUS DispatchPower(PDEVICE_OBJECT device, PIRP irp) {
  Extension* e = ext(device);
  PIO_STACK_LOCATION s = IoGetCurrentIrpStackLocation(irp);
  bool setOrQuery = s->MinorFunction == IRP_MN_SET_POWER || s->MinorFunction == IRP_MN_QUERY_POWER;
  if (setOrQuery && s->Parameters.Power.Type == SystemPowerState) {
    if (s->Parameters.Power.State.SystemState > PowerSystemWorking) {
      // Going down: the device first.
      IoMarkIrpPending(irp);
      POWER_STATE d3;
      d3.DeviceState = PowerDeviceD3;
      NTSTATUS status = PoRequestPowerIrp(e->pdo, s->MinorFunction, d3, SystemDownDeviceDone, irp, nullptr);
      if (status != STATUS_PENDING) {
        PoStartNextPowerIrp(irp);
        complete(irp, status);
      }
      return STATUS_PENDING;
    }
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, SystemUpDone, nullptr, TRUE, TRUE, TRUE);
    return PoCallDriver(e->lower, irp);
  }
  if (s->MinorFunction == IRP_MN_SET_POWER && s->Parameters.Power.Type == DevicePowerState) {
    PoSetPowerState(device, DevicePowerState, s->Parameters.Power.State);
    std::lock_guard lock(loopLog().mutex);
    loopLog().deviceStates.push_back(s->Parameters.Power.State);
  }
  if (!loopLog().skipStartNextPowerIrp) PoStartNextPowerIrp(irp);
  IoSkipCurrentIrpStackLocation(irp);
  return PoCallDriver(e->lower, irp);
}

// ---- entry and add-device --------------------------------------------------------------------

NTSTATUS AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
  {
    std::lock_guard lock(loopLog().mutex);
    loopLog().addDevices++;
  }
  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, u"\\Device\\LoopTest");
  RtlInitUnicodeString(&link, u"\\DosDevices\\LoopTest");
  PDEVICE_OBJECT device;
  NTSTATUS status =
      IoCreateDevice(driver, sizeof(Extension), &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  Extension* e = ext(device);
  e->self = device;
  e->pdo = pdo;
  IoInitializeRemoveLock(&e->removeLock, 0, 0, 0);
  device->Flags |= DO_DIRECT_IO | DO_POWER_PAGABLE;
  e->lower = IoAttachDeviceToDeviceStack(device, pdo);
  status =
      e->lower ? IoRegisterDeviceInterface(pdo, &kLoopInterface, nullptr, &e->interfaceName) : STATUS_DEVICE_REMOVED;
  if (!NT_SUCCESS(status)) {
    if (e->lower) IoDetachDevice(e->lower);
    IoDeleteDevice(device);
    return status;
  }
  IoCreateSymbolicLink(&link, &name);
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

VOID Unload(PDRIVER_OBJECT) {
  std::lock_guard lock(loopLog().mutex);
  loopLog().unloads++;
}

}  // namespace

void LoopLog::reset() {
  std::lock_guard lock(mutex);
  entries = addDevices = unloads = 0;
  pnpMinors.clear();
  pnpResults.clear();
  deviceStates.clear();
  failStart = refuseQueryRemove = skipStartNextPowerIrp = false;
  transferFault = TransferFault::None;
  stateLost = 0;
}

LoopLog& loopLog() {
  static LoopLog log;
  return log;
}

NTSTATUS LoopDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  {
    std::lock_guard lock(loopLog().mutex);
    loopLog().entries++;
  }
  driver->DriverUnload = Unload;
  driver->DriverExtension->AddDevice = AddDevice;
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
  driver->MajorFunction[IRP_MJ_READ] = DispatchReadWrite;
  driver->MajorFunction[IRP_MJ_WRITE] = DispatchReadWrite;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
  driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = DispatchPassDown;
  driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
  driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
  return STATUS_SUCCESS;
}

}  // namespace looptest
