// New device elements and what setup writes into them before and after their registration: the
// empty set, a root-enumerated element, its hardware ids and description, and an INF's class.

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/InfSource.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupInstall.h"
#include "platform/win32/LastError.h"

using setup::DeviceElement;
using setup::DeviceInfoSet;

namespace {

constexpr std::size_t kMaxInstanceId = 200;

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool isNullGuid(const GUID& g) {
  static const GUID zero{};
  return std::memcmp(&g, &zero, sizeof g) == 0;
}

// The strings of a REG_MULTI_SZ value of `size` bytes (an unterminated last string counts).
std::vector<std::string> splitMultiString(const BYTE* bytes, DWORD size) {
  std::vector<std::string> out;
  const char* at = reinterpret_cast<const char*>(bytes);
  const char* end = at + size;
  while (at < end && *at) {
    const char* stop = static_cast<const char*>(std::memchr(at, '\0', static_cast<std::size_t>(end - at)));
    if (!stop) stop = end;
    out.emplace_back(at, stop);
    at = stop + 1;
  }
  return out;
}

std::string classNameOf(platform::Machine* machine, const std::string& guid) {
  if (!machine) return {};
  for (const platform::SetupClass& c : machine->setupClasses()) {
    if (platform::EqualsNoCase(c.guid, guid)) return c.name;
  }
  return {};
}

}  // namespace

HDEVINFO SetupDiCreateDeviceInfoList(const GUID* ClassGuid, HWND hwndParent) {
  if (setup::TakeFailure("SetupDiCreateDeviceInfoList")) return INVALID_HANDLE_VALUE;
  return SetupDiCreateDeviceInfoListExA(ClassGuid, hwndParent, nullptr, nullptr);
}

BOOL SetupDiCreateDeviceInfoA(HDEVINFO DeviceInfoSetIn, LPCSTR DeviceName, const GUID* ClassGuid,
                              LPCSTR DeviceDescription, HWND, DWORD CreationFlags, PSP_DEVINFO_DATA DeviceInfoData) {
  if (setup::TakeFailure("SetupDiCreateDeviceInfoA")) return FALSE;
  DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  if (CreationFlags & ~(DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS)) return fail(ERROR_INVALID_FLAGS);
  if (!DeviceName || !*DeviceName || !ClassGuid) return fail(ERROR_INVALID_PARAMETER);
  if (DeviceInfoData && DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return fail(ERROR_INVALID_USER_BUFFER);
  if (!isNullGuid(set->classGuid) && std::memcmp(&set->classGuid, ClassGuid, sizeof(GUID)) != 0)
    return fail(ERROR_CLASS_MISMATCH);
  if (!set->machine) return fail(ERROR_NOT_READY);

  std::vector<std::string> taken;
  for (const DeviceElement& e : set->elements) taken.push_back(e.record.instanceId);
  std::string id;
  if (CreationFlags & DICD_GENERATE_ID) {
    const std::string name(DeviceName);
    if (name.find_first_of("\\/ ,") != std::string::npos || name.size() > kMaxInstanceId - 10)
      return fail(ERROR_INVALID_DEVINST_NAME);
    id = set->machine->nextRootInstanceId(name, taken);
    if (id.empty()) return fail(ERROR_DEVINST_ALREADY_EXISTS);
  } else {
    id = DeviceName;
    // Only the root bus makes devices that setup asks for.
    if (id.size() > kMaxInstanceId || !platform::RootEnumerator::IsRootInstanceId(id))
      return fail(ERROR_INVALID_DEVINST_NAME);
    bool used = set->machine->deviceNode(id).has_value();
    for (const std::string& t : taken) used = used || platform::EqualsNoCase(t, id);
    if (used) return fail(ERROR_DEVINST_ALREADY_EXISTS);
  }

  DeviceElement e;
  e.record.instanceId = id;
  e.record.classGuid = setup::GuidText(*ClassGuid);
  e.record.className = classNameOf(set->machine, e.record.classGuid);
  if (DeviceDescription) e.record.description = DeviceDescription;
  e.present = false;
  e.registered = false;
  e.devInst = setup::DevInstOf(id);
  e.installParams.cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
  set->elements.push_back(std::move(e));
  if (DeviceInfoData) setup::FillDeviceInfoData(*set, set->elements.size() - 1, *DeviceInfoData);
  return TRUE;
}

BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSetIn, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                       const BYTE* PropertyBuffer, DWORD PropertyBufferSize) {
  if (setup::TakeFailure("SetupDiSetDeviceRegistryPropertyA")) return FALSE;
  DeviceInfoSet* set = setup::FindDeviceInfoSet(DeviceInfoSetIn);
  if (!set) return FALSE;
  DeviceElement* e = setup::FindElement(*set, DeviceInfoData);
  if (!e) return FALSE;
  if (!PropertyBuffer && PropertyBufferSize) return fail(ERROR_INVALID_PARAMETER);

  std::function<void(platform::DeviceRecord&)> change;
  switch (Property) {
    case SPDRP_HARDWAREID:
    case SPDRP_COMPATIBLEIDS: {
      std::vector<std::string> ids =
          PropertyBuffer ? splitMultiString(PropertyBuffer, PropertyBufferSize) : std::vector<std::string>{};
      const bool hardware = Property == SPDRP_HARDWAREID;
      change = [ids, hardware](platform::DeviceRecord& r) { (hardware ? r.hardwareIds : r.compatibleIds) = ids; };
      break;
    }
    case SPDRP_DEVICEDESC: {
      std::string text;
      if (PropertyBuffer) {
        const char* chars = reinterpret_cast<const char*>(PropertyBuffer);
        text.assign(chars, strnlen(chars, PropertyBufferSize));
      }
      change = [text](platform::DeviceRecord& r) { r.description = text; };
      break;
    }
    default:
      return fail(ERROR_INVALID_REG_PROPERTY);
  }

  if (e->registered) {
    if (!set->machine || !set->machine->changeDeviceRecord(e->record.instanceId, change))
      return fail(ERROR_NO_SUCH_DEVINST);
  }
  change(e->record);
  return TRUE;
}

