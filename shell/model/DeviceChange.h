#pragma once

// What a WM_DEVICECHANGE broadcast asks of the main frame: open the instrument on arrival of the
// driver's interface, close it on query-remove and remove-complete, or nothing.

#include "platform/win32/DeviceNotification.h"

enum class DeviceChangeAction { None, Open, Close };

struct DeviceChangeDecision {
  BOOL result = TRUE;  // what the window procedure answers
  DeviceChangeAction action = DeviceChangeAction::None;
};

// `data` is the broadcast's lParam (0 when it carries none).
DeviceChangeDecision ClassifyDeviceChange(WPARAM event, LPARAM data);
