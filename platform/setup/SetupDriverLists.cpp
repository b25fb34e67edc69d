// A node's driver key, its install parameters stored back, and its driver lists: the models of
// one INF (DI_ENUMSINGLEINF with the INF in DriverPath) or of every stored package.

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <mutex>
#include <sstream>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/RegistryKey.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "platform/setup/SetupQueries.h"
#include "platform/win32/LastError.h"

namespace {

constexpr DWORD ERROR_KEY_DOES_NOT_EXIST = 1018;

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

struct DriverNode {
  SP_DRVINFO_DATA_A info{};
  std::string section;
  std::string infFile;
  std::vector<std::string> ids;
};

struct DriverList {
  std::vector<DriverNode> nodes;
};

using ListKey = std::pair<const void*, DEVINST>;

std::mutex& listsMutex() {
  static std::mutex mutex;
  return mutex;
}

// Element -> its class-driver and compatible-driver lists (handles of kind DriverList).
std::map<ListKey, DriverList*>& lists(DWORD type) {
  static std::map<ListKey, DriverList*> classLists, compatLists;
  return type == SPDIT_CLASSDRIVER ? classLists : compatLists;
}

// The node's record as the machine keeps it now, else as the set saw it.
platform::DeviceRecord currentRecord(const setup::DeviceInfoSet& set, const setup::DeviceElement& e) {
  if (set.machine) {
    platform::SetupDatabase db = set.machine->setupState();
    if (const platform::DeviceRecord* r = db.find(e.record.instanceId)) return *r;
  }
  return e.record;
}

std::string baseName(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// DriverVer's second field ("mm/dd/yyyy,a.b.c.d"): the four parts as 16-bit fields.
ULONGLONG versionNumber(const platform::InfFile& inf) {
  unsigned parts[4] = {};
  if (const std::optional<platform::InfSection> version = inf.section("Version")) {
    for (const platform::InfLine& line : *version) {
      if (platform::EqualsNoCase(line.key, "DriverVer") && line.fields.size() > 1)
        std::sscanf(line.fields[1].c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    }
  }
  ULONGLONG v = 0;
  for (unsigned p : parts) v = (v << 16) | (p & 0xFFFF);
  return v;
}

void copyField(char* to, std::size_t size, const std::string& from) { std::snprintf(to, size, "%s", from.c_str()); }

void addModels(DriverList& list, const std::string& infName, const std::string& bytes, DWORD type,
               const platform::DeviceRecord& device) {
  std::optional<platform::InfFile> inf = platform::InfFile::parse(bytes);
  if (!inf) return;
  std::optional<platform::InfDriver> driver = platform::ReadInfDriver(*inf);
  if (!driver) return;
  if (!device.classGuid.empty() && !platform::EqualsNoCase(device.classGuid, driver->version.classGuid)) return;
  for (const platform::InfModel& model : driver->models) {
    if (type == SPDIT_COMPATDRIVER) {
      bool matches = false;
      for (const std::string& id : model.ids) {
        for (const std::string& h : device.hardwareIds) matches = matches || platform::EqualsNoCase(h, id);
        for (const std::string& c : device.compatibleIds) matches = matches || platform::EqualsNoCase(c, id);
      }
      if (!matches) continue;
    }
    DriverNode node;
    node.info.cbSize = sizeof(SP_DRVINFO_DATA_A);
    node.info.DriverType = type;
    copyField(node.info.Description, sizeof node.info.Description, model.description);
    copyField(node.info.MfgName, sizeof node.info.MfgName, model.manufacturer);
    copyField(node.info.ProviderName, sizeof node.info.ProviderName, driver->version.provider);
    node.info.DriverVersion = versionNumber(*inf);
    node.section = model.installSection;
    node.infFile = infName;
    node.ids = model.ids;
    node.info.Reserved = list.nodes.size() + 1;
    list.nodes.push_back(std::move(node));
  }
}

// The INF that `path` names: a stored package by its name, else a readable file.
bool readNamedInf(platform::Machine* machine, const std::string& path, std::string& name, std::string& bytes) {
  if (machine) {
    for (const platform::StoredPackage& p : machine->setupState().packages) {
      if (platform::EqualsNoCase(p.name, baseName(path))) {
        name = p.name;
        bytes = *p.bytes;
        return true;
      }
    }
  }
  std::string local = path;
  for (char& c : local) c = c == '\\' ? '/' : c;
  std::ifstream in(local, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  name = baseName(local);
  bytes = text.str();
  return true;
}

struct Located {
  setup::DeviceInfoSet* set = nullptr;
  setup::DeviceElement* element = nullptr;
};

// The set and element of a call that needs both.
bool locate(HDEVINFO handle, PSP_DEVINFO_DATA data, Located& out) {
  out.set = setup::FindDeviceInfoSet(handle);
  if (!out.set) return false;
  out.element = setup::FindElement(*out.set, data);
  return out.element != nullptr;
}

DriverList* findList(HDEVINFO handle, const setup::DeviceElement& e, DWORD type) {
  std::lock_guard lock(listsMutex());
  auto it = lists(type).find({handle, e.devInst});
  return it == lists(type).end() ? nullptr : it->second;
}

}  // namespace

HKEY SetupDiOpenDevRegKey(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Scope, DWORD HwProfile,
                          DWORD KeyType, REGSAM) {
  const auto invalid = static_cast<HKEY>(INVALID_HANDLE_VALUE);
  if (setup::TakeFailure("SetupDiOpenDevRegKey")) return invalid;
  Located at;
  if (!locate(DeviceInfoSet, DeviceInfoData, at)) return invalid;
  if ((Scope != DICS_FLAG_GLOBAL && Scope != DICS_FLAG_CONFIGSPECIFIC) || KeyType != DIREG_DRV || HwProfile > 1) {
    SetLastError(KeyType == DIREG_DEV ? ERROR_KEY_DOES_NOT_EXIST : ERROR_INVALID_FLAGS);
    return invalid;
  }
  const platform::DriverKey k = currentRecord(*at.set, *at.element).driverKey;
  if (k.infPath.empty() && k.infSection.empty()) {
    SetLastError(ERROR_KEY_DOES_NOT_EXIST);  // never bound
    return invalid;
  }
  setup::RegistryKey key;
  if (!k.infPath.empty()) key.putString("InfPath", k.infPath);
  if (!k.providerName.empty()) key.putString("ProviderName", k.providerName);
  if (!k.infSection.empty()) key.putString("InfSection", k.infSection);
  if (!k.driverDesc.empty()) key.putString("DriverDesc", k.driverDesc);
  return setup::NewRegistryKey(std::move(key));
}

BOOL SetupDiSetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                    PSP_DEVINSTALL_PARAMS_A DeviceInstallParams) {
  if (setup::TakeFailure("SetupDiSetDeviceInstallParamsA")) return FALSE;
  setup::DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSet);
  if (!set) return FALSE;
  if (!DeviceInstallParams) return fail(ERROR_INVALID_PARAMETER);
  if (DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) return fail(ERROR_INVALID_USER_BUFFER);
  if (::memchr(DeviceInstallParams->DriverPath, '\0', MAX_PATH) == nullptr) return fail(ERROR_INVALID_PARAMETER);
  SP_DEVINSTALL_PARAMS_A* to = &set->installParams;
  if (DeviceInfoData) {
    setup::DeviceElement* e = setup::FindElement(*set, DeviceInfoData);
    if (!e) return FALSE;
    to = &e->installParams;
  }
  *to = *DeviceInstallParams;
  return TRUE;
}

BOOL SetupDiBuildDriverInfoList(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD DriverType) {
  if (setup::TakeFailure("SetupDiBuildDriverInfoList")) return FALSE;
  if (DriverType != SPDIT_CLASSDRIVER && DriverType != SPDIT_COMPATDRIVER) return fail(ERROR_INVALID_PARAMETER);
  Located at;
  if (!locate(DeviceInfoSet, DeviceInfoData, at)) return FALSE;
  if (findList(DeviceInfoSet, *at.element, DriverType)) return TRUE;  // built already
  const platform::DeviceRecord device = currentRecord(*at.set, *at.element);
  auto list = std::make_unique<DriverList>();
  if (at.element->installParams.Flags & DI_ENUMSINGLEINF) {
    std::string name, bytes;
    if (!readNamedInf(at.set->machine, at.element->installParams.DriverPath, name, bytes))
      return fail(ERROR_FILE_NOT_FOUND);
    addModels(*list, name, bytes, DriverType, device);
  } else if (at.set->machine) {
    for (const platform::StoredPackage& p : at.set->machine->setupState().packages)
      addModels(*list, p.name, *p.bytes, DriverType, device);
  }
  DriverList* made = setup::AddHandle(setup::HandleKind::DriverList, std::move(list));
  std::lock_guard lock(listsMutex());
  lists(DriverType)[{DeviceInfoSet, at.element->devInst}] = made;
  return TRUE;
}

BOOL SetupDiEnumDriverInfoA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD DriverType,
                            DWORD MemberIndex, PSP_DRVINFO_DATA_A DriverInfoData) {
  if (setup::TakeFailure("SetupDiEnumDriverInfoA")) return FALSE;
  if (!DriverInfoData) return fail(ERROR_INVALID_PARAMETER);
  if (DriverInfoData->cbSize != sizeof(SP_DRVINFO_DATA_A)) return fail(ERROR_INVALID_USER_BUFFER);
  Located at;
  if (!locate(DeviceInfoSet, DeviceInfoData, at)) return FALSE;
  DriverList* list = findList(DeviceInfoSet, *at.element, DriverType);
  if (!list || MemberIndex >= list->nodes.size()) return fail(ERROR_NO_MORE_ITEMS);
  *DriverInfoData = list->nodes[MemberIndex].info;
  return TRUE;
}

