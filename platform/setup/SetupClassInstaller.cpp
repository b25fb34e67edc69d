// The class installer: its parameters, DIF_REMOVE, DIF_PROPERTYCHANGE and DIF_REGISTERDEVICE
// (DeviceTreeInstaller.cpp), and the install parameters that report a needed restart.

#include <cstring>

#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/DeviceTreeInstaller.h"
#include "platform/setup/ErrorDetail.h"
#include "platform/setup/InfSource.h"
#include "platform/setup/SetupApi.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/win32/LastError.h"

namespace {

bool fail(DWORD error) {
  SetLastError(error);
  return false;
}

}  // namespace

BOOL SetupDiSetClassInstallParamsA(HDEVINFO DeviceInfoSetIn, PSP_DEVINFO_DATA DeviceInfoData,
                                   PSP_CLASSINSTALL_HEADER ClassInstallParams, DWORD ClassInstallParamsSize) {
  if (setup::TakeFailure("SetupDiSetClassInstallParamsA")) return FALSE;
  setup::DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  std::vector<std::uint8_t>* target = &set->classInstallParams;
  if (DeviceInfoData) {
    setup::DeviceElement* e = setup::FindElement(*set, DeviceInfoData);
    if (!e) return FALSE;
    target = &e->classInstallParams;
  }
  if (!ClassInstallParams) {
    if (ClassInstallParamsSize) return fail(ERROR_INVALID_PARAMETER);
    target->clear();
    return TRUE;
  }
  if (ClassInstallParams->cbSize != sizeof(SP_CLASSINSTALL_HEADER)) return fail(ERROR_INVALID_USER_BUFFER);
  if (ClassInstallParamsSize < sizeof(SP_CLASSINSTALL_HEADER)) return fail(ERROR_INVALID_PARAMETER);
  if (ClassInstallParams->InstallFunction == DIF_REMOVE) {
    if (ClassInstallParamsSize != sizeof(SP_REMOVEDEVICE_PARAMS)) return fail(ERROR_INVALID_PARAMETER);
    auto* remove = reinterpret_cast<const SP_REMOVEDEVICE_PARAMS*>(ClassInstallParams);
    if (remove->Scope != DI_REMOVEDEVICE_GLOBAL && remove->Scope != DI_REMOVEDEVICE_CONFIGSPECIFIC)
      return fail(ERROR_INVALID_PARAMETER);
  }
  if (ClassInstallParams->InstallFunction == DIF_PROPERTYCHANGE) {
    if (ClassInstallParamsSize != sizeof(SP_PROPCHANGE_PARAMS)) return fail(ERROR_INVALID_PARAMETER);
    if (!setup::ValidPropertyChange(*reinterpret_cast<const SP_PROPCHANGE_PARAMS*>(ClassInstallParams)))
      return fail(ERROR_INVALID_PARAMETER);
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(ClassInstallParams);
  target->assign(bytes, bytes + ClassInstallParamsSize);
  return TRUE;
}

BOOL SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSetIn, PSP_DEVINFO_DATA DeviceInfoData) {
  if (setup::TakeFailure("SetupDiCallClassInstaller")) return FALSE;
  setup::DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  if (InstallFunction != DIF_REMOVE && InstallFunction != DIF_PROPERTYCHANGE && InstallFunction != DIF_REGISTERDEVICE)
    return fail(ERROR_NOT_SUPPORTED);
  setup::DeviceElement* e = setup::FindElement(*set, DeviceInfoData);
  if (!e) return FALSE;
  if (InstallFunction == DIF_REGISTERDEVICE) return setup::RegisterDeviceElement(*set, *e);
  const std::vector<std::uint8_t>& params =
      e->classInstallParams.empty() ? set->classInstallParams : e->classInstallParams;
  if (InstallFunction == DIF_PROPERTYCHANGE) return setup::ChangeDeviceState(*set, *e, params);
  if (!e->registered) return fail(ERROR_DEVINFO_NOT_REGISTERED);
  if (params.size() != sizeof(SP_REMOVEDEVICE_PARAMS)) return fail(ERROR_NO_CLASSINSTALL_PARAMS);
  SP_REMOVEDEVICE_PARAMS remove;
  std::memcpy(&remove, params.data(), sizeof remove);
  if (remove.ClassInstallHeader.InstallFunction != DIF_REMOVE) return fail(ERROR_NO_CLASSINSTALL_PARAMS);
  if (!set->machine) return fail(ERROR_NO_SUCH_DEVINST);
  // One hardware profile here, so a configuration-specific removal is the global one.
  std::string why;
  setup::SetLastErrorDetail({});
  switch (set->machine->removeDevice(e->record.instanceId, &why)) {
    case platform::Machine::DeviceRemoval::Removed:
      break;
    case platform::Machine::DeviceRemoval::NeedsRestart:
      e->installParams.Flags |= DI_NEEDREBOOT;
      break;
    case platform::Machine::DeviceRemoval::NoSuchDevice:
      return fail(ERROR_NO_SUCH_DEVINST);
    case platform::Machine::DeviceRemoval::WriteFailed:
      setup::SetLastErrorDetail(why);
      return fail(setup::ERROR_WRITE_FAULT);
  }
  e->present = false;
  return TRUE;
}

BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSetIn, PSP_DEVINFO_DATA DeviceInfoData,
                                    PSP_DEVINSTALL_PARAMS_A DeviceInstallParams) {
  if (setup::TakeFailure("SetupDiGetDeviceInstallParamsA")) return FALSE;
  setup::DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  if (!DeviceInstallParams) return fail(ERROR_INVALID_PARAMETER);
  if (DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) return fail(ERROR_INVALID_USER_BUFFER);
  const SP_DEVINSTALL_PARAMS_A* from = &set->installParams;
  if (DeviceInfoData) {
    setup::DeviceElement* e = setup::FindElement(*set, DeviceInfoData);
    if (!e) return FALSE;
    from = &e->installParams;
  }
  *DeviceInstallParams = *from;
  return TRUE;
}
