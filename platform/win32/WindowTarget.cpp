#include "platform/win32/WindowTarget.h"

#include "platform/win32/LastError.h"
#include "platform/win32/Time.h"
#include "platform/win32/Win32Errors.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace win32 {

namespace {

struct Registration {
  WindowTarget* target;
  std::vector<std::thread::id> delivering;  // threads inside OnPostedMessage right now
};

struct Registry {
  std::mutex lock;
  std::condition_variable deliveryEnded;
  ULONG_PTR nextValue = 0x10002;  // even and never 0, as the platform's window handles are
  std::unordered_map<ULONG_PTR, std::shared_ptr<Registration>> targets;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed, like the handle table
  return *registry;
}

ULONG_PTR Key(HWND hwnd) { return reinterpret_cast<ULONG_PTR>(hwnd); }

}  // namespace

HWND RegisterWindowTarget(WindowTarget& target) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  const ULONG_PTR value = registry.nextValue;
  registry.nextValue += 2;
  registry.targets.emplace(value, std::make_shared<Registration>(Registration{&target, {}}));
  return reinterpret_cast<HWND>(value);
}

bool UnregisterWindowTarget(HWND hwnd) {
  Registry& registry = TheRegistry();
  std::unique_lock lock(registry.lock);
  auto found = registry.targets.find(Key(hwnd));
  if (found == registry.targets.end()) return false;
  std::shared_ptr<Registration> registration = std::move(found->second);
  registry.targets.erase(found);
  const auto self = std::this_thread::get_id();
  registry.deliveryEnded.wait(lock, [&] {
    return std::all_of(registration->delivering.begin(), registration->delivering.end(),
                       [&](std::thread::id id) { return id == self; });
  });
  return true;
}

}  // namespace win32

BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  win32::Registry& registry = win32::TheRegistry();
  std::shared_ptr<win32::Registration> registration;
  {
    std::lock_guard lock(registry.lock);
    auto found = registry.targets.find(win32::Key(hWnd));
    if (hWnd == nullptr || found == registry.targets.end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    registration = found->second;
    registration->delivering.push_back(std::this_thread::get_id());
  }
  registration->target->OnPostedMessage(MSG{hWnd, Msg, wParam, lParam, GetTickCount(), POINT{0, 0}});
  {
    std::lock_guard lock(registry.lock);
    auto& delivering = registration->delivering;
    delivering.erase(std::find(delivering.begin(), delivering.end(), std::this_thread::get_id()));
  }
  registry.deliveryEnded.notify_all();
  return TRUE;
}

BOOL IsWindow(HWND hWnd) {
  win32::Registry& registry = win32::TheRegistry();
  std::lock_guard lock(registry.lock);
  return registry.targets.count(win32::Key(hWnd)) != 0 ? TRUE : FALSE;
}
