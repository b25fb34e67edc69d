#pragma once

// The setup calls that change the device tree: new root-enumerated device elements and their
// registration (DIF_REGISTERDEVICE), writing hardware ids, enabling, disabling and restarting a
// device (DIF_PROPERTYCHANGE), the class of an INF, and binding an INF's driver to the present
// devices that a hardware id names (UpdateDriverForPlugAndPlayDevicesA).
//
// SetupDiCallClassInstaller (SetupApi.h) takes DIF_REMOVE, DIF_PROPERTYCHANGE and
// DIF_REGISTERDEVICE. A property change acts on the present node of the element's instance id:
// - disable: orderly removal; the node is left removed with DN_HAS_PROBLEM / CM_PROB_DISABLED,
//   and the disabled flag is saved. A veto leaves the device running, keeps the flag for the next
//   start of the machine and sets DI_NEEDRESTART in the element's install parameters.
// - enable: the flag is cleared and saved, and a removed or failed node is added and started.
// - propchange: disable, then enable.
// The global and config-specific scopes act alike (one hardware profile). Every call can be made
// to fail once through setup::FailNextCall (SetupDiagnostics.h).

#include "platform/setup/SetupApi.h"

typedef BOOL* PBOOL;

constexpr DI_FUNCTION DIF_REGISTERDEVICE = 0x19;

// Property-change state changes and scopes.
constexpr DWORD DICS_ENABLE = 0x1;
constexpr DWORD DICS_DISABLE = 0x2;
constexpr DWORD DICS_PROPCHANGE = 0x3;
constexpr DWORD DICS_START = 0x4;
constexpr DWORD DICS_STOP = 0x5;
constexpr DWORD DICS_FLAG_GLOBAL = 0x1;
constexpr DWORD DICS_FLAG_CONFIGSPECIFIC = 0x2;
constexpr DWORD DICS_FLAG_CONFIGGENERAL = 0x4;

struct SP_PROPCHANGE_PARAMS {
  SP_CLASSINSTALL_HEADER ClassInstallHeader;
  DWORD StateChange;
  DWORD Scope;
  DWORD HwProfile;
};
typedef SP_PROPCHANGE_PARAMS* PSP_PROPCHANGE_PARAMS;

// SetupDiCreateDeviceInfoA flags.
constexpr DWORD DICD_GENERATE_ID = 0x1;
constexpr DWORD DICD_INHERIT_CLASSDRVS = 0x2;

// UpdateDriverForPlugAndPlayDevicesA flags.
constexpr DWORD INSTALLFLAG_FORCE = 0x1;
constexpr DWORD INSTALLFLAG_READONLY = 0x2;
constexpr DWORD INSTALLFLAG_NONINTERACTIVE = 0x4;
constexpr DWORD INSTALLFLAG_BITS = 0x7;

// Errors of the setup layer used here.
constexpr DWORD ERROR_CLASS_MISMATCH = 0xE0000201;
constexpr DWORD ERROR_NO_DRIVER_SELECTED = 0xE0000203;
constexpr DWORD ERROR_INVALID_DEVINST_NAME = 0xE0000205;
constexpr DWORD ERROR_DEVINST_ALREADY_EXISTS = 0xE0000207;
constexpr DWORD ERROR_DEVINFO_NOT_REGISTERED = 0xE0000208;
constexpr DWORD ERROR_INVALID_REG_PROPERTY = 0xE0000209;
constexpr DWORD ERROR_NO_INF = 0xE000020A;
constexpr DWORD ERROR_DI_BAD_PATH = 0xE0000214;

// A set of no device (SetupDiCreateDeviceInfoListExA on the local machine).
HDEVINFO SetupDiCreateDeviceInfoList(const GUID* ClassGuid, HWND hwndParent);

// A new element of `ClassGuid`, not yet registered: with DICD_GENERATE_ID `DeviceName` is a name
// without "\" and the element gets the next free "ROOT\<DEVICENAME>\nnnn" (four decimal digits);
// without it `DeviceName` is the whole instance id, which must not be recorded yet
// (ERROR_DEVINST_ALREADY_EXISTS). The set's class, when it has one, must be `ClassGuid`.
BOOL SetupDiCreateDeviceInfoA(HDEVINFO DeviceInfoSet, LPCSTR DeviceName, const GUID* ClassGuid,
                              LPCSTR DeviceDescription, HWND hwndParent, DWORD CreationFlags,
                              PSP_DEVINFO_DATA DeviceInfoData);

// SPDRP_HARDWAREID and SPDRP_COMPATIBLEIDS (REG_MULTI_SZ), SPDRP_DEVICEDESC (REG_SZ); other
// properties give ERROR_INVALID_REG_PROPERTY. On a registered element the change is saved to the machine's
// record; on a new one it waits for DIF_REGISTERDEVICE. A null buffer of size 0 clears the value.
BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                       const BYTE* PropertyBuffer, DWORD PropertyBufferSize);

// The [Version] class of an INF file: its ClassGuid and Class. ERROR_INVALID_CLASS when the INF
// names neither, ERROR_FILE_NOT_FOUND for no such file, ERROR_INSUFFICIENT_BUFFER (with the size)
// for a short name buffer.
BOOL SetupDiGetINFClassA(LPCSTR InfName, GUID* ClassGuid, LPSTR ClassName, DWORD ClassNameSize, LPDWORD RequiredSize);

// Stores the INF as SetupCopyOEMInfA does, then binds its driver for `HardwareId` to every
// present node whose hardware or compatible ids hold that id (case-insensitive) and rebuilds each
// node's stack. ERROR_NO_SUCH_DEVINST when no present node has the id, ERROR_NO_DRIVER_SELECTED
// when the INF has no driver for it, ERROR_FILE_NOT_FOUND for no such INF. A node whose removal
// is vetoed keeps running its old driver until the next start: *bRebootRequired is then TRUE
// (when given) and the call succeeds.
BOOL UpdateDriverForPlugAndPlayDevicesA(HWND hwndParent, LPCSTR HardwareId, LPCSTR FullInfPath, DWORD InstallFlags,
                                        PBOOL bRebootRequired);
