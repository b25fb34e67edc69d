#include "platform/win32/WaitableObject.h"

#include "platform/win32/LastError.h"
#include "platform/win32/Win32Errors.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace win32 {

// One thread's wait, linked into the waiter list of every object it waits on.
struct WaitBlock {
  std::condition_variable wake;
  std::span<WaitableObject* const> objects;
  bool waitAll = false;
  bool done = false;
  DWORD result = WAIT_TIMEOUT;
};

// The functions that need the dispatcher lock held; a struct so that it can be a friend.
struct Dispatcher {
  static std::mutex& Lock() {
    // Never destroyed: threads may still wait or signal while statics are torn down.
    static std::mutex* lock = new std::mutex;
    return *lock;
  }

  static bool CanSatisfy(const WaitBlock& block) {
    if (block.waitAll)
      return std::all_of(block.objects.begin(), block.objects.end(),
                         [](const WaitableObject* o) { return o->signalled_; });
    return std::any_of(block.objects.begin(), block.objects.end(),
                       [](const WaitableObject* o) { return o->signalled_; });
  }

  static void Consume(WaitableObject* object) {
    if (object->mode_ == WaitableObject::ResetMode::Auto) object->signalled_ = false;
  }

  // Takes the signals the wait needs; CanSatisfy() must have said yes.
  static DWORD Satisfy(const WaitBlock& block) {
    if (block.waitAll) {
      for (WaitableObject* object : block.objects) Consume(object);
      return WAIT_OBJECT_0;
    }
    for (std::size_t i = 0; i < block.objects.size(); ++i) {
      if (block.objects[i]->signalled_) {
        Consume(block.objects[i]);
        return WAIT_OBJECT_0 + static_cast<DWORD>(i);
      }
    }
    return WAIT_FAILED;  // not reached when CanSatisfy() held
  }

  static void Link(WaitBlock& block) {
    for (WaitableObject* object : block.objects)
      if (std::find(object->waiters_.begin(), object->waiters_.end(), &block) == object->waiters_.end())
        object->waiters_.push_back(&block);
  }

  static void Unlink(WaitBlock& block) {
    for (WaitableObject* object : block.objects) std::erase(object->waiters_, &block);
  }

  // The object just became signalled: satisfy waiters in order of arrival while it stays so.
  static void Release(WaitableObject* object) {
    const std::vector<WaitBlock*> waiting = object->waiters_;
    for (WaitBlock* block : waiting) {
      if (!object->signalled_) break;
      if (block->done || !CanSatisfy(*block)) continue;
      block->result = Satisfy(*block);
      block->done = true;
      Unlink(*block);
      // Notified under the lock: the waiter cannot return (and free the block) before we let go.
      block->wake.notify_one();
    }
  }
};

WaitableObject::WaitableObject(ResetMode mode, bool initiallySignalled) : mode_(mode), signalled_(initiallySignalled) {}

WaitableObject::~WaitableObject() = default;

bool WaitableObject::IsSignalled() const {
  std::lock_guard lock(Dispatcher::Lock());
  return signalled_;
}

std::size_t WaitableObject::WaiterCount() const {
  std::lock_guard lock(Dispatcher::Lock());
  return waiters_.size();
}

void WaitableObject::Signal() {
  std::lock_guard lock(Dispatcher::Lock());
  signalled_ = true;
  Dispatcher::Release(this);
}

void WaitableObject::Reset() {
  std::lock_guard lock(Dispatcher::Lock());
  signalled_ = false;
}

DWORD WaitForObjects(std::span<WaitableObject* const> objects, bool waitAll, DWORD milliseconds) {
  if (objects.empty() || objects.size() > MAXIMUM_WAIT_OBJECTS ||
      std::find(objects.begin(), objects.end(), nullptr) != objects.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  if (waitAll) {
    for (std::size_t i = 0; i < objects.size(); ++i) {
      if (std::find(objects.begin() + static_cast<std::ptrdiff_t>(i) + 1, objects.end(), objects[i]) != objects.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
      }
    }
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  WaitBlock block;
  block.objects = objects;
  block.waitAll = waitAll;

  std::unique_lock lock(Dispatcher::Lock());
  if (Dispatcher::CanSatisfy(block)) return Dispatcher::Satisfy(block);
  if (milliseconds == 0) return WAIT_TIMEOUT;

  Dispatcher::Link(block);
  while (!block.done) {
    if (milliseconds == INFINITE) {
      block.wake.wait(lock);
    } else if (block.wake.wait_until(lock, deadline) == std::cv_status::timeout && !block.done) {
      Dispatcher::Unlink(block);
      return WAIT_TIMEOUT;
    }
  }
  return block.result;
}

}  // namespace win32
