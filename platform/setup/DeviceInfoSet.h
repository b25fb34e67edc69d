#pragma once

// What an HDEVINFO points at: the elements copied from the machine's records when they joined
// the set, each with its own install parameters, and the registry of live sets that validates
// handles and counts them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine/Machine.h"
#include "platform/setup/SetupApi.h"

namespace setup {

struct DeviceElement {
  platform::DeviceRecord record;
  bool present = false;
  bool registered = true;  // false for a new element until DIF_REGISTERDEVICE records it
  DEVINST devInst = 0;
  SP_DEVINSTALL_PARAMS_A installParams{};
  std::vector<std::uint8_t> classInstallParams;  // as set; empty = none
};

struct DeviceInfoSet {
  platform::Machine* machine = nullptr;
  GUID classGuid{};
  std::vector<DeviceElement> elements;
  std::vector<std::uint8_t> classInstallParams;
  SP_DEVINSTALL_PARAMS_A installParams{};
};

// Registers a new set and returns its handle.
HDEVINFO NewDeviceInfoSet(std::unique_ptr<DeviceInfoSet> set);
// The set of a live handle, or null (last error ERROR_INVALID_HANDLE).
DeviceInfoSet* FindDeviceInfoSet(HDEVINFO handle);
bool DestroyDeviceInfoSet(HDEVINFO handle);
std::size_t LiveDeviceInfoSets();

// The element `data` names in `set`, or null (last error set).
DeviceElement* FindElement(DeviceInfoSet& set, const SP_DEVINFO_DATA* data);
void FillDeviceInfoData(const DeviceInfoSet& set, std::size_t index, SP_DEVINFO_DATA& data);

// A process-wide number per instance id, as device instance handles are.
DEVINST DevInstOf(const std::string& instanceId);
// The instance id of a number given out, or empty.
std::string InstanceIdOf(DEVINST devInst);

// The Machine of the attached kernel, or null.
platform::Machine* AttachedMachine();
// True for no name, "" or this computer's own name (with or without "\\").
bool IsLocalMachineName(LPCSTR name);

bool ParseGuid(const std::string& text, GUID& guid);
std::string GuidText(const GUID& guid);

}  // namespace setup
