#pragma once

// The query calls of the setup layer: setup classes and their installer keys, the registry
// reads over those keys and the nodes' driver keys, the driver store as files under the Windows
// directory, logical configurations and their resource descriptors, driver lists built from a
// stored INF, and the run-time loading of "newdev.dll" and "setupapi.dll" exports. Every handle
// given out is counted (SetupHandles.h) and every call can be made to fail once
// (setup::FailNextCall). Remote machines do not exist here: a machine name other than this
// computer's gives ERROR_INVALID_MACHINENAME (CR_INVALID_MACHINENAME).

#include <string_view>

#include "platform/setup/ConfigManager.h"
#include "platform/setup/FileNames.h"
#include "platform/setup/SetupApi.h"
#include "platform/setup/SetupInstall.h"

// ---- Device properties and results beyond SetupApi.h and ConfigManager.h ----

constexpr DWORD SPDRP_UPPERFILTERS = 0x11;
constexpr DWORD SPDRP_LOWERFILTERS = 0x12;

constexpr CONFIGRET CR_INVALID_RES_DES = 0x06;
constexpr CONFIGRET CR_INVALID_LOG_CONF = 0x07;
constexpr CONFIGRET CR_NO_MORE_LOG_CONF = 0x0E;
constexpr CONFIGRET CR_NO_MORE_RES_DES = 0x0F;

// Registry keys: a handle the setup layer gives out over a class's installer key or a node's
// driver key; closed with RegCloseKey.
struct HKEY__;
typedef HKEY__* HKEY;
typedef DWORD REGSAM;
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_READ = 0x20019;

// ---- Setup classes ----
constexpr DWORD DIBCI_NOINSTALLCLASS = 0x1;
constexpr DWORD DIBCI_NODISPLAYCLASS = 0x2;
constexpr DWORD DIOCR_INSTALLER = 0x1;
constexpr DWORD DIOCR_INTERFACE = 0x2;
constexpr DWORD MAX_CLASS_NAME_LEN = 32;
constexpr DWORD LINE_LEN = 256;

BOOL SetupDiBuildClassInfoListExA(DWORD Flags, GUID* ClassGuidList, DWORD ClassGuidListSize, LPDWORD RequiredSize,
                                  LPCSTR MachineName, PVOID Reserved);
BOOL SetupDiClassNameFromGuidExA(const GUID* ClassGuid, LPSTR ClassName, DWORD ClassNameSize, LPDWORD RequiredSize,
                                 LPCSTR MachineName, PVOID Reserved);
BOOL SetupDiGetClassDescriptionExA(const GUID* ClassGuid, LPSTR ClassDescription, DWORD ClassDescriptionSize,
                                   LPDWORD RequiredSize, LPCSTR MachineName, PVOID Reserved);
// INVALID_HANDLE_VALUE (as an HKEY) on failure, with the last error.
HKEY SetupDiOpenClassRegKeyExA(const GUID* ClassGuid, REGSAM samDesired, DWORD Flags, LPCSTR MachineName,
                               PVOID Reserved);

// ---- Registry reads over the keys above ----
constexpr DWORD REG_NONE = 0;
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, BYTE* lpData,
                      LPDWORD lpcbData);
LONG RegCloseKey(HKEY hKey);

// ---- A node's driver key ----
constexpr DWORD DIREG_DEV = 0x1;
constexpr DWORD DIREG_DRV = 0x2;
HKEY SetupDiOpenDevRegKey(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Scope, DWORD HwProfile,
                          DWORD KeyType, REGSAM samDesired);

// ---- Install parameters stored back ----
constexpr DWORD DI_ENUMSINGLEINF = 0x00010000;
constexpr DWORD DI_FLAGSEX_ALLOWEXCLUDEDDRVS = 0x00000800;
BOOL SetupDiSetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                    PSP_DEVINSTALL_PARAMS_A DeviceInstallParams);

