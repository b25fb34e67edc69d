// The per-device dump operations: description, setup class, status, resources, hardware ids
// and driver stack, each indented under the device; and the installed driver node.

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "maintenance/console/DeviceConsole.h"
#include "maintenance/install/IdList.h"
#include "platform/win32/LastError.h"

namespace console {

namespace {

constexpr DWORD kMsgProblem = 60904;
constexpr DWORD kMsgPrivateProblem = 60905;
constexpr DWORD kMsgStarted = 60906;
constexpr DWORD kMsgDisabled = 60907;
constexpr DWORD kMsgStopped = 60908;
constexpr DWORD kMsgNoResourcesStarted = 60909;
constexpr DWORD kMsgNoResourcesStopped = 60910;
constexpr DWORD kMsgResourcesStarted = 60911;
constexpr DWORD kMsgResourcesStopped = 60912;
constexpr DWORD kMsgHardwareIds = 60916;
constexpr DWORD kMsgCompatibleIds = 60917;
constexpr DWORD kMsgNoIds = 60918;
constexpr DWORD kMsgClassUpperFilters = 60935;
constexpr DWORD kMsgUpperFilters = 60936;
constexpr DWORD kMsgService = 60937;
constexpr DWORD kMsgNoService = 60938;
constexpr DWORD kMsgClassLowerFilters = 60939;
constexpr DWORD kMsgLowerFilters = 60940;
constexpr DWORD kMsgSetupClass = 60941;
constexpr DWORD kMsgNoSetupClass = 60942;
constexpr DWORD kMsgName = 60943;
constexpr DWORD kMsgNotPresent = 60944;
constexpr DWORD kMsgStatusUnreadable = 60945;

constexpr DWORD kDriverValueSize = 256;

bool listDetail(HDEVINFO devices, SP_DEVINFO_LIST_DETAIL_DATA_A& detail) {
  std::memset(&detail, 0, sizeof detail);
  detail.cbSize = sizeof detail;
  return SetupDiGetDeviceInfoListDetailA(devices, &detail) != FALSE;
}

// A REG_SZ value of at most `size` bytes into `buffer`; false when missing, too long or not a
// string.
bool readStringValue(HKEY key, const char* name, char* buffer, DWORD size) {
  DWORD type = REG_NONE;
  DWORD got = size;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  buffer[got < size ? got : size - 1] = '\0';
  return true;
}

}  // namespace

int DeviceConsole::PrintDeviceDescription(HDEVINFO devices, PSP_DEVINFO_DATA device) {
  std::unique_ptr<char[]> description = ReadDeviceDescription(devices, device);
  if (!description) return 0;
  WriteIndent(1);
  PrintMessage(kMsgName, {reinterpret_cast<DWORD_PTR>(description.get())});
  return 1;
}

int DeviceConsole::PrintDeviceSetupClass(HDEVINFO devices, PSP_DEVINFO_DATA device) {
  std::unique_ptr<char[]> name = ReadDeviceStringProperty(devices, device, SPDRP_CLASS);
  std::unique_ptr<char[]> guid = ReadDeviceStringProperty(devices, device, SPDRP_CLASSGUID);
  WriteIndent(1);
  if (!name && !guid) {
    PrintMessage(kMsgNoSetupClass);
  } else {
    PrintMessage(kMsgSetupClass, {reinterpret_cast<DWORD_PTR>(guid ? guid.get() : "{}"),
                                  reinterpret_cast<DWORD_PTR>(name ? name.get() : "(?)")});
  }
  return 1;
}

int DeviceConsole::PrintDeviceStatus(HDEVINFO devices, PSP_DEVINFO_DATA device) {
  SP_DEVINFO_LIST_DETAIL_DATA_A detail;
  ULONG status = 0, problem = 0;
  CONFIGRET cr = CR_FAILURE;
  if (listDetail(devices, detail))
    cr = CM_Get_DevNode_Status_Ex(&status, &problem, device->DevInst, 0, detail.RemoteMachineHandle);
  if (cr == CR_NO_SUCH_DEVINST || cr == CR_NO_SUCH_VALUE) {
    WriteIndent(1);
    PrintMessage(kMsgNotPresent);
    return 1;
  }
  if (cr != CR_SUCCESS) {
    WriteIndent(1);
    PrintMessage(kMsgStatusUnreadable);
    return 0;
  }
  if ((status & DN_HAS_PROBLEM) && problem == CM_PROB_DISABLED) {
    WriteIndent(1);
    PrintMessage(kMsgDisabled);
    return 1;
  }
  bool problemShown = false;
  if (status & DN_HAS_PROBLEM) {
    WriteIndent(1);
    PrintMessage(kMsgProblem, {problem});
    problemShown = true;
  }
  if (status & DN_PRIVATE_PROBLEM) {
    WriteIndent(1);
    PrintMessage(kMsgPrivateProblem);
    problemShown = true;
  }
  if (status & DN_STARTED) {
    WriteIndent(1);
    PrintMessage(kMsgStarted);
  } else if (!problemShown) {
    WriteIndent(1);
    PrintMessage(kMsgStopped);
  }
  return 1;
}

int DeviceConsole::PrintDeviceResources(HDEVINFO devices, PSP_DEVINFO_DATA device) {
  SP_DEVINFO_LIST_DETAIL_DATA_A detail;
  ULONG status = 0, problem = 0;
  if (!listDetail(devices, detail) ||
      CM_Get_DevNode_Status_Ex(&status, &problem, device->DevInst, 0, detail.RemoteMachineHandle) != CR_SUCCESS)
    return 0;
  const HMACHINE machine = detail.RemoteMachineHandle;
  LOG_CONF configuration = 0;
  bool found = !(status & DN_HAS_PROBLEM) &&
               CM_Get_First_Log_Conf_Ex(&configuration, device->DevInst, ALLOC_LOG_CONF, machine) == CR_SUCCESS;
  if (!found) found = CM_Get_First_Log_Conf_Ex(&configuration, device->DevInst, FORCED_LOG_CONF, machine) == CR_SUCCESS;
  if (!found && !((status & DN_HAS_PROBLEM) && problem == CM_PROB_HARDWARE_DISABLED))
    found = CM_Get_First_Log_Conf_Ex(&configuration, device->DevInst, BOOT_LOG_CONF, machine) == CR_SUCCESS;
  const bool started = status & DN_STARTED;
  WriteIndent(1);
  if (!found) {
    PrintMessage(started ? kMsgNoResourcesStarted : kMsgNoResourcesStopped);
    return 1;
  }
  PrintMessage(started ? kMsgResourcesStarted : kMsgResourcesStopped);
  PrintResourcesOfType(device->DevInst, machine, configuration, ResType_All);
  CM_Free_Log_Conf_Handle(configuration);
  return 1;
}

int DeviceConsole::PrintResourcesOfType(DEVINST, HMACHINE machine, LOG_CONF configuration, RESOURCEID type) {
  int printed = 0;
  RES_DES previous = 0;
  RES_DES descriptor = 0;
  RESOURCEID found = 0;
  ULONG_PTR from = configuration;
  while (CM_Get_Next_Res_Des_Ex(&descriptor, from, type, &found, 0, machine) == CR_SUCCESS) {
    if (previous) CM_Free_Res_Des_Handle(previous);
    previous = descriptor;
    from = descriptor;
    ULONG size = 0;
    if (CM_Get_Res_Des_Data_Size_Ex(&size, descriptor, 0, machine) != CR_SUCCESS || size == 0) continue;
    auto data = std::make_unique<std::uint8_t[]>(size);
    if (CM_Get_Res_Des_Data_Ex(descriptor, data.get(), size, 0, machine) != CR_SUCCESS) continue;
    // A range prints nothing when it spans the whole 64-bit space (its length wraps to 0).
    auto range = [&](const char* format, ULONGLONG base, ULONGLONG endAddress) {
      if (endAddress - base + 1 == 0) return;
      WriteIndent(2);
      std::fprintf(out_, format, static_cast<unsigned long long>(base), static_cast<unsigned long long>(endAddress));
      printed = 1;
    };
    auto number = [&](const char* format, ULONG value) {
      WriteIndent(2);
      std::fprintf(out_, format, static_cast<unsigned>(value));
      printed = 1;
    };
    if (found == ResType_Mem && size >= sizeof(MEM_DES)) {
      MEM_DES d;
      std::memcpy(&d, data.get(), sizeof d);
      range("MEM : %08llx-%08llx\n", d.MD_Alloc_Base, d.MD_Alloc_End);
    } else if (found == ResType_IO && size >= sizeof(IO_DES)) {
      IO_DES d;
      std::memcpy(&d, data.get(), sizeof d);
      range("IO  : %04llx-%04llx\n", d.IOD_Alloc_Base, d.IOD_Alloc_End);
    } else if (found == ResType_DMA && size >= sizeof(DMA_DES)) {
      DMA_DES d;
      std::memcpy(&d, data.get(), sizeof d);
      number("DMA : %u\n", d.DD_Alloc_Chan);
    } else if (found == ResType_IRQ && size >= sizeof(IRQ_DES)) {
      IRQ_DES d;
      std::memcpy(&d, data.get(), sizeof d);
      number("IRQ : %u\n", d.IRQD_Alloc_Num);
    }
  }
  if (previous) CM_Free_Res_Des_Handle(previous);
  return printed;
}

int DeviceConsole::PrintDeviceHardwareIds(HDEVINFO devices, PSP_DEVINFO_DATA device) {
  char** hardware = ReadDeviceIdList(devices, device, SPDRP_HARDWAREID);
  char** compatible = ReadDeviceIdList(devices, device, SPDRP_COMPATIBLEIDS);
  bool any = false;
  if (hardware && hardware[0]) {
    WriteIndent(1);
    PrintMessage(kMsgHardwareIds);
    PrintStringList(2, hardware);
    any = true;
  }
  if (compatible && compatible[0]) {
    WriteIndent(1);
    PrintMessage(kMsgCompatibleIds);
    PrintStringList(2, compatible);
    any = true;
  }
  if (!any) {
    WriteIndent(1);
    PrintMessage(kMsgNoIds);
  }
  FreeIdList(hardware);
  FreeIdList(compatible);
  return 1;
}

int DeviceConsole::PrintDeviceStack(HDEVINFO devices, PSP_DEVINFO_DATA device) {
  SP_DEVINFO_LIST_DETAIL_DATA_A detail;
  if (!listDetail(devices, detail)) return 0;
  HKEY classKey = SetupDiOpenClassRegKeyExA(&device->ClassGuid, KEY_READ, DIOCR_INSTALLER,
                                            detail.RemoteMachineName[0] ? detail.RemoteMachineName : nullptr, nullptr);
  const bool haveKey = classKey != static_cast<HKEY>(INVALID_HANDLE_VALUE);
  auto part = [&](DWORD header, char** list) {
    if (list && list[0]) {
      WriteIndent(1);
      PrintMessage(header);
      PrintStringList(2, list);
    }
    FreeIdList(list);
  };
  if (haveKey) part(kMsgClassUpperFilters, ReadRegistryMultiString(classKey, "UpperFilters"));
  part(kMsgUpperFilters, ReadDeviceIdList(devices, device, SPDRP_UPPERFILTERS));
  std::unique_ptr<char[]> service = ReadDeviceStringProperty(devices, device, SPDRP_SERVICE);
  WriteIndent(1);
  PrintMessage(kMsgService);
  if (service && service[0]) {
    WriteIndent(2);
    std::fprintf(out_, "%s\n", service.get());
  } else {
    WriteIndent(2);
    PrintMessage(kMsgNoService);
  }
  if (haveKey) {
    part(kMsgClassLowerFilters, ReadRegistryMultiString(classKey, "LowerFilters"));
    RegCloseKey(classKey);
  }
  part(kMsgLowerFilters, ReadDeviceIdList(devices, device, SPDRP_LOWERFILTERS));
  return 1;
}

int DeviceConsole::PrintDeviceDriverFiles(HDEVINFO, PSP_DEVINFO_DATA) { return 1; }

int DeviceConsole::PrintDeviceDriverNodes(HDEVINFO, PSP_DEVINFO_DATA) { return 1; }

UINT DeviceConsole::DriverFileCallback(PVOID context, UINT, ULONG_PTR filePath, ULONG_PTR) {
  if (context) {
    ++*static_cast<int*>(context);
  } else {
    WriteIndent(2);
    std::fprintf(out_, "%s\n", reinterpret_cast<const char*>(filePath));
  }
  return 0;
}

int DeviceConsole::FindInstalledDriverNode(HDEVINFO devices, PSP_DEVINFO_DATA device, PSP_DRVINFO_DATA_A driver) {
  SP_DEVINSTALL_PARAMS_A params{};
  params.cbSize = sizeof params;
  if (!SetupDiGetDeviceInstallParamsA(devices, device, &params)) return 0;
  HKEY key = SetupDiOpenDevRegKey(devices, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  if (key == static_cast<HKEY>(INVALID_HANDLE_VALUE)) return 0;
  char provider[kDriverValueSize], section[kDriverValueSize], description[kDriverValueSize];
  const bool read = readStringValue(key, "InfPath", params.DriverPath, sizeof params.DriverPath) &&
                    readStringValue(key, "ProviderName", provider, sizeof provider) &&
                    readStringValue(key, "InfSection", section, sizeof section) &&
                    readStringValue(key, "DriverDesc", description, sizeof description);
  RegCloseKey(key);
  if (!read) return 0;
  char manufacturer[kDriverValueSize];
  if (!SetupDiGetDeviceRegistryPropertyA(devices, device, SPDRP_MFG, nullptr, reinterpret_cast<BYTE*>(manufacturer),
                                         sizeof manufacturer, nullptr))
    return 0;
  params.Flags |= DI_ENUMSINGLEINF;
  params.FlagsEx |= DI_FLAGSEX_ALLOWEXCLUDEDDRVS;
  if (!SetupDiSetDeviceInstallParamsA(devices, device, &params) ||
      !SetupDiBuildDriverInfoList(devices, device, SPDIT_CLASSDRIVER))
    return 0;
  driver->cbSize = sizeof *driver;
  for (DWORD index = 0; SetupDiEnumDriverInfoA(devices, device, SPDIT_CLASSDRIVER, index, driver); ++index) {
    if (strcasecmp(driver->MfgName, manufacturer) != 0 || strcasecmp(driver->ProviderName, provider) != 0) continue;
    SP_DRVINFO_DETAIL_DATA_A detail{};
    detail.cbSize = sizeof detail;
    if (!SetupDiGetDriverInfoDetailA(devices, device, driver, &detail, sizeof detail, nullptr) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      continue;
    if (strcasecmp(detail.SectionName, section) == 0 && strcasecmp(detail.DrvDescription, description) == 0) return 1;
  }
  SetupDiDestroyDriverInfoList(devices, device, SPDIT_CLASSDRIVER);
  return 0;
}

}  // namespace console
