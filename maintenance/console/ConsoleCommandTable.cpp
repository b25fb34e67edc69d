// The command table, help, and the commands that only list: classes, the devices of classes,
// and the eight enumeration commands, whose callback prints and counts nothing.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <vector>

#include "maintenance/console/DeviceConsole.h"
#include "platform/win32/LastError.h"

namespace console {

namespace {

constexpr DWORD kMsgClassesListed = 60202;
constexpr DWORD kMsgNoClasses = 60203;
constexpr DWORD kMsgClassHeader = 60302;
constexpr DWORD kMsgNoSuchClass = 60303;
constexpr DWORD kMsgNoDevicesOfClass = 60304;
constexpr DWORD kMsgDevicesOfClass = 60305;

constexpr CommandRow kTable[] = {
    {"classfilter", &DeviceConsole::ClassFilter, 61501, 61500},
    {"classes", &DeviceConsole::Classes, 60201, 60200},
    {"disable", &DeviceConsole::Disable, 60601, 60600},
    {"driverfiles", &DeviceConsole::DriverFiles, 60411, 60410},
    {"drivernodes", &DeviceConsole::DriverNodes, 61401, 61400},
    {"enable", &DeviceConsole::Enable, 60501, 60500},
    {"find", &DeviceConsole::FindDevices, 60401, 60400},
    {"findall", &DeviceConsole::FindAll, 60407, 60406},
    {"help", &DeviceConsole::Help, 60101, 0},
    {"hwids", &DeviceConsole::HwIds, 60415, 60414},
    {"install", &DeviceConsole::Install, 61001, 61000},
    {"listclass", &DeviceConsole::ListClass, 60301, 60300},
    {"reboot", &DeviceConsole::Reboot, 60801, 60800},
    {"remove", &DeviceConsole::Remove, 61201, 61200},
    {"rescan", &DeviceConsole::Rescan, 61301, 61300},
    {"resources", &DeviceConsole::Resources, 60413, 60412},
    {"restart", &DeviceConsole::Restart, 60701, 60700},
    {"sethwid", &DeviceConsole::SetHwid, 61601, 61600},
    {"stack", &DeviceConsole::Stack, 60417, 60416},
    {"status", &DeviceConsole::Status, 60409, 60408},
    {"update", &DeviceConsole::Update, 61101, 61100},
    {"updateni", &DeviceConsole::UpdateNi, 61105, 61104},
    {"dp_add", &DeviceConsole::DriverPackageAdd, 61108, 61107},
    {"dp_delete", &DeviceConsole::DriverPackageDelete, 61110, 61109},
    {"dp_enum", &DeviceConsole::DriverPackageEnum, 61112, 61111},
    {"?", &DeviceConsole::Help, 0, 0},
    {nullptr, nullptr, 0, 0},
};

// The enumeration commands' callback: nothing is printed or counted per device.
int ignoreDevice(HDEVINFO, PSP_DEVINFO_DATA, DWORD, void*) { return 0; }

std::string guidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return text;
}

}  // namespace

std::span<const CommandRow> DeviceConsole::Table() { return kTable; }

const CommandRow* DeviceConsole::Find(const char* name) {
  for (const CommandRow& row : kTable) {
    if (row.name && name && std::strcmp(row.name, name) == 0) return &row;
  }
  return nullptr;
}

int DeviceConsole::run(const CommandRow& row, const char* baseName, const char* machine, DWORD flags, int argc,
                       char** argv) {
  return (this->*row.handler)(baseName, machine, flags, argc, argv);
}

int DeviceConsole::Help(const char* baseName, const char*, DWORD, int argc, char** argv) {
  const auto base = reinterpret_cast<DWORD_PTR>(baseName ? baseName : "");
  if (argc > 0 && argv[0]) {
    for (const CommandRow& row : kTable) {
      if (row.name && strcasecmp(row.name, argv[0]) == 0) {
        PrintMessage(row.longHelp, {base});
        return kResultDone;
      }
    }
    return kResultUsage;  // no such command
  }
  PrintMessage(kMsgGeneralHelp, {base});
  for (const CommandRow& row : kTable) {
    if (row.name && row.shortHelp) PrintMessage(row.shortHelp, {base});
  }
  return kResultDone;
}

int DeviceConsole::ClassFilter(const char*, const char*, DWORD, int, char**) { return kResultDone; }

