#include "platform/win32/ThreadState.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace win32 {

namespace {

struct Registry {
  std::mutex lock;
  std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> queues;
};

Registry& TheRegistry() {
  // Never destroyed: the main thread's state ends after static destructors may have run.
  static Registry* registry = new Registry;
  return *registry;
}

DWORD NextThreadId() {
  // Multiples of 4 as on the platform; 0 is never handed out.
  static std::atomic<DWORD> next{4};
  DWORD id = next.fetch_add(4);
  while (id == 0) id = next.fetch_add(4);
  return id;
}

}  // namespace

// Ends the thread's state when the thread ends. The state stays reachable while its exit
// callbacks run, so they may still ask for the thread's id.
struct ThreadState::Holder {
  ThreadState* state = nullptr;
  ~Holder() {
    if (state) {
      state->End();
      delete state;
      state = nullptr;
    }
  }
};

thread_local ThreadState::Holder ThreadState::holder_;

ThreadState& ThreadState::Current() {
  if (!holder_.state) holder_.state = new ThreadState;
  return *holder_.state;
}

ThreadState::ThreadState() : id_(NextThreadId()), queue_(std::make_shared<MessageQueue>()) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  registry.queues.emplace(id_, queue_);
}

ThreadState::~ThreadState() = default;

void ThreadState::End() {
  while (!atExit_.empty()) {
    std::function<void()> callback = std::move(atExit_.back());
    atExit_.pop_back();
    callback();
  }
  {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    registry.queues.erase(id_);
  }
  // A post that found the queue just before it left the registry lands here and is dropped.
  queue_->Clear();
}

void ThreadState::AtExit(std::function<void()> callback) { atExit_.push_back(std::move(callback)); }

std::shared_ptr<MessageQueue> ThreadState::FindQueue(DWORD threadId) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto found = registry.queues.find(threadId);
  return found == registry.queues.end() ? nullptr : found->second;
}

std::size_t ThreadState::LiveCount() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  return registry.queues.size();
}

}  // namespace win32
