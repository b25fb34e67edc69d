// UpdateDriverForPlugAndPlayDevicesA: an INF's driver for one hardware id, stored and bound to
// the present devices that carry the id.

#include <optional>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/InfSource.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupInstall.h"
#include "platform/win32/LastError.h"

namespace {

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool servesId(const platform::InfDriver& driver, const std::string& id) {
  for (const platform::InfModel& model : driver.models) {
    for (const std::string& modelId : model.ids) {
      if (platform::EqualsNoCase(modelId, id)) return true;
    }
  }
  return false;
}

bool holdsId(const platform::DeviceRecord& record, const std::string& id) {
  for (const std::string& h : record.hardwareIds) {
    if (platform::EqualsNoCase(h, id)) return true;
  }
  for (const std::string& c : record.compatibleIds) {
    if (platform::EqualsNoCase(c, id)) return true;
  }
  return false;
}

}  // namespace

BOOL UpdateDriverForPlugAndPlayDevicesA(HWND, LPCSTR HardwareId, LPCSTR FullInfPath, DWORD InstallFlags,
                                        PBOOL bRebootRequired) {
  if (setup::TakeFailure("UpdateDriverForPlugAndPlayDevicesA")) return FALSE;
  if (!HardwareId || !*HardwareId || !FullInfPath || !*FullInfPath) return fail(ERROR_INVALID_PARAMETER);
  if (InstallFlags & ~INSTALLFLAG_BITS) return fail(ERROR_INVALID_FLAGS);
  if (bRebootRequired) *bRebootRequired = FALSE;
  const std::string id(HardwareId);

  std::string bytes;
  if (DWORD error = setup::ReadInfSource(FullInfPath, bytes)) return fail(error);
  std::optional<platform::InfFile> inf = platform::InfFile::parse(bytes);
  std::optional<platform::InfDriver> driver = inf ? platform::ReadInfDriver(*inf) : std::nullopt;
  if (!driver) return fail(ERROR_INVALID_DATA);
  if (!servesId(*driver, id)) return fail(ERROR_NO_DRIVER_SELECTED);

  // Nothing is stored for a hardware id that no device carries.
  platform::Machine* machine = setup::AttachedMachine();
  bool any = false;
  if (machine) {
    for (const platform::Machine::SetupDevice& device : machine->setupDevices())
      any = any || (device.present && holdsId(device.record, id));
  }
  if (!any) return fail(ERROR_NO_SUCH_DEVINST);

  std::string name, path;
  switch (machine->storeDriverPackage(bytes, false, name, path)) {
    case platform::StoreResult::Stored:
    case platform::StoreResult::AlreadyStored:
      break;
    case platform::StoreResult::NotAnInf:
      return fail(ERROR_INVALID_DATA);
    case platform::StoreResult::NotStoredYet:
    case platform::StoreResult::WriteFailed:
      return fail(setup::ERROR_WRITE_FAULT);
  }
  platform::Machine::Rebind rebind = machine->rebindDevices(id, name);
  if (!rebind.saved) return fail(setup::ERROR_WRITE_FAULT);
  if (rebind.matched == 0) return fail(ERROR_NO_SUCH_DEVINST);  // gone meanwhile
  if (bRebootRequired && rebind.needsRestart) *bRebootRequired = TRUE;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