BOOL SetupDiGetINFClassA(LPCSTR InfName, GUID* ClassGuid, LPSTR ClassName, DWORD ClassNameSize, LPDWORD RequiredSize) {
  if (setup::TakeFailure("SetupDiGetINFClassA")) return FALSE;
  if (!InfName || !*InfName || !ClassGuid || (ClassNameSize && !ClassName)) return fail(ERROR_INVALID_PARAMETER);
  std::string bytes;
  if (DWORD error = setup::ReadInfSource(InfName, bytes)) return fail(error);
  std::optional<platform::InfFile> inf = platform::InfFile::parse(bytes);
  if (!inf || !inf->section("Version")) return fail(ERROR_INVALID_DATA);
  std::string name = inf->value("Version", "Class");
  std::string guidText = inf->value("Version", "ClassGuid");
  GUID guid{};
  if (!guidText.empty() && !setup::ParseGuid(guidText, guid)) return fail(ERROR_INVALID_CLASS);
  if (guidText.empty()) {
    if (name.empty()) return fail(ERROR_NO_ASSOCIATED_CLASS);
    // A class named without its GUID: the GUID of a class of that name this machine knows, if any.
    if (platform::Machine* machine = setup::AttachedMachine()) {
      for (const platform::SetupClass& c : machine->setupClasses()) {
        if (platform::EqualsNoCase(c.name, name) && setup::ParseGuid(c.guid, guid)) break;
      }
    }
  }
  if (name.empty()) name = classNameOf(setup::AttachedMachine(), setup::GuidText(guid));
  if (RequiredSize) *RequiredSize = static_cast<DWORD>(name.size() + 1);
  if (ClassNameSize < name.size() + 1) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(ClassName, name.c_str(), name.size() + 1);
  *ClassGuid = guid;
  return TRUE;
}
