#pragma once

// The serialising queue of bulk reads and writes: one request is busy at a time, the rest wait in arrival order. Plug
// and play stalls it (nothing starts while the stall count is above 0), restarts it, and aborts it (new and waiting
// requests fail with the abort status) when the device goes away. A waiting request belongs to whoever takes its cancel
// routine back first: the queue when it starts or aborts the request, or the canceller.

#include "platform/nt/Wdm.h"

namespace oru {

// Begins a request at DISPATCH_LEVEL; the queue calls it with its lock released.
typedef VOID QUEUE_START_ROUTINE(PDEVICE_OBJECT device, PIRP irp);

struct RequestQueue {
  LIST_ENTRY pending;  // through each request's Tail.Overlay.ListEntry
  KSPIN_LOCK lock;     // the list, currentRequest, and decisions on stallCount and abortStatus
  LONG stallCount;     // interlocked; requests start only at 0
  PIRP currentRequest;
  NTSTATUS abortStatus;  // 0: requests accepted; else the status they fail with
  QUEUE_START_ROUTINE* startRoutine;
};

// Empty, stalled once (nothing starts before the device has started), accepting.
VOID InitializeQueue(RequestQueue* queue, QUEUE_START_ROUTINE* startRoutine);
// For a request the caller has marked pending: fails it with the abort status, starts it when the queue is idle and
// running, or lets it wait (cancellable).
VOID QueueOrStart(RequestQueue* queue, PDEVICE_OBJECT device, PIRP irp);
// The busy request is finished: starts the next waiting one when the queue runs.
VOID StartNext(RequestQueue* queue, PDEVICE_OBJECT device);
// Stalls the queue when nothing is busy (until RestartQueue); returns whether a request is busy.
BOOLEAN StallIfIdle(RequestQueue* queue);
// Undoes one stall (never below 0) and starts waiting requests when the queue runs again.
VOID RestartQueue(RequestQueue* queue, PDEVICE_OBJECT device);
// Adds one stall without looking at the busy request.
VOID StallQueue(RequestQueue* queue);
// New requests fail with STATUS_DELETE_PENDING and waiting ones are failed now; the busy one ends normally.
VOID AbortQueue(RequestQueue* queue);
VOID AllowRequests(RequestQueue* queue);

// The cancel routine of a waiting request.
DRIVER_CANCEL CancelQueuedRequest;

}  // namespace oru
