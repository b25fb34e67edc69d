#pragma once

// What the desktop program and the driver agree on: the device's names, its interface class, the device-control codes,
// the pipe modes and the instrument's hardware id. Plain constants, so user-mode code may include this next to its own
// platform headers.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/Guid.h"

namespace oru {

// Kernel names of the one device and its link; user mode opens the link as kUserPath.
inline constexpr char16_t kDeviceName[] = u"\\Device\\ORU14400_0";
inline constexpr char16_t kDosDeviceName[] = u"\\DosDevices\\ORU14400_0";
inline constexpr char kUserPath[] = "\\\\.\\ORU14400_0";

// The instrument the driver is installed for.
inline constexpr char kHardwareId[] = "USB\\VID_0452&PID_0201";
inline constexpr char kServiceName[] = "ORUpc";

// {4ABD3CD5-B079-49AC-85EA-E0A593EBE2BC}: enabled while the device is started.
inline constexpr GUID GUID_DEVINTERFACE_ORU = {
    0x4ABD3CD5, 0xB079, 0x49AC, {0x85, 0xEA, 0xE0, 0xA5, 0x93, 0xEB, 0xE2, 0xBC}};

// Device-control codes (device type 0, any access; the value is the whole code).
constexpr ULONG IOCTL_ORU_NOP = 0x800;              // buffered: success, 0 bytes
constexpr ULONG IOCTL_ORU_VENDOR_IN_4 = 0x802;      // out-direct: vendor request 4, IN
constexpr ULONG IOCTL_ORU_ARM_STREAM_READ = 0x803;  // neither: not handled
constexpr ULONG IOCTL_ORU_SET_PIPE_MODE = 0x804;    // buffered: input byte = pipe mode
constexpr ULONG IOCTL_ORU_VENDOR_OUT_1 = 0x805;     // in-direct: vendor request 1, OUT

// Largest input or output of a device-control request.
constexpr ULONG kMaxControlBuffer = 64;

// Pipe modes: which pipes reads and writes use.
constexpr UCHAR PIPE_MODE_BULK1 = 1;   // read 0x81 (after vendor request 4), write 0x01
constexpr UCHAR PIPE_MODE_BULK2 = 2;   // read 0x82 (after vendor request 5), write 0x02
constexpr UCHAR PIPE_MODE_ISO_IN = 3;  // read 0x83 in 128-byte frames; no writes

// Vendor requests (no data stage).
constexpr UCHAR kVendorAbort = 1;      // OUT
constexpr UCHAR kVendorReadBulk1 = 4;  // IN, before each read in mode 1
constexpr UCHAR kVendorReadBulk2 = 5;  // IN, before each read in mode 2

}  // namespace oru
