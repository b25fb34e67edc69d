#pragma once

// Waiting on handles, and on a thread's message queue together with handles.
//
// Results: WAIT_OBJECT_0 + index, WAIT_TIMEOUT, or WAIT_FAILED with GetLastError() set
// (ERROR_INVALID_HANDLE for a closed, unknown or non-waitable handle, ERROR_INVALID_PARAMETER for a
// bad count). A time-out of 0 only tests; INFINITE waits without limit.

#include "platform/win32/Win32Types.h"

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds);

// As WaitForMultipleObjects, and also returns WAIT_OBJECT_0 + nCount when the calling thread's
// queue holds a message and dwWakeMask includes posted messages (QS_POSTMESSAGE,
// QS_ALLPOSTMESSAGE or QS_ALLINPUT). Any waiting message counts, also one already seen by
// PeekMessage, so a message never sits unnoticed. nCount may be 0 to wait for messages alone.
// With bWaitAll the queue is one more object that must be signalled with the others.
DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll, DWORD dwMilliseconds,
                                DWORD dwWakeMask);
