#pragma once

// The "remove" command: every matching device, present or not, through the class installer's
// DIF_REMOVE; one line per device on the installer's output, then a summary message.

#include <string>

#include "maintenance/install/DeviceEnumeration.h"

// Message ids of the summary.
constexpr DWORD kMsgNoDevicesRemoved = 61202;
constexpr DWORD kMsgRemovedRestartNeeded = 61203;
constexpr DWORD kMsgRemoved = 61204;

// The removal tally the callback keeps.
struct RemoveContext {
  int count = 0;
  int reboot = 0;
  DWORD failure = 0;          // the first failed removal's error, 0 when none failed
  std::string failureDetail;  // and its reason, when the setup layer gave one
  char removed[40];
  char removedOnReboot[40];
  char removeFailed[40];
};

// 3 with no pattern or with a machine name; else the enumeration's failure, or 1 when a removal
// waits for a restart, or 0.
int RemoveMatchingDevices(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
// The same, with the tally left in `tally` (its failure tells a removal that failed).
int RemoveMatchingDevices(const char* baseName, const char* machine, DWORD flags, int argc, char** argv,
                          RemoveContext& tally);
// Per device; always 0 (go on).
int RemoveDeviceCallback(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD index, void* context);
