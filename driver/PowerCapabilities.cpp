#include "driver/PowerCapabilities.h"

namespace oru {

namespace {

// A device state the device can wake from, with the sleep state it implies.
void NoteWakeState(PDEVICE_CAPABILITIES caps, DEVICE_POWER_STATE state) {
  switch (state) {
    case PowerDeviceD0:
      caps->WakeFromD0 = 1;
      break;
    case PowerDeviceD1:
      caps->WakeFromD1 = 1;
      caps->DeviceD1 = 1;
      break;
    case PowerDeviceD2:
      caps->WakeFromD2 = 1;
      caps->DeviceD2 = 1;
      break;
    case PowerDeviceD3:
      caps->WakeFromD3 = 1;
      break;
    default:
      break;
  }
}

}  // namespace

VOID AdjustPowerCapabilities(PDEVICE_CAPABILITIES caps) {
  for (int s = PowerSystemSleeping1; s <= PowerSystemHibernate; ++s) {
    if (caps->DeviceState[s] == PowerDeviceD1) caps->DeviceD1 = 1;
    if (caps->DeviceState[s] == PowerDeviceD2) caps->DeviceD2 = 1;
  }
  NoteWakeState(caps, caps->DeviceWake);
  // The table has one entry per system state; a wake state outside it names nothing.
  bool wakeKnown = caps->SystemWake > PowerSystemUnspecified && caps->SystemWake < PowerSystemMaximum;
  if (wakeKnown) NoteWakeState(caps, caps->DeviceState[caps->SystemWake]);

  DEVICE_POWER_STATE deepest = caps->WakeFromD3   ? PowerDeviceD3
                               : caps->WakeFromD2 ? PowerDeviceD2
                               : caps->WakeFromD1 ? PowerDeviceD1
                                                  : PowerDeviceD0;
  if (caps->SystemWake == PowerSystemUnspecified && deepest > PowerDeviceD0) {
    for (int s = PowerSystemSleeping3; s >= PowerSystemWorking; --s) {
      DEVICE_POWER_STATE d = caps->DeviceState[s];
      if (d != PowerDeviceUnspecified && d <= deepest) {
        caps->SystemWake = static_cast<SYSTEM_POWER_STATE>(s);
        break;
      }
    }
  }
}

}  // namespace oru
