#pragma once

// Device-control requests from the desktop program: the pipe mode and the vendor requests behind it. They run in the
// caller's thread, wait for their USB request, and never stay pending.

#include "platform/nt/Wdm.h"

namespace oru {

DRIVER_DISPATCH DispatchDeviceControl;

}  // namespace oru
