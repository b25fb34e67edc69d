// Device information sets: making them from the machine's records, walking them and reading
// their elements' ids and properties.

#include <cstring>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/SetupApi.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupQueries.h"
#include "platform/win32/LastError.h"

using setup::DeviceElement;
using setup::DeviceInfoSet;

namespace {

bool fail(DWORD error) {
  SetLastError(error);
  return false;
}

HDEVINFO failSet(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

DeviceElement elementOf(const platform::Machine::SetupDevice& device) {
  DeviceElement e;
  e.record = device.record;
  e.present = device.present;
  e.devInst = setup::DevInstOf(device.record.instanceId);
  e.installParams.cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
  return e;
}

// Copies `bytes` out the way registry reads do: the size needed always, the data when it fits.
BOOL copyOut(const std::string& bytes, BYTE* buffer, DWORD size, LPDWORD required) {
  if (required) *required = static_cast<DWORD>(bytes.size());
  if (!buffer || size < bytes.size()) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, bytes.data(), bytes.size());
  return TRUE;
}

std::string multiString(const std::vector<std::string>& strings) {
  std::string out;
  for (const std::string& s : strings) out += s + '\0';
  out.push_back('\0');
  return out;
}

}  // namespace

HDEVINFO SetupDiCreateDeviceInfoListExA(const GUID* ClassGuid, HWND, LPCSTR MachineName, PVOID Reserved) {
  if (setup::TakeFailure("SetupDiCreateDeviceInfoListExA")) return INVALID_HANDLE_VALUE;
  if (Reserved) return failSet(ERROR_INVALID_PARAMETER);
  if (!setup::IsLocalMachineName(MachineName)) return failSet(ERROR_INVALID_MACHINENAME);
  auto set = std::make_unique<DeviceInfoSet>();
  set->machine = setup::AttachedMachine();
  if (ClassGuid) set->classGuid = *ClassGuid;
  set->installParams.cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
  return setup::NewDeviceInfoSet(std::move(set));
}

HDEVINFO SetupDiGetClassDevsExA(const GUID* ClassGuid, LPCSTR Enumerator, HWND, DWORD Flags, HDEVINFO DeviceInfoSetIn,
                                LPCSTR MachineName, PVOID Reserved) {
  if (setup::TakeFailure("SetupDiGetClassDevsExA")) return INVALID_HANDLE_VALUE;
  if (Reserved) return failSet(ERROR_INVALID_PARAMETER);
  if (Flags & ~(DIGCF_DEFAULT | DIGCF_PRESENT | DIGCF_ALLCLASSES | DIGCF_PROFILE))
    return failSet(ERROR_INVALID_FLAGS);  // device interfaces are not kept here
  if (!(Flags & DIGCF_ALLCLASSES) && !ClassGuid) return failSet(ERROR_INVALID_PARAMETER);
  if (!setup::IsLocalMachineName(MachineName)) return failSet(ERROR_INVALID_MACHINENAME);

  DeviceInfoSet* set = nullptr;
  HDEVINFO handle = DeviceInfoSetIn;
  if (DeviceInfoSetIn && DeviceInfoSetIn != INVALID_HANDLE_VALUE) {
    set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
    if (!set) return INVALID_HANDLE_VALUE;
  } else {
    auto made = std::make_unique<DeviceInfoSet>();
    made->machine = setup::AttachedMachine();
    if (ClassGuid && !(Flags & DIGCF_ALLCLASSES)) made->classGuid = *ClassGuid;
    made->installParams.cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
    set = made.get();
    handle = setup::NewDeviceInfoSet(std::move(made));
  }
  if (!set->machine) return handle;  // no machine attached: no devices
  const std::string wantedClass = ClassGuid ? setup::GuidText(*ClassGuid) : std::string();
  const std::string prefix = Enumerator && *Enumerator ? std::string(Enumerator) + "\\" : std::string();
  for (const platform::Machine::SetupDevice& device : set->machine->setupDevices()) {
    if ((Flags & DIGCF_PRESENT) && !device.present) continue;
    if (!(Flags & DIGCF_ALLCLASSES) && !platform::EqualsNoCase(device.record.classGuid, wantedClass)) continue;
    if (!prefix.empty() && !platform::EqualsNoCase(device.record.instanceId.substr(0, prefix.size()), prefix)) continue;
    bool already = false;
    for (const DeviceElement& e : set->elements)
      already = already || platform::EqualsNoCase(e.record.instanceId, device.record.instanceId);
    if (!already) set->elements.push_back(elementOf(device));
  }
  return handle;
}

