#pragma once

// Plug and play: start configures the instrument and enables the device interface; stop and the removals abort the
// queue and release the configuration; the queries stall the queue when it is idle and are refused while a request is
// busy. Every request finally goes to the lower driver.

#include "platform/nt/Wdm.h"

namespace oru {

DRIVER_DISPATCH DispatchPnp;

}  // namespace oru
