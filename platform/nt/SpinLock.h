#pragma once

// Spin locks: a real mutual-exclusion word (0 = free, else the owning thread's token) plus the
// thread's IRQL, raised to DISPATCH_LEVEL while held. Acquiring a lock the thread already holds,
// or releasing one it does not hold, is a verifier violation (recorded; the recursive acquire is
// counted instead of deadlocking).

#include "platform/nt/BaseTypes.h"
#include "platform/nt/Irql.h"

typedef ULONG_PTR KSPIN_LOCK;
typedef KSPIN_LOCK* PKSPIN_LOCK;

VOID KeInitializeSpinLock(PKSPIN_LOCK lock);
VOID KeAcquireSpinLock(PKSPIN_LOCK lock, PKIRQL oldIrql);
VOID KeReleaseSpinLock(PKSPIN_LOCK lock, KIRQL newIrql);
// Already at DISPATCH_LEVEL: no IRQL change.
VOID KeAcquireSpinLockAtDpcLevel(PKSPIN_LOCK lock);
VOID KeReleaseSpinLockFromDpcLevel(PKSPIN_LOCK lock);

namespace nt {
// Whether the calling thread holds `lock`.
bool spinLockHeldByCurrentThread(const KSPIN_LOCK* lock);
}  // namespace nt
