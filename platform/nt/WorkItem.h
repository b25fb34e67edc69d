#pragma once

// Work items: a routine run later at PASSIVE_LEVEL on a system worker thread (or when a test pumps
// the kernel's work queue). Queuing holds a reference on the device until the routine returns.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/IoForward.h"

typedef enum _WORK_QUEUE_TYPE {
  CriticalWorkQueue = 0,
  DelayedWorkQueue = 1,
  HyperCriticalWorkQueue = 2
} WORK_QUEUE_TYPE;

// NULL when out of memory.
PIO_WORKITEM IoAllocateWorkItem(PDEVICE_OBJECT deviceObject);
// Queuing an item that is already queued is a verifier violation (and is ignored).
VOID IoQueueWorkItem(PIO_WORKITEM item, PIO_WORKITEM_ROUTINE routine, WORK_QUEUE_TYPE queueType, PVOID context);
// Freeing an item that is still queued is a verifier violation (the item is then freed after it ran).
VOID IoFreeWorkItem(PIO_WORKITEM item);
