#pragma once

// Loading the driver and creating its one device: the entry point (install it in a machine's driver store for the
// instrument's hardware id), unload, add-device, create and close.

#include "platform/nt/Wdm.h"

namespace oru {

DRIVER_INITIALIZE DriverEntry;
DRIVER_UNLOAD DriverUnload;
DRIVER_ADD_DEVICE AddDevice;
DRIVER_DISPATCH DispatchCreate;
DRIVER_DISPATCH DispatchClose;

}  // namespace oru
