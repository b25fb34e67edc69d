#include "platform/win32/HandleTable.h"

namespace win32 {

HandleTable& HandleTable::Instance() {
  // Never destroyed: handles may still be closed from other threads while statics go away.
  static HandleTable* table = new HandleTable;
  return *table;
}

HANDLE HandleTable::InsertLocked(std::shared_ptr<KernelObject> object) {
  const ULONG_PTR value = nextValue_;
  nextValue_ += 4;
  ++object->handleCount_;
  handles_.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

HANDLE HandleTable::Insert(std::shared_ptr<KernelObject> object) {
  std::lock_guard lock(lock_);
  return InsertLocked(std::move(object));
}

HANDLE HandleTable::CreateOrOpen(const std::string& name, const std::function<std::shared_ptr<KernelObject>()>& make,
                                 const std::function<bool(const KernelObject&)>& isWanted, bool& existed) {
  std::lock_guard lock(lock_);
  if (auto found = names_.find(name); found != names_.end()) {
    existed = true;
    if (!isWanted(*found->second)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    return InsertLocked(found->second);
  }
  existed = false;
  std::shared_ptr<KernelObject> object = make();
  object->name_ = name;
  names_.emplace(name, object);
  return InsertLocked(std::move(object));
}

HANDLE HandleTable::Open(const std::string& name, const std::function<bool(const KernelObject&)>& isWanted) {
  std::lock_guard lock(lock_);
  auto found = names_.find(name);
  if (found == names_.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  if (!isWanted(*found->second)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return InsertLocked(found->second);
}

std::shared_ptr<KernelObject> HandleTable::Reference(HANDLE handle) const {
  std::lock_guard lock(lock_);
  auto found = handles_.find(reinterpret_cast<ULONG_PTR>(handle));
  return found == handles_.end() ? nullptr : found->second;
}

bool HandleTable::Close(HANDLE handle) {
  std::shared_ptr<KernelObject> object;
  bool last = false;
  {
    std::lock_guard lock(lock_);
    auto found = handles_.find(reinterpret_cast<ULONG_PTR>(handle));
    if (found == handles_.end()) return false;
    object = std::move(found->second);
    handles_.erase(found);
    last = --object->handleCount_ == 0;
    if (last && !object->name_.empty()) names_.erase(object->name_);
  }
  if (last) object->OnLastHandleClosed();
  return true;  // the object itself goes with its last reference, outside the lock
}

std::size_t HandleTable::Count() const {
  std::lock_guard lock(lock_);
  return handles_.size();
}

}  // namespace win32

namespace {
const HANDLE currentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

BOOL CloseHandle(HANDLE hObject) {
  if (!win32::HandleTable::Instance().Close(hObject)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL GetProcessHandleCount(HANDLE hProcess, LPDWORD pdwHandleCount) {
  if (hProcess != currentProcess) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (pdwHandleCount == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *pdwHandleCount = static_cast<DWORD>(win32::HandleTable::Instance().Count());
  return TRUE;
}

HANDLE GetCurrentProcess() { return currentProcess; }
