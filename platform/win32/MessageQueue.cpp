#include "platform/win32/MessageQueue.h"

#include <algorithm>

namespace win32 {

bool MessageQueue::Post(const MSG& message) {
  std::lock_guard lock(lock_);
  if (messages_.size() >= kLimit) return false;
  messages_.push_back(message);
  // Signalled while the lock is held, so the signal state never disagrees with the contents.
  Signal();
  return true;
}

bool MessageQueue::Peek(MSG& message, UINT first, UINT last, bool remove) {
  const bool any = first == 0 && last == 0;
  std::lock_guard lock(lock_);
  auto found = std::find_if(messages_.begin(), messages_.end(),
                            [&](const MSG& m) { return any || (m.message >= first && m.message <= last); });
  if (found == messages_.end()) return false;
  message = *found;
  if (remove) {
    messages_.erase(found);
    if (messages_.empty()) Reset();
  }
  return true;
}

std::size_t MessageQueue::Size() const {
  std::lock_guard lock(lock_);
  return messages_.size();
}

void MessageQueue::Clear() {
  std::lock_guard lock(lock_);
  messages_.clear();
  Reset();
}

}  // namespace win32
