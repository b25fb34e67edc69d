#pragma once

// The capability flags the driver derives from the device-state table the bus reports, and the system state the device
// can wake the machine from.

#include "platform/nt/Wdm.h"

namespace oru {

VOID AdjustPowerCapabilities(PDEVICE_CAPABILITIES capabilities);

}  // namespace oru
