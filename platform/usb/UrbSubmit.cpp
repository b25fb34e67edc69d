// The PDO's internal device control: URBs as they arrive (checked, answered at once, or queued as
// transfers) and the port requests.

#include <algorithm>
#include <cstddef>
#include <string>
#include <thread>

#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/Mdl.h"
#include "platform/nt/NtStatus.h"
#include "platform/usb/BusPort.h"
#include "platform/usb/BusStatus.h"
#include "platform/usb/HostController.h"
#include "platform/usb/UsbIoctl.h"
#include "platform/usb/UsbdLib.h"

namespace usb {

namespace {

VOID cancelRoutine(PDEVICE_OBJECT pdo, PIRP irp) { HostController::ofPdo(pdo)->cancelTransfer(pdo, irp); }

NTSTATUS completeIrp(PIRP irp, NTSTATUS status) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

// The buffer a transfer URB describes: its MDL's address, or the plain pointer. False when the
// MDL is shorter than the length or a length comes without a buffer.
bool transferBuffer(PMDL mdl, PVOID plain, ULONG length, PUCHAR& buffer) {
  if (mdl) {
    if (MmGetMdlByteCount(mdl) < length) return false;
    buffer = static_cast<PUCHAR>(MmGetMdlVirtualAddress(mdl));
    return true;
  }
  buffer = static_cast<PUCHAR>(plain);
  return buffer != nullptr || length == 0;
}

// bmRequestType recipient and type of a vendor or class URB function.
bool vendorOrClass(USHORT function, uint8_t& type, uint8_t& recipient) {
  switch (function) {
    case URB_FUNCTION_VENDOR_DEVICE:
      type = kRequestTypeVendor;
      recipient = kRecipientDevice;
      return true;
    case URB_FUNCTION_VENDOR_INTERFACE:
      type = kRequestTypeVendor;
      recipient = kRecipientInterface;
      return true;
    case URB_FUNCTION_VENDOR_ENDPOINT:
      type = kRequestTypeVendor;
      recipient = kRecipientEndpoint;
      return true;
    case URB_FUNCTION_VENDOR_OTHER:
      type = kRequestTypeVendor;
      recipient = 3;
      return true;
    case URB_FUNCTION_CLASS_DEVICE:
      type = kRequestTypeClass;
      recipient = kRecipientDevice;
      return true;
    case URB_FUNCTION_CLASS_INTERFACE:
      type = kRequestTypeClass;
      recipient = kRecipientInterface;
      return true;
    case URB_FUNCTION_CLASS_ENDPOINT:
      type = kRequestTypeClass;
      recipient = kRecipientEndpoint;
      return true;
    case URB_FUNCTION_CLASS_OTHER:
      type = kRequestTypeClass;
      recipient = 3;
      return true;
    default:
      return false;
  }
}

bool feature(USHORT function, uint8_t& request, uint8_t& recipient) {
  switch (function) {
    case URB_FUNCTION_SET_FEATURE_TO_DEVICE:
      request = kRequestSetFeature;
      recipient = kRecipientDevice;
      return true;
    case URB_FUNCTION_SET_FEATURE_TO_INTERFACE:
      request = kRequestSetFeature;
      recipient = kRecipientInterface;
      return true;
    case URB_FUNCTION_SET_FEATURE_TO_ENDPOINT:
      request = kRequestSetFeature;
      recipient = kRecipientEndpoint;
      return true;
    case URB_FUNCTION_CLEAR_FEATURE_TO_DEVICE:
      request = kRequestClearFeature;
      recipient = kRecipientDevice;
      return true;
    case URB_FUNCTION_CLEAR_FEATURE_TO_INTERFACE:
      request = kRequestClearFeature;
      recipient = kRecipientInterface;
      return true;
    case URB_FUNCTION_CLEAR_FEATURE_TO_ENDPOINT:
      request = kRequestClearFeature;
      recipient = kRecipientEndpoint;
      return true;
    default:
      return false;
  }
}

}  // namespace

void HostController::requirePassive(const char* request) {
  KIRQL irql = KeGetCurrentIrql();
  if (irql == PASSIVE_LEVEL) return;
  kernel_.verifier().record(nt::Violation::RequestAbovePassive,
                            std::string(request) + " sent at IRQL " + std::to_string(irql));
}

NTSTATUS HostController::dispatchInternal(PDEVICE_OBJECT pdo, PIRP irp) {
  PIO_STACK_LOCATION location = IoGetCurrentIrpStackLocation(irp);
  scribbleOnHeldIrp(irp);
  auto port = findByPdo(pdo);
  if (!port) return completeIrp(irp, STATUS_NO_SUCH_DEVICE);
  ULONG code = location->Parameters.DeviceIoControl.IoControlCode;
  UrbRecord r;
  r.ioControlCode = code;
  switch (code) {
    case IOCTL_INTERNAL_USB_SUBMIT_URB: {
      auto urb = static_cast<PURB>(location->Parameters.Others.Argument1);
      if (!urb) return completeIrp(irp, STATUS_INVALID_PARAMETER);
      return submitUrb(*port, irp, urb);
    }
    case IOCTL_INTERNAL_USB_GET_PORT_STATUS: {
      requirePassive("IOCTL_INTERNAL_USB_GET_PORT_STATUS");
      auto flags = static_cast<PULONG>(location->Parameters.Others.Argument1);
      std::size_t index = record(*port, r);
      NTSTATUS status = STATUS_SUCCESS;
      ULONG value = 0;
      {
        std::lock_guard lock(mutex_);
        if (port->portStatusFailures > 0) {
          port->portStatusFailures--;
          status = STATUS_UNSUCCESSFUL;
        } else {
          value = port->gone ? 0 : USBD_PORT_CONNECTED | (port->enabled ? USBD_PORT_ENABLED : 0);
        }
      }
      if (!flags) status = STATUS_INVALID_PARAMETER;
      if (NT_SUCCESS(status)) *flags = value;
      recordResult(*port, index, value, NT_SUCCESS(status) ? USBD_STATUS_SUCCESS : USBD_STATUS_INTERNAL_HC_ERROR,
                   status);
      return completeIrp(irp, status);
    }
    case IOCTL_INTERNAL_USB_RESET_PORT: {
      requirePassive("IOCTL_INTERNAL_USB_RESET_PORT");
      std::size_t index = record(*port, r);
      NTSTATUS status = STATUS_SUCCESS;
      {
        std::lock_guard model(port->modelMutex);
        if (!port->model) {
          status = STATUS_DEVICE_NOT_CONNECTED;
        } else {
          // The hub restores the device's configuration after the reset.
          port->model->reset();
          port->model->setConfiguration(port->configuration);
        }
      }
      if (NT_SUCCESS(status)) {
        std::lock_guard lock(mutex_);
        port->enabled = true;
        for (auto& [address, pipe] : port->pipes) pipe->halted = false;
      }
      recordResult(*port, index, 0, NT_SUCCESS(status) ? USBD_STATUS_SUCCESS : USBD_STATUS_DEVICE_GONE, status);
      return completeIrp(irp, status);
    }
    default:
      return completeIrp(irp, STATUS_INVALID_DEVICE_REQUEST);
  }
}

NTSTATUS HostController::finishNow(Port& port, PIRP irp, PURB urb, std::size_t index, USBD_STATUS usbd) {
  urb->UrbHeader.Status = usbd;
  NTSTATUS status = ntStatusFor(usbd);
  recordResult(port, index, 0, usbd, status);
  return completeIrp(irp, status);
}

NTSTATUS HostController::submitUrb(Port& port, PIRP irp, PURB urb) {
  USHORT function = urb->UrbHeader.Function;
  UrbRecord r;
  r.ioControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
  r.function = function;
  urb->UrbHeader.Status = USBD_STATUS_PENDING;
  bool gone;
  {
    std::lock_guard lock(mutex_);
    gone = port.gone;
  }
  if (gone) return finishNow(port, irp, urb, record(port, r), USBD_STATUS_DEVICE_GONE);
  auto pipeFor = [&](USBD_PIPE_HANDLE handle, Pipe& copy) {
    std::lock_guard lock(mutex_);
    Pipe* p = port.pipe(handle);
    if (p) copy = *p;
    return p != nullptr;
  };

  auto t = std::make_shared<Transfer>();
  t->irp = irp;
  t->urb = urb;
  uint8_t type = 0, recipient = 0, request = 0;
  switch (function) {
    case URB_FUNCTION_SELECT_CONFIGURATION: {
      requirePassive("URB_FUNCTION_SELECT_CONFIGURATION");
      std::size_t index = record(port, r);
      USBD_STATUS usbd = USBD_STATUS_SUCCESS;
      selectConfiguration(port, urb, usbd);
      return finishNow(port, irp, urb, index, usbd);
    }
    case URB_FUNCTION_GET_CURRENT_FRAME_NUMBER: {
      std::size_t index = record(port, r);
      bool fail;
      {
        std::lock_guard lock(mutex_);
        fail = port.frameNumberFailures > 0;
        if (fail) port.frameNumberFailures--;
      }
      if (!fail) urb->UrbGetCurrentFrameNumber.FrameNumber = currentFrame();
      return finishNow(port, irp, urb, index, fail ? USBD_STATUS_INTERNAL_HC_ERROR : USBD_STATUS_SUCCESS);
    }
    case URB_FUNCTION_ABORT_PIPE:
    case URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL:
    case URB_FUNCTION_SYNC_RESET_PIPE:
    case URB_FUNCTION_SYNC_CLEAR_STALL: {
      requirePassive(function == URB_FUNCTION_ABORT_PIPE ? "URB_FUNCTION_ABORT_PIPE"
                     : function == URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL
                         ? "URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL"
                     : function == URB_FUNCTION_SYNC_RESET_PIPE ? "URB_FUNCTION_SYNC_RESET_PIPE"
                                                                : "URB_FUNCTION_SYNC_CLEAR_STALL");
      Pipe pipe;
      bool known = pipeFor(urb->UrbPipeRequest.PipeHandle, pipe);
      r.endpoint = pipe.address;
      std::size_t index = record(port, r);
      if (!known) return finishNow(port, irp, urb, index, USBD_STATUS_INVALID_PIPE_HANDLE);
      if (function == URB_FUNCTION_ABORT_PIPE) {
        abortPipe(port, pipe.address);
        return finishNow(port, irp, urb, index, USBD_STATUS_SUCCESS);
      }
      {
        std::lock_guard lock(mutex_);
        if (Pipe* p = port.pipe(urb->UrbPipeRequest.PipeHandle)) p->halted = false;
      }
      if (function != URB_FUNCTION_SYNC_RESET_PIPE) {
        std::lock_guard model(port.modelMutex);
        if (!port.model) return finishNow(port, irp, urb, index, USBD_STATUS_DEVICE_GONE);
        port.model->clearHalt(pipe.address);
      }
      return finishNow(port, irp, urb, index, USBD_STATUS_SUCCESS);
    }
    case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE: {
      auto& d = urb->UrbControlDescriptorRequest;
      t->kind = TransferKind::Control;
      t->setup = SetupPacket{0x80, 0x06, static_cast<uint16_t>(d.DescriptorType << 8 | d.Index), d.LanguageId,
                             static_cast<uint16_t>(std::min<ULONG>(d.TransferBufferLength, 0xFFFF))};
      t->length = d.TransferBufferLength;
      if (!transferBuffer(d.TransferBufferMDL, d.TransferBuffer, t->length, t->buffer)) t->length = ~0u;
      break;
    }
    case URB_FUNCTION_GET_STATUS_FROM_DEVICE:
    case URB_FUNCTION_GET_STATUS_FROM_INTERFACE:
    case URB_FUNCTION_GET_STATUS_FROM_ENDPOINT: {
      auto& d = urb->UrbControlVendorClassRequest;  // same layout as the get-status request
      t->kind = TransferKind::Control;
      t->setup = SetupPacket{static_cast<uint8_t>(0x80 | (function - URB_FUNCTION_GET_STATUS_FROM_DEVICE)), 0x00, 0,
                             d.Index, 2};
      t->length = std::min<ULONG>(d.TransferBufferLength, 2);
      if (!transferBuffer(d.TransferBufferMDL, d.TransferBuffer, t->length, t->buffer)) t->length = ~0u;
      break;
    }
    case URB_FUNCTION_CONTROL_TRANSFER: {
      auto& c = urb->UrbControlTransfer;
      t->kind = TransferKind::Control;
      const UCHAR* s = c.SetupPacket;
      t->setup = SetupPacket{s[0], s[1], static_cast<uint16_t>(s[2] | s[3] << 8),
                             static_cast<uint16_t>(s[4] | s[5] << 8), static_cast<uint16_t>(s[6] | s[7] << 8)};
      t->length = c.TransferBufferLength;
      t->shortOk = (c.TransferFlags & USBD_SHORT_TRANSFER_OK) != 0;
      if (!transferBuffer(c.TransferBufferMDL, c.TransferBuffer, t->length, t->buffer)) t->length = ~0u;
      break;
    }
    case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER: {
      auto& b = urb->UrbBulkOrInterruptTransfer;
      Pipe pipe;
      if (!pipeFor(b.PipeHandle, pipe) ||
          (pipe.type != USB_ENDPOINT_TYPE_BULK && pipe.type != USB_ENDPOINT_TYPE_INTERRUPT)) {
        r.length = b.TransferBufferLength;
        return finishNow(port, irp, urb, record(port, r), USBD_STATUS_INVALID_PIPE_HANDLE);
      }
      t->kind = USB_ENDPOINT_DIRECTION_IN(pipe.address) ? TransferKind::BulkIn : TransferKind::BulkOut;
      t->endpoint = pipe.address;
      t->maxPacket = pipe.maxPacket ? pipe.maxPacket : 64;
      t->length = b.TransferBufferLength;
      t->shortOk = (b.TransferFlags & USBD_SHORT_TRANSFER_OK) != 0;
      if (!transferBuffer(b.TransferBufferMDL, b.TransferBuffer, t->length, t->buffer) || t->length > pipe.maxTransfer)
        t->length = ~0u;
      r.transferFlags = b.TransferFlags;
      break;
    }
    case URB_FUNCTION_ISOCH_TRANSFER: {
      auto& iso = urb->UrbIsochronousTransfer;
      Pipe pipe;
      r.length = iso.TransferBufferLength;
      r.packets = iso.NumberOfPackets;
      r.startFrame = iso.StartFrame;
      r.transferFlags = iso.TransferFlags;
      if (!pipeFor(iso.PipeHandle, pipe) || pipe.type != USB_ENDPOINT_TYPE_ISOCHRONOUS ||
          !USB_ENDPOINT_DIRECTION_IN(pipe.address)) {
        return finishNow(port, irp, urb, record(port, r), USBD_STATUS_INVALID_PIPE_HANDLE);
      }
      r.endpoint = pipe.address;
      ULONG n = iso.NumberOfPackets;
      bool valid = n >= 1 && n <= 1024 && urb->UrbHeader.Length >= GET_ISO_URB_SIZE(n) &&
                   transferBuffer(iso.TransferBufferMDL, iso.TransferBuffer, iso.TransferBufferLength, t->buffer);
      for (ULONG j = 0; valid && j < n; ++j) {
        ULONG next = j + 1 < n ? iso.IsoPacket[j + 1].Offset : iso.TransferBufferLength;
        valid = iso.IsoPacket[j].Offset <= next && next <= iso.TransferBufferLength;
      }
      if (!valid) return finishNow(port, irp, urb, record(port, r), USBD_STATUS_INVALID_PARAMETER);
      uint32_t now = currentFrame();
      if (iso.TransferFlags & USBD_START_ISO_TRANSFER_ASAP) iso.StartFrame = now + 1;
      auto ahead = static_cast<int32_t>(iso.StartFrame - now);
      if (ahead < -static_cast<int32_t>(options_.lateFrames) || ahead > static_cast<int32_t>(options_.framesAhead)) {
        iso.ErrorCount = n;
        return finishNow(port, irp, urb, record(port, r), USBD_STATUS_BAD_START_FRAME);
      }
      for (ULONG j = 0; j < n; ++j) {
        iso.IsoPacket[j].Length = 0;
        iso.IsoPacket[j].Status = USBD_STATUS_PENDING;
      }
      iso.ErrorCount = 0;
      t->kind = TransferKind::IsoIn;
      t->endpoint = pipe.address;
      t->maxPacket = pipe.maxPacket;
      t->length = iso.TransferBufferLength;
      t->startFrame = iso.StartFrame;
      t->packets = n;
      break;
    }
    default:
      if (vendorOrClass(function, type, recipient)) {
        auto& v = urb->UrbControlVendorClassRequest;
        bool in = (v.TransferFlags & USBD_TRANSFER_DIRECTION_IN) != 0;
        t->kind = TransferKind::Control;
        t->setup = SetupPacket{
            static_cast<uint8_t>((in ? kRequestDirIn : 0) | type | recipient | v.RequestTypeReservedBits), v.Request,
            v.Value, v.Index, static_cast<uint16_t>(std::min<ULONG>(v.TransferBufferLength, 0xFFFF))};
        t->length = v.TransferBufferLength;
        t->shortOk = (v.TransferFlags & USBD_SHORT_TRANSFER_OK) != 0;
        if (!transferBuffer(v.TransferBufferMDL, v.TransferBuffer, t->length, t->buffer)) t->length = ~0u;
        r.transferFlags = v.TransferFlags;
        break;
      }
      if (feature(function, request, recipient)) {
        auto& f = urb->UrbControlFeatureRequest;
        t->kind = TransferKind::Control;
        t->setup = SetupPacket{recipient, request, f.FeatureSelector, f.Index, 0};
        t->standardClearHalt =
            function == URB_FUNCTION_CLEAR_FEATURE_TO_ENDPOINT && f.FeatureSelector == USB_FEATURE_ENDPOINT_STALL;
        break;
      }
      return finishNow(port, irp, urb, record(port, r), USBD_STATUS_INVALID_URB_FUNCTION);
  }
  if (t->kind == TransferKind::Control) r.setup = t->setup;
  if (t->kind != TransferKind::IsoIn) {
    r.endpoint = t->endpoint;
    r.length = t->length;
  }
  if (t->length == ~0u) return finishNow(port, irp, urb, record(port, r), USBD_STATUS_INVALID_PARAMETER);
  t->recordIndex = record(port, r);
  return queueTransfer(port, irp, std::move(t));
}

// A transfer either fails at once (device gone, port disabled, halted pipe, an injected fault)
// or waits in the port's queue, cancellable, until the device moves it.
NTSTATUS HostController::queueTransfer(Port& port, PIRP irp, std::shared_ptr<Transfer> t) {
  USBD_STATUS failure = USBD_STATUS_SUCCESS;
  bool unplugNow = false;
  {
    std::lock_guard lock(mutex_);
    auto faults = port.faults.find(t->endpoint);
    auto pipe = port.pipes.find(t->endpoint);
    if (port.gone) {
      failure = USBD_STATUS_DEVICE_GONE;
    } else if (!port.enabled) {
      failure = USBD_STATUS_DEV_NOT_RESPONDING;
    } else if (faults != port.faults.end() && !faults->second.empty()) {
      EndpointFault f = faults->second.front();
      faults->second.pop_front();
      switch (f.kind) {
        case FaultKind::Stall:
          failure = USBD_STATUS_STALL_PID;
          if (pipe != port.pipes.end() && t->kind != TransferKind::Control) pipe->second->halted = true;
          break;
        case FaultKind::Fail:
          failure = USBD_ERROR(f.status) ? f.status : USBD_STATUS_INTERNAL_HC_ERROR;
          break;
        case FaultKind::Hold:
          t->held = true;
          break;
        case FaultKind::Unplug:
          unplugNow = true;
          failure = USBD_STATUS_DEVICE_GONE;
          break;
      }
    } else if (pipe != port.pipes.end() && pipe->second->halted) {
      failure = USBD_STATUS_ENDPOINT_HALTED;
    }
  }
  if (unplugNow) unplug(port.number);
  if (failure != USBD_STATUS_SUCCESS) {
    std::vector<std::pair<std::shared_ptr<Transfer>, USBD_STATUS>> done{{t, failure}};
    completeAll(port, done);
    return ntStatusFor(failure);
  }
  IoMarkIrpPending(irp);
  IoSetCancelRoutine(irp, cancelRoutine);
  if (nt::irpCancelled(irp) && IoSetCancelRoutine(irp, nullptr)) {
    std::vector<std::pair<std::shared_ptr<Transfer>, USBD_STATUS>> done{{t, USBD_STATUS_CANCELED}};
    completeAll(port, done);
    return STATUS_PENDING;
  }
  {
    std::lock_guard lock(mutex_);
    port.transfers.push_back(t);
  }
  if (!t->held) {
    if (options_.inlineCompletion || !options_.threaded) servicePort(port);
    // What is still pending (waiting for frames or data) is the bus thread's.
    if (options_.threaded) wakeBus();
  }
  return STATUS_PENDING;
}

void HostController::abortPipe(Port& port, UCHAR endpoint) {
  std::vector<std::pair<std::shared_ptr<Transfer>, USBD_STATUS>> done;
  for (;;) {
    bool claimed = false;
    {
      std::lock_guard lock(mutex_);
      for (auto it = port.transfers.begin(); it != port.transfers.end();) {
        Transfer& t = **it;
        if (t.endpoint != endpoint || t.kind == TransferKind::Control) {
          ++it;
        } else if (t.claimed) {
          t.aborted = true;
          claimed = true;
          ++it;
        } else if (IoSetCancelRoutine(t.irp, nullptr)) {
          done.emplace_back(*it, USBD_STATUS_CANCELED);
          it = port.transfers.erase(it);
        } else {
          ++it;  // its canceller completes it
        }
      }
    }
    if (!claimed) break;
    std::this_thread::yield();  // a model call on another thread ends it soon
  }
  completeAll(port, done);
}

NTSTATUS HostController::selectConfiguration(Port& port, PURB urb, USBD_STATUS& usbd) {
  auto& sc = urb->UrbSelectConfiguration;
  PUSB_CONFIGURATION_DESCRIPTOR cd = sc.ConfigurationDescriptor;
  std::map<UCHAR, std::unique_ptr<Pipe>> pipes;
  UCHAR value = 0;
  if (cd) {
    ULONG total = cd->wTotalLength;
    if (cd->bLength < sizeof(USB_CONFIGURATION_DESCRIPTOR) ||
        cd->bDescriptorType != USB_CONFIGURATION_DESCRIPTOR_TYPE || total < sizeof(USB_CONFIGURATION_DESCRIPTOR)) {
      usbd = USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR;
      return STATUS_INVALID_PARAMETER;
    }
    PUCHAR at = reinterpret_cast<PUCHAR>(&sc.Interface);
    PUCHAR end = reinterpret_cast<PUCHAR>(urb) + urb->UrbHeader.Length;
    for (UCHAR i = 0; i < cd->bNumInterfaces; ++i) {
      auto info = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(at);
      if (at + offsetof(USBD_INTERFACE_INFORMATION, Pipes) > end) break;
      PUSB_INTERFACE_DESCRIPTOR d =
          USBD_ParseConfigurationDescriptorEx(cd, cd, info->InterfaceNumber, info->AlternateSetting, -1, -1, -1);
      if (!d) {
        usbd = USBD_STATUS_INTERFACE_NOT_FOUND;
        return STATUS_INVALID_PARAMETER;
      }
      USHORT needed = GET_USBD_INTERFACE_SIZE(d->bNumEndpoints);
      if (info->Length < needed || at + needed > end) {
        usbd = USBD_STATUS_BUFFER_TOO_SMALL;
        return STATUS_INVALID_PARAMETER;
      }
      info->Class = d->bInterfaceClass;
      info->SubClass = d->bInterfaceSubClass;
      info->Protocol = d->bInterfaceProtocol;
      info->InterfaceHandle = reinterpret_cast<USBD_INTERFACE_HANDLE>(&port.pipes);
      info->NumberOfPipes = d->bNumEndpoints;
      PUCHAR from = reinterpret_cast<PUCHAR>(d) + d->bLength;
      for (ULONG k = 0; k < d->bNumEndpoints; ++k) {
        auto e = reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(
            USBD_ParseDescriptors(cd, total, from, USB_ENDPOINT_DESCRIPTOR_TYPE));
        if (!e || e->bLength < sizeof(USB_ENDPOINT_DESCRIPTOR)) {
          usbd = USBD_STATUS_INAVLID_CONFIGURATION_DESCRIPTOR;
          return STATUS_INVALID_PARAMETER;
        }
        USBD_PIPE_INFORMATION& p = info->Pipes[k];
        if (p.MaximumTransferSize > options_.maximumTransferSize) {
          usbd = USBD_STATUS_INVALID_PARAMETER;
          return STATUS_INVALID_PARAMETER;
        }
        auto pipe = std::make_unique<Pipe>();
        pipe->address = e->bEndpointAddress;
        pipe->type = e->bmAttributes & USB_ENDPOINT_TYPE_MASK;
        pipe->maxPacket = e->wMaxPacketSize & 0x7FF;
        pipe->interval = e->bInterval;
        pipe->maxTransfer = p.MaximumTransferSize;
        p.MaximumPacketSize = pipe->maxPacket;
        p.EndpointAddress = pipe->address;
        p.Interval = pipe->interval;
        p.PipeType = static_cast<USBD_PIPE_TYPE>(pipe->type);
        p.PipeHandle = pipe.get();
        pipes[pipe->address] = std::move(pipe);
        from = reinterpret_cast<PUCHAR>(e) + e->bLength;
      }
      at += info->Length;
    }
    value = cd->bConfigurationValue;
    sc.ConfigurationHandle = reinterpret_cast<USBD_CONFIGURATION_HANDLE>(&port.configuration);
  }
  // Transfers of the old configuration end first.
  std::vector<UCHAR> endpoints;
  {
    std::lock_guard lock(mutex_);
    for (auto& [address, pipe] : port.pipes) endpoints.push_back(address);
  }
  for (UCHAR endpoint : endpoints) abortPipe(port, endpoint);
  {
    std::lock_guard model(port.modelMutex);
    if (!port.model) {
      usbd = USBD_STATUS_DEVICE_GONE;
      return STATUS_DEVICE_NOT_CONNECTED;
    }
    port.model->setConfiguration(value);
  }
  std::lock_guard lock(mutex_);
  port.pipes = std::move(pipes);
  port.configuration = value;
  usbd = USBD_STATUS_SUCCESS;
  return STATUS_SUCCESS;
}

}  // namespace usb
