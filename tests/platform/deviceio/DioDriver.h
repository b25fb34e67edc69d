#pragma once

// A small test driver for user-mode device I/O. Its entry point makes three devices, one per way of
// handing buffers over: "DioDirect" (DO_DIRECT_IO), "DioBuffered" (DO_BUFFERED_IO) and
// "DioNeither" (neither flag), each reachable as "\\.\<name>".
//
// A write stores its bytes; a read takes stored bytes at once, or else waits in a queue until the
// test completes it (CompleteOldest) or it is cancelled. Device-control codes exercise each
// buffering method, a chosen completion status, and a request that waits in the same queue.

#include "platform/nt/Wdm.h"

#include <ostream>

namespace dio {

constexpr ULONG kCapacity = 256;

enum class Kind : ULONG { Direct, Buffered, Neither };
const char* KindName(Kind kind);
inline void PrintTo(Kind kind, std::ostream* out) { *out << KindName(kind); }

// Output byte i = input byte i + 1 (in the system buffer); Information = min(in, out).
constexpr ULONG IOCTL_DIO_BUFFERED = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x810, METHOD_BUFFERED, FILE_ANY_ACCESS);
// Stores the input followed by the MDL-described buffer as the device's data; Information = total.
constexpr ULONG IOCTL_DIO_IN_DIRECT = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x811, METHOD_IN_DIRECT, FILE_ANY_ACCESS);
// Fills the MDL-described output with input[0] + i; Information = its length.
constexpr ULONG IOCTL_DIO_OUT_DIRECT = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x812, METHOD_OUT_DIRECT, FILE_ANY_ACCESS);
// Output byte i = input byte i XOR 0x5A through the caller's own pointers; Information = min.
constexpr ULONG IOCTL_DIO_NEITHER = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x813, METHOD_NEITHER, FILE_ANY_ACCESS);
// Completes at once with the NTSTATUS given as the 4 input bytes.
constexpr ULONG IOCTL_DIO_FAIL = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x814, METHOD_BUFFERED, FILE_ANY_ACCESS);
// Marks itself pending, completes at once with the NTSTATUS in the input, returns STATUS_PENDING.
constexpr ULONG IOCTL_DIO_FAIL_PENDING = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x815, METHOD_BUFFERED, FILE_ANY_ACCESS);
// Waits in the queue like a read; CompleteOldest fills its output.
constexpr ULONG IOCTL_DIO_HOLD = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x816, METHOD_BUFFERED, FILE_ANY_ACCESS);

struct Extension {
  Kind kind;
  KSPIN_LOCK lock;  // guards the queue and the data
  LIST_ENTRY queue;
  ULONG queued;
  UCHAR data[kCapacity];
  ULONG dataLength;
  LONG creates;
  LONG cleanups;
  LONG closes;
  // Test switches (set with InterlockedExchange): 1 = on.
  LONG ignoreCancel;     // queued requests get no cancel routine
  LONG completeInQueue;  // a read that would wait is completed at once with no data, yet
                         // reported as pending
  // What the last METHOD_NEITHER request carried.
  PVOID lastType3Input;
  PVOID lastUserBuffer;
  // The lengths of the last device-control request.
  ULONG lastInputLength;
  ULONG lastOutputLength;
};

DRIVER_INITIALIZE DriverEntry;

// The device of `kind` made by the loaded driver.
PDEVICE_OBJECT DeviceOf(PDRIVER_OBJECT driver, Kind kind);
Extension* ExtensionOf(PDEVICE_OBJECT device);
const char* UserPath(Kind kind);

// Test side (PASSIVE_LEVEL, any thread). Completes the oldest queued request: `length` bytes of
// `fill` into its output (cut to the output's size) with `status`; false when none waits.
bool CompleteOldest(PDEVICE_OBJECT device, UCHAR fill, ULONG length, NTSTATUS status = STATUS_SUCCESS);
ULONG QueuedCount(PDEVICE_OBJECT device);

}  // namespace dio