BOOL SetupDiGetDriverInfoDetailA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                 PSP_DRVINFO_DATA_A DriverInfoData, PSP_DRVINFO_DETAIL_DATA_A Detail, DWORD DetailSize,
                                 LPDWORD RequiredSize) {
  if (setup::TakeFailure("SetupDiGetDriverInfoDetailA")) return FALSE;
  if (!DriverInfoData || (DetailSize && !Detail)) return fail(ERROR_INVALID_PARAMETER);
  Located at;
  if (!locate(DeviceInfoSet, DeviceInfoData, at)) return FALSE;
  DriverList* list = findList(DeviceInfoSet, *at.element, DriverInfoData->DriverType);
  const std::size_t index = DriverInfoData->Reserved;
  if (!list || index == 0 || index > list->nodes.size()) return fail(ERROR_INVALID_PARAMETER);
  const DriverNode& node = list->nodes[index - 1];
  std::string ids;
  for (const std::string& id : node.ids) ids += id + '\0';
  ids.push_back('\0');
  const std::size_t fixed = offsetof(SP_DRVINFO_DETAIL_DATA_A, HardwareID);
  const auto required = static_cast<DWORD>(fixed + ids.size());
  if (RequiredSize) *RequiredSize = required;
  if (!Detail) return fail(ERROR_INSUFFICIENT_BUFFER);
  if (Detail->cbSize != sizeof(SP_DRVINFO_DETAIL_DATA_A) || DetailSize < sizeof(SP_DRVINFO_DETAIL_DATA_A))
    return fail(ERROR_INVALID_USER_BUFFER);
  Detail->InfDate = {};
  const std::size_t first = node.ids.empty() ? 0 : node.ids[0].size() + 1;
  Detail->CompatIDsOffset = static_cast<DWORD>(first);
  Detail->CompatIDsLength = static_cast<DWORD>(ids.size() > first + 1 ? ids.size() - first : 0);
  Detail->Reserved = index;
  copyField(Detail->SectionName, sizeof Detail->SectionName, node.section);
  copyField(Detail->InfFileName, sizeof Detail->InfFileName, node.infFile);
  copyField(Detail->DrvDescription, sizeof Detail->DrvDescription, node.info.Description);
  // The fixed part is always filled; the ids as far as they fit.
  const std::size_t room = DetailSize - fixed;
  std::memcpy(Detail->HardwareID, ids.data(), std::min(room, ids.size()));
  if (room < ids.size()) {
    if (room > 0) Detail->HardwareID[room - 1] = '\0';
    return fail(ERROR_INSUFFICIENT_BUFFER);
  }
  return TRUE;
}

