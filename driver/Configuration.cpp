#include "driver/Configuration.h"

#include "driver/DeviceExtension.h"
#include "driver/UsbRequests.h"

namespace oru {

namespace {

struct EndpointLayout {
  UCHAR address;
  UCHAR type;
  USHORT maxPacket;
};

// The endpoints in the order the interface must list them; index = pipe slot.
constexpr EndpointLayout kEndpoints[kPipeCount] = {
    {0x81, USB_ENDPOINT_TYPE_BULK, 64},         {0x01, USB_ENDPOINT_TYPE_BULK, 64},
    {0x82, USB_ENDPOINT_TYPE_BULK, 64},         {0x02, USB_ENDPOINT_TYPE_BULK, 64},
    {0x83, USB_ENDPOINT_TYPE_ISOCHRONOUS, 128}, {0x03, USB_ENDPOINT_TYPE_ISOCHRONOUS, 64},
};

constexpr ULONG kMaximumTransferSize = 4096;

NTSTATUS ReadDescriptor(PDEVICE_OBJECT device, UCHAR type, PVOID buffer, ULONG length, PULONG received) {
  URB urb;
  UsbBuildGetDescriptorRequest(&urb, sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST), type, 0, 0, buffer, nullptr,
                               length, nullptr);
  NTSTATUS status = SubmitUrbSync(device, &urb);
  *received = urb.UrbControlDescriptorRequest.TransferBufferLength;
  return status;
}

// The interface lists exactly the six endpoints, each found just behind the previous one.
bool EndpointsMatch(PUSB_CONFIGURATION_DESCRIPTOR config, PUSB_INTERFACE_DESCRIPTOR iface) {
  if (iface->bNumEndpoints != kPipeCount) return false;
  PVOID start = iface;
  for (const EndpointLayout& want : kEndpoints) {
    auto ep = reinterpret_cast<PUSB_ENDPOINT_DESCRIPTOR>(
        USBD_ParseDescriptors(config, config->wTotalLength, start, USB_ENDPOINT_DESCRIPTOR_TYPE));
    if (!ep || ep->bLength < sizeof(USB_ENDPOINT_DESCRIPTOR)) return false;
    USHORT maxPacket = ep->wMaxPacketSize;
    if (ep->bEndpointAddress != want.address || (ep->bmAttributes & USB_ENDPOINT_TYPE_MASK) != want.type ||
        maxPacket != want.maxPacket) {
      return false;
    }
    start = reinterpret_cast<PUCHAR>(ep) + ep->bLength;
  }
  return true;
}

// Steps after the descriptor is read; the caller frees `config` (and keeps it on success).
NTSTATUS SelectConfiguration(PDEVICE_OBJECT device, PUSB_CONFIGURATION_DESCRIPTOR config) {
  DeviceExtension* ext = ExtensionOf(device);
  PUSB_INTERFACE_DESCRIPTOR iface = USBD_ParseConfigurationDescriptorEx(config, config, -1, -1, -1, -1, -1);
  if (!iface) return STATUS_DEVICE_CONFIGURATION_ERROR;
  USBD_INTERFACE_LIST_ENTRY list[2] = {{iface, nullptr}, {nullptr, nullptr}};
  PURB select = USBD_CreateConfigurationRequestEx(config, list);
  if (!select) return STATUS_INSUFFICIENT_RESOURCES;
  NTSTATUS status = STATUS_DEVICE_CONFIGURATION_ERROR;
  PUSBD_INTERFACE_INFORMATION info = list[0].Interface;
  if (EndpointsMatch(config, iface) && info && info->NumberOfPipes == kPipeCount) {
    for (int i = 0; i < kPipeCount; ++i) info->Pipes[i].MaximumTransferSize = kMaximumTransferSize;
    status = SubmitUrbSync(device, select);
  }
  if (NT_SUCCESS(status)) {
    ext->configurationHandle = select->UrbSelectConfiguration.ConfigurationHandle;
    for (int i = 0; i < kPipeCount; ++i) ext->pipeHandles[i] = info->Pipes[i].PipeHandle;
  }
  ExFreePool(select);
  return status;
}

void ForgetConfiguration(DeviceExtension* ext) {
  if (ext->configDescriptor) ExFreePool(ext->configDescriptor);
  ext->configDescriptor = nullptr;
  ext->configurationHandle = nullptr;
  for (USBD_PIPE_HANDLE& pipe : ext->pipeHandles) pipe = nullptr;
}

}  // namespace

NTSTATUS ConfigureDevice(PDEVICE_OBJECT device) {
  DeviceExtension* ext = ExtensionOf(device);
  ForgetConfiguration(ext);  // a start that follows a start without a stop
  ULONG received = 0;
  NTSTATUS status = ReadDescriptor(device, USB_DEVICE_DESCRIPTOR_TYPE, &ext->deviceDescriptor,
                                   sizeof(USB_DEVICE_DESCRIPTOR), &received);
  if (!NT_SUCCESS(status)) return status;

  USB_CONFIGURATION_DESCRIPTOR head{};
  status = ReadDescriptor(device, USB_CONFIGURATION_DESCRIPTOR_TYPE, &head, sizeof head, &received);
  if (!NT_SUCCESS(status)) return status;
  // The parser trusts wTotalLength: it must cover at least the configuration descriptor itself.
  USHORT total = head.wTotalLength;
  if (received < sizeof head || total < sizeof head) return STATUS_DEVICE_CONFIGURATION_ERROR;

  auto config =
      static_cast<PUSB_CONFIGURATION_DESCRIPTOR>(ExAllocatePoolWithTag(NonPagedPool, total, kTagConfiguration));
  if (!config) return STATUS_INSUFFICIENT_RESOURCES;
  status = ReadDescriptor(device, USB_CONFIGURATION_DESCRIPTOR_TYPE, config, total, &received);
  // A device that sends less, or another length the second time, would make the parser read outside what was
  // received.
  if (NT_SUCCESS(status) && (received < total || config->wTotalLength != total)) {
    status = STATUS_DEVICE_CONFIGURATION_ERROR;
  }
  if (NT_SUCCESS(status)) status = SelectConfiguration(device, config);
  if (!NT_SUCCESS(status)) {
    ExFreePool(config);
    return status;
  }
  ext->configDescriptor = config;
  return STATUS_SUCCESS;
}

VOID UnconfigureDevice(PDEVICE_OBJECT device, bool wasStarted) {
  DeviceExtension* ext = ExtensionOf(device);
  if (wasStarted) {
    URB urb;
    UsbBuildSelectConfigurationRequest(&urb, sizeof(struct _URB_SELECT_CONFIGURATION), nullptr);
    SubmitUrbSync(device, &urb);
  }
  ForgetConfiguration(ext);
}

}  // namespace oru
