#pragma once

// Restarting the computer, as the "reboot" command asks for it: the shutdown privilege in the
// process token and InitiateSystemShutdownExA. Nothing here touches the host: the privilege is
// the process's own flag, and a restart is recorded in the attached Machine (saved with its
// state); the next load of that machine's root counts as the restart and carries out the
// removals that waited for it.

#include <cstddef>

#include "platform/win32/Win32Types.h"

struct LUID {
  DWORD LowPart;
  LONG HighPart;
};
typedef LUID* PLUID;

struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
};

constexpr DWORD ANYSIZE_ARRAY = 1;

struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[ANYSIZE_ARRAY];
};
typedef TOKEN_PRIVILEGES* PTOKEN_PRIVILEGES;

inline constexpr const char* SE_SHUTDOWN_NAME = "SeShutdownPrivilege";
constexpr LONG SE_SHUTDOWN_PRIVILEGE = 19;

constexpr DWORD SE_PRIVILEGE_ENABLED_BY_DEFAULT = 0x00000001;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;
constexpr DWORD SE_PRIVILEGE_REMOVED = 0x00000004;

constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;

constexpr DWORD ERROR_NOT_ALL_ASSIGNED = 1300;
constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;
constexpr DWORD ERROR_PRIVILEGE_NOT_HELD = 1314;
constexpr DWORD ERROR_SHUTDOWN_IN_PROGRESS = 1115;
constexpr DWORD ERROR_BAD_NETPATH = 53;

// Shutdown reasons.
constexpr DWORD SHTDN_REASON_FLAG_PLANNED = 0x80000000;
constexpr DWORD SHTDN_REASON_MAJOR_HARDWARE = 0x00010000;
constexpr DWORD SHTDN_REASON_MAJOR_OPERATINGSYSTEM = 0x00020000;
constexpr DWORD SHTDN_REASON_MAJOR_APPLICATION = 0x00040000;
constexpr DWORD SHTDN_REASON_MINOR_INSTALLATION = 0x00000002;

// A token handle of the calling process (GetCurrentProcess() only), closed with CloseHandle.
BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle);
// Local system only; SE_SHUTDOWN_NAME is the one privilege known (ERROR_NO_SUCH_PRIVILEGE else).
BOOL LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid);
// Needs TOKEN_ADJUST_PRIVILEGES. TRUE with last error ERROR_SUCCESS, or ERROR_NOT_ALL_ASSIGNED
// when a privilege named is not one the token holds.
BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                           DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, LPDWORD ReturnLength);
// Local machine only (a remote name gives ERROR_BAD_NETPATH); ERROR_PRIVILEGE_NOT_HELD unless the shutdown privilege
// was enabled; ERROR_NOT_READY with no machine attached. A restart (bRebootAfterShutdown) is recorded in the attached
// Machine; a shutdown without restart is recorded the same way.
BOOL InitiateSystemShutdownExA(LPSTR lpMachineName, LPSTR lpMessage, DWORD dwTimeout, BOOL bForceAppsClosed,
                               BOOL bRebootAfterShutdown, DWORD dwReason);

namespace setup {

// Token handles open now (they are also counted by the process's handle table).
std::size_t OpenTokenHandles();
// Disables the shutdown privilege again (a fresh process's state).
void ResetShutdownPrivilege();

}  // namespace setup