BOOL SetupDiOpenDeviceInfoA(HDEVINFO DeviceInfoSetIn, LPCSTR DeviceInstanceId, HWND, DWORD OpenFlags,
                            PSP_DEVINFO_DATA DeviceInfoData) {
  if (setup::TakeFailure("SetupDiOpenDeviceInfoA")) return FALSE;
  DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  if (!DeviceInstanceId || OpenFlags & ~0x7u) return fail(ERROR_INVALID_PARAMETER);
  if (DeviceInfoData && DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return fail(ERROR_INVALID_USER_BUFFER);
  for (std::size_t i = 0; i < set->elements.size(); ++i) {
    if (platform::EqualsNoCase(set->elements[i].record.instanceId, DeviceInstanceId)) {
      if (DeviceInfoData) setup::FillDeviceInfoData(*set, i, *DeviceInfoData);
      return TRUE;
    }
  }
  if (!set->machine) return fail(ERROR_NO_SUCH_DEVINST);
  for (const platform::Machine::SetupDevice& device : set->machine->setupDevices()) {
    if (!platform::EqualsNoCase(device.record.instanceId, DeviceInstanceId)) continue;
    set->elements.push_back(elementOf(device));
    if (DeviceInfoData) setup::FillDeviceInfoData(*set, set->elements.size() - 1, *DeviceInfoData);
    return TRUE;
  }
  return fail(ERROR_NO_SUCH_DEVINST);
}

BOOL SetupDiGetDeviceInfoListDetailA(HDEVINFO DeviceInfoSetIn, PSP_DEVINFO_LIST_DETAIL_DATA_A Detail) {
  if (setup::TakeFailure("SetupDiGetDeviceInfoListDetailA")) return FALSE;
  DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  if (!Detail) return fail(ERROR_INVALID_PARAMETER);
  if (Detail->cbSize != sizeof(SP_DEVINFO_LIST_DETAIL_DATA_A)) return fail(ERROR_INVALID_USER_BUFFER);
  Detail->ClassGuid = set->classGuid;
  Detail->RemoteMachineHandle = nullptr;  // local
  Detail->RemoteMachineName[0] = '\0';
  return TRUE;
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSetIn, DWORD MemberIndex, PSP_DEVINFO_DATA DeviceInfoData) {
  if (setup::TakeFailure("SetupDiEnumDeviceInfo")) return FALSE;
  DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  if (!DeviceInfoData) return fail(ERROR_INVALID_PARAMETER);
  if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return fail(ERROR_INVALID_USER_BUFFER);
  if (MemberIndex >= set->elements.size()) return fail(ERROR_NO_MORE_ITEMS);
  setup::FillDeviceInfoData(*set, MemberIndex, *DeviceInfoData);
  return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSetIn) {
  if (setup::TakeFailure("SetupDiDestroyDeviceInfoList")) return FALSE;
  if (!setup::DestroyDeviceInfoSet(DeviceInfoSetIn)) return FALSE;
  setup::DestroyDriverListsOf(DeviceInfoSetIn);  // a set's driver lists go with it
  return TRUE;
}

BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSetIn, PSP_DEVINFO_DATA DeviceInfoData, LPSTR DeviceInstanceId,
                                 DWORD DeviceInstanceIdSize, LPDWORD RequiredSize) {
  if (setup::TakeFailure("SetupDiGetDeviceInstanceIdA")) return FALSE;
  DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  DeviceElement* e = setup::FindElement(*set, DeviceInfoData);
  if (!e) return FALSE;
  const std::string& id = e->record.instanceId;
  if (RequiredSize) *RequiredSize = static_cast<DWORD>(id.size() + 1);
  if (!DeviceInstanceId || DeviceInstanceIdSize < id.size() + 1) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(DeviceInstanceId, id.c_str(), id.size() + 1);
  return TRUE;
}

BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSetIn, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                       LPDWORD PropertyRegDataType, BYTE* PropertyBuffer, DWORD PropertyBufferSize,
                                       LPDWORD RequiredSize) {
  if (setup::TakeFailure("SetupDiGetDeviceRegistryPropertyA")) return FALSE;
  DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  DeviceElement* e = setup::FindElement(*set, DeviceInfoData);
  if (!e) return FALSE;
  const platform::DeviceRecord& r = e->record;
  std::string text;
  DWORD type = REG_SZ;
  switch (Property) {
    case SPDRP_DEVICEDESC:
      text = r.description;
      break;
    case SPDRP_SERVICE:
      text = r.service;
      break;
    case SPDRP_CLASS:
      text = r.className;
      break;
    case SPDRP_CLASSGUID:
      text = r.classGuid;
      break;
    case SPDRP_MFG:
      text = r.manufacturer;
      break;
    case SPDRP_FRIENDLYNAME:
      text = r.friendlyName;
      break;
    case SPDRP_HARDWAREID:
    case SPDRP_COMPATIBLEIDS:
    case SPDRP_UPPERFILTERS:
    case SPDRP_LOWERFILTERS: {
      const std::vector<std::string>& ids = Property == SPDRP_HARDWAREID      ? r.hardwareIds
                                            : Property == SPDRP_COMPATIBLEIDS ? r.compatibleIds
                                            : Property == SPDRP_UPPERFILTERS  ? r.upperFilters
                                                                              : r.lowerFilters;
      if (ids.empty()) return fail(ERROR_INVALID_DATA);
      type = REG_MULTI_SZ;
      if (PropertyRegDataType) *PropertyRegDataType = type;
      return copyOut(multiString(ids), PropertyBuffer, PropertyBufferSize, RequiredSize);
    }
    case SPDRP_DRIVER:
      return fail(ERROR_INVALID_DATA);  // not kept for any node
    default:
      return fail(ERROR_INVALID_PARAMETER);
  }
  if (text.empty()) return fail(ERROR_INVALID_DATA);
  if (PropertyRegDataType) *PropertyRegDataType = type;
  return copyOut(std::string(text.c_str(), text.size() + 1), PropertyBuffer, PropertyBufferSize, RequiredSize);
}

BOOL SetupDiClassGuidsFromNameExA(LPCSTR ClassName, GUID* ClassGuidList, DWORD ClassGuidListSize, LPDWORD RequiredSize,
                                  LPCSTR MachineName, PVOID Reserved) {
  if (setup::TakeFailure("SetupDiClassGuidsFromNameExA")) return FALSE;
  if (!ClassName || Reserved || (ClassGuidListSize && !ClassGuidList)) return fail(ERROR_INVALID_PARAMETER);
  if (!setup::IsLocalMachineName(MachineName)) return fail(ERROR_INVALID_MACHINENAME);
  std::vector<GUID> found;
  if (platform::Machine* machine = setup::AttachedMachine()) {
    for (const platform::SetupClass& c : machine->setupClasses()) {
      GUID guid{};
      if (platform::EqualsNoCase(c.name, ClassName) && setup::ParseGuid(c.guid, guid)) found.push_back(guid);
    }
  }
  if (RequiredSize) *RequiredSize = static_cast<DWORD>(found.size());
  for (std::size_t i = 0; i < found.size() && i < ClassGuidListSize; ++i) ClassGuidList[i] = found[i];
  if (found.size() > ClassGuidListSize) return fail(ERROR_INSUFFICIENT_BUFFER);
  return TRUE;
}

CONFIGRET CM_Get_Device_ID_ExA(DEVINST dnDevInst, LPSTR Buffer, ULONG BufferLen, ULONG ulFlags, HMACHINE) {
  if (setup::TakeFailure("CM_Get_Device_ID_ExA")) return CR_INVALID_DEVNODE;
  if (!Buffer) return CR_INVALID_POINTER;
  if (ulFlags != 0) return CR_INVALID_FLAG;
  std::string id = setup::InstanceIdOf(dnDevInst);
  if (id.empty()) return CR_INVALID_DEVNODE;
  if (BufferLen < id.size() + 1) {
    if (BufferLen) {
      std::memcpy(Buffer, id.data(), BufferLen - 1);
      Buffer[BufferLen - 1] = '\0';
    }
    return CR_BUFFER_SMALL;
  }
  std::memcpy(Buffer, id.c_str(), id.size() + 1);
  return CR_SUCCESS;
}
