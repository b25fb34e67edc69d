#pragma once

// Remove locks: a count with a bias of 1, a "removed" flag and an event. Acquire fails with
// STATUS_DELETE_PENDING once IoReleaseRemoveLockAndWait has started; that call gives up the
// caller's hold and waits (PASSIVE_LEVEL) until every other holder has released. Holds are
// tracked by tag so that a release without a matching acquire is a verifier violation.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/Event.h"

constexpr int kRemoveLockTagSlots = 64;

typedef struct _IO_REMOVE_LOCK {
  BOOLEAN Removed;
  LONG IoCount;  // 1 (the bias) + the holds
  KEVENT RemoveEvent;
  // Holds per tag; when every slot is in use, further tags go untracked.
  struct {
    PVOID Tag;
    LONG Count;
  } Holds[kRemoveLockTagSlots];
  LONG UntrackedHolds;
  ULONG_PTR Guard;  // protects Holds
} IO_REMOVE_LOCK, *PIO_REMOVE_LOCK;

VOID IoInitializeRemoveLock(PIO_REMOVE_LOCK lock, ULONG allocateTag, ULONG maxLockedMinutes, ULONG highWatermark);
NTSTATUS IoAcquireRemoveLock(PIO_REMOVE_LOCK lock, PVOID tag);
VOID IoReleaseRemoveLock(PIO_REMOVE_LOCK lock, PVOID tag);
VOID IoReleaseRemoveLockAndWait(PIO_REMOVE_LOCK lock, PVOID tag);
