#pragma once

// USB request blocks (URBs): what a function driver hands the bus driver in the first argument
// of IOCTL_INTERNAL_USB_SUBMIT_URB. Every URB starts with a header (length, function, USBD
// status); the bus fills the status and the out fields (handles, lengths, packet results) before
// it completes the IRP. Layouts and values are the platform's.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/IoForward.h"
#include "platform/usb/UsbDescriptors.h"
#include "platform/usb/UsbdStatus.h"

// Opaque handles the bus gives out at select-configuration.
typedef PVOID USBD_PIPE_HANDLE;
typedef PVOID USBD_CONFIGURATION_HANDLE;
typedef PVOID USBD_INTERFACE_HANDLE;

// URB functions.
constexpr USHORT URB_FUNCTION_SELECT_CONFIGURATION = 0x0000;
constexpr USHORT URB_FUNCTION_SELECT_INTERFACE = 0x0001;
constexpr USHORT URB_FUNCTION_ABORT_PIPE = 0x0002;
constexpr USHORT URB_FUNCTION_GET_CURRENT_FRAME_NUMBER = 0x0007;
constexpr USHORT URB_FUNCTION_CONTROL_TRANSFER = 0x0008;
constexpr USHORT URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER = 0x0009;
constexpr USHORT URB_FUNCTION_ISOCH_TRANSFER = 0x000A;
constexpr USHORT URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE = 0x000B;
constexpr USHORT URB_FUNCTION_SET_DESCRIPTOR_TO_DEVICE = 0x000C;
constexpr USHORT URB_FUNCTION_SET_FEATURE_TO_DEVICE = 0x000D;
constexpr USHORT URB_FUNCTION_SET_FEATURE_TO_INTERFACE = 0x000E;
constexpr USHORT URB_FUNCTION_SET_FEATURE_TO_ENDPOINT = 0x000F;
constexpr USHORT URB_FUNCTION_CLEAR_FEATURE_TO_DEVICE = 0x0010;
constexpr USHORT URB_FUNCTION_CLEAR_FEATURE_TO_INTERFACE = 0x0011;
constexpr USHORT URB_FUNCTION_CLEAR_FEATURE_TO_ENDPOINT = 0x0012;
constexpr USHORT URB_FUNCTION_GET_STATUS_FROM_DEVICE = 0x0013;
constexpr USHORT URB_FUNCTION_GET_STATUS_FROM_INTERFACE = 0x0014;
constexpr USHORT URB_FUNCTION_GET_STATUS_FROM_ENDPOINT = 0x0015;
constexpr USHORT URB_FUNCTION_VENDOR_DEVICE = 0x0017;
constexpr USHORT URB_FUNCTION_VENDOR_INTERFACE = 0x0018;
constexpr USHORT URB_FUNCTION_VENDOR_ENDPOINT = 0x0019;
constexpr USHORT URB_FUNCTION_CLASS_DEVICE = 0x001A;
constexpr USHORT URB_FUNCTION_CLASS_INTERFACE = 0x001B;
constexpr USHORT URB_FUNCTION_CLASS_ENDPOINT = 0x001C;
constexpr USHORT URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL = 0x001E;
constexpr USHORT URB_FUNCTION_CLASS_OTHER = 0x001F;
constexpr USHORT URB_FUNCTION_VENDOR_OTHER = 0x0020;
constexpr USHORT URB_FUNCTION_GET_DESCRIPTOR_FROM_ENDPOINT = 0x0024;
constexpr USHORT URB_FUNCTION_GET_CONFIGURATION = 0x0026;
constexpr USHORT URB_FUNCTION_GET_INTERFACE = 0x0027;
constexpr USHORT URB_FUNCTION_GET_DESCRIPTOR_FROM_INTERFACE = 0x0028;
constexpr USHORT URB_FUNCTION_SYNC_RESET_PIPE = 0x0030;
constexpr USHORT URB_FUNCTION_SYNC_CLEAR_STALL = 0x0031;
constexpr USHORT URB_FUNCTION_RESET_PIPE = URB_FUNCTION_SYNC_RESET_PIPE_AND_CLEAR_STALL;

// TransferFlags.
constexpr ULONG USBD_TRANSFER_DIRECTION_OUT = 0x00000000;
constexpr ULONG USBD_TRANSFER_DIRECTION_IN = 0x00000001;
constexpr ULONG USBD_TRANSFER_DIRECTION = 0x00000001;
constexpr ULONG USBD_SHORT_TRANSFER_OK = 0x00000002;
constexpr ULONG USBD_START_ISO_TRANSFER_ASAP = 0x00000004;
constexpr ULONG USBD_DEFAULT_PIPE_TRANSFER = 0x00000008;

