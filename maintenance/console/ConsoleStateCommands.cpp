// The commands that change devices or the computer: enable, disable and restart through the
// class installer, remove (the installer's), sethwid, rescan and reboot.

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "maintenance/console/DeviceConsole.h"
#include "maintenance/install/IdList.h"
#include "maintenance/install/InstallerOutput.h"
#include "maintenance/install/RemoveDevices.h"
#include "platform/setup/SystemShutdown.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/LastError.h"
#include "resources/data/ResourceIds.h"

namespace console {

namespace {

constexpr int kWordLength = 80;
constexpr DWORD kRestartReason = 0x80010002;  // planned, hardware, installation

bool remoteName(const char* machine) { return machine && *machine; }

struct StateChange {
  DeviceConsole* console;
  DWORD change;
  char done[kWordLength], reboot[kWordLength], failed[kWordLength];
  int count = 0;
  bool restartNeeded = false;
};

bool callPropertyChange(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD change, DWORD scope) {
  SP_PROPCHANGE_PARAMS params{};
  params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
  params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
  params.StateChange = change;
  params.Scope = scope;
  params.HwProfile = 0;
  return SetupDiSetClassInstallParamsA(devices, device, &params.ClassInstallHeader, sizeof params) &&
         SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, devices, device);
}

int stateChangeCallback(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD, void* context) {
  auto* s = static_cast<StateChange*>(context);
  bool done = callPropertyChange(devices, device, s->change, DICS_FLAG_GLOBAL);
  if (done && s->change == DICS_ENABLE) done = callPropertyChange(devices, device, s->change, DICS_FLAG_CONFIGSPECIFIC);
  const char* word = s->failed;
  if (done) {
    SP_DEVINSTALL_PARAMS_A install{};
    install.cbSize = sizeof install;
    if (SetupDiGetDeviceInstallParamsA(devices, device, &install) &&
        (install.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT))) {
      word = s->reboot;
      s->restartNeeded = true;
    } else {
      word = s->done;
    }
    ++s->count;
  }
  s->console->PrintDeviceLine(devices, device, word);
  return 0;
}

// Applies the "=ID", "+ID" / "ID" and "-ID" edits in order.
std::vector<std::string> editIds(std::vector<std::string> ids, int argc, char** argv) {
  auto drop = [&ids](const std::string& id) {
    std::erase_if(ids, [&id](const std::string& s) { return strcasecmp(s.c_str(), id.c_str()) == 0; });
  };
  for (int i = 0; i < argc; ++i) {
    std::string edit = argv[i] ? argv[i] : "";
    if (edit.empty()) continue;
    if (edit[0] == '=') {
      ids.clear();
      if (edit.size() > 1) ids.push_back(edit.substr(1));
    } else if (edit[0] == '-') {
      drop(edit.substr(1));
    } else {
      std::string id = edit[0] == '+' ? edit.substr(1) : edit;
      if (id.empty()) continue;
      drop(id);
      ids.push_back(id);
    }
  }
  return ids;
}

struct HardwareIdEdit {
  DeviceConsole* console;
  int argc;
  char** argv;
  int changed = 0;
  bool failed = false;
};

int setHwidCallback(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD, void* context) {
  auto* e = static_cast<HardwareIdEdit*>(context);
  std::vector<std::string> ids;
  if (char** list = ReadDeviceIdList(devices, device, SPDRP_HARDWAREID)) {
    for (char** s = list; *s; ++s) ids.push_back(*s);
    FreeIdList(list);
  }
  ids = editIds(std::move(ids), e->argc, e->argv);
  std::string bytes, shown;
  for (const std::string& id : ids) {
    bytes += id + '\0';
    shown += (shown.empty() ? "" : ", ") + id;
  }
  bytes.push_back('\0');
  const bool written = ids.empty() ? SetupDiSetDeviceRegistryPropertyA(devices, device, SPDRP_HARDWAREID, nullptr, 0)
                                   : SetupDiSetDeviceRegistryPropertyA(devices, device, SPDRP_HARDWAREID,
                                                                       reinterpret_cast<const BYTE*>(bytes.data()),
                                                                       static_cast<DWORD>(bytes.size()));
  if (!written) {
    e->failed = true;
    return 0;
  }
  ++e->changed;
  SP_DEVINFO_LIST_DETAIL_DATA_A detail{};
  detail.cbSize = sizeof detail;
  char instanceId[kMaxDeviceIdLength];
  if (!SetupDiGetDeviceInfoListDetailA(devices, &detail) ||
      CM_Get_Device_ID_ExA(device->DevInst, instanceId, sizeof instanceId, 0, detail.RemoteMachineHandle) != CR_SUCCESS)
    DeviceConsole::BoundedCopy(instanceId, sizeof instanceId, "?");
  std::fprintf(e->console->out(), "%-60s: %s\n", instanceId, shown.c_str());
  return 0;
}

}  // namespace

