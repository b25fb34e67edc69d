#pragma once

// Thread identity and thread messages. A thread's queue is made by its first call to
// GetCurrentThreadId, PeekMessage or MsgWaitForMultipleObjects and goes away when it ends.

#include "platform/win32/Win32Types.h"

DWORD GetCurrentThreadId();

// Queues a message for thread `idThread`. FALSE with ERROR_INVALID_THREAD_ID when the id names no
// live thread with a queue (0 never does), ERROR_NOT_ENOUGH_QUOTA when its queue is full.
BOOL PostThreadMessage(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);

// The oldest queued message with an id in [wMsgFilterMin, wMsgFilterMax] (0, 0 = any), removed
// with PM_REMOVE or left queued with PM_NOREMOVE; FALSE when none matches. Thread messages belong
// to no window, so hWnd must be null (or (HWND)-1) to see them. FALSE with ERROR_INVALID_PARAMETER
// for a null lpMsg.
BOOL PeekMessage(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
