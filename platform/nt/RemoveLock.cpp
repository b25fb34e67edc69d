#include "platform/nt/RemoveLock.h"

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "platform/nt/Interlocked.h"
#include "platform/nt/IoManager.h"
#include "platform/nt/Irql.h"
#include "platform/nt/Kernel.h"
#include "platform/nt/NtStatus.h"

namespace {

// Guards the tag table for a few instructions; no IRQL change, so it nests under any lock.
class TableGuard {
 public:
  explicit TableGuard(PIO_REMOVE_LOCK lock) : word_(lock->Guard) {
    for (;;) {
      ULONG_PTR expected = 0;
      if (word_.compare_exchange_weak(expected, 1, std::memory_order_acquire)) return;
      std::this_thread::yield();
    }
  }
  ~TableGuard() { word_.store(0, std::memory_order_release); }

 private:
  std::atomic_ref<ULONG_PTR> word_;
};

void trackHold(PIO_REMOVE_LOCK lock, PVOID tag) {
  TableGuard guard(lock);
  auto* free = static_cast<decltype(&lock->Holds[0])>(nullptr);
  for (auto& slot : lock->Holds) {
    if (slot.Count > 0 && slot.Tag == tag) {
      slot.Count++;
      return;
    }
    if (slot.Count == 0 && !free) free = &slot;
  }
  if (free) {
    free->Tag = tag;
    free->Count = 1;
  } else {
    lock->UntrackedHolds++;
  }
}

// False when nothing holds the lock under this tag.
bool dropHold(PIO_REMOVE_LOCK lock, PVOID tag) {
  TableGuard guard(lock);
  for (auto& slot : lock->Holds) {
    if (slot.Count > 0 && slot.Tag == tag) {
      slot.Count--;
      return true;
    }
  }
  if (lock->UntrackedHolds > 0) {
    lock->UntrackedHolds--;
    return true;
  }
  return false;
}

void unbalanced(PIO_REMOVE_LOCK lock, PVOID tag, const char* routine) {
  nt::reportViolation(nt::Violation::RemoveLockUnbalanced, std::string(routine) + "(" + nt::pointerText(lock) +
                                                               ", tag " + nt::pointerText(tag) +
                                                               ") without a matching IoAcquireRemoveLock");
}

}  // namespace

VOID IoInitializeRemoveLock(PIO_REMOVE_LOCK lock, ULONG allocateTag, ULONG maxLockedMinutes, ULONG highWatermark) {
  (void)allocateTag;
  (void)maxLockedMinutes;
  (void)highWatermark;
  std::memset(lock, 0, sizeof *lock);
  lock->IoCount = 1;
  KeInitializeEvent(&lock->RemoveEvent, NotificationEvent, FALSE);
}

NTSTATUS IoAcquireRemoveLock(PIO_REMOVE_LOCK lock, PVOID tag) {
  InterlockedIncrement(&lock->IoCount);
  if (std::atomic_ref<BOOLEAN>(lock->Removed).load()) {
    if (InterlockedDecrement(&lock->IoCount) == 0) KeSetEvent(&lock->RemoveEvent, 0, FALSE);
    return STATUS_DELETE_PENDING;
  }
  trackHold(lock, tag);
  return STATUS_SUCCESS;
}

VOID IoReleaseRemoveLock(PIO_REMOVE_LOCK lock, PVOID tag) {
  if (!dropHold(lock, tag)) {
    unbalanced(lock, tag, "IoReleaseRemoveLock");
    return;
  }
  if (InterlockedDecrement(&lock->IoCount) == 0) KeSetEvent(&lock->RemoveEvent, 0, FALSE);
}

VOID IoReleaseRemoveLockAndWait(PIO_REMOVE_LOCK lock, PVOID tag) {
  if (KeGetCurrentIrql() != PASSIVE_LEVEL) {
    nt::reportViolation(nt::Violation::SyncCallAtDispatch,
                        "IoReleaseRemoveLockAndWait at IRQL " + std::to_string(KeGetCurrentIrql()));
  }
  if (std::atomic_ref<BOOLEAN>(lock->Removed).exchange(TRUE)) {
    nt::reportViolation(nt::Violation::RemoveLockUnbalanced,
                        "IoReleaseRemoveLockAndWait(" + nt::pointerText(lock) + ") called a second time");
    return;
  }
  bool held = dropHold(lock, tag);
  if (!held) unbalanced(lock, tag, "IoReleaseRemoveLockAndWait");
  LONG count = InterlockedDecrement(&lock->IoCount);  // the bias
  if (held) count = InterlockedDecrement(&lock->IoCount);
  if (count > 0) KeWaitForSingleObject(&lock->RemoveEvent, Executive, KernelMode, FALSE, nullptr);
}