constexpr ULONG USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE = 0x1000;

typedef enum _USBD_PIPE_TYPE {
  UsbdPipeTypeControl = 0,
  UsbdPipeTypeIsochronous = 1,
  UsbdPipeTypeBulk = 2,
  UsbdPipeTypeInterrupt = 3
} USBD_PIPE_TYPE;

typedef struct _USBD_PIPE_INFORMATION {
  USHORT MaximumPacketSize;     // out
  UCHAR EndpointAddress;        // out
  UCHAR Interval;               // out
  USBD_PIPE_TYPE PipeType;      // out
  USBD_PIPE_HANDLE PipeHandle;  // out
  ULONG MaximumTransferSize;    // in: the largest transfer the driver will send on the pipe
  ULONG PipeFlags;              // in
} USBD_PIPE_INFORMATION, *PUSBD_PIPE_INFORMATION;

typedef struct _USBD_INTERFACE_INFORMATION {
  USHORT Length;  // of this record with all its pipes
  UCHAR InterfaceNumber;
  UCHAR AlternateSetting;
  UCHAR Class;     // out
  UCHAR SubClass;  // out
  UCHAR Protocol;  // out
  UCHAR Reserved;
  USBD_INTERFACE_HANDLE InterfaceHandle;  // out
  ULONG NumberOfPipes;                    // out
  USBD_PIPE_INFORMATION Pipes[1];
} USBD_INTERFACE_INFORMATION, *PUSBD_INTERFACE_INFORMATION;

typedef struct _USBD_INTERFACE_LIST_ENTRY {
  PUSB_INTERFACE_DESCRIPTOR InterfaceDescriptor;
  PUSBD_INTERFACE_INFORMATION Interface;  // set by USBD_CreateConfigurationRequestEx
} USBD_INTERFACE_LIST_ENTRY, *PUSBD_INTERFACE_LIST_ENTRY;

typedef struct _USBD_ISO_PACKET_DESCRIPTOR {
  ULONG Offset;        // in: of the packet in the transfer buffer
  ULONG Length;        // out: bytes received
  USBD_STATUS Status;  // out
} USBD_ISO_PACKET_DESCRIPTOR, *PUSBD_ISO_PACKET_DESCRIPTOR;

struct _URB_HEADER {
  USHORT Length;
  USHORT Function;
  USBD_STATUS Status;
  PVOID UsbdDeviceHandle;
  ULONG UsbdFlags;
};

struct _URB_HCD_AREA {
  PVOID Reserved8[8];
};

struct _URB_SELECT_CONFIGURATION {
  struct _URB_HEADER Hdr;
  PUSB_CONFIGURATION_DESCRIPTOR ConfigurationDescriptor;  // NULL: back to the unconfigured state
  USBD_CONFIGURATION_HANDLE ConfigurationHandle;          // out
  USBD_INTERFACE_INFORMATION Interface;                   // the first of the interfaces
};

struct _URB_SELECT_INTERFACE {
  struct _URB_HEADER Hdr;
  USBD_CONFIGURATION_HANDLE ConfigurationHandle;
  USBD_INTERFACE_INFORMATION Interface;
};

struct _URB_PIPE_REQUEST {
  struct _URB_HEADER Hdr;
  USBD_PIPE_HANDLE PipeHandle;
  ULONG Reserved;
};

struct _URB_GET_CURRENT_FRAME_NUMBER {
  struct _URB_HEADER Hdr;
  ULONG FrameNumber;  // out
};

struct _URB_CONTROL_TRANSFER {
  struct _URB_HEADER Hdr;
  USBD_PIPE_HANDLE PipeHandle;
  ULONG TransferFlags;
  ULONG TransferBufferLength;
  PVOID TransferBuffer;
  PMDL TransferBufferMDL;
  struct _URB* UrbLink;
  struct _URB_HCD_AREA hca;
  UCHAR SetupPacket[8];
};

struct _URB_CONTROL_DESCRIPTOR_REQUEST {
  struct _URB_HEADER Hdr;
  PVOID Reserved;
  ULONG Reserved0;
  ULONG TransferBufferLength;  // in: room; out: bytes copied
  PVOID TransferBuffer;
  PMDL TransferBufferMDL;
  struct _URB* UrbLink;
  struct _URB_HCD_AREA hca;
  USHORT Reserved1;
  UCHAR Index;
  UCHAR DescriptorType;
  USHORT LanguageId;
  USHORT Reserved2;
};

