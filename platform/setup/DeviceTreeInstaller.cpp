#include "platform/setup/DeviceTreeInstaller.h"

#include <cstring>
#include <optional>

#include "platform/setup/InfSource.h"
#include "platform/win32/LastError.h"

namespace setup {

namespace {

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The element's present flag after a change, from the machine's node.
void refresh(DeviceInfoSet& set, DeviceElement& element) {
  std::optional<platform::Machine::DeviceNode> node = set.machine->deviceNode(element.record.instanceId);
  element.present = node && node->present;
  if (node) element.record = node->record;
}

}  // namespace

BOOL RegisterDeviceElement(DeviceInfoSet& set, DeviceElement& element) {
  if (element.registered) return TRUE;
  if (!set.machine) return fail(ERROR_NO_SUCH_DEVINST);
  if (set.machine->deviceNode(element.record.instanceId)) return fail(ERROR_DEVINST_ALREADY_EXISTS);
  if (!set.machine->createRootDevice(element.record)) return fail(ERROR_INVALID_DEVINST_NAME);
  element.registered = true;
  refresh(set, element);
  return TRUE;
}

bool ValidPropertyChange(const SP_PROPCHANGE_PARAMS& params) {
  if (params.StateChange < DICS_ENABLE || params.StateChange > DICS_STOP) return false;
  return params.Scope == DICS_FLAG_GLOBAL || params.Scope == DICS_FLAG_CONFIGSPECIFIC ||
         params.Scope == DICS_FLAG_CONFIGGENERAL;
}

BOOL ChangeDeviceState(DeviceInfoSet& set, DeviceElement& element, const std::vector<std::uint8_t>& params) {
  if (params.size() != sizeof(SP_PROPCHANGE_PARAMS)) return fail(ERROR_NO_CLASSINSTALL_PARAMS);
  SP_PROPCHANGE_PARAMS change;
  std::memcpy(&change, params.data(), sizeof change);
  if (change.ClassInstallHeader.InstallFunction != DIF_PROPERTYCHANGE) return fail(ERROR_NO_CLASSINSTALL_PARAMS);
  if (!element.registered) return fail(ERROR_DEVINFO_NOT_REGISTERED);
  if (!set.machine) return fail(ERROR_NO_SUCH_DEVINST);
  platform::Machine& machine = *set.machine;
  const std::string& id = element.record.instanceId;
  // One hardware profile here: every scope acts on the device itself, and start and stop are
  // enable and disable.
  const bool disable =
      change.StateChange == DICS_DISABLE || change.StateChange == DICS_STOP || change.StateChange == DICS_PROPCHANGE;
  const bool enable =
      change.StateChange == DICS_ENABLE || change.StateChange == DICS_START || change.StateChange == DICS_PROPCHANGE;
  if (disable) {
    switch (machine.disableDevice(id)) {
      case platform::Machine::StateChange::Done:
        break;
      case platform::Machine::StateChange::NeedsRestart:
        element.installParams.Flags |= DI_NEEDRESTART;
        break;
      case platform::Machine::StateChange::NoSuchDevice:
        return fail(ERROR_NO_SUCH_DEVINST);
      case platform::Machine::StateChange::WriteFailed:
        return fail(ERROR_WRITE_FAULT);
    }
  }
  if (enable) {
    switch (machine.enableDevice(id)) {
      case platform::Machine::StateChange::Done:
      case platform::Machine::StateChange::NeedsRestart:
        break;
      case platform::Machine::StateChange::NoSuchDevice:
        return fail(ERROR_NO_SUCH_DEVINST);
      case platform::Machine::StateChange::WriteFailed:
        return fail(ERROR_WRITE_FAULT);
    }
  }
  refresh(set, element);
  return TRUE;
}

}  // namespace setup
