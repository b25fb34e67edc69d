#pragma once

// Power: the driver owns its device's power policy. Each set-power or query-power request runs through a table-driven
// state machine with its own context; system changes are followed by device power requests of the driver's own. Other
// power requests go down untouched.

#include "platform/nt/Wdm.h"

namespace oru {

struct DeviceExtension;

struct PowerContext {
  DeviceExtension* extension;
  PIRP request;  // NULL once handed back early
  LONG state;
  NTSTATUS status;   // the last status an event brought
  LONG deviceState;  // the device state the driver asks for
  UCHAR minorFunction;
  // The request's own power target, kept for after it was handed back.
  POWER_STATE_TYPE targetType;
  POWER_STATE target;
  BOOLEAN holdsRemoveLock;  // the request's second hold, taken for its life in the machine
};

// Events.
constexpr int kPowerEventNew = 0;
constexpr int kPowerEventMainDone = 1;    // the request the driver passed down came back
constexpr int kPowerEventDeviceDone = 2;  // the driver's own device power request completed

DRIVER_DISPATCH DispatchPower;
NTSTATUS HandlePowerEvent(PowerContext* context, int event);

}  // namespace oru
