// RegQueryValueExA and RegCloseKey over the keys the setup layer opens.

#include <cstring>

#include "platform/machine/InfFile.h"
#include "platform/setup/RegistryKey.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "platform/setup/SetupQueries.h"
#include "platform/win32/LastError.h"

namespace setup {

void RegistryKey::putString(const std::string& name, const std::string& text) {
  values.push_back({name, REG_SZ, std::string(text.c_str(), text.size() + 1)});
}

void RegistryKey::putMultiString(const std::string& name, const std::vector<std::string>& strings) {
  if (strings.empty()) return;
  std::string bytes;
  for (const std::string& s : strings) bytes += s + '\0';
  bytes.push_back('\0');
  values.push_back({name, REG_MULTI_SZ, bytes});
}

HKEY NewRegistryKey(RegistryKey key) {
  return static_cast<HKEY>(
      static_cast<void*>(AddHandle(HandleKind::RegistryKey, std::make_unique<RegistryKey>(std::move(key)))));
}

}  // namespace setup

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, BYTE* lpData,
                      LPDWORD lpcbData) {
  if (setup::TakeFailure("RegQueryValueExA")) return static_cast<LONG>(GetLastError());
  auto* key = setup::FindHandle<setup::RegistryKey>(setup::HandleKind::RegistryKey, hKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  const std::string name = lpValueName ? lpValueName : "";
  for (const setup::RegistryValue& v : key->values) {
    if (!platform::EqualsNoCase(v.name, name)) continue;
    if (lpType) *lpType = v.type;
    const auto size = static_cast<DWORD>(v.bytes.size());
    if (lpData && *lpcbData < size) {
      *lpcbData = size;
      return ERROR_MORE_DATA;
    }
    if (lpData) std::memcpy(lpData, v.bytes.data(), size);
    if (lpcbData) *lpcbData = size;
    return ERROR_SUCCESS;
  }
  return ERROR_FILE_NOT_FOUND;
}

LONG RegCloseKey(HKEY hKey) {
  return setup::RemoveHandleObject(setup::HandleKind::RegistryKey, hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
