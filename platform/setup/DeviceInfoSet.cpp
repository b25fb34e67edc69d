#include "platform/setup/DeviceInfoSet.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <mutex>

#include "platform/machine/InfFile.h"
#include "platform/win32/DeviceSystem.h"
#include "platform/win32/LastError.h"

namespace setup {

namespace {

// Never destroyed: the report of sets left open runs when the process ends.
std::mutex& setsMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::map<DeviceInfoSet*, std::unique_ptr<DeviceInfoSet>>& liveSets() {
  static auto* sets = new std::map<DeviceInfoSet*, std::unique_ptr<DeviceInfoSet>>;
  return *sets;
}

struct DevInstTable {
  std::mutex mutex;
  std::map<std::string, DEVINST> byId;  // upper-case instance id
  std::vector<std::string> ids;         // DEVINST - 1 -> instance id
};

DevInstTable& devInsts() {
  static DevInstTable table;
  return table;
}

}  // namespace

HDEVINFO NewDeviceInfoSet(std::unique_ptr<DeviceInfoSet> set) {
  std::lock_guard lock(setsMutex());
  DeviceInfoSet* raw = set.get();
  liveSets()[raw] = std::move(set);
  return raw;
}

DeviceInfoSet* FindDeviceInfoSet(HDEVINFO handle) {
  std::lock_guard lock(setsMutex());
  auto it = liveSets().find(static_cast<DeviceInfoSet*>(handle));
  if (it == liveSets().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second.get();
}

bool DestroyDeviceInfoSet(HDEVINFO handle) {
  std::unique_ptr<DeviceInfoSet> gone;
  std::lock_guard lock(setsMutex());
  auto it = liveSets().find(static_cast<DeviceInfoSet*>(handle));
  if (it == liveSets().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  gone = std::move(it->second);
  liveSets().erase(it);
  return true;
}

std::size_t LiveDeviceInfoSets() {
  std::lock_guard lock(setsMutex());
  return liveSets().size();
}

DeviceElement* FindElement(DeviceInfoSet& set, const SP_DEVINFO_DATA* data) {
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (data->cbSize != sizeof(SP_DEVINFO_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return nullptr;
  }
  // Reserved holds the element's index + 1; DevInst must agree with it.
  std::size_t index = data->Reserved;
  if (index == 0 || index > set.elements.size() || set.elements[index - 1].devInst != data->DevInst) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return &set.elements[index - 1];
}

void FillDeviceInfoData(const DeviceInfoSet& set, std::size_t index, SP_DEVINFO_DATA& data) {
  const DeviceElement& e = set.elements[index];
  GUID guid{};
  ParseGuid(e.record.classGuid, guid);
  data.ClassGuid = guid;
  data.DevInst = e.devInst;
  data.Reserved = index + 1;
}

DEVINST DevInstOf(const std::string& instanceId) {
  DevInstTable& t = devInsts();
  std::lock_guard lock(t.mutex);
  std::string key = platform::UpperCase(instanceId);
  auto it = t.byId.find(key);
  if (it != t.byId.end()) return it->second;
  t.ids.push_back(instanceId);
  DEVINST number = static_cast<DEVINST>(t.ids.size());
  t.byId[key] = number;
  return number;
}

std::string InstanceIdOf(DEVINST devInst) {
  DevInstTable& t = devInsts();
  std::lock_guard lock(t.mutex);
  if (devInst == 0 || devInst > t.ids.size()) return {};
  return t.ids[devInst - 1];
}

platform::Machine* AttachedMachine() {
  nt::Kernel* kernel = win32::AttachedDeviceSystem();
  return kernel ? platform::Machine::of(*kernel) : nullptr;
}

bool IsLocalMachineName(LPCSTR name) {
  if (!name || !*name) return true;
  std::string_view text(name);
  if (text.substr(0, 2) == "\\\\") text.remove_prefix(2);
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return false;
  return platform::EqualsNoCase(text, host);
}

bool ParseGuid(const std::string& text, GUID& guid) {
  if (!platform::IsGuidText(text)) return false;
  unsigned long d1 = 0;
  unsigned d2 = 0, d3 = 0, b[8] = {};
  if (std::sscanf(text.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3],
                  &b[4], &b[5], &b[6], &b[7]) != 11)
    return false;
  guid.Data1 = static_cast<ULONG>(d1);
  guid.Data2 = static_cast<USHORT>(d2);
  guid.Data3 = static_cast<USHORT>(d3);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<UCHAR>(b[i]);
  return true;
}

std::string GuidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", static_cast<unsigned>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return text;
}

}  // namespace setup