int DeviceConsole::changeState(const char* machine, int argc, char** argv, DWORD stateChange, UINT firstWord,
                               UINT failedWord, DWORD summaryBase) {
  if (argc <= 0 || remoteName(machine)) return kResultUsage;
  StateChange s{this, stateChange, {}, {}, {}};
  LoadStringA(nullptr, firstWord, s.done, kWordLength);
  LoadStringA(nullptr, firstWord + 1, s.reboot, kWordLength);
  LoadStringA(nullptr, failedWord, s.failed, kWordLength);
  int result = EnumerateMatchingDevices(nullptr, machine, DIGCF_PRESENT, argc, argv, stateChangeCallback, &s);
  if (result != kResultDone) return result;
  if (s.count == 0) {
    PrintMessage(summaryBase);
  } else if (s.restartNeeded) {
    PrintMessage(summaryBase + 2, {static_cast<DWORD_PTR>(s.count)});
    return kResultRestart;
  } else {
    PrintMessage(summaryBase + 1, {static_cast<DWORD_PTR>(s.count)});
  }
  return kResultDone;
}

int DeviceConsole::Enable(const char*, const char* machine, DWORD, int argc, char** argv) {
  return changeState(machine, argc, argv, DICS_ENABLE, IDS_ENABLED, IDS_ENABLE_FAILED, 60502);
}

int DeviceConsole::Disable(const char*, const char* machine, DWORD, int argc, char** argv) {
  return changeState(machine, argc, argv, DICS_DISABLE, IDS_DISABLED, IDS_DISABLE_FAILED, 60602);
}

int DeviceConsole::Restart(const char*, const char* machine, DWORD, int argc, char** argv) {
  return changeState(machine, argc, argv, DICS_PROPCHANGE, IDS_RESTARTED, IDS_RESTART_FAILED, 60702);
}

int DeviceConsole::Remove(const char* baseName, const char* machine, DWORD flags, int argc, char** argv) {
  // The installer's removal, printing on this console's stream.
  std::FILE* out = InstallerOut();
  std::FILE* err = InstallerErr();
  SetInstallerStreams(out_, err);
  int result = RemoveMatchingDevices(baseName, machine, flags, argc, argv);
  SetInstallerStreams(out, err);
  return result;
}

int DeviceConsole::SetHwid(const char*, const char* machine, DWORD, int argc, char** argv) {
  if (remoteName(machine)) return kResultUsage;
  int split = -1;
  for (int i = 0; i < argc && split < 0; ++i)
    if (argv[i] && std::strcmp(argv[i], ":=") == 0) split = i;
  if (split <= 0 || split + 1 >= argc) return kResultUsage;
  HardwareIdEdit edit{this, argc - split - 1, argv + split + 1};
  int result = EnumerateMatchingDevices(nullptr, machine, 0, split, argv, setHwidCallback, &edit);
  if (result != kResultDone) return result;
  if (edit.changed == 0)
    PrintMessage(61603);
  else
    PrintMessage(61602, {static_cast<DWORD_PTR>(edit.changed)});
  return edit.failed ? kResultFailed : kResultDone;
}

int DeviceConsole::Rescan(const char*, const char* machine, DWORD, int, char**) {
  HMACHINE handle = nullptr;
  if (CM_Connect_MachineA(machine, &handle) != CR_SUCCESS) return kResultFailed;
  DEVINST root = 0;
  int result = kResultFailed;
  if (CM_Locate_DevNode_ExA(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL, handle) == CR_SUCCESS) {
    PrintMessage(61302);
    if (CM_Reenumerate_DevNode_Ex(root, 0, handle) == CR_SUCCESS) {
      PrintMessage(61303);
      result = kResultDone;
    }
  }
  CM_Disconnect_Machine(handle);
  return result;
}

int DeviceConsole::Reboot(const char*, const char* machine, DWORD, int, char**) {
  if (remoteName(machine)) return kResultUsage;
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
  }
  PrintMessage(60802);
  if (!InitiateSystemShutdownExA(nullptr, nullptr, 0, FALSE, TRUE, kRestartReason)) {
    PrintMessage(60803);
    return kResultFailed;
  }
  return kResultDone;
}

}  // namespace console
