#include "platform/nt/WorkQueue.h"

#include <string>

#include "platform/nt/Irql.h"
#include "platform/nt/Kernel.h"

namespace nt {

WorkQueue::WorkQueue(Kernel& kernel, bool threaded) : kernel_(kernel) {
  if (threaded) thread_ = std::thread([this] { threadMain(); });
}

WorkQueue::~WorkQueue() { stop(); }

void WorkQueue::push(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void WorkQueue::run(std::function<void()>& job) {
  KernelScope scope(&kernel_);
  KIRQL saved = KeGetCurrentIrql();
  setCurrentIrql(PASSIVE_LEVEL);
  job();
  setCurrentIrql(saved);
}

void WorkQueue::threadMain() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
    if (jobs_.empty()) return;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    running_++;
    lock.unlock();
    run(job);
    lock.lock();
    running_--;
    if (jobs_.empty() && running_ == 0) idle_.notify_all();
  }
}

std::size_t WorkQueue::runPending() {
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    kernel_.verifier().record(Violation::IrqlTooHigh,
                              "work items pumped at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  std::size_t count = 0;
  for (;;) {
    std::function<void()> job;
    {
      std::lock_guard lock(mutex_);
      if (jobs_.empty()) break;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      running_++;
    }
    run(job);
    ++count;
    std::lock_guard lock(mutex_);
    running_--;
    if (jobs_.empty() && running_ == 0) idle_.notify_all();
  }
  return count;
}

bool WorkQueue::waitIdle(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, limit, [&] { return jobs_.empty() && running_ == 0; });
}

void WorkQueue::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

std::size_t WorkQueue::queued() const {
  std::lock_guard lock(mutex_);
  return jobs_.size();
}

}  // namespace nt
