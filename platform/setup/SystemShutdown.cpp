// The process token's shutdown privilege and the restart request, recorded in the attached
// Machine. The host's own privileges and power state are never touched.

#include "platform/setup/SystemShutdown.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "platform/machine/InfFile.h"
#include "platform/setup/DeviceInfoSet.h"
#include "platform/setup/InfSource.h"
#include "platform/setup/SetupDiagnostics.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/LastError.h"

namespace {

std::atomic<bool> g_shutdownEnabled{false};
std::atomic<std::size_t> g_tokens{0};

class TokenObject final : public win32::KernelObject {
 public:
  explicit TokenObject(DWORD access) : access_(access) { ++g_tokens; }
  ~TokenObject() override { --g_tokens; }
  const char* TypeName() const override { return "Token"; }
  DWORD access() const { return access_; }

 private:
  DWORD access_;
};

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool isShutdown(const LUID& luid) { return luid.LowPart == SE_SHUTDOWN_PRIVILEGE && luid.HighPart == 0; }

// Tokens left open when the process ends are reported on standard error.
struct ExitReport {
  ~ExitReport() {
    if (std::size_t open = g_tokens.load()) std::fprintf(stderr, "setup: %zu token handle(s) left open\n", open);
  }
} exitReport;

}  // namespace

namespace setup {

std::size_t OpenTokenHandles() { return g_tokens.load(); }

void ResetShutdownPrivilege() { g_shutdownEnabled = false; }

}  // namespace setup

BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
  if (setup::TakeFailure("OpenProcessToken")) return FALSE;
  if (!TokenHandle) return fail(ERROR_NOACCESS);
  *TokenHandle = nullptr;
  if (ProcessHandle != GetCurrentProcess()) return fail(ERROR_INVALID_HANDLE);
  HANDLE handle = win32::HandleTable::Instance().Insert(std::make_shared<TokenObject>(DesiredAccess));
  if (!handle) return fail(ERROR_NOT_ENOUGH_MEMORY);
  *TokenHandle = handle;
  return TRUE;
}

BOOL LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid) {
  if (setup::TakeFailure("LookupPrivilegeValueA")) return FALSE;
  if (!lpName || !lpLuid) return fail(ERROR_INVALID_PARAMETER);
  if (!setup::IsLocalMachineName(lpSystemName)) return fail(ERROR_BAD_NETPATH);
  if (!platform::EqualsNoCase(lpName, SE_SHUTDOWN_NAME)) return fail(ERROR_NO_SUCH_PRIVILEGE);
  lpLuid->LowPart = SE_SHUTDOWN_PRIVILEGE;
  lpLuid->HighPart = 0;
  return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                           DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, LPDWORD ReturnLength) {
  if (setup::TakeFailure("AdjustTokenPrivileges")) return FALSE;
  std::shared_ptr<TokenObject> token = win32::ReferenceObjectByHandle<TokenObject>(TokenHandle);
  if (!token) return FALSE;
  if (!(token->access() & TOKEN_ADJUST_PRIVILEGES)) return fail(ERROR_ACCESS_DENIED);
  if (PreviousState && !(token->access() & TOKEN_QUERY)) return fail(ERROR_ACCESS_DENIED);
  if (!DisableAllPrivileges && !NewState) return fail(ERROR_INVALID_PARAMETER);
  if (PreviousState) {
    if (ReturnLength) *ReturnLength = sizeof(TOKEN_PRIVILEGES);
    if (BufferLength < sizeof(TOKEN_PRIVILEGES)) return fail(ERROR_INSUFFICIENT_BUFFER);
  }
  const bool before = g_shutdownEnabled.load();
  bool enabled = before;
  bool allAssigned = true;
  if (DisableAllPrivileges) {
    enabled = false;
  } else {
    for (DWORD i = 0; i < NewState->PrivilegeCount; ++i) {
      const LUID_AND_ATTRIBUTES& p = NewState->Privileges[i];
      if (!isShutdown(p.Luid)) {
        allAssigned = false;  // a privilege this token does not hold
        continue;
      }
      enabled = (p.Attributes & SE_PRIVILEGE_ENABLED) && !(p.Attributes & SE_PRIVILEGE_REMOVED);
    }
  }
  g_shutdownEnabled = enabled;
  if (PreviousState) {
    PreviousState->PrivilegeCount = before != enabled ? 1 : 0;
    PreviousState->Privileges[0].Luid = LUID{static_cast<DWORD>(SE_SHUTDOWN_PRIVILEGE), 0};
    PreviousState->Privileges[0].Attributes = before ? SE_PRIVILEGE_ENABLED : 0;
  }
  SetLastError(allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
  return TRUE;
}

BOOL InitiateSystemShutdownExA(LPSTR lpMachineName, LPSTR, DWORD, BOOL, BOOL, DWORD) {
  if (setup::TakeFailure("InitiateSystemShutdownExA")) return FALSE;
  if (!setup::IsLocalMachineName(lpMachineName)) return fail(ERROR_BAD_NETPATH);
  if (!g_shutdownEnabled.load()) return fail(ERROR_PRIVILEGE_NOT_HELD);
  platform::Machine* machine = setup::AttachedMachine();
  if (!machine) return fail(ERROR_NOT_READY);
  // Until the machine loads again, the restart asked for is still to come.
  if (machine->restartRequested()) return fail(ERROR_SHUTDOWN_IN_PROGRESS);
  if (!machine->requestRestart()) return fail(setup::ERROR_WRITE_FAULT);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
