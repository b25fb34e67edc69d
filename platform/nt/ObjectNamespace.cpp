// The object namespace: device names, symbolic links, and resolving a path to a device.

#include "platform/nt/IoManager.h"
#include "platform/nt/IoRoutines.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"

namespace nt {

namespace {

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && namesEqual(text.substr(0, prefix.size()), prefix);
}

constexpr int kMaxLinkDepth = 8;

}  // namespace

std::u16string IoManager::normalizeName(std::u16string_view name) {
  static const std::u16string_view kAliases[] = {u"\\DosDevices\\", u"\\GLOBAL??\\", u"\\\\.\\", u"\\\\?\\"};
  for (std::u16string_view alias : kAliases) {
    if (startsWith(name, alias)) return u"\\??\\" + std::u16string(name.substr(alias.size()));
  }
  return std::u16string(name);
}

bool IoManager::nameInUse(const std::u16string& name) const {
  if (named_.count(foldedName(name))) return true;
  for (const auto& [link, target] : links_) {
    if (namesEqual(link, name)) return true;
  }
  return false;
}

NTSTATUS IoManager::createLink(std::u16string_view link, std::u16string_view target) {
  std::u16string name = normalizeName(link);
  std::lock_guard lock(mutex_);
  if (nameInUse(name)) return STATUS_OBJECT_NAME_COLLISION;
  links_.emplace_back(name, normalizeName(target));
  return STATUS_SUCCESS;
}

NTSTATUS IoManager::deleteLink(std::u16string_view link) {
  std::u16string name = normalizeName(link);
  std::lock_guard lock(mutex_);
  for (auto it = links_.begin(); it != links_.end(); ++it) {
    if (namesEqual(it->first, name)) {
      links_.erase(it);
      return STATUS_SUCCESS;
    }
  }
  return STATUS_OBJECT_NAME_NOT_FOUND;
}

NTSTATUS IoManager::openDeviceByPath(std::u16string_view path, PDEVICE_OBJECT* device) {
  *device = nullptr;
  std::u16string name = normalizeName(path);
  std::lock_guard lock(mutex_);
  for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
    bool followed = false;
    for (const auto& [link, target] : links_) {
      if (namesEqual(link, name)) {
        name = target;
        followed = true;
        break;
      }
    }
    if (!followed) break;
  }
  if (auto it = named_.find(foldedName(name)); it != named_.end()) {
    PDEVICE_OBJECT dev = it->second;
    DeviceRecord* record = devices_.at(dev).get();
    if (record->deleted || (dev->Flags & DO_DEVICE_INITIALIZING)) return STATUS_NO_SUCH_DEVICE;
    record->references++;
    dev->ReferenceCount = record->references;
    *device = dev;
    return STATUS_SUCCESS;
  }
  return STATUS_OBJECT_NAME_NOT_FOUND;
}

}  // namespace nt

NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING symbolicLinkName, PUNICODE_STRING deviceName) {
  if (!symbolicLinkName || !deviceName) return STATUS_INVALID_PARAMETER;
  return nt::Kernel::require("IoCreateSymbolicLink")
      .io()
      .createLink(nt::toU16(symbolicLinkName), nt::toU16(deviceName));
}

NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING symbolicLinkName) {
  if (!symbolicLinkName) return STATUS_INVALID_PARAMETER;
  return nt::Kernel::require("IoDeleteSymbolicLink").io().deleteLink(nt::toU16(symbolicLinkName));
}
