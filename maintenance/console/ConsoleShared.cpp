// The operations the console's commands and dumps share: the device line, messages with
// indents, the bounded copy and the property and registry readers that grow their buffers.

#include <cstdio>
#include <cstring>

#include "maintenance/console/DeviceConsole.h"
#include "maintenance/install/IdList.h"
#include "maintenance/install/InstallerOutput.h"
#include "platform/win32/LastError.h"

namespace console {

namespace {

constexpr DWORD kPropertyBuffer = 1024;
constexpr DWORD kRegistryBuffer = 8192;

}  // namespace

DeviceConsole::DeviceConsole(std::FILE* out) : out_(out ? out : stdout) {}

void DeviceConsole::PrintDeviceLine(HDEVINFO devices, PSP_DEVINFO_DATA device, const char* text) {
  SP_DEVINFO_LIST_DETAIL_DATA_A detail{};
  detail.cbSize = sizeof detail;
  char instanceId[kMaxDeviceIdLength];
  if (!SetupDiGetDeviceInfoListDetailA(devices, &detail) ||
      CM_Get_Device_ID_ExA(device->DevInst, instanceId, sizeof instanceId, 0, detail.RemoteMachineHandle) != CR_SUCCESS)
    BoundedCopy(instanceId, sizeof instanceId, "?");
  if (text)
    std::fprintf(out_, "%-60s: %s\n", instanceId, text);
  else
    std::fprintf(out_, "%s\n", instanceId);
}

void DeviceConsole::PrintMessage(DWORD id, std::initializer_list<DWORD_PTR> arguments) {
  ::PrintMessage(out_, id, arguments);
}

void DeviceConsole::WriteIndent(int level) {
  for (int i = 0; i < level; ++i) std::fputs("    ", out_);
}

HRESULT DeviceConsole::BoundedCopy(char* destination, std::size_t count, const char* source) {
  if (count == 0 || count > STRSAFE_MAX_CCH || !destination) return STRSAFE_E_INVALID_PARAMETER;
  std::size_t i = 0;
  for (; source && source[i] != '\0'; ++i) {
    if (i + 1 == count) {
      destination[i] = '\0';
      return STRSAFE_E_INSUFFICIENT_BUFFER;
    }
    destination[i] = source[i];
  }
  destination[i] = '\0';
  return S_OK;
}

std::unique_ptr<char[]> DeviceConsole::ReadDeviceStringProperty(HDEVINFO devices, PSP_DEVINFO_DATA device,
                                                                DWORD property) {
  DWORD size = kPropertyBuffer;
  for (;;) {
    auto buffer = std::make_unique<char[]>(size + 1);
    DWORD type = REG_NONE;
    DWORD required = 0;
    if (SetupDiGetDeviceRegistryPropertyA(devices, device, property, &type, reinterpret_cast<BYTE*>(buffer.get()), size,
                                          &required)) {
      buffer[size] = '\0';
      return buffer;
    }
    // Only a string that did not fit is read again, into the size it asked for.
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || type != REG_SZ || required <= size) return nullptr;
    size = required;
  }
}

std::unique_ptr<char[]> DeviceConsole::ReadDeviceDescription(HDEVINFO devices, PSP_DEVINFO_DATA device) {
  if (auto name = ReadDeviceStringProperty(devices, device, SPDRP_FRIENDLYNAME)) return name;
  return ReadDeviceStringProperty(devices, device, SPDRP_DEVICEDESC);
}

char** DeviceConsole::ReadRegistryMultiString(HKEY key, const char* valueName) {
  DWORD size = kRegistryBuffer;
  for (;;) {
    // Two bytes more than asked for, so that even a value without its ending reads as a list.
    auto* buffer = new char[size + 2];
    DWORD type = REG_NONE;
    DWORD got = size;
    LONG result = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got);
    if (result == ERROR_SUCCESS && type == REG_MULTI_SZ) {
      buffer[got] = '\0';
      buffer[got + 1] = '\0';
      return SplitMultiString(buffer);
    }
    delete[] buffer;
    if (result != static_cast<LONG>(ERROR_MORE_DATA) || type != REG_MULTI_SZ || got <= size) return nullptr;
    size = got;
  }
}

int DeviceConsole::PrintStringList(int indent, char** list) {
  if (!list || !list[0]) return 0;
  for (char** s = list; *s; ++s) {
    WriteIndent(indent);
    std::fprintf(out_, "%s\n", *s);
  }
  return 1;
}

}  // namespace console
