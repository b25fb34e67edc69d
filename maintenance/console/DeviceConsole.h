#pragma once

// The device console: a table of named device-management commands, each with a handler and a
// short and a long help message, the handlers over the setup layer, the per-device dump
// operations and the operations they share. Nothing in the program dispatches the table; a
// caller looks a row up by name and calls its handler. Everything is printed on the stream the
// console was made with.
//
// Handlers take (base name, machine name, flags, argument count, arguments) and return
// kResultDone (0), kResultRestart (1), kResultFailed (2) or kResultUsage (3).

#include <cstdio>
#include <memory>
#include <span>

#include "maintenance/install/DeviceEnumeration.h"
#include "platform/setup/MessageFormat.h"
#include "platform/setup/SetupQueries.h"

namespace console {

// Bounded copy results, with the platform's values.
typedef LONG HRESULT;
constexpr HRESULT S_OK = 0;
constexpr HRESULT STRSAFE_E_INVALID_PARAMETER = static_cast<HRESULT>(0x80070057);
constexpr HRESULT STRSAFE_E_INSUFFICIENT_BUFFER = static_cast<HRESULT>(0x8007007A);
constexpr std::size_t STRSAFE_MAX_CCH = 2147483647;

// Dump context modes.
constexpr int kDumpLine = 0x1;
constexpr int kDumpStatus = 0x2;
constexpr int kDumpResources = 0x4;
constexpr int kDumpDriverFiles = 0x8;
constexpr int kDumpHardwareIds = 0x10;
constexpr int kDumpDriverNodes = 0x20;
constexpr int kDumpStackUpper = 0x40;
constexpr int kDumpStackLower = 0x80;

// Handler flags: dp_delete deletes a package even while a device uses it.
constexpr DWORD kFlagForce = 0x1;

// The general help text printed ahead of the commands' short help.
constexpr DWORD kMsgGeneralHelp = 60100;

class DeviceConsole;

using CommandHandler = int (DeviceConsole::*)(const char* baseName, const char* machine, DWORD flags, int argc,
                                              char** argv);

struct CommandRow {
  const char* name;
  CommandHandler handler;
  DWORD shortHelp;
  DWORD longHelp;
};

struct DumpContext {
  int count = 0;
  int mode = 0;
};

class DeviceConsole {
 public:
  explicit DeviceConsole(std::FILE* out = stdout);

  // The rows in their order, ended by an all-zero row.
  static std::span<const CommandRow> Table();
  // The first row of that name (case-sensitive, as typed), or null.
  static const CommandRow* Find(const char* name);
  // Runs a row's handler on this console.
  int run(const CommandRow& row, const char* baseName, const char* machine, DWORD flags, int argc, char** argv);

  // ---- handlers ----
  int ClassFilter(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Classes(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Disable(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int DriverFiles(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int DriverNodes(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Enable(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int FindDevices(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int FindAll(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Help(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int HwIds(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Install(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int ListClass(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Reboot(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Remove(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Rescan(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Resources(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Restart(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int SetHwid(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Stack(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Status(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int Update(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int UpdateNi(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int DriverPackageAdd(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int DriverPackageDelete(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);
  int DriverPackageEnum(const char* baseName, const char* machine, DWORD flags, int argc, char** argv);

  // ---- per-device dump operations (each 1 when it printed its part, 0 when it could not) ----
  int PrintDeviceDescription(HDEVINFO devices, PSP_DEVINFO_DATA device);
  int PrintDeviceSetupClass(HDEVINFO devices, PSP_DEVINFO_DATA device);
  int PrintDeviceStatus(HDEVINFO devices, PSP_DEVINFO_DATA device);
  int PrintDeviceResources(HDEVINFO devices, PSP_DEVINFO_DATA device);
  int PrintResourcesOfType(DEVINST node, HMACHINE machine, LOG_CONF configuration, RESOURCEID type);
  int PrintDeviceHardwareIds(HDEVINFO devices, PSP_DEVINFO_DATA device);
  int PrintDeviceStack(HDEVINFO devices, PSP_DEVINFO_DATA device);
  int PrintStringList(int indent, char** list);
  // No operation prints driver files or driver nodes: these two have no body.
  int PrintDeviceDriverFiles(HDEVINFO devices, PSP_DEVINFO_DATA device);
  int PrintDeviceDriverNodes(HDEVINFO devices, PSP_DEVINFO_DATA device);
  // A file-queue scan callback: with `context` (an int count) counts the file, else prints it.
  UINT DriverFileCallback(PVOID context, UINT notification, ULONG_PTR filePath, ULONG_PTR second);
  // Fills `driver` with the node of the device's installed driver and leaves the driver list
  // built (the caller destroys it); 0, with the list destroyed, when none matches.
  int FindInstalledDriverNode(HDEVINFO devices, PSP_DEVINFO_DATA device, PSP_DRVINFO_DATA_A driver);

  // ---- shared operations ----
  // "%-60s: %s\n" with the instance id ("?" when it cannot be read), or "%s\n" without text.
  void PrintDeviceLine(HDEVINFO devices, PSP_DEVINFO_DATA device, const char* text);
  void PrintMessage(DWORD id, std::initializer_list<DWORD_PTR> arguments = {});
  void WriteIndent(int level);
  static HRESULT BoundedCopy(char* destination, std::size_t count, const char* source);
  // Null for a property that cannot be read.
  static std::unique_ptr<char[]> ReadDeviceStringProperty(HDEVINFO devices, PSP_DEVINFO_DATA device, DWORD property);
  static std::unique_ptr<char[]> ReadDeviceDescription(HDEVINFO devices, PSP_DEVINFO_DATA device);
  // An id list (FreeIdList), or null.
  static char** ReadRegistryMultiString(HKEY key, const char* valueName);

  std::FILE* out() const { return out_; }

 private:
  int enumerate(const char* machine, DWORD extraFlags, int argc, char** argv, int mode, DWORD summary);
  int changeState(const char* machine, int argc, char** argv, DWORD stateChange, UINT firstWord, UINT failedWord,
                  DWORD summaryBase);
  int updateDriver(const char* baseName, const char* machine, int argc, char** argv, bool nonInteractive);

  std::FILE* out_;
};

}  // namespace console
