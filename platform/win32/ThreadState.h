#pragma once

// Per-thread state of the user-mode layer: the thread's id and its message queue. Both are made
// the first time the thread asks for them and go away when the thread ends, so a thread id names a
// live thread with a queue or nothing. Ids are not reused while the process runs.

#include "platform/win32/MessageQueue.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace win32 {

class ThreadState {
 public:
  // The calling thread's state, made on first use.
  static ThreadState& Current();

  // The queue of the live thread `threadId`; null when no such thread has one (0 never has).
  static std::shared_ptr<MessageQueue> FindQueue(DWORD threadId);

  // Number of threads whose state is alive (tests check that ended threads are gone).
  static std::size_t LiveCount();

  DWORD Id() const { return id_; }
  MessageQueue& Queue() { return *queue_; }

  // Runs `callback` on this thread when it ends, before its id and queue go (the last one
  // registered runs first). Lets other parts of the layer tie work to a thread's life.
  void AtExit(std::function<void()> callback);

  ThreadState(const ThreadState&) = delete;
  ThreadState& operator=(const ThreadState&) = delete;

 private:
  struct Holder;
  static thread_local Holder holder_;

  ThreadState();
  ~ThreadState();
  void End();

  const DWORD id_;
  const std::shared_ptr<MessageQueue> queue_;
  std::vector<std::function<void()>> atExit_;  // touched only by the owning thread
};

}  // namespace win32
