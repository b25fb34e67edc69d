#pragma once

// A thread's queue of posted messages. It is signalled while it holds a message, so a thread can
// wait for a message together with other objects (MsgWaitForMultipleObjects).

#include "platform/win32/WaitableObject.h"

#include <cstddef>
#include <deque>
#include <mutex>

namespace win32 {

class MessageQueue final : public WaitableObject {
 public:
  // Posts beyond this many waiting messages fail, as the platform's queue quota does, so that a
  // stuck receiver cannot make the process grow without bound.
  static constexpr std::size_t kLimit = 10000;

  MessageQueue() : WaitableObject(ResetMode::Manual, false) {}
  const char* TypeName() const override { return "MessageQueue"; }

  // False when the queue is full.
  bool Post(const MSG& message);

  // The oldest message whose id lies in [first, last] (0, 0 = any id), removed or left in place.
  // Messages that do not match keep their places.
  bool Peek(MSG& message, UINT first, UINT last, bool remove);

  std::size_t Size() const;

  // Drops every waiting message (the owner thread has ended).
  void Clear();

 private:
  mutable std::mutex lock_;  // taken before the dispatcher lock
  std::deque<MSG> messages_;
};

}  // namespace win32
