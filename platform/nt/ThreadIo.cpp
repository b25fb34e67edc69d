#include "platform/nt/ThreadIo.h"

#include <algorithm>
#include <chrono>

#include "platform/nt/IoManager.h"
#include "platform/nt/Kernel.h"

namespace nt {

namespace {

void cancelRequests(const std::shared_ptr<_ETHREAD>& thread, PFILE_OBJECT file) {
  std::vector<IrpRecord*> pinned;
  unsigned waitMs = 0;
  {
    std::lock_guard lock(thread->mutex);
    for (IrpRecord* record : thread->requests) {
      if (file && (!record->file || &record->file->file != file)) continue;
      record->kernel->io().pin(record);
      pinned.push_back(record);
      waitMs = std::max(waitMs, record->kernel->options().cancelWaitMs);
    }
  }
  for (IrpRecord* record : pinned) {
    KernelScope scope(record->kernel);
    record->kernel->io().cancel(record);
  }
  {
    // Pinned records are not freed, so their addresses cannot come back as new requests.
    std::unique_lock lock(thread->mutex);
    thread->changed.wait_for(lock, std::chrono::milliseconds(waitMs), [&] {
      return std::none_of(pinned.begin(), pinned.end(), [&](IrpRecord* r) {
        return std::find(thread->requests.begin(), thread->requests.end(), r) != thread->requests.end();
      });
    });
  }
  for (IrpRecord* record : pinned) record->kernel->io().unpin(record);
}

// Runs the thread's rundown when the thread ends.
struct ThreadHolder {
  std::shared_ptr<_ETHREAD> thread;
  ~ThreadHolder() {
    if (thread) cancelRequests(thread, nullptr);
  }
};

thread_local ThreadHolder t_holder;

}  // namespace

std::shared_ptr<_ETHREAD> currentThreadIo() {
  if (!t_holder.thread) t_holder.thread = std::make_shared<_ETHREAD>();
  return t_holder.thread;
}

void addThreadRequest(IrpRecord* record) {
  std::lock_guard lock(record->thread->mutex);
  record->thread->requests.push_back(record);
}

void removeThreadRequest(IrpRecord* record) {
  std::shared_ptr<_ETHREAD> thread = record->thread;
  if (!thread) return;
  std::lock_guard lock(thread->mutex);
  std::erase(thread->requests, record);
  thread->changed.notify_all();
}

void cancelThreadRequests(PFILE_OBJECT file) { cancelRequests(currentThreadIo(), file); }

}  // namespace nt

PETHREAD PsGetCurrentThread() { return nt::currentThreadIo().get(); }
