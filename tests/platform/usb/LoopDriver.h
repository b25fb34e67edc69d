#pragma once

// A small USB function driver for the bus, PnP and power tests (not shipped). Device
// "\Device\LoopTest" (opened as "\\.\LoopTest"), interface class kLoopInterface. Reads are one
// bulk IN transfer on 0x81 (short transfers allowed), writes one bulk OUT transfer on 0x01, both
// straight from the caller's MDL. Device controls (buffered) send single USB requests.
// Power: the policy owner of its device (system sleep asks for D3 first, wake passes the system
// IRP down and then asks for D0). Everything it saw is in the log.

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/nt/Wdm.h"
#include "platform/usb/Usb.h"

namespace looptest {

constexpr GUID kLoopInterface = {0x1d1c8a52, 0x7b3e, 0x4f0e, {0x9a, 0x41, 0x52, 0x6c, 0x33, 0x0b, 0xd2, 0x17}};

// Device-control codes.
constexpr ULONG IOCTL_LOOP_VENDOR = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG IOCTL_LOOP_CLEAR_HALT = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x901, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG IOCTL_LOOP_RESET_PIPE = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x902, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG IOCTL_LOOP_ABORT_PIPE = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x903, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG IOCTL_LOOP_PORT_STATUS = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x904, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG IOCTL_LOOP_RESET_PORT = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x905, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG IOCTL_LOOP_FRAME = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x906, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG IOCTL_LOOP_ISO_READ = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x907, METHOD_BUFFERED, FILE_ANY_ACCESS);

// IOCTL_LOOP_VENDOR input; an IN request returns its data as output.
struct VendorRequest {
  UCHAR request;
  UCHAR in;
  UCHAR recipient;  // 0 device, 1 interface, 2 endpoint
  UCHAR reservedBits;
  USHORT value;
  USHORT index;
};

// IOCTL_LOOP_ISO_READ: input, and the output's head (packet results, then the data).
struct IsoReadRequest {
  ULONG packets;     // of 128 bytes, at most kMaxIsoPackets
  LONG frameOffset;  // start frame = current frame + this
};
constexpr ULONG kMaxIsoPackets = 16;
struct IsoReadResult {
  NTSTATUS status;
  USBD_STATUS usbdStatus;
  ULONG startFrame;
  ULONG errorCount;
  ULONG transferred;
  ULONG lengths[kMaxIsoPackets];
  USBD_STATUS statuses[kMaxIsoPackets];
  UCHAR data[kMaxIsoPackets * 128];
};

// Deliberate faults in the read and write path, for the verifier's checks.
enum class TransferFault {
  None,
  PendingUnmarked,        // returns STATUS_PENDING without IoMarkIrpPending
  PendingNotReturned,     // marks the IRP pending, returns STATUS_SUCCESS
  ResetPipeInCompletion,  // resets the pipe of a failed transfer from its completion routine (DISPATCH_LEVEL)
  StateInIrp,             // keeps a cookie in the IRP's driver context and list entry across the call down
};

struct LoopLog {
  std::mutex mutex;
  int entries = 0;
  int addDevices = 0;
  int unloads = 0;
  std::vector<UCHAR> pnpMinors;           // in arrival order
  std::vector<NTSTATUS> pnpResults;       // what the driver completed / returned
  std::vector<POWER_STATE> deviceStates;  // device SET_POWER the driver saw
  // Fault switches.
  bool failStart = false;
  bool refuseQueryRemove = false;
  bool skipStartNextPowerIrp = false;
  TransferFault transferFault = TransferFault::None;
  int stateLost = 0;  // StateInIrp: transfers whose cookie was gone when they came back
  void reset();
};

LoopLog& loopLog();

DRIVER_INITIALIZE LoopDriverEntry;

}  // namespace looptest
