#pragma once

// Selecting and releasing the instrument's USB configuration: one interface of exactly six endpoints, in a fixed order,
// each pipe opened for transfers of up to 4096 bytes.

#include "platform/nt/Wdm.h"

namespace oru {

// Reads the descriptors, checks the six endpoints and selects the configuration. Failures: the lower driver's status,
// STATUS_INSUFFICIENT_RESOURCES, or STATUS_DEVICE_CONFIGURATION_ERROR for a configuration the driver does not accept.
NTSTATUS ConfigureDevice(PDEVICE_OBJECT device);
// Returns the device to the unconfigured state when it was started (the result is ignored), and frees the configuration
// descriptor.
VOID UnconfigureDevice(PDEVICE_OBJECT device, bool wasStarted);

}  // namespace oru
