#include "platform/nt/Event.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/nt/IoManager.h"
#include "platform/nt/Irql.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"

namespace {

// One lock and one condition for every dispatcher object, as the platform's dispatcher database:
// a set event wakes all waiters, and each re-checks its own object.
struct Dispatcher {
  std::mutex mutex;
  std::condition_variable changed;
};

Dispatcher& dispatcher() {
  static Dispatcher* d = new Dispatcher;  // lives through static destruction
  return *d;
}

std::atomic_ref<LONG> signal(PKEVENT event) { return std::atomic_ref<LONG>(event->Header.SignalState); }

// Takes the signal when the event is signalled (a synchronization event resets as it releases).
bool consume(PKEVENT event) {
  if (signal(event).load() == 0) return false;
  if (event->Header.Type == SynchronizationEvent) signal(event).store(0);
  return true;
}

void checkWaitLevel(const char* routine, PLARGE_INTEGER timeout) {
  bool poll = timeout && timeout->QuadPart == 0;
  if (KeGetCurrentIrql() >= DISPATCH_LEVEL && !poll) {
    nt::reportViolation(nt::Violation::WaitAtDispatch,
                        std::string(routine) + " at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
}

std::chrono::nanoseconds relative(LONGLONG hundredNs) {
  return std::chrono::nanoseconds((hundredNs < 0 ? -hundredNs : hundredNs) * 100);
}

}  // namespace

VOID KeInitializeEvent(PKEVENT event, EVENT_TYPE type, BOOLEAN state) {
  event->Header.Type = static_cast<UCHAR>(type);
  event->Header.Initialized = TRUE;
  event->Header.SignalState = state ? 1 : 0;
}

LONG KeSetEvent(PKEVENT event, KPRIORITY increment, BOOLEAN wait) {
  (void)increment;
  (void)wait;
  Dispatcher& d = dispatcher();
  LONG previous;
  {
    std::lock_guard lock(d.mutex);
    previous = signal(event).exchange(1);
  }
  d.changed.notify_all();
  return previous;
}

LONG KeResetEvent(PKEVENT event) {
  std::lock_guard lock(dispatcher().mutex);
  return signal(event).exchange(0);
}

VOID KeClearEvent(PKEVENT event) { KeResetEvent(event); }

LONG KeReadStateEvent(PKEVENT event) { return signal(event).load(); }

NTSTATUS KeWaitForSingleObject(PVOID object, KWAIT_REASON waitReason, KPROCESSOR_MODE waitMode, BOOLEAN alertable,
                               PLARGE_INTEGER timeout) {
  (void)waitReason;
  (void)waitMode;
  (void)alertable;
  checkWaitLevel("KeWaitForSingleObject", timeout);
  auto event = static_cast<PKEVENT>(object);
  Dispatcher& d = dispatcher();
  std::unique_lock lock(d.mutex);
  if (!timeout) {
    d.changed.wait(lock, [&] { return consume(event); });
    return STATUS_SUCCESS;
  }
  // Absolute times (positive) are treated as relative: nothing here keeps a system clock.
  bool signalled = d.changed.wait_for(lock, relative(timeout->QuadPart), [&] { return consume(event); });
  return signalled ? STATUS_SUCCESS : STATUS_TIMEOUT;
}

NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE waitMode, BOOLEAN alertable, PLARGE_INTEGER interval) {
  (void)waitMode;
  (void)alertable;
  checkWaitLevel("KeDelayExecutionThread", interval);
  if (interval) std::this_thread::sleep_for(relative(interval->QuadPart));
  return STATUS_SUCCESS;
}
