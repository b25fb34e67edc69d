#pragma once

// A kernel's system work queue: jobs run at PASSIVE_LEVEL on the worker thread, or, without one,
// when a test pumps the queue.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace nt {

class Kernel;

class WorkQueue {
 public:
  WorkQueue(Kernel& kernel, bool threaded);
  ~WorkQueue();
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  void push(std::function<void()> job);
  // Runs queued jobs on the calling thread until none is left; returns how many ran.
  std::size_t runPending();
  // Until nothing is queued or running; false on time-out.
  bool waitIdle(std::chrono::milliseconds limit);
  // Ends the worker thread after it ran what is queued. Later jobs run only through runPending().
  void stop();
  std::size_t queued() const;

 private:
  void threadMain();
  void run(std::function<void()>& job);

  Kernel& kernel_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> jobs_;
  int running_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace nt
