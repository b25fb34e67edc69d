#pragma once

// The USB driver library: descriptor parsing, the select-configuration request built from a
// configuration descriptor, and the helpers that fill URBs (as the platform's UsbBuild* macros).

#include "platform/nt/BaseTypes.h"
#include "platform/nt/RtlMemory.h"
#include "platform/usb/Usbdi.h"

// The first descriptor of `descriptorType` at or after `startPosition` inside
// [descriptorBuffer, descriptorBuffer + totalLength); NULL when there is none. A descriptor that
// would run past the end, or has bLength 0, ends the search.
PUSB_COMMON_DESCRIPTOR USBD_ParseDescriptors(PVOID descriptorBuffer, ULONG totalLength, PVOID startPosition,
                                             LONG descriptorType);

// The first interface descriptor at or after `startPosition` that matches every criterion not -1;
// NULL when none does. The search covers the configuration's wTotalLength bytes.
PUSB_INTERFACE_DESCRIPTOR USBD_ParseConfigurationDescriptorEx(PUSB_CONFIGURATION_DESCRIPTOR configurationDescriptor,
                                                              PVOID startPosition, LONG interfaceNumber,
                                                              LONG alternateSetting, LONG interfaceClass,
                                                              LONG interfaceSubClass, LONG interfaceProtocol);

// Allocates (ExAllocatePool, non-paged; freed with ExFreePool) and fills a select-configuration URB
// for the interfaces of `interfaceList` (ended by an entry whose InterfaceDescriptor is NULL). Each
// entry's Interface points at its record in the URB, with NumberOfPipes = bNumEndpoints and every
// pipe's MaximumTransferSize at the default. NULL when out of memory.
PURB USBD_CreateConfigurationRequestEx(PUSB_CONFIGURATION_DESCRIPTOR configurationDescriptor,
                                       PUSBD_INTERFACE_LIST_ENTRY interfaceList);

inline VOID UsbBuildGetDescriptorRequest(PURB urb, USHORT length, UCHAR descriptorType, UCHAR descriptorIndex,
                                         USHORT languageId, PVOID transferBuffer, PMDL transferBufferMDL,
                                         ULONG transferBufferLength, PURB link) {
  RtlZeroMemory(urb, length);
  urb->UrbHeader.Function = URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE;
  urb->UrbHeader.Length = length;
  auto& r = urb->UrbControlDescriptorRequest;
  r.TransferBufferLength = transferBufferLength;
  r.TransferBufferMDL = transferBufferMDL;
  r.TransferBuffer = transferBuffer;
  r.DescriptorType = descriptorType;
  r.Index = descriptorIndex;
  r.LanguageId = languageId;
  r.UrbLink = link;
}

inline VOID UsbBuildSelectConfigurationRequest(PURB urb, USHORT length,
                                               PUSB_CONFIGURATION_DESCRIPTOR configurationDescriptor) {
  RtlZeroMemory(urb, length);
  urb->UrbHeader.Function = URB_FUNCTION_SELECT_CONFIGURATION;
  urb->UrbHeader.Length = length;
  urb->UrbSelectConfiguration.ConfigurationDescriptor = configurationDescriptor;
}

inline VOID UsbBuildInterruptOrBulkTransferRequest(PURB urb, USHORT length, USBD_PIPE_HANDLE pipeHandle,
                                                   PVOID transferBuffer, PMDL transferBufferMDL,
                                                   ULONG transferBufferLength, ULONG transferFlags, PURB link) {
  RtlZeroMemory(urb, length);
  urb->UrbHeader.Function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;
  urb->UrbHeader.Length = length;
  auto& r = urb->UrbBulkOrInterruptTransfer;
  r.PipeHandle = pipeHandle;
  r.TransferBufferLength = transferBufferLength;
  r.TransferBufferMDL = transferBufferMDL;
  r.TransferBuffer = transferBuffer;
  r.TransferFlags = transferFlags;
  r.UrbLink = link;
}

// `function`: URB_FUNCTION_VENDOR_DEVICE/INTERFACE/ENDPOINT/OTHER or a CLASS_ one.
inline VOID UsbBuildVendorRequest(PURB urb, USHORT function, USHORT length, ULONG transferFlags, UCHAR reservedBits,
                                  UCHAR request, USHORT value, USHORT index, PVOID transferBuffer,
                                  PMDL transferBufferMDL, ULONG transferBufferLength, PURB link) {
  RtlZeroMemory(urb, length);
  urb->UrbHeader.Function = function;
  urb->UrbHeader.Length = length;
  auto& r = urb->UrbControlVendorClassRequest;
  r.TransferBufferLength = transferBufferLength;
  r.TransferBufferMDL = transferBufferMDL;
  r.TransferBuffer = transferBuffer;
  r.RequestTypeReservedBits = reservedBits;
  r.Request = request;
  r.Value = value;
  r.Index = index;
  r.TransferFlags = transferFlags;
  r.UrbLink = link;
}

// `function`: URB_FUNCTION_SET_FEATURE_TO_... or URB_FUNCTION_CLEAR_FEATURE_TO_...
inline VOID UsbBuildFeatureRequest(PURB urb, USHORT function, USHORT featureSelector, USHORT index, PURB link) {
  RtlZeroMemory(urb, sizeof(struct _URB_CONTROL_FEATURE_REQUEST));
  urb->UrbHeader.Function = function;
  urb->UrbHeader.Length = sizeof(struct _URB_CONTROL_FEATURE_REQUEST);
  urb->UrbControlFeatureRequest.FeatureSelector = featureSelector;
  urb->UrbControlFeatureRequest.Index = index;
  urb->UrbControlFeatureRequest.UrbLink = link;
}
