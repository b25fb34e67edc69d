// The driver store seen as files: the Windows directory is the machine's root, its INF folder
// lists the stored packages, which can be verified and deleted by their stored names.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "platform/setup/SetupQueries.h"
#include "platform/win32/LastError.h"

namespace {

// A machine in memory has no folder; its packages still show under this one.
constexpr char kMemoryWindowsDirectory[] = "C:\\WINDOWS";

std::atomic<bool>& nonInteractive() {
  static std::atomic<bool> flag{false};
  return flag;
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

std::string windowsDirectory(platform::Machine& machine) {
  return machine.root().empty() ? std::string(kMemoryWindowsDirectory) : machine.root().string();
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The part of `path` after "<windir>\INF\" (either separator, any case), or nullopt.
std::optional<std::string> storeName(platform::Machine& machine, std::string_view path) {
  const std::string dir = windowsDirectory(machine);
  if (path.size() <= dir.size() + 5) return std::nullopt;
  for (std::size_t i = 0; i < dir.size(); ++i) {
    const bool both = isSeparator(dir[i]) && isSeparator(path[i]);
    if (!both && std::toupper(static_cast<unsigned char>(dir[i])) != std::toupper(static_cast<unsigned char>(path[i])))
      return std::nullopt;
  }
  std::string_view rest = path.substr(dir.size());
  if (!isSeparator(rest[0]) || !platform::EqualsNoCase(rest.substr(1, 3), "INF") || !isSeparator(rest[4]))
    return std::nullopt;
  rest.remove_prefix(5);
  if (rest.find_first_of("/\\") != std::string_view::npos) return std::nullopt;
  return std::string(rest);
}

// "*" and "?" wildcards, without case.
bool wildcardMatch(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern[0] == '*') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip)
      if (wildcardMatch(pattern.substr(1), text.substr(skip))) return true;
    return false;
  }
  if (text.empty()) return false;
  if (pattern[0] != '?' &&
      std::toupper(static_cast<unsigned char>(pattern[0])) != std::toupper(static_cast<unsigned char>(text[0])))
    return false;
  return wildcardMatch(pattern.substr(1), text.substr(1));
}

// "oem<N>.inf" without case, N decimal digits.
bool isStoredName(std::string_view name) {
  if (name.size() < 8 || !platform::EqualsNoCase(name.substr(0, 3), "oem") ||
      !platform::EqualsNoCase(name.substr(name.size() - 4), ".inf"))
    return false;
  std::string_view digits = name.substr(3, name.size() - 7);
  for (char c : digits)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

struct FileSearch {
  std::vector<platform::StoredPackage> found;
  std::size_t next = 0;
};

void fillFindData(const platform::StoredPackage& p, WIN32_FIND_DATAA& data) {
  std::memset(&data, 0, sizeof data);
  data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  data.nFileSizeLow = static_cast<DWORD>(p.bytes->size());
  std::snprintf(data.cFileName, sizeof data.cFileName, "%s", p.name.c_str());
}

}  // namespace

BOOL SetupSetNonInteractiveMode(BOOL NonInteractiveFlag) {
  if (setup::TakeFailure("SetupSetNonInteractiveMode")) return FALSE;
  return nonInteractive().exchange(NonInteractiveFlag != FALSE) ? TRUE : FALSE;
}

bool SetupNonInteractiveMode() { return nonInteractive().load(); }

