#pragma once

// The setup-API and configuration-manager subset the driver installer uses, with the platform's
// names, constants and error conventions (BOOL results with the thread's last error; CONFIGRET
// results for CM_ calls). Every call works on the Machine of the attached kernel
// (win32::AttachedDeviceSystem()); with none attached there are no devices (empty sets,
// ERROR_NO_SUCH_DEVINST) and SetupCopyOEMInfA fails with ERROR_NOT_READY.
//
// A device information set is a snapshot of the machine's recorded nodes taken when it is made;
// its elements stay in it after DIF_REMOVE, so walking it by index visits every element.

#include "platform/nt/Guid.h"
#include "platform/win32/Win32Errors.h"
#include "platform/win32/Win32Types.h"

constexpr DWORD MAX_PATH = 260;
constexpr DWORD SP_MAX_MACHINENAME_LENGTH = MAX_PATH + 3;

// Errors of the setup layer (customer bit and error severity over the low word).
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_INVALID_FLAGS = 1004;
constexpr DWORD ERROR_INVALID_USER_BUFFER = 1784;
constexpr DWORD ERROR_NO_ASSOCIATED_CLASS = 0xE0000200;
constexpr DWORD ERROR_INVALID_CLASS = 0xE0000206;
constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020B;
constexpr DWORD ERROR_NO_CLASSINSTALL_PARAMS = 0xE0000215;
constexpr DWORD ERROR_INVALID_MACHINENAME = 0xE0000220;
constexpr DWORD ERROR_DI_DO_DEFAULT = 0xE000020E;

typedef void* HDEVINFO;
typedef DWORD DEVINST;
typedef DEVINST DEVNODE;
typedef HANDLE HMACHINE;
typedef UINT DI_FUNCTION;
typedef DWORD CONFIGRET;

// SetupDiGetClassDevsExA flags.
constexpr DWORD DIGCF_DEFAULT = 0x1;
constexpr DWORD DIGCF_PRESENT = 0x2;
constexpr DWORD DIGCF_ALLCLASSES = 0x4;
constexpr DWORD DIGCF_PROFILE = 0x8;
constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;

// Installer functions and their parameters.
constexpr DI_FUNCTION DIF_REMOVE = 0x05;
constexpr DI_FUNCTION DIF_PROPERTYCHANGE = 0x12;
constexpr DWORD DI_REMOVEDEVICE_GLOBAL = 0x1;
constexpr DWORD DI_REMOVEDEVICE_CONFIGSPECIFIC = 0x2;
constexpr DWORD DI_NEEDRESTART = 0x80;
constexpr DWORD DI_NEEDREBOOT = 0x100;

// Device registry properties.
constexpr DWORD SPDRP_DEVICEDESC = 0x00;
constexpr DWORD SPDRP_HARDWAREID = 0x01;
constexpr DWORD SPDRP_COMPATIBLEIDS = 0x02;
constexpr DWORD SPDRP_SERVICE = 0x04;
constexpr DWORD SPDRP_CLASS = 0x07;
constexpr DWORD SPDRP_CLASSGUID = 0x08;
constexpr DWORD SPDRP_DRIVER = 0x09;
constexpr DWORD SPDRP_MFG = 0x0B;
constexpr DWORD SPDRP_FRIENDLYNAME = 0x0C;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_MULTI_SZ = 7;

// SetupCopyOEMInfA.
constexpr DWORD SPOST_NONE = 0;
constexpr DWORD SPOST_PATH = 1;
constexpr DWORD SPOST_URL = 2;
constexpr DWORD SP_COPY_REPLACEONLY = 0x2;
constexpr DWORD SP_COPY_NOOVERWRITE = 0x8;

// Configuration-manager results.
constexpr CONFIGRET CR_SUCCESS = 0x00;
constexpr CONFIGRET CR_INVALID_POINTER = 0x03;
constexpr CONFIGRET CR_INVALID_FLAG = 0x04;
constexpr CONFIGRET CR_INVALID_DEVNODE = 0x05;
constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0x0D;
constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;

