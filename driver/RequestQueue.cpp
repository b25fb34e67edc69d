#include "driver/RequestQueue.h"

#include "driver/DeviceExtension.h"
#include "driver/Requests.h"

namespace oru {

namespace {

LONG StallCountOf(RequestQueue* queue) { return nt::atomicWord(&queue->stallCount).load(); }

// Called with the queue lock held, taken from `oldIrql`. Starts the first waiting request the queue can take back from
// its cancel routine, with the lock released and at DISPATCH_LEVEL, and returns true with the lock released and the
// IRQL restored. Returns false with the lock still held when nothing was started.
bool StartHeadLocked(RequestQueue* queue, PDEVICE_OBJECT device, KIRQL oldIrql) {
  while (queue->currentRequest == nullptr && StallCountOf(queue) == 0 && queue->abortStatus == 0 &&
         !IsListEmpty(&queue->pending)) {
    PLIST_ENTRY entry = RemoveHeadList(&queue->pending);
    PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    if (IoSetCancelRoutine(irp, nullptr) == nullptr) {
      // A canceller owns it and will unlink it: make that unlink harmless.
      InitializeListHead(entry);
      continue;
    }
    queue->currentRequest = irp;
    KeReleaseSpinLockFromDpcLevel(&queue->lock);
    queue->startRoutine(device, irp);
    KeLowerIrql(oldIrql);
    return true;
  }
  return false;
}

}  // namespace

VOID InitializeQueue(RequestQueue* queue, QUEUE_START_ROUTINE* startRoutine) {
  InitializeListHead(&queue->pending);
  KeInitializeSpinLock(&queue->lock);
  queue->stallCount = 1;
  queue->currentRequest = nullptr;
  queue->abortStatus = STATUS_SUCCESS;
  queue->startRoutine = startRoutine;
}

VOID QueueOrStart(RequestQueue* queue, PDEVICE_OBJECT device, PIRP irp) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&queue->lock, &oldIrql);
  if (queue->abortStatus != STATUS_SUCCESS) {
    NTSTATUS status = queue->abortStatus;
    KeReleaseSpinLock(&queue->lock, oldIrql);
    CompleteRequestStatus(irp, status);
    return;
  }
  if (queue->currentRequest == nullptr && StallCountOf(queue) == 0) {
    queue->currentRequest = irp;
    KeReleaseSpinLockFromDpcLevel(&queue->lock);
    queue->startRoutine(device, irp);
    KeLowerIrql(oldIrql);
    return;
  }
  IoSetCancelRoutine(irp, CancelQueuedRequest);
  if (irp->Cancel && IoSetCancelRoutine(irp, nullptr) != nullptr) {
    KeReleaseSpinLock(&queue->lock, oldIrql);
    CompleteRequestStatus(irp, STATUS_CANCELLED);
    return;
  }
  // Also when a canceller already holds the routine: it unlinks the request under this lock.
  InsertTailList(&queue->pending, &irp->Tail.Overlay.ListEntry);
  KeReleaseSpinLock(&queue->lock, oldIrql);
}

VOID StartNext(RequestQueue* queue, PDEVICE_OBJECT device) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&queue->lock, &oldIrql);
  queue->currentRequest = nullptr;
  if (!StartHeadLocked(queue, device, oldIrql)) KeReleaseSpinLock(&queue->lock, oldIrql);
}

BOOLEAN StallIfIdle(RequestQueue* queue) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&queue->lock, &oldIrql);
  BOOLEAN busy = queue->currentRequest != nullptr;
  if (!busy) InterlockedIncrement(&queue->stallCount);
  KeReleaseSpinLock(&queue->lock, oldIrql);
  return busy;
}

VOID StallQueue(RequestQueue* queue) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&queue->lock, &oldIrql);
  InterlockedIncrement(&queue->stallCount);
  KeReleaseSpinLock(&queue->lock, oldIrql);
}

VOID RestartQueue(RequestQueue* queue, PDEVICE_OBJECT device) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&queue->lock, &oldIrql);
  // An unmatched restart must not leave the queue below 0: it would never run again.
  LONG count = StallCountOf(queue);
  while (count > 0 && InterlockedCompareExchange(&queue->stallCount, count - 1, count) != count) {
    count = StallCountOf(queue);
  }
  if (!StartHeadLocked(queue, device, oldIrql)) KeReleaseSpinLock(&queue->lock, oldIrql);
}

VOID AbortQueue(RequestQueue* queue) {
  LIST_ENTRY taken;
  InitializeListHead(&taken);
  KIRQL oldIrql;
  KeAcquireSpinLock(&queue->lock, &oldIrql);
  queue->abortStatus = STATUS_DELETE_PENDING;
  PLIST_ENTRY entry = queue->pending.Flink;
  while (entry != &queue->pending) {
    PLIST_ENTRY next = entry->Flink;
    PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    if (IoSetCancelRoutine(irp, nullptr) != nullptr) {
      RemoveEntryList(entry);
      InsertTailList(&taken, entry);
    }
    entry = next;
  }
  KeReleaseSpinLock(&queue->lock, oldIrql);
  while (!IsListEmpty(&taken)) {
    PIRP irp = CONTAINING_RECORD(RemoveHeadList(&taken), IRP, Tail.Overlay.ListEntry);
    CompleteRequestStatus(irp, STATUS_DELETE_PENDING);
  }
}

VOID AllowRequests(RequestQueue* queue) {
  KIRQL oldIrql;
  KeAcquireSpinLock(&queue->lock, &oldIrql);
  queue->abortStatus = STATUS_SUCCESS;
  KeReleaseSpinLock(&queue->lock, oldIrql);
}

VOID CancelQueuedRequest(PDEVICE_OBJECT device, PIRP irp) {
  IoReleaseCancelSpinLock(irp->CancelIrql);
  RequestQueue* queue = &ExtensionOf(device)->requestQueue;
  KIRQL oldIrql;
  KeAcquireSpinLock(&queue->lock, &oldIrql);
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  KeReleaseSpinLock(&queue->lock, oldIrql);
  CompleteRequestStatus(irp, STATUS_CANCELLED);
}

}  // namespace oru