BOOL SetupDiDestroyDriverInfoList(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD DriverType) {
  if (DriverType != SPDIT_CLASSDRIVER && DriverType != SPDIT_COMPATDRIVER) return fail(ERROR_INVALID_PARAMETER);
  Located at;
  if (!locate(DeviceInfoSet, DeviceInfoData, at)) return FALSE;
  DriverList* list = nullptr;
  {
    std::lock_guard lock(listsMutex());
    auto it = lists(DriverType).find({DeviceInfoSet, at.element->devInst});
    if (it != lists(DriverType).end()) {
      list = it->second;
      lists(DriverType).erase(it);
    }
  }
  if (list) setup::RemoveHandleObject(setup::HandleKind::DriverList, list);
  return TRUE;
}

namespace setup {

void DestroyDriverListsOf(HDEVINFO DeviceInfoSet) {
  std::vector<DriverList*> gone;
  {
    std::lock_guard lock(listsMutex());
    for (DWORD type : {SPDIT_CLASSDRIVER, SPDIT_COMPATDRIVER}) {
      auto& all = lists(type);
      for (auto it = all.begin(); it != all.end();) {
        if (it->first.first != DeviceInfoSet) {
          ++it;
          continue;
        }
        gone.push_back(it->second);
        it = all.erase(it);
      }
    }
  }
  for (DriverList* list : gone) RemoveHandleObject(HandleKind::DriverList, list);
}

}  // namespace setup