struct _URB_CONTROL_FEATURE_REQUEST {
  struct _URB_HEADER Hdr;
  PVOID Reserved;
  ULONG Reserved2;
  ULONG Reserved3;
  PVOID Reserved4;
  PMDL Reserved5;
  struct _URB* UrbLink;
  struct _URB_HCD_AREA hca;
  USHORT Reserved0;
  USHORT FeatureSelector;
  USHORT Index;
  USHORT Reserved1;
};

struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST {
  struct _URB_HEADER Hdr;
  PVOID Reserved;
  ULONG TransferFlags;         // USBD_TRANSFER_DIRECTION_IN for a device-to-host request
  ULONG TransferBufferLength;  // in: wLength; out: bytes moved
  PVOID TransferBuffer;
  PMDL TransferBufferMDL;
  struct _URB* UrbLink;
  struct _URB_HCD_AREA hca;
  UCHAR RequestTypeReservedBits;  // or-ed into bmRequestType
  UCHAR Request;
  USHORT Value;
  USHORT Index;
  USHORT Reserved1;
};

struct _URB_BULK_OR_INTERRUPT_TRANSFER {
  struct _URB_HEADER Hdr;
  USBD_PIPE_HANDLE PipeHandle;
  ULONG TransferFlags;
  ULONG TransferBufferLength;  // in: bytes asked for; out: bytes moved
  PVOID TransferBuffer;        // used when TransferBufferMDL is NULL
  PMDL TransferBufferMDL;
  struct _URB* UrbLink;
  struct _URB_HCD_AREA hca;
};

struct _URB_ISOCH_TRANSFER {
  struct _URB_HEADER Hdr;
  USBD_PIPE_HANDLE PipeHandle;
  ULONG TransferFlags;
  ULONG TransferBufferLength;  // in: room; out: the sum of the packets' lengths
  PVOID TransferBuffer;
  PMDL TransferBufferMDL;
  struct _URB* UrbLink;
  struct _URB_HCD_AREA hca;
  ULONG StartFrame;  // in (or out with USBD_START_ISO_TRANSFER_ASAP); one packet per frame
  ULONG NumberOfPackets;
  ULONG ErrorCount;  // out: packets that failed
  USBD_ISO_PACKET_DESCRIPTOR IsoPacket[1];
};

typedef struct _URB {
  union {
    struct _URB_HEADER UrbHeader;
    struct _URB_SELECT_INTERFACE UrbSelectInterface;
    struct _URB_SELECT_CONFIGURATION UrbSelectConfiguration;
    struct _URB_PIPE_REQUEST UrbPipeRequest;
    struct _URB_GET_CURRENT_FRAME_NUMBER UrbGetCurrentFrameNumber;
    struct _URB_CONTROL_TRANSFER UrbControlTransfer;
    struct _URB_CONTROL_DESCRIPTOR_REQUEST UrbControlDescriptorRequest;
    struct _URB_CONTROL_FEATURE_REQUEST UrbControlFeatureRequest;
    struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST UrbControlVendorClassRequest;
    struct _URB_BULK_OR_INTERRUPT_TRANSFER UrbBulkOrInterruptTransfer;
    struct _URB_ISOCH_TRANSFER UrbIsochronousTransfer;
  };
} URB, *PURB;

// Sizes of the variable-length records.
constexpr USHORT GET_USBD_INTERFACE_SIZE(ULONG numEndpoints) {
  return static_cast<USHORT>(sizeof(USBD_INTERFACE_INFORMATION) + sizeof(USBD_PIPE_INFORMATION) * numEndpoints -
                             (numEndpoints > 0 ? sizeof(USBD_PIPE_INFORMATION) : 0));
}
// A select-configuration URB for `totalInterfaces` interfaces with `totalPipes` pipes in all.
constexpr USHORT GET_SELECT_CONFIGURATION_REQUEST_SIZE(ULONG totalInterfaces, ULONG totalPipes) {
  return static_cast<USHORT>(
      sizeof(struct _URB_SELECT_CONFIGURATION) +
      (totalInterfaces > 0 ? (totalInterfaces - 1) * sizeof(USBD_INTERFACE_INFORMATION) : 0) +
      (totalPipes > totalInterfaces ? (totalPipes - totalInterfaces) * sizeof(USBD_PIPE_INFORMATION) : 0));
}
constexpr ULONG GET_ISO_URB_SIZE(ULONG numberOfPackets) {
  return static_cast<ULONG>(sizeof(struct _URB_ISOCH_TRANSFER) + sizeof(USBD_ISO_PACKET_DESCRIPTOR) * numberOfPackets -
                            (numberOfPackets > 0 ? sizeof(USBD_ISO_PACKET_DESCRIPTOR) : 0));
}
