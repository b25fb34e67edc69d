#pragma once

// Walking the devices that match the command arguments, shared by the device-management
// commands. Result codes: 0 done, 1 done but a restart is needed, 2 failed, 3 wrong use.

#include "platform/setup/SetupApi.h"

constexpr int kResultDone = 0;
constexpr int kResultRestart = 1;
constexpr int kResultFailed = 2;
constexpr int kResultUsage = 3;

constexpr int kMaxDeviceIdLength = 200;

// Called for each matching device with its list, element and running index; nonzero stops the
// walk with that result.
using DeviceCallback = int (*)(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD index, void* context);

// Arguments: an optional "=<setup class>" first, then "*" (or nothing) for every device, or id
// patterns (IdPattern). `extraFlags` adds DIGCF_ flags to the enumeration (0 also visits devices
// that are not present). 0 when the walk ended, 2 when a list could not be had.
int EnumerateMatchingDevices(const char* baseName, const char* machine, DWORD extraFlags, int argc, char** argv,
                             DeviceCallback callback, void* context);
