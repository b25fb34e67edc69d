#include "platform/win32/RecordingWindowTarget.h"

#include <algorithm>
#include <chrono>

namespace win32 {

RecordingWindowTarget::RecordingWindowTarget() { hwnd_ = RegisterWindowTarget(*this); }

RecordingWindowTarget::~RecordingWindowTarget() { Unregister(); }

void RecordingWindowTarget::Unregister() { UnregisterWindowTarget(hwnd_); }

void RecordingWindowTarget::OnPostedMessage(const MSG& message) {
  {
    std::lock_guard lock(lock_);
    messages_.push_back(message);
  }
  arrived_.notify_all();
}

std::vector<MSG> RecordingWindowTarget::Messages() const {
  std::lock_guard lock(lock_);
  return messages_;
}

std::vector<UINT> RecordingWindowTarget::Ids() const {
  std::lock_guard lock(lock_);
  std::vector<UINT> ids;
  ids.reserve(messages_.size());
  for (const MSG& m : messages_) ids.push_back(m.message);
  return ids;
}

std::size_t RecordingWindowTarget::Count() const {
  std::lock_guard lock(lock_);
  return messages_.size();
}

std::size_t RecordingWindowTarget::CountLocked(UINT id) const {
  return static_cast<std::size_t>(
      std::count_if(messages_.begin(), messages_.end(), [id](const MSG& m) { return m.message == id; }));
}

std::size_t RecordingWindowTarget::Count(UINT id) const {
  std::lock_guard lock(lock_);
  return CountLocked(id);
}

void RecordingWindowTarget::Clear() {
  std::lock_guard lock(lock_);
  messages_.clear();
}

template <class Predicate>
bool RecordingWindowTarget::WaitUntil(Predicate done, DWORD milliseconds) const {
  std::unique_lock lock(lock_);
  if (milliseconds == INFINITE) {
    arrived_.wait(lock, done);
    return true;
  }
  return arrived_.wait_for(lock, std::chrono::milliseconds(milliseconds), done);
}

bool RecordingWindowTarget::WaitForCount(std::size_t count, DWORD milliseconds) const {
  return WaitUntil([&] { return messages_.size() >= count; }, milliseconds);
}

bool RecordingWindowTarget::WaitForCount(UINT id, std::size_t count, DWORD milliseconds) const {
  return WaitUntil([&] { return CountLocked(id) >= count; }, milliseconds);
}

}  // namespace win32