// ---- Driver lists ----
constexpr DWORD SPDIT_NODRIVER = 0;
constexpr DWORD SPDIT_CLASSDRIVER = 1;
constexpr DWORD SPDIT_COMPATDRIVER = 2;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SP_DRVINFO_DATA_A {
  DWORD cbSize;
  DWORD DriverType;
  ULONG_PTR Reserved;
  CHAR Description[LINE_LEN];
  CHAR MfgName[LINE_LEN];
  CHAR ProviderName[LINE_LEN];
  FILETIME DriverDate;
  ULONGLONG DriverVersion;
};
typedef SP_DRVINFO_DATA_A* PSP_DRVINFO_DATA_A;

struct SP_DRVINFO_DETAIL_DATA_A {
  DWORD cbSize;
  FILETIME InfDate;
  DWORD CompatIDsOffset;
  DWORD CompatIDsLength;
  ULONG_PTR Reserved;
  CHAR SectionName[LINE_LEN];
  CHAR InfFileName[MAX_PATH];
  CHAR DrvDescription[LINE_LEN];
  CHAR HardwareID[1];  // the ids follow, as a multi-string
};
typedef SP_DRVINFO_DETAIL_DATA_A* PSP_DRVINFO_DETAIL_DATA_A;

// Builds the class-driver list of a node from the INF its install parameters' DriverPath names
// (DI_ENUMSINGLEINF); the path is a stored package's name or its full path.
BOOL SetupDiBuildDriverInfoList(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD DriverType);
BOOL SetupDiEnumDriverInfoA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD DriverType,
                            DWORD MemberIndex, PSP_DRVINFO_DATA_A DriverInfoData);
BOOL SetupDiGetDriverInfoDetailA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                 PSP_DRVINFO_DATA_A DriverInfoData, PSP_DRVINFO_DETAIL_DATA_A DriverInfoDetailData,
                                 DWORD DriverInfoDetailDataSize, LPDWORD RequiredSize);
BOOL SetupDiDestroyDriverInfoList(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD DriverType);

// ---- The driver store as files ----
constexpr DWORD SUOI_FORCEDELETE = 0x1;
constexpr DWORD ERROR_INF_IN_USE_BY_DEVICES = 0xE000023D;
constexpr DWORD ERROR_NO_MORE_FILES = 18;

// The previous mode. Nothing in this layer asks the user anything either way.
BOOL SetupSetNonInteractiveMode(BOOL NonInteractiveFlag);
bool SetupNonInteractiveMode();
// Deletes a stored package, named by its bare stored name ("oem<N>.inf", any case) only; a
// package a node still uses is kept unless SUOI_FORCEDELETE.
BOOL SetupUninstallOEMInfA(LPCSTR InfFileName, DWORD Flags, PVOID Reserved);

// The machine's root folder (where "INF" holds the store). 0 with no machine attached.
UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;

// Only "<windir>\INF\<pattern>" (either separator) is searched: the store's packages whose
// names match the pattern ("*" and "?", without case). INVALID_HANDLE_VALUE with
// ERROR_FILE_NOT_FOUND when none does.
HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

struct SP_INF_SIGNER_INFO_A {
  DWORD cbSize;
  CHAR CatalogFile[MAX_PATH];
  CHAR DigitalSigner[MAX_PATH];
  CHAR DigitalSignerVersion[MAX_PATH];
};
typedef SP_INF_SIGNER_INFO_A* PSP_INF_SIGNER_INFO_A;
// Succeeds for a stored package whose [Version] reads (signature, class, class GUID); nothing is
// signed here, so the signer fields come back empty. ERROR_INVALID_DATA for a file that is
// not such an INF, ERROR_FILE_NOT_FOUND for a name that is not in the store.
BOOL SetupVerifyInfFile(LPCSTR InfName, PVOID AltPlatformInfo, PSP_INF_SIGNER_INFO_A InfSignerInfo);

// An entry of an INF's section (with its %strings% substituted) for a stored package named by
// its path under "<windir>\INF", or for a file on disk; `lpDefault` when the file, section or
// key is missing. Returns the characters copied, truncated to fit.
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName);

