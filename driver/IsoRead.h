#pragma once

// Reads in pipe mode 3: an isochronous IN transfer on 0x83, one 128-byte packet per frame, cut into sub-requests of at
// most 255 packets that are all sent at once, the first two frames after the current one. The read ends once every
// sub-request has completed, with the status of a failed one if any.

#include "platform/nt/Wdm.h"
#include "platform/usb/Usb.h"

namespace oru {

enum class TransferKind : ULONG;
struct DeviceExtension;

constexpr ULONG kIsoPacketSize = 128;
constexpr ULONG kIsoMaxPackets = 255;
constexpr ULONG kIsoMaxSubRequest = kIsoPacketSize * kIsoMaxPackets;  // 32,640 bytes
constexpr ULONG kIsoStartDelay = 2;                                   // frames after the current one

struct IsoSubRequest {
  PIRP irp;
  PURB urb;
  PMDL mdl;
};

// One per mode-3 read, zeroed. Two references: the cancel path's and the sub-requests' (dropped by the last of them);
// whoever drops the last completes the read, and the read's completion step frees the sub-requests and the context.
struct IsoTransferContext {
  TransferKind kind;
  DeviceExtension* extension;
  PIRP request;
  NTSTATUS failureStatus;  // of the sub-request that failed last; 0 when all succeeded
  LONG byteTotal;          // what successful sub-requests report
  ULONG count;
  LONG pendingCount;
  LONG references;
  IsoSubRequest entries[1];  // `count` of them
};

// Called by the read dispatch in mode 3; returns STATUS_PENDING or the status it completed with.
NTSTATUS IsoRead(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS IsoTransferComplete(PDEVICE_OBJECT device, PIRP irp, IsoTransferContext* context);

}  // namespace oru
