#pragma once

// Kernel events and the wait on them. A notification event stays signalled until reset and
// releases every waiter; a synchronization event releases one waiter and resets itself. Waiting
// at DISPATCH_LEVEL or above (other than a zero time-out poll) is a verifier violation.

#include "platform/nt/BaseTypes.h"
#include "platform/nt/IoForward.h"

typedef enum _EVENT_TYPE { NotificationEvent = 0, SynchronizationEvent = 1 } EVENT_TYPE;
typedef enum _KWAIT_REASON { Executive = 0, UserRequest = 6 } KWAIT_REASON;
typedef LONG KPRIORITY;

typedef struct _DISPATCHER_HEADER {
  UCHAR Type;  // EVENT_TYPE
  UCHAR Initialized;
  LONG SignalState;
} DISPATCHER_HEADER;

struct _KEVENT {
  DISPATCHER_HEADER Header;
};

VOID KeInitializeEvent(PKEVENT event, EVENT_TYPE type, BOOLEAN state);
// Returns the previous signal state.
LONG KeSetEvent(PKEVENT event, KPRIORITY increment, BOOLEAN wait);
LONG KeResetEvent(PKEVENT event);
VOID KeClearEvent(PKEVENT event);
LONG KeReadStateEvent(PKEVENT event);
// `object` is a KEVENT. timeout NULL waits for ever; otherwise negative values are relative times
// in 100 ns units and 0 polls. STATUS_SUCCESS when signalled, else STATUS_TIMEOUT.
NTSTATUS KeWaitForSingleObject(PVOID object, KWAIT_REASON waitReason, KPROCESSOR_MODE waitMode, BOOLEAN alertable,
                               PLARGE_INTEGER timeout);
// Sleeps for the (relative, negative) interval; PASSIVE_LEVEL only.
NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE waitMode, BOOLEAN alertable, PLARGE_INTEGER interval);
