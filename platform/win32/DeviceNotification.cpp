#include "platform/win32/DeviceNotification.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/nt/DeviceInterface.h"
#include "platform/nt/UnicodeString.h"
#include "platform/win32/DeviceSystem.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Win32Errors.h"
#include "platform/win32/WindowTarget.h"

namespace win32 {

namespace {

struct Registration {
  HWND window;
  std::uintptr_t cookie = 0;
  std::mutex mutex;
  // Every record posted so far: a receiver may read it until the registration goes.
  std::vector<std::unique_ptr<std::byte[]>> broadcasts;
};

struct Registrations {
  std::mutex mutex;
  std::unordered_map<HDEVNOTIFY, std::shared_ptr<Registration>> byHandle;
};

Registrations& registrations() {
  static Registrations* r = new Registrations;  // lives through static destruction
  return *r;
}

WPARAM eventCode(nt::InterfaceEvent event) {
  switch (event) {
    case nt::InterfaceEvent::Arrival:
      return DBT_DEVICEARRIVAL;
    case nt::InterfaceEvent::QueryRemove:
      return DBT_DEVICEQUERYREMOVE;
    case nt::InterfaceEvent::QueryRemoveFailed:
      return DBT_DEVICEQUERYREMOVEFAILED;
    case nt::InterfaceEvent::RemoveComplete:
      return DBT_DEVICEREMOVECOMPLETE;
  }
  return 0;
}

// "\??\X" as user mode names it: "\\?\X".
std::string userName(const std::u16string& link) {
  std::string name = nt::narrow(link);
  if (name.rfind("\\??\\", 0) == 0) name = "\\\\?\\" + name.substr(4);
  return name;
}

void post(Registration& registration, nt::Kernel& kernel, const GUID& interfaceClass, nt::InterfaceEvent event,
          const std::u16string& link) {
  nt::Kernel* attached = AttachedDeviceSystem();
  if (attached && attached != &kernel) return;
  std::string name = userName(link);
  std::size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name) + name.size() + 1;
  auto bytes = std::make_unique<std::byte[]>(size);
  auto record = reinterpret_cast<PDEV_BROADCAST_DEVICEINTERFACE>(bytes.get());
  record->dbcc_size = static_cast<DWORD>(size);
  record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  record->dbcc_reserved = 0;
  record->dbcc_classguid = interfaceClass;
  std::memcpy(record->dbcc_name, name.c_str(), name.size() + 1);
  {
    std::lock_guard lock(registration.mutex);
    registration.broadcasts.push_back(std::move(bytes));
  }
  PostMessage(registration.window, WM_DEVICECHANGE, eventCode(event), reinterpret_cast<LPARAM>(record));
}

}  // namespace

}  // namespace win32

HDEVNOTIFY RegisterDeviceNotification(HWND hRecipient, LPVOID NotificationFilter, DWORD Flags) {
  auto filter = static_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(NotificationFilter);
  if (Flags != DEVICE_NOTIFY_WINDOW_HANDLE || !filter || filter->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
      filter->dbcc_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!IsWindow(hRecipient)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  auto registration = std::make_shared<win32::Registration>();
  registration->window = hRecipient;
  std::weak_ptr<win32::Registration> weak = registration;
  registration->cookie = nt::addInterfaceListener(
      filter->dbcc_classguid,
      [weak](nt::Kernel& kernel, const GUID& interfaceClass, nt::InterfaceEvent event, const std::u16string& link) {
        if (auto r = weak.lock()) win32::post(*r, kernel, interfaceClass, event, link);
      });
  auto handle = static_cast<HDEVNOTIFY>(registration.get());
  win32::Registrations& all = win32::registrations();
  std::lock_guard lock(all.mutex);
  all.byHandle[handle] = std::move(registration);
  return handle;
}

HDEVNOTIFY RegisterDeviceNotification(HANDLE hRecipient, LPVOID NotificationFilter, DWORD Flags) {
  return RegisterDeviceNotification(static_cast<HWND>(hRecipient), NotificationFilter, Flags);
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY Handle) {
  std::shared_ptr<win32::Registration> registration;
  {
    win32::Registrations& all = win32::registrations();
    std::lock_guard lock(all.mutex);
    auto it = all.byHandle.find(Handle);
    if (it == all.byHandle.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    registration = std::move(it->second);
    all.byHandle.erase(it);
  }
  nt::removeInterfaceListener(registration->cookie);
  return TRUE;
}
