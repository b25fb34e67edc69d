#include "maintenance/install/RemoveDevices.h"

#include <cstdio>
#include <cstring>

#include "maintenance/install/InstallerOutput.h"
#include "platform/setup/ErrorDetail.h"
#include "platform/win32/LastError.h"

int RemoveDeviceCallback(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD, void* context) {
  auto* tally = static_cast<RemoveContext*>(context);
  SP_DEVINFO_LIST_DETAIL_DATA_A detail{};
  detail.cbSize = sizeof detail;
  char instanceId[kMaxDeviceIdLength];
  if (!SetupDiGetDeviceInfoListDetailA(devices, &detail) ||
      CM_Get_Device_ID_ExA(device->DevInst, instanceId, sizeof instanceId, 0, detail.RemoteMachineHandle) != CR_SUCCESS)
    return 0;  // a device that cannot be named is skipped silently

  SP_REMOVEDEVICE_PARAMS params{};
  params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
  params.ClassInstallHeader.InstallFunction = DIF_REMOVE;
  params.Scope = DI_REMOVEDEVICE_GLOBAL;
  params.HwProfile = 0;
  const char* status = tally->removeFailed;
  if (SetupDiSetClassInstallParamsA(devices, device, &params.ClassInstallHeader, sizeof params) &&
      SetupDiCallClassInstaller(DIF_REMOVE, devices, device)) {
    SP_DEVINSTALL_PARAMS_A install{};
    install.cbSize = sizeof install;
    if (SetupDiGetDeviceInstallParamsA(devices, device, &install) &&
        (install.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT))) {
      status = tally->removedOnReboot;
      tally->reboot = 1;
    } else {
      status = tally->removed;
    }
    ++tally->count;
  } else if (!tally->failure) {
    tally->failure = GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    tally->failureDetail = setup::LastErrorDetail();
  }
  std::fprintf(InstallerOut(), "%-60s: %s\n", instanceId, status);
  return 0;
}

int RemoveMatchingDevices(const char* baseName, const char* machine, DWORD flags, int argc, char** argv) {
  RemoveContext tally;
  return RemoveMatchingDevices(baseName, machine, flags, argc, argv, tally);
}

int RemoveMatchingDevices(const char* baseName, const char* machine, DWORD, int argc, char** argv,
                          RemoveContext& tally) {
  if (argc <= 0 || (machine && *machine)) return kResultUsage;
  tally = {};
  std::snprintf(tally.removed, sizeof tally.removed, "%s", "Removed");
  std::snprintf(tally.removedOnReboot, sizeof tally.removedOnReboot, "%s", "Removed on reboot");
  std::snprintf(tally.removeFailed, sizeof tally.removeFailed, "%s", "Remove failed");
  int result = EnumerateMatchingDevices(baseName, machine, 0, argc, argv, RemoveDeviceCallback, &tally);
  if (result != kResultDone) return result;
  std::FILE* out = InstallerOut();
  if (tally.count == 0) {
    PrintMessage(out, kMsgNoDevicesRemoved);
  } else if (tally.reboot) {
    PrintMessage(out, kMsgRemovedRestartNeeded, {static_cast<DWORD_PTR>(tally.count)});
    return kResultRestart;
  } else {
    PrintMessage(out, kMsgRemoved, {static_cast<DWORD_PTR>(tally.count)});
  }
  return kResultDone;
}
