#include "driver/install/OruDriverStore.h"

#include "driver/DriverEntry.h"
#include "driver/OruInterface.h"
#include "platform/machine/Machine.h"

namespace oru {

void InstallDriver(platform::Machine& machine) { machine.installDriver(kHardwareId, kServiceName, DriverEntry); }

}  // namespace oru
