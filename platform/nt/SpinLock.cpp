#include "platform/nt/SpinLock.h"

#include <atomic>
#include <string>
#include <thread>

#include "platform/nt/IoManager.h"
#include "platform/nt/Kernel.h"

namespace {

// A non-zero word per thread: the address of a thread-local.
thread_local char t_token;

// Recursion depth of the locks this thread holds (a fixed table keeps the thread-local trivial).
struct Held {
  const KSPIN_LOCK* lock;
  int depth;
};
constexpr int kMaxHeld = 32;
thread_local Held t_held[kMaxHeld];
thread_local int t_heldCount = 0;

ULONG_PTR token() { return reinterpret_cast<ULONG_PTR>(&t_token); }

std::atomic_ref<ULONG_PTR> word(PKSPIN_LOCK lock) { return std::atomic_ref<ULONG_PTR>(*lock); }

Held* findHeld(const KSPIN_LOCK* lock) {
  for (int i = 0; i < t_heldCount; ++i) {
    if (t_held[i].lock == lock) return &t_held[i];
  }
  return nullptr;
}

void acquire(PKSPIN_LOCK lock) {
  if (Held* held = findHeld(lock)) {
    nt::reportViolation(nt::Violation::SpinLockRecursion,
                        "spin lock " + nt::pointerText(lock) + " acquired again by the thread holding it");
    held->depth++;
    return;
  }
  for (;;) {
    ULONG_PTR expected = 0;
    if (word(lock).compare_exchange_weak(expected, token(), std::memory_order_acquire)) break;
    std::this_thread::yield();
  }
  if (t_heldCount < kMaxHeld) t_held[t_heldCount++] = Held{lock, 1};
}

void release(PKSPIN_LOCK lock) {
  Held* held = findHeld(lock);
  if (!held || word(lock).load() != token()) {
    nt::reportViolation(nt::Violation::SpinLockNotHeld,
                        "spin lock " + nt::pointerText(lock) + " released by a thread that does not hold it");
    return;
  }
  if (--held->depth > 0) return;
  *held = t_held[--t_heldCount];
  word(lock).store(0, std::memory_order_release);
}

}  // namespace

namespace nt {
bool spinLockHeldByCurrentThread(const KSPIN_LOCK* lock) { return findHeld(lock) != nullptr; }
}  // namespace nt

VOID KeInitializeSpinLock(PKSPIN_LOCK lock) { *lock = 0; }

VOID KeAcquireSpinLock(PKSPIN_LOCK lock, PKIRQL oldIrql) {
  if (KeGetCurrentIrql() > DISPATCH_LEVEL) {
    nt::reportViolation(nt::Violation::IrqlTooHigh, "KeAcquireSpinLock at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  *oldIrql = KeGetCurrentIrql();
  if (*oldIrql < DISPATCH_LEVEL) nt::setCurrentIrql(DISPATCH_LEVEL);
  acquire(lock);
}

VOID KeReleaseSpinLock(PKSPIN_LOCK lock, KIRQL newIrql) {
  release(lock);
  KeLowerIrql(newIrql);
}

VOID KeAcquireSpinLockAtDpcLevel(PKSPIN_LOCK lock) {
  if (KeGetCurrentIrql() < DISPATCH_LEVEL) {
    nt::reportViolation(nt::Violation::IrqlMismatch,
                        "KeAcquireSpinLockAtDpcLevel at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  acquire(lock);
}

VOID KeReleaseSpinLockFromDpcLevel(PKSPIN_LOCK lock) { release(lock); }
