#include "platform/win32/DeviceSystem.h"

#include "platform/nt/NtStatus.h"
#include "platform/nt/UserRequests.h"
#include "platform/win32/DeviceFile.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>
#include <utility>
#include <vector>

namespace win32 {

namespace {

struct Systems {
  // Shared while a device is being opened, exclusive to attach or detach: a kernel cannot be
  // detached in the middle of an open.
  std::shared_mutex attachLock;
  std::vector<nt::Kernel*> attached;  // newest last

  std::mutex filesLock;
  std::vector<std::pair<nt::Kernel*, std::weak_ptr<DeviceFile>>> files;
};

Systems& TheSystems() {
  // Never destroyed: handles may be closed from other threads while statics go away.
  static Systems* systems = new Systems;
  return *systems;
}

void Remember(Systems& systems, nt::Kernel& kernel, const std::shared_ptr<DeviceFile>& file) {
  std::lock_guard lock(systems.filesLock);
  std::erase_if(systems.files, [](const auto& entry) { return entry.second.expired(); });
  systems.files.emplace_back(&kernel, file);
}

std::vector<std::shared_ptr<DeviceFile>> TakeFilesOf(Systems& systems, nt::Kernel& kernel) {
  std::vector<std::shared_ptr<DeviceFile>> taken;
  std::lock_guard lock(systems.filesLock);
  for (auto& [owner, weak] : systems.files) {
    if (owner != &kernel) continue;
    if (auto file = weak.lock()) taken.push_back(std::move(file));
  }
  std::erase_if(systems.files, [&](const auto& entry) { return entry.first == &kernel; });
  return taken;
}

}  // namespace

DeviceSystemAttachment::DeviceSystemAttachment(nt::Kernel& kernel) : kernel_(kernel) {
  Systems& systems = TheSystems();
  std::unique_lock lock(systems.attachLock);
  systems.attached.push_back(&kernel);
}

DeviceSystemAttachment::~DeviceSystemAttachment() {
  Systems& systems = TheSystems();
  std::unique_lock lock(systems.attachLock);
  auto mine = std::find(systems.attached.rbegin(), systems.attached.rend(), &kernel_);
  if (mine != systems.attached.rend()) systems.attached.erase(std::next(mine).base());
  if (std::find(systems.attached.begin(), systems.attached.end(), &kernel_) != systems.attached.end())
    return;  // still attached by another attachment
  for (const std::shared_ptr<DeviceFile>& file : TakeFilesOf(systems, kernel_)) file->Close();
}

nt::Kernel* AttachedDeviceSystem() {
  Systems& systems = TheSystems();
  std::shared_lock lock(systems.attachLock);
  return systems.attached.empty() ? nullptr : systems.attached.back();
}

NTSTATUS OpenDeviceFile(std::string_view path, bool overlapped, std::shared_ptr<DeviceFile>& file) {
  Systems& systems = TheSystems();
  std::shared_lock lock(systems.attachLock);
  if (systems.attached.empty()) return STATUS_OBJECT_NAME_NOT_FOUND;
  nt::Kernel& kernel = *systems.attached.back();
  PFILE_OBJECT opened = nullptr;
  NTSTATUS status = nt::openDevice(kernel, path, &opened);
  if (!NT_SUCCESS(status)) return status;
  file = std::make_shared<DeviceFile>(opened, overlapped);
  Remember(systems, kernel, file);
  return status;
}

}  // namespace win32
