// The USB driver library: descriptor parsing and the select-configuration request.

#include "platform/usb/UsbdLib.h"

#include "platform/nt/Pool.h"

namespace {

PUCHAR bytes(PVOID p) { return static_cast<PUCHAR>(p); }

}  // namespace

PUSB_COMMON_DESCRIPTOR USBD_ParseDescriptors(PVOID descriptorBuffer, ULONG totalLength, PVOID startPosition,
                                             LONG descriptorType) {
  if (!descriptorBuffer || !startPosition) return nullptr;
  PUCHAR begin = bytes(descriptorBuffer);
  PUCHAR end = begin + totalLength;
  PUCHAR at = bytes(startPosition);
  if (at < begin) return nullptr;
  // Each step needs the two header bytes and then the whole descriptor inside the buffer.
  while (at + sizeof(USB_COMMON_DESCRIPTOR) <= end) {
    auto common = reinterpret_cast<PUSB_COMMON_DESCRIPTOR>(at);
    if (common->bLength == 0 || at + common->bLength > end) return nullptr;
    if (common->bDescriptorType == descriptorType) return common;
    at += common->bLength;
  }
  return nullptr;
}

PUSB_INTERFACE_DESCRIPTOR USBD_ParseConfigurationDescriptorEx(PUSB_CONFIGURATION_DESCRIPTOR configurationDescriptor,
                                                              PVOID startPosition, LONG interfaceNumber,
                                                              LONG alternateSetting, LONG interfaceClass,
                                                              LONG interfaceSubClass, LONG interfaceProtocol) {
  if (!configurationDescriptor) return nullptr;
  ULONG total = configurationDescriptor->wTotalLength;
  PVOID at = startPosition ? startPosition : configurationDescriptor;
  auto matches = [](LONG wanted, UCHAR actual) { return wanted == -1 || wanted == actual; };
  for (;;) {
    PUSB_COMMON_DESCRIPTOR found =
        USBD_ParseDescriptors(configurationDescriptor, total, at, USB_INTERFACE_DESCRIPTOR_TYPE);
    if (!found) return nullptr;
    if (found->bLength < sizeof(USB_INTERFACE_DESCRIPTOR)) return nullptr;
    auto d = reinterpret_cast<PUSB_INTERFACE_DESCRIPTOR>(found);
    if (matches(interfaceNumber, d->bInterfaceNumber) && matches(alternateSetting, d->bAlternateSetting) &&
        matches(interfaceClass, d->bInterfaceClass) && matches(interfaceSubClass, d->bInterfaceSubClass) &&
        matches(interfaceProtocol, d->bInterfaceProtocol)) {
      return d;
    }
    at = bytes(found) + found->bLength;
  }
}

PURB USBD_CreateConfigurationRequestEx(PUSB_CONFIGURATION_DESCRIPTOR configurationDescriptor,
                                       PUSBD_INTERFACE_LIST_ENTRY interfaceList) {
  if (!configurationDescriptor || !interfaceList) return nullptr;
  // The first interface record is part of the URB itself.
  SIZE_T size = sizeof(struct _URB_SELECT_CONFIGURATION) - sizeof(USBD_INTERFACE_INFORMATION);
  for (PUSBD_INTERFACE_LIST_ENTRY entry = interfaceList; entry->InterfaceDescriptor; ++entry) {
    size += GET_USBD_INTERFACE_SIZE(entry->InterfaceDescriptor->bNumEndpoints);
  }
  if (size < sizeof(struct _URB_SELECT_CONFIGURATION)) size = sizeof(struct _URB_SELECT_CONFIGURATION);
  if (size > 0xFFFF) return nullptr;
  auto urb = static_cast<PURB>(ExAllocatePool(NonPagedPool, size));
  if (!urb) return nullptr;
  UsbBuildSelectConfigurationRequest(urb, static_cast<USHORT>(size), configurationDescriptor);
  PUCHAR at = bytes(&urb->UrbSelectConfiguration.Interface);
  for (PUSBD_INTERFACE_LIST_ENTRY entry = interfaceList; entry->InterfaceDescriptor; ++entry) {
    PUSB_INTERFACE_DESCRIPTOR d = entry->InterfaceDescriptor;
    auto info = reinterpret_cast<PUSBD_INTERFACE_INFORMATION>(at);
    info->Length = GET_USBD_INTERFACE_SIZE(d->bNumEndpoints);
    info->InterfaceNumber = d->bInterfaceNumber;
    info->AlternateSetting = d->bAlternateSetting;
    info->NumberOfPipes = d->bNumEndpoints;
    for (ULONG i = 0; i < d->bNumEndpoints; ++i) {
      info->Pipes[i].MaximumTransferSize = USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE;
      info->Pipes[i].PipeFlags = 0;
    }
    entry->Interface = info;
    at += info->Length;
  }
  return urb;
}