struct SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR Reserved;
};
typedef SP_DEVINFO_DATA* PSP_DEVINFO_DATA;

struct SP_DEVINFO_LIST_DETAIL_DATA_A {
  DWORD cbSize;
  GUID ClassGuid;
  HANDLE RemoteMachineHandle;
  CHAR RemoteMachineName[SP_MAX_MACHINENAME_LENGTH];
};
typedef SP_DEVINFO_LIST_DETAIL_DATA_A* PSP_DEVINFO_LIST_DETAIL_DATA_A;

struct SP_CLASSINSTALL_HEADER {
  DWORD cbSize;
  DI_FUNCTION InstallFunction;
};
typedef SP_CLASSINSTALL_HEADER* PSP_CLASSINSTALL_HEADER;

struct SP_REMOVEDEVICE_PARAMS {
  SP_CLASSINSTALL_HEADER ClassInstallHeader;
  DWORD Scope;
  DWORD HwProfile;
};

struct SP_DEVINSTALL_PARAMS_A {
  DWORD cbSize;
  DWORD Flags;
  DWORD FlagsEx;
  HWND hwndParent;
  void* InstallMsgHandler;
  PVOID InstallMsgHandlerContext;
  void* FileQueue;
  ULONG_PTR ClassInstallReserved;
  DWORD Reserved;
  CHAR DriverPath[MAX_PATH];
};
typedef SP_DEVINSTALL_PARAMS_A* PSP_DEVINSTALL_PARAMS_A;

inline const HDEVINFO INVALID_DEVINFO_HANDLE_VALUE = INVALID_HANDLE_VALUE;

// Device information sets.
HDEVINFO SetupDiGetClassDevsExA(const GUID* ClassGuid, LPCSTR Enumerator, HWND hwndParent, DWORD Flags,
                                HDEVINFO DeviceInfoSet, LPCSTR MachineName, PVOID Reserved);
HDEVINFO SetupDiCreateDeviceInfoListExA(const GUID* ClassGuid, HWND hwndParent, LPCSTR MachineName, PVOID Reserved);
BOOL SetupDiOpenDeviceInfoA(HDEVINFO DeviceInfoSet, LPCSTR DeviceInstanceId, HWND hwndParent, DWORD OpenFlags,
                            PSP_DEVINFO_DATA DeviceInfoData);
BOOL SetupDiGetDeviceInfoListDetailA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_LIST_DETAIL_DATA_A DeviceInfoSetDetailData);
BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, PSP_DEVINFO_DATA DeviceInfoData);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet);
BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, LPSTR DeviceInstanceId,
                                 DWORD DeviceInstanceIdSize, LPDWORD RequiredSize);
BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                       LPDWORD PropertyRegDataType, BYTE* PropertyBuffer, DWORD PropertyBufferSize,
                                       LPDWORD RequiredSize);
BOOL SetupDiClassGuidsFromNameExA(LPCSTR ClassName, GUID* ClassGuidList, DWORD ClassGuidListSize, LPDWORD RequiredSize,
                                  LPCSTR MachineName, PVOID Reserved);

// Class installer.
BOOL SetupDiSetClassInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                   PSP_CLASSINSTALL_HEADER ClassInstallParams, DWORD ClassInstallParamsSize);
BOOL SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData);
BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                    PSP_DEVINSTALL_PARAMS_A DeviceInstallParams);

// The driver store.
BOOL SetupCopyOEMInfA(LPCSTR SourceInfFileName, LPCSTR OEMSourceMediaLocation, DWORD OEMSourceMediaType,
                      DWORD CopyStyle, LPSTR DestinationInfFileName, DWORD DestinationInfFileNameSize,
                      LPDWORD RequiredSize, LPSTR* DestinationInfFileNameComponent);

// Configuration manager. DevInst values come from a set's elements.
CONFIGRET CM_Get_Device_ID_ExA(DEVINST dnDevInst, LPSTR Buffer, ULONG BufferLen, ULONG ulFlags, HMACHINE hMachine);
