#pragma once

// The class installer's functions that change the device tree (SetupDiCallClassInstaller hands
// them the element and the parameters it was given).

#include <cstdint>
#include <vector>

#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/SetupInstall.h"

namespace setup {

// DIF_REGISTERDEVICE: records a new element's device on the root bus and reports its node. A
// registered element is left as it is.
BOOL RegisterDeviceElement(DeviceInfoSet& set, DeviceElement& element);

// Whether parameters set for DIF_PROPERTYCHANGE are well formed.
bool ValidPropertyChange(const SP_PROPCHANGE_PARAMS& params);
// DIF_PROPERTYCHANGE with the parameters set for it (the element's, else the set's).
BOOL ChangeDeviceState(DeviceInfoSet& set, DeviceElement& element, const std::vector<std::uint8_t>& params);

}  // namespace setup
