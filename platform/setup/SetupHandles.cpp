#include "platform/setup/SetupHandles.h"

#include <map>
#include <mutex>

#include "platform/setup/SetupDiagnostics.h"

namespace setup {

namespace {

struct Entry {
  HandleKind kind;
  std::shared_ptr<void> object;
};

struct Registry {
  std::mutex mutex;
  std::map<const void*, Entry> live;
};

// Never destroyed: the exit report reads it after other statics are gone.
Registry& registry() {
  static auto* r = new Registry;
  return *r;
}

struct ExitReport {
  ~ExitReport() { ReportOpenSetupHandles(stderr); }
} exitReport;

}  // namespace

const char* HandleKindName(HandleKind kind) {
  switch (kind) {
    case HandleKind::RegistryKey:
      return "registry key";
    case HandleKind::LogConf:
      return "logical configuration";
    case HandleKind::ResDes:
      return "resource descriptor";
    case HandleKind::DriverList:
      return "driver list";
    case HandleKind::FindFile:
      return "file search";
    case HandleKind::Module:
      return "module";
  }
  return "handle";
}

void* AddHandleObject(HandleKind kind, std::shared_ptr<void> object) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  void* handle = object.get();
  r.live[handle] = Entry{kind, std::move(object)};
  return handle;
}

void* FindHandleObject(HandleKind kind, const void* handle) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.live.find(handle);
  return it == r.live.end() || it->second.kind != kind ? nullptr : it->second.object.get();
}

bool RemoveHandleObject(HandleKind kind, const void* handle) {
  std::shared_ptr<void> gone;  // released after the lock
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.live.find(handle);
  if (it == r.live.end() || it->second.kind != kind) return false;
  gone = std::move(it->second.object);
  r.live.erase(it);
  return true;
}

std::size_t OpenHandles(HandleKind kind) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::size_t n = 0;
  for (const auto& [handle, entry] : r.live) n += entry.kind == kind;
  return n;
}

std::size_t OpenSetupHandles() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.live.size() + OpenDeviceInfoSets();
}

std::size_t ReportOpenSetupHandles(std::FILE* stream) {
  std::size_t total = 0;
  for (int k = 0; k < kHandleKinds; ++k) {
    auto kind = static_cast<HandleKind>(k);
    std::size_t open = OpenHandles(kind);
    if (open != 0 && stream) std::fprintf(stream, "setup: %zu %s handle(s) left open\n", open, HandleKindName(kind));
    total += open;
  }
  return total;
}

}  // namespace setup
