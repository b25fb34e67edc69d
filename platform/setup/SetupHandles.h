#pragma once

// The handles the query calls give out (registry keys, logical configurations, resource
// descriptors, driver lists, file searches, loaded modules): each is an object owned here, its
// address the handle value, counted by kind and reported when any are left open.

#include <cstddef>
#include <cstdio>
#include <memory>

namespace setup {

enum class HandleKind { RegistryKey, LogConf, ResDes, DriverList, FindFile, Module };
constexpr int kHandleKinds = 6;
const char* HandleKindName(HandleKind kind);

void* AddHandleObject(HandleKind kind, std::shared_ptr<void> object);
void* FindHandleObject(HandleKind kind, const void* handle);
bool RemoveHandleObject(HandleKind kind, const void* handle);

template <typename T>
T* AddHandle(HandleKind kind, std::unique_ptr<T> object) {
  return static_cast<T*>(AddHandleObject(kind, std::shared_ptr<T>(std::move(object))));
}

// The object of a live handle of that kind, or null.
template <typename T>
T* FindHandle(HandleKind kind, const void* handle) {
  return static_cast<T*>(FindHandleObject(kind, handle));
}

// Handles of a kind not yet closed, in the whole process.
std::size_t OpenHandles(HandleKind kind);
// Every kind together, with the device information sets.
std::size_t OpenSetupHandles();
// A line per kind left open on `stream`; returns the total. The process does it at its exit.
std::size_t ReportOpenSetupHandles(std::FILE* stream);

}  // namespace setup
