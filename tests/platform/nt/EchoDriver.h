#pragma once

// A small WDM-style test driver reached through the user-request API: "\Device\Echo0" with the
// link "\DosDevices\Echo0", direct I/O. A write stores its bytes (and first satisfies waiting
// reads); a read returns stored bytes at once or waits in a cancellable queue; device-control
// codes exercise each buffering method and a work item. Read, write and device control hold the
// remove lock.

#include "platform/nt/Wdm.h"

namespace echo {

constexpr ULONG kTag = nt::poolTag("Ech1");
constexpr ULONG kScratchTag = nt::poolTag("Ech2");
constexpr ULONG kCapacity = 256;

// Output = input reversed; Information = bytes written.
constexpr ULONG IOCTL_ECHO_BUFFERED = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900, METHOD_BUFFERED, FILE_ANY_ACCESS);
// Information = sum of the input bytes and the bytes of the MDL-described buffer.
constexpr ULONG IOCTL_ECHO_IN_DIRECT = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x901, METHOD_IN_DIRECT, FILE_ANY_ACCESS);
// The MDL-described output is filled with input[0] + i; Information = its length.
constexpr ULONG IOCTL_ECHO_OUT_DIRECT = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x902, METHOD_OUT_DIRECT, FILE_ANY_ACCESS);
// Output = input XOR 0xFF through the caller's own pointers.
constexpr ULONG IOCTL_ECHO_NEITHER = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x903, METHOD_NEITHER, FILE_ANY_ACCESS);
// Completed later by a work item, with Information = the IRQL the item ran at (+ 100).
constexpr ULONG IOCTL_ECHO_DEFERRED = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x904, METHOD_BUFFERED, FILE_ANY_ACCESS);

struct Extension {
  PDEVICE_OBJECT self;
  IO_REMOVE_LOCK removeLock;
  KSPIN_LOCK lock;  // guards the fields below
  LIST_ENTRY waitingReads;
  UCHAR data[kCapacity];
  ULONG dataLength;
  LONG opens;
  LONG closes;
};

DRIVER_INITIALIZE DriverEntry;

// Test-side helpers (run at PASSIVE on any thread).
Extension* extensionOf(PDEVICE_OBJECT device);
// Completes the oldest waiting read with `length` bytes of `fill`; false when none waits.
bool completeOldestRead(PDEVICE_OBJECT device, UCHAR fill, ULONG length);
ULONG waitingReadCount(PDEVICE_OBJECT device);
// What a plug-and-play removal does: stop new requests and wait for those inside.
void removeAndWait(PDEVICE_OBJECT device);

}  // namespace echo
