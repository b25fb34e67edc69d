#pragma once

// The user-mode Win32 subset in one include: types, errors, handles, events, waits, thread
// messages, window targets, time and device I/O.

#include "platform/win32/DeviceIo.h"
#include "platform/win32/DeviceNotification.h"
#include "platform/win32/DeviceSystem.h"
#include "platform/win32/Event.h"
#include "platform/win32/HandleTable.h"
#include "platform/win32/LastError.h"
#include "platform/win32/ThreadMessages.h"
#include "platform/win32/Time.h"
#include "platform/win32/Wait.h"
#include "platform/win32/Win32Errors.h"
#include "platform/win32/Win32Types.h"
#include "platform/win32/WindowTarget.h"
