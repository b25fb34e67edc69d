// Run-time loading of "newdev.dll" and "setupapi.dll": a module is our own table of the
// exports callers look up by name; a test can hide one. LoadStringA reads the program's
// string table.

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "platform/machine/InfFile.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/setup/SetupHandles.h"
#include "platform/setup/SetupQueries.h"
#include "platform/win32/LastError.h"
#include "resources/data/StringTable.h"

namespace {

struct Export {
  const char* name;
  FARPROC address;
};

template <typename F>
FARPROC address(F* function) {
  return reinterpret_cast<FARPROC>(function);
}

const std::vector<Export>& exportsOf(const std::string& module) {
  static const std::vector<Export> newdev = {
      {"UpdateDriverForPlugAndPlayDevicesA", address(&UpdateDriverForPlugAndPlayDevicesA)},
  };
  static const std::vector<Export> setupapi = {
      {"SetupSetNonInteractiveMode", address(&SetupSetNonInteractiveMode)},
      {"SetupUninstallOEMInfA", address(&SetupUninstallOEMInfA)},
      {"SetupVerifyInfFile", address(&SetupVerifyInfFile)},
      {"SetupCopyOEMInfA", address(&SetupCopyOEMInfA)},
  };
  static const std::vector<Export> none;
  return module == "NEWDEV.DLL" ? newdev : module == "SETUPAPI.DLL" ? setupapi : none;
}

struct Module {
  std::string name;  // upper case, with ".DLL"
};

std::mutex& hiddenMutex() {
  static std::mutex mutex;
  return mutex;
}

std::set<std::pair<std::string, std::string>>& hidden() {
  static std::set<std::pair<std::string, std::string>> names;
  return names;
}

std::string moduleName(std::string_view name) {
  std::string upper = platform::UpperCase(name);
  if (upper.size() < 4 || upper.substr(upper.size() - 4) != ".DLL") upper += ".DLL";
  return upper;
}

}  // namespace

namespace setup {

void HideExport(std::string_view module, std::string_view function) {
  std::lock_guard lock(hiddenMutex());
  hidden().insert({moduleName(module), std::string(function)});
}

void ShowAllExports() {
  std::lock_guard lock(hiddenMutex());
  hidden().clear();
}

}  // namespace setup

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
  if (setup::TakeFailure("LoadLibraryA")) return nullptr;
  if (!lpLibFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::string name = moduleName(lpLibFileName);
  if (exportsOf(name).empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto module = std::make_unique<Module>();
  module->name = name;
  return static_cast<HMODULE>(static_cast<void*>(setup::AddHandle(setup::HandleKind::Module, std::move(module))));
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (setup::TakeFailure("GetProcAddress")) return nullptr;
  auto* module = setup::FindHandle<Module>(setup::HandleKind::Module, hModule);
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!lpProcName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  {
    std::lock_guard lock(hiddenMutex());
    if (hidden().count({module->name, lpProcName})) {
      SetLastError(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
  }
  for (const Export& e : exportsOf(module->name)) {
    if (std::strcmp(e.name, lpProcName) == 0) return e.address;
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

BOOL FreeLibrary(HMODULE hLibModule) {
  if (setup::RemoveHandleObject(setup::HandleKind::Module, hLibModule)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  const char* text = LoadResourceString(static_cast<int>(uID));
  if (!text) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  if (!lpBuffer || cchBufferMax <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::size_t n = std::min(std::strlen(text), static_cast<std::size_t>(cchBufferMax - 1));
  std::memcpy(lpBuffer, text, n);
  lpBuffer[n] = '\0';
  return static_cast<int>(n);
}