int DeviceConsole::Classes(const char*, const char* machine, DWORD, int, char**) {
  DWORD count = 0;
  if (!SetupDiBuildClassInfoListExA(0, nullptr, 0, &count, machine, nullptr) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return kResultFailed;
  std::vector<GUID> guids(count);
  if (count && !SetupDiBuildClassInfoListExA(0, guids.data(), count, &count, machine, nullptr)) return kResultFailed;
  guids.resize(std::min<std::size_t>(count, guids.size()));
  DWORD listed = 0;
  for (const GUID& guid : guids) {
    char name[MAX_CLASS_NAME_LEN], description[LINE_LEN];
    if (!SetupDiClassNameFromGuidExA(&guid, name, sizeof name, nullptr, machine, nullptr)) continue;
    if (!SetupDiGetClassDescriptionExA(&guid, description, sizeof description, nullptr, machine, nullptr))
      description[0] = '\0';
    std::fprintf(out_, "%-20s: %s\n", name, description);
    ++listed;
  }
  if (listed == 0)
    PrintMessage(kMsgNoClasses);
  else
    PrintMessage(kMsgClassesListed, {listed});
  return kResultDone;
}

int DeviceConsole::ListClass(const char*, const char* machine, DWORD, int argc, char** argv) {
  if (argc <= 0) return kResultUsage;
  for (int a = 0; a < argc; ++a) {
    const char* className = argv[a] ? argv[a] : "";
    DWORD count = 0;
    if (!SetupDiClassGuidsFromNameExA(className, nullptr, 0, &count, machine, nullptr) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      return kResultFailed;
    std::vector<GUID> guids(count);
    if (count && !SetupDiClassGuidsFromNameExA(className, guids.data(), count, &count, machine, nullptr))
      return kResultFailed;
    if (guids.empty()) {
      PrintMessage(kMsgNoSuchClass, {reinterpret_cast<DWORD_PTR>(className)});
      continue;
    }
    for (const GUID& guid : guids) {
      const std::string text = guidText(guid);
      PrintMessage(kMsgClassHeader,
                   {reinterpret_cast<DWORD_PTR>(className), reinterpret_cast<DWORD_PTR>(text.c_str())});
      HDEVINFO devices = SetupDiGetClassDevsExA(&guid, nullptr, nullptr, DIGCF_PRESENT, nullptr, machine, nullptr);
      if (devices == INVALID_HANDLE_VALUE) return kResultFailed;
      SP_DEVINFO_DATA device{};
      device.cbSize = sizeof device;
      DWORD index = 0;
      for (; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        std::unique_ptr<char[]> description = ReadDeviceDescription(devices, &device);
        PrintDeviceLine(devices, &device, description ? description.get() : nullptr);
      }
      SetupDiDestroyDeviceInfoList(devices);
      if (index == 0)
        PrintMessage(kMsgNoDevicesOfClass, {reinterpret_cast<DWORD_PTR>(className)});
      else
        PrintMessage(kMsgDevicesOfClass, {index, reinterpret_cast<DWORD_PTR>(className)});
    }
  }
  return kResultDone;
}

int DeviceConsole::enumerate(const char* machine, DWORD extraFlags, int argc, char** argv, int mode, DWORD summary) {
  if (argc <= 0) return kResultUsage;
  DumpContext context;
  context.mode = mode;
  int result = EnumerateMatchingDevices(nullptr, machine, extraFlags, argc, argv, ignoreDevice, &context);
  if (result == kResultDone) PrintMessage(summary);
  return result;
}

int DeviceConsole::FindDevices(const char*, const char* machine, DWORD, int argc, char** argv) {
  return enumerate(machine, DIGCF_PRESENT, argc, argv, 0, 60402);
}

int DeviceConsole::FindAll(const char*, const char* machine, DWORD, int argc, char** argv) {
  return enumerate(machine, 0, argc, argv, 0, 60403);
}

int DeviceConsole::Status(const char*, const char* machine, DWORD, int argc, char** argv) {
  return enumerate(machine, DIGCF_PRESENT, argc, argv, kDumpLine | kDumpStatus, 60418);
}

int DeviceConsole::DriverFiles(const char*, const char* machine, DWORD, int argc, char** argv) {
  return enumerate(machine, DIGCF_PRESENT, argc, argv, kDumpLine | kDumpDriverFiles, 60419);
}

int DeviceConsole::Resources(const char*, const char* machine, DWORD, int argc, char** argv) {
  return enumerate(machine, DIGCF_PRESENT, argc, argv, kDumpLine | kDumpResources, 60420);
}

int DeviceConsole::HwIds(const char*, const char* machine, DWORD, int argc, char** argv) {
  return enumerate(machine, DIGCF_PRESENT, argc, argv, kDumpLine | kDumpHardwareIds, 60421);
}

int DeviceConsole::Stack(const char*, const char* machine, DWORD, int argc, char** argv) {
  return enumerate(machine, DIGCF_PRESENT, argc, argv, kDumpLine | kDumpStackUpper | kDumpStackLower, 60422);
}

int DeviceConsole::DriverNodes(const char*, const char* machine, DWORD, int argc, char** argv) {
  return enumerate(machine, DIGCF_PRESENT, argc, argv, kDumpLine | kDumpDriverNodes, 61402);
}

}  // namespace console
