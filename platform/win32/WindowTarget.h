#pragma once

// Window-message targets. A window handle (HWND) names a registered target; PostMessage to the
// handle hands the message to the target, which decides how to deliver it (the main window turns
// it into an event on the UI thread, a test target records it).

#include "platform/win32/Win32Types.h"

namespace win32 {

class WindowTarget {
 public:
  virtual ~WindowTarget() = default;

  // One posted message, called on the posting thread, in the order each thread posts. It may
  // run on several threads at once, must return quickly and may post again.
  virtual void OnPostedMessage(const MSG& message) = 0;
};

// Registers `target` under a new handle; handles are never reused.
HWND RegisterWindowTarget(WindowTarget& target);

// Unregisters the handle: later posts to it fail. Returns once no delivery to the target is running
// on any other thread, so the target may then be destroyed (a target may unregister itself from
// inside OnPostedMessage). False when the handle was not registered.
bool UnregisterWindowTarget(HWND hwnd);

}  // namespace win32

// Delivers the message to the target that `hWnd` names. FALSE with ERROR_INVALID_WINDOW_HANDLE,
// and without effect, for 0 or a handle that is not (or no longer) registered.
BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// TRUE while `hWnd` names a registered target.
BOOL IsWindow(HWND hWnd);