BOOL SetupUninstallOEMInfA(LPCSTR InfFileName, DWORD Flags, PVOID Reserved) {
  if (setup::TakeFailure("SetupUninstallOEMInfA")) return FALSE;
  if (Reserved || !InfFileName || !*InfFileName) return fail(ERROR_INVALID_PARAMETER);
  if (Flags & ~SUOI_FORCEDELETE) return fail(ERROR_INVALID_FLAGS);
  // A bare stored name only, so nothing outside the store can be named.
  const std::string_view name(InfFileName);
  if (name.find_first_of("/\\:") != std::string_view::npos) return fail(ERROR_INVALID_NAME);
  if (!isStoredName(name)) return fail(ERROR_FILE_NOT_FOUND);
  platform::Machine* machine = setup::AttachedMachine();
  if (!machine) return fail(ERROR_NOT_READY);
  DWORD error = ERROR_FILE_NOT_FOUND;
  bool saved = machine->changeSetupState([&](platform::SetupDatabase& db) {
    auto it = std::find_if(db.packages.begin(), db.packages.end(),
                           [&](const platform::StoredPackage& p) { return platform::EqualsNoCase(p.name, name); });
    if (it == db.packages.end()) return;
    if (!(Flags & SUOI_FORCEDELETE)) {
      for (const auto& [key, device] : db.devices) {
        if (platform::EqualsNoCase(device.driverKey.infPath, it->name)) {
          error = ERROR_INF_IN_USE_BY_DEVICES;
          return;
        }
      }
    }
    db.packages.erase(it);
    error = ERROR_SUCCESS;
  });
  if (!saved) return fail(ERROR_ACCESS_DENIED);
  if (error != ERROR_SUCCESS) return fail(error);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  if (setup::TakeFailure("GetWindowsDirectoryA")) return 0;
  platform::Machine* machine = setup::AttachedMachine();
  if (!machine) {
    SetLastError(ERROR_NOT_READY);
    return 0;
  }
  const std::string dir = windowsDirectory(*machine);
  if (!lpBuffer || uSize < dir.size() + 1) return static_cast<UINT>(dir.size() + 1);
  std::memcpy(lpBuffer, dir.c_str(), dir.size() + 1);
  return static_cast<UINT>(dir.size());
}

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  if (setup::TakeFailure("FindFirstFileA")) return INVALID_HANDLE_VALUE;
  if (!lpFileName || !lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  platform::Machine* machine = setup::AttachedMachine();
  std::optional<std::string> pattern = machine ? storeName(*machine, lpFileName) : std::nullopt;
  if (!pattern) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_unique<FileSearch>();
  for (platform::StoredPackage& p : machine->setupState().packages)
    if (wildcardMatch(*pattern, p.name)) search->found.push_back(std::move(p));
  if (search->found.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  fillFindData(search->found[0], *lpFindFileData);
  search->next = 1;
  return setup::AddHandle(setup::HandleKind::FindFile, std::move(search));
}

BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  if (setup::TakeFailure("FindNextFileA")) return FALSE;
  auto* search = setup::FindHandle<FileSearch>(setup::HandleKind::FindFile, hFindFile);
  if (!search) return fail(ERROR_INVALID_HANDLE);
  if (!lpFindFileData) return fail(ERROR_INVALID_PARAMETER);
  if (search->next >= search->found.size()) return fail(ERROR_NO_MORE_FILES);
  fillFindData(search->found[search->next++], *lpFindFileData);
  return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
  return setup::RemoveHandleObject(setup::HandleKind::FindFile, hFindFile) ? TRUE : fail(ERROR_INVALID_HANDLE);
}

BOOL SetupVerifyInfFile(LPCSTR InfName, PVOID, PSP_INF_SIGNER_INFO_A InfSignerInfo) {
  if (setup::TakeFailure("SetupVerifyInfFile")) return FALSE;
  if (!InfName || !InfSignerInfo) return fail(ERROR_INVALID_PARAMETER);
  if (InfSignerInfo->cbSize != sizeof(SP_INF_SIGNER_INFO_A)) return fail(ERROR_INVALID_USER_BUFFER);
  platform::Machine* machine = setup::AttachedMachine();
  std::optional<std::string> name = machine ? storeName(*machine, InfName) : std::nullopt;
  if (!name) return fail(ERROR_FILE_NOT_FOUND);
  for (const platform::StoredPackage& p : machine->setupState().packages) {
    if (!platform::EqualsNoCase(p.name, *name)) continue;
    std::optional<platform::InfFile> inf = platform::InfFile::parse(*p.bytes);
    if (!inf || !platform::ReadInfDriver(*inf)) return fail(ERROR_INVALID_DATA);
    InfSignerInfo->CatalogFile[0] = '\0';
    InfSignerInfo->DigitalSigner[0] = '\0';
    InfSignerInfo->DigitalSignerVersion[0] = '\0';
    return TRUE;
  }
  return fail(ERROR_FILE_NOT_FOUND);
}

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName) {
  if (!lpReturnedString || nSize == 0) return 0;
  std::string text = lpDefault ? lpDefault : "";
  std::string bytes;
  bool found = false;
  platform::Machine* machine = setup::AttachedMachine();
  if (std::optional<std::string> name = machine && lpFileName ? storeName(*machine, lpFileName) : std::nullopt) {
    for (const platform::StoredPackage& p : machine->setupState().packages) {
      if (platform::EqualsNoCase(p.name, *name)) {
        bytes = *p.bytes;
        found = true;
      }
    }
  } else if (lpFileName) {
    std::string local = lpFileName;
    for (char& c : local) c = c == '\\' ? '/' : c;
    std::ifstream in(local, std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    bytes = read.str();
    found = static_cast<bool>(in);
  }
  if (found && lpAppName && lpKeyName) {
    if (std::optional<platform::InfFile> inf = platform::InfFile::parse(bytes)) {
      const std::optional<platform::InfSection> section = inf->section(lpAppName);
      for (std::size_t i = 0; section && i < section->size(); ++i) {
        const platform::InfLine line = (*section)[i];
        if (!platform::EqualsNoCase(line.key, lpKeyName)) continue;
        // The whole value, its fields joined again.
        text.clear();
        for (std::size_t f = 0; f < line.fields.size(); ++f) text += (f ? "," : "") + line.fields[f];
        break;
      }
    }
  }
  SetLastError(found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
  std::size_t n = std::min<std::size_t>(text.size(), nSize - 1);
  std::memcpy(lpReturnedString, text.data(), n);
  lpReturnedString[n] = '\0';
  return static_cast<DWORD>(n);
}
