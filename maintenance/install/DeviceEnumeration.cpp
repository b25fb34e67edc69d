#include "maintenance/install/DeviceEnumeration.h"

#include <cstring>
#include <vector>

#include "maintenance/install/IdList.h"
#include "maintenance/install/IdPattern.h"
#include "platform/win32/LastError.h"

namespace {

bool deviceMatches(HDEVINFO devices, PSP_DEVINFO_DATA device, const char* instanceId,
                   const std::vector<IdPattern>& patterns) {
  char** hardware = nullptr;
  char** compatible = nullptr;
  bool read = false, match = false;
  for (const IdPattern& p : patterns) {
    if (p.instanceId) {
      match = MatchIdPattern(instanceId, p);
    } else {
      if (!read) {
        hardware = ReadDeviceIdList(devices, device, SPDRP_HARDWAREID);
        compatible = ReadDeviceIdList(devices, device, SPDRP_COMPATIBLEIDS);
        read = true;
      }
      match = MatchAnyId(hardware, p) || MatchAnyId(compatible, p);
    }
    if (match) break;
  }
  FreeIdList(hardware);
  FreeIdList(compatible);
  return match;
}

}  // namespace

int EnumerateMatchingDevices(const char*, const char* machine, DWORD extraFlags, int argc, char** argv,
                             DeviceCallback callback, void* context) {
  GUID classGuid{};
  bool haveClass = false;
  if (argc > 0 && argv[0] && argv[0][0] == '=') {
    DWORD found = 0;
    if (!SetupDiClassGuidsFromNameExA(argv[0] + 1, &classGuid, 1, &found, machine, nullptr) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      return kResultFailed;
    if (found == 0) return kResultDone;  // an unknown class has no devices
    haveClass = true;
    --argc;
    ++argv;
  }
  const bool all = argc == 0 || std::strcmp(argv[0], "*") == 0;
  std::vector<IdPattern> patterns;
  bool direct = !all;
  if (!all) {
    for (int i = 0; i < argc; ++i) {
      patterns.push_back(ParseIdPattern(argv[i] ? argv[i] : ""));
      direct = direct && patterns.back().instanceId && patterns.back().wildcard == std::string::npos;
    }
  }

  HDEVINFO devices;
  if (direct) {
    // Named instances only: open each into an empty list; every one opened matches.
    devices = SetupDiCreateDeviceInfoListExA(haveClass ? &classGuid : nullptr, nullptr, machine, nullptr);
    if (devices == INVALID_HANDLE_VALUE) return kResultFailed;
    for (const IdPattern& p : patterns) SetupDiOpenDeviceInfoA(devices, p.text.c_str(), nullptr, 0, nullptr);
  } else {
    devices = SetupDiGetClassDevsExA(haveClass ? &classGuid : nullptr, nullptr, nullptr,
                                     (haveClass ? 0 : DIGCF_ALLCLASSES) | extraFlags, nullptr, machine, nullptr);
    if (devices == INVALID_HANDLE_VALUE) return kResultFailed;
  }
  SP_DEVINFO_LIST_DETAIL_DATA_A detail{};
  detail.cbSize = sizeof detail;
  if (!SetupDiGetDeviceInfoListDetailA(devices, &detail)) {
    SetupDiDestroyDeviceInfoList(devices);
    return kResultFailed;
  }
  int result = kResultDone;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    char instanceId[kMaxDeviceIdLength];
    if (CM_Get_Device_ID_ExA(device.DevInst, instanceId, sizeof instanceId, 0, detail.RemoteMachineHandle) !=
        CR_SUCCESS)
      instanceId[0] = '\0';
    if (!all && !direct && !deviceMatches(devices, &device, instanceId, patterns)) continue;
    result = callback(devices, &device, index, context);
    if (result != 0) break;
  }
  SetupDiDestroyDeviceInfoList(devices);
  return result;
}
