#pragma once

// What the simulated bus records for tests: every URB and port request a device received, the
// power IRPs that reached its PDO, and the faults a test can inject.

#include <cstdint>
#include <vector>

#include "platform/nt/BaseTypes.h"
#include "platform/nt/PnpPowerTypes.h"
#include "platform/usb/UsbdStatus.h"
#include "platform/usb/model/UsbDeviceModel.h"

namespace usb {

// One request a device's PDO received, in order of arrival, with its result once it completed.
struct UrbRecord {
  ULONG ioControlCode = 0;  // IOCTL_INTERNAL_USB_*
  USHORT function = 0;      // URB_FUNCTION_* (SUBMIT_URB only)
  UCHAR endpoint = 0;       // the pipe's endpoint address (0: the default control pipe)
  SetupPacket setup;        // control transfers
  ULONG transferFlags = 0;
  ULONG length = 0;      // bytes asked for
  ULONG startFrame = 0;  // isochronous
  ULONG packets = 0;     // isochronous
  bool completed = false;
  ULONG transferred = 0;
  USBD_STATUS usbdStatus = USBD_STATUS_PENDING;
  NTSTATUS status = 0;
};

// One power IRP at the PDO.
struct PdoPowerRecord {
  UCHAR minor;
  POWER_STATE_TYPE type;
  POWER_STATE state;
};

// Faults, per device and endpoint (0 = the default control pipe). Each applies to the next
// transfer submitted on that endpoint.
enum class FaultKind {
  Stall,   // the endpoint stalls (a bulk pipe halts until it is reset)
  Fail,    // completes with the chosen USBD status
  Hold,    // never answered: pending until cancelled, aborted or the device goes
  Unplug,  // the device is unplugged instead of answering
};

}  // namespace usb
