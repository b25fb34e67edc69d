// The commands that install: a new root-enumerated device, driver updates through
// "newdev.dll", and the driver store's add, delete and listing.

#include <cstdio>
#include <cstring>
#include <string>

#include "maintenance/console/DeviceConsole.h"
#include "platform/win32/LastError.h"

namespace console {

namespace {

bool remoteName(const char* machine) { return machine && *machine; }

using UpdateDriverFunction = BOOL (*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);
using NonInteractiveFunction = BOOL (*)(BOOL);
using UninstallFunction = BOOL (*)(LPCSTR, DWORD, PVOID);
using VerifyFunction = BOOL (*)(LPCSTR, PVOID, PSP_INF_SIGNER_INFO_A);

// The full path of an INF that exists, or false.
bool existingInf(const char* path, char (&full)[MAX_PATH]) {
  if (!path) return false;
  const DWORD size = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  if (size == 0 || size >= MAX_PATH) return false;
  return GetFileAttributesA(full) != INVALID_FILE_ATTRIBUTES;
}

// An export of a module this layer offers, loaded for one call.
class LoadedExport {
 public:
  LoadedExport(const char* module, const char* name) : module_(LoadLibraryA(module)) {
    if (module_) address_ = GetProcAddress(module_, name);
  }
  ~LoadedExport() {
    if (module_) FreeLibrary(module_);
  }
  LoadedExport(const LoadedExport&) = delete;
  LoadedExport& operator=(const LoadedExport&) = delete;
  template <typename F>
  F as() const {
    return reinterpret_cast<F>(address_);
  }
  explicit operator bool() const { return address_ != nullptr; }

 private:
  HMODULE module_;
  FARPROC address_ = nullptr;
};

}  // namespace

int DeviceConsole::updateDriver(const char*, const char* machine, int argc, char** argv, bool nonInteractive) {
  if (argc < 2 || remoteName(machine)) return kResultUsage;
  const char* hardwareId = argv[1];
  char inf[MAX_PATH];
  if (!existingInf(argv[0], inf)) return kResultFailed;
  if (nonInteractive) {
    LoadedExport setMode("setupapi.dll", "SetupSetNonInteractiveMode");
    if (!setMode) return kResultFailed;
    setMode.as<NonInteractiveFunction>()(TRUE);
  }
  LoadedExport update("newdev.dll", "UpdateDriverForPlugAndPlayDevicesA");
  if (!update) return kResultFailed;
  PrintMessage(61102, {reinterpret_cast<DWORD_PTR>(hardwareId), reinterpret_cast<DWORD_PTR>(inf)});
  BOOL reboot = FALSE;
  if (!update.as<UpdateDriverFunction>()(nullptr, hardwareId, inf, 0, &reboot)) return kResultFailed;
  if (reboot) {
    PrintMessage(61106);
    return kResultRestart;
  }
  PrintMessage(61103);
  return kResultDone;
}

int DeviceConsole::Update(const char* baseName, const char* machine, DWORD, int argc, char** argv) {
  return updateDriver(baseName, machine, argc, argv, false);
}

int DeviceConsole::UpdateNi(const char* baseName, const char* machine, DWORD, int argc, char** argv) {
  return updateDriver(baseName, machine, argc, argv, true);
}

int DeviceConsole::Install(const char* baseName, const char* machine, DWORD, int argc, char** argv) {
  if (argc < 2 || remoteName(machine)) return kResultUsage;
  char inf[MAX_PATH];
  if (!existingInf(argv[0], inf)) return kResultFailed;
  GUID classGuid{};
  char className[MAX_CLASS_NAME_LEN];
  if (!SetupDiGetINFClassA(inf, &classGuid, className, sizeof className, nullptr)) return kResultFailed;
  HDEVINFO devices = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
  if (devices == INVALID_HANDLE_VALUE) return kResultFailed;
  // The hardware id as a list of one: the id, then the list's end.
  std::string ids = std::string(argv[1]) + '\0' + '\0';
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  const bool registered =
      SetupDiCreateDeviceInfoA(devices, className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device) &&
      SetupDiSetDeviceRegistryPropertyA(devices, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids.data()),
                                        static_cast<DWORD>(ids.size())) &&
      SetupDiCallClassInstaller(DIF_REGISTERDEVICE, devices, &device);
  SetupDiDestroyDeviceInfoList(devices);
  if (!registered) return kResultFailed;
  int result = updateDriver(baseName, machine, argc, argv, false);
  if (result == kResultDone)
    PrintMessage(61002);
  else if (result == kResultRestart)
    PrintMessage(61003);
  return result;
}

int DeviceConsole::DriverPackageAdd(const char*, const char* machine, DWORD, int argc, char** argv) {
  if (argc < 1 || remoteName(machine)) return kResultUsage;
  char inf[MAX_PATH];
  if (!existingInf(argv[0], inf)) return kResultFailed;
  char stored[MAX_PATH];
  char* name = nullptr;
  if (!SetupCopyOEMInfA(inf, nullptr, SPOST_PATH, 0, stored, sizeof stored, nullptr, &name)) return kResultFailed;
  PrintMessage(61113, {reinterpret_cast<DWORD_PTR>(name ? name : stored)});
  return kResultDone;
}

int DeviceConsole::DriverPackageDelete(const char*, const char* machine, DWORD flags, int argc, char** argv) {
  if (argc < 1 || !argv[0] || remoteName(machine)) return kResultUsage;
  LoadedExport uninstall("setupapi.dll", "SetupUninstallOEMInfA");
  if (!uninstall) return kResultFailed;
  const DWORD suoi = (flags & kFlagForce) ? SUOI_FORCEDELETE : 0;
  if (!uninstall.as<UninstallFunction>()(argv[0], suoi, nullptr)) {
    PrintMessage(61115, {reinterpret_cast<DWORD_PTR>(argv[0])});
    return kResultFailed;
  }
  PrintMessage(61114, {reinterpret_cast<DWORD_PTR>(argv[0])});
  return kResultDone;
}

int DeviceConsole::DriverPackageEnum(const char*, const char* machine, DWORD, int, char**) {
  if (remoteName(machine)) return kResultUsage;
  char windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) return kResultFailed;
  const std::string folder = std::string(windows) + "\\INF\\";
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "OEM*.INF").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return kResultFailed;
    PrintMessage(61117);
    return kResultDone;
  }
  // Verification is used when the system offers it.
  LoadedExport verify("setupapi.dll", "SetupVerifyInfFile");
  PrintMessage(61116);
  do {
    const std::string path = folder + found.cFileName;
    WriteIndent(1);
    std::fprintf(out_, "%s\n", found.cFileName);
    if (verify) {
      SP_INF_SIGNER_INFO_A signer{};
      signer.cbSize = sizeof signer;
      if (!verify.as<VerifyFunction>()(path.c_str(), nullptr, &signer)) {
        WriteIndent(2);
        std::fprintf(out_, "(the package does not verify)\n");
      }
    }
    for (const char* entry : {"Provider", "Version", "ClassGUID", "DriverVer"}) {
      char value[LINE_LEN];
      GetPrivateProfileStringA("Version", entry, "", value, sizeof value, path.c_str());
      WriteIndent(2);
      std::fprintf(out_, "%-10s: %s\n", entry, value);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return kResultDone;
}

}  // namespace console
