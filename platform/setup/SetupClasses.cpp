// Setup classes: the class list (the classes of the stored packages and any added), names and
// descriptions by GUID, and the installer key with the class's filter drivers.

#include <cstring>
#include <optional>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/RegistryKey.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupQueries.h"
#include "platform/win32/LastError.h"

namespace {

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The class of `guid` (the first with it), or nullopt with the last error set.
std::optional<platform::SetupClass> classOf(const GUID* guid, LPCSTR machineName, PVOID reserved) {
  if (!guid || reserved) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  if (!setup::IsLocalMachineName(machineName)) {
    SetLastError(ERROR_INVALID_MACHINENAME);
    return std::nullopt;
  }
  const std::string text = setup::GuidText(*guid);
  if (platform::Machine* machine = setup::AttachedMachine()) {
    for (const platform::SetupClass& c : machine->setupClasses()) {
      if (platform::EqualsNoCase(c.guid, text)) return c;
    }
  }
  SetLastError(ERROR_INVALID_CLASS);
  return std::nullopt;
}

BOOL copyText(const std::string& text, LPSTR buffer, DWORD size, LPDWORD required) {
  if (required) *required = static_cast<DWORD>(text.size() + 1);
  if (!buffer || size < text.size() + 1) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return TRUE;
}

}  // namespace

BOOL SetupDiBuildClassInfoListExA(DWORD Flags, GUID* ClassGuidList, DWORD ClassGuidListSize, LPDWORD RequiredSize,
                                  LPCSTR MachineName, PVOID Reserved) {
  if (setup::TakeFailure("SetupDiBuildClassInfoListExA")) return FALSE;
  if (Reserved || (ClassGuidListSize && !ClassGuidList)) return fail(ERROR_INVALID_PARAMETER);
  if (Flags & ~(DIBCI_NOINSTALLCLASS | DIBCI_NODISPLAYCLASS)) return fail(ERROR_INVALID_FLAGS);
  if (!setup::IsLocalMachineName(MachineName)) return fail(ERROR_INVALID_MACHINENAME);
  // Every class here has an installer and is shown, so the flags leave none out.
  std::vector<GUID> guids;
  if (platform::Machine* machine = setup::AttachedMachine()) {
    for (const platform::SetupClass& c : machine->setupClasses()) {
      GUID guid{};
      if (!setup::ParseGuid(c.guid, guid)) continue;
      bool seen = false;
      for (const GUID& g : guids) seen = seen || std::memcmp(&g, &guid, sizeof guid) == 0;
      if (!seen) guids.push_back(guid);
    }
  }
  if (RequiredSize) *RequiredSize = static_cast<DWORD>(guids.size());
  for (std::size_t i = 0; i < guids.size() && i < ClassGuidListSize; ++i) ClassGuidList[i] = guids[i];
  if (guids.size() > ClassGuidListSize) return fail(ERROR_INSUFFICIENT_BUFFER);
  return TRUE;
}

BOOL SetupDiClassNameFromGuidExA(const GUID* ClassGuid, LPSTR ClassName, DWORD ClassNameSize, LPDWORD RequiredSize,
                                 LPCSTR MachineName, PVOID Reserved) {
  if (setup::TakeFailure("SetupDiClassNameFromGuidExA")) return FALSE;
  std::optional<platform::SetupClass> c = classOf(ClassGuid, MachineName, Reserved);
  if (!c) return FALSE;
  return copyText(c->name, ClassName, ClassNameSize, RequiredSize);
}

BOOL SetupDiGetClassDescriptionExA(const GUID* ClassGuid, LPSTR ClassDescription, DWORD ClassDescriptionSize,
                                   LPDWORD RequiredSize, LPCSTR MachineName, PVOID Reserved) {
  if (setup::TakeFailure("SetupDiGetClassDescriptionExA")) return FALSE;
  std::optional<platform::SetupClass> c = classOf(ClassGuid, MachineName, Reserved);
  if (!c) return FALSE;
  return copyText(c->description.empty() ? c->name : c->description, ClassDescription, ClassDescriptionSize,
                  RequiredSize);
}

HKEY SetupDiOpenClassRegKeyExA(const GUID* ClassGuid, REGSAM, DWORD Flags, LPCSTR MachineName, PVOID Reserved) {
  const auto invalid = static_cast<HKEY>(INVALID_HANDLE_VALUE);
  if (setup::TakeFailure("SetupDiOpenClassRegKeyExA")) return invalid;
  if (Flags != DIOCR_INSTALLER && Flags != DIOCR_INTERFACE) {
    SetLastError(ERROR_INVALID_FLAGS);
    return invalid;
  }
  std::optional<platform::SetupClass> c = classOf(ClassGuid, MachineName, Reserved);
  if (!c) return invalid;
  if (Flags == DIOCR_INTERFACE || !c->installerKey) {
    SetLastError(ERROR_FILE_NOT_FOUND);  // no device interface classes are kept
    return invalid;
  }
  setup::RegistryKey key;
  key.putString("", c->description.empty() ? c->name : c->description);
  key.putString("Class", c->name);
  key.putMultiString("UpperFilters", c->upperFilters);
  key.putMultiString("LowerFilters", c->lowerFilters);
  return setup::NewRegistryKey(std::move(key));
}