// ---- Logical configurations and resource descriptors ----
typedef ULONG_PTR LOG_CONF;
typedef LOG_CONF* PLOG_CONF;
typedef ULONG_PTR RES_DES;
typedef RES_DES* PRES_DES;
typedef ULONG RESOURCEID;
typedef RESOURCEID* PRESOURCEID;

constexpr ULONG BASIC_LOG_CONF = 0;
constexpr ULONG FILTERED_LOG_CONF = 1;
constexpr ULONG ALLOC_LOG_CONF = 2;
constexpr ULONG BOOT_LOG_CONF = 3;
constexpr ULONG FORCED_LOG_CONF = 4;
constexpr ULONG OVERRIDE_LOG_CONF = 5;

constexpr RESOURCEID ResType_All = 0;
constexpr RESOURCEID ResType_Mem = 1;
constexpr RESOURCEID ResType_IO = 2;
constexpr RESOURCEID ResType_DMA = 3;
constexpr RESOURCEID ResType_IRQ = 4;

struct MEM_DES {
  DWORD MD_Count;
  DWORD MD_Type;
  ULONGLONG MD_Alloc_Base;
  ULONGLONG MD_Alloc_End;
  DWORD MD_Flags;
  DWORD MD_Reserved;
};
struct IO_DES {
  DWORD IOD_Count;
  DWORD IOD_Type;
  ULONGLONG IOD_Alloc_Base;
  ULONGLONG IOD_Alloc_End;
  DWORD IOD_DesFlags;
};
struct DMA_DES {
  DWORD DD_Count;
  DWORD DD_Type;
  DWORD DD_Flags;
  ULONG DD_Alloc_Chan;
};
struct IRQ_DES {
  DWORD IRQD_Count;
  DWORD IRQD_Type;
  DWORD IRQD_Flags;
  ULONG IRQD_Alloc_Num;
  ULONG_PTR IRQD_Affinity;
};

CONFIGRET CM_Get_First_Log_Conf_Ex(PLOG_CONF plcLogConf, DEVINST dnDevInst, ULONG ulFlags, HMACHINE hMachine);
CONFIGRET CM_Free_Log_Conf_Handle(LOG_CONF lcLogConf);
// rdResDes is a configuration (first descriptor) or a descriptor (the next one).
CONFIGRET CM_Get_Next_Res_Des_Ex(PRES_DES prdResDes, ULONG_PTR rdResDes, RESOURCEID ForResource,
                                 PRESOURCEID pResourceID, ULONG ulFlags, HMACHINE hMachine);
CONFIGRET CM_Get_Res_Des_Data_Size_Ex(PULONG pulSize, RES_DES rdResDes, ULONG ulFlags, HMACHINE hMachine);
CONFIGRET CM_Get_Res_Des_Data_Ex(RES_DES rdResDes, PVOID Buffer, ULONG BufferLen, ULONG ulFlags, HMACHINE hMachine);
CONFIGRET CM_Free_Res_Des_Handle(RES_DES rdResDes);

// ---- Run-time loading ----
struct HINSTANCE__;
typedef HINSTANCE__* HMODULE;
typedef HMODULE HINSTANCE;
typedef void (*FARPROC)();
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

// "newdev.dll" and "setupapi.dll" (any case, with or without ".dll") give a module whose
// exports are this layer's own functions; any other name fails with ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL FreeLibrary(HMODULE hLibModule);

// String `uID` of the program's string table, truncated to fit; the characters copied, or 0
// (ERROR_RESOURCE_NAME_NOT_FOUND) when there is none. With cchBufferMax 0 nothing is copied.
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

namespace setup {
// Until ShowExport, GetProcAddress does not find `function` in `module` (a test's way to take
// the path of a system without it).
void HideExport(std::string_view module, std::string_view function);
void ShowAllExports();
// Destroys every driver list built for the elements of a set (the set is being destroyed).
void DestroyDriverListsOf(HDEVINFO DeviceInfoSet);
}  // namespace setup
