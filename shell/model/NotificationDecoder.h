#pragma once

// The one place where a posted worker notification (id, wParam, lParam) becomes its typed value.

#include "platform/win32/Win32Types.h"
#include "shell/model/Notifications.h"

namespace notify {

Notification DecodeNotification(UINT id, WPARAM wParam, LPARAM lParam);

}  // namespace notify
