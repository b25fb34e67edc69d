#pragma once

// Device-interface notifications: a window registers for an interface class and receives
// WM_DEVICECHANGE messages when an interface of that class arrives or goes:
//   wParam DBT_DEVICEARRIVAL        an interface was enabled
//   wParam DBT_DEVICEQUERYREMOVE    an orderly removal asks whether the device may go (close
//                                   your handles now or the removal is refused)
//   wParam DBT_DEVICEQUERYREMOVEFAILED  ... and it was refused
//   wParam DBT_DEVICEREMOVECOMPLETE an interface was disabled (the device has gone)
// lParam points at a DEV_BROADCAST_DEVICEINTERFACE with the class and the interface's link name
// ("\\?\USB#VID_0452&PID_0201#...#{guid}"). The record stays valid until the registration is
// unregistered, so a window may read it after the message was posted on.
//
// Notifications come from the kernel that device I/O is attached to (DeviceSystem.h), or from any
// kernel while none is attached. There is no arrival for interfaces enabled before registering.

#include "platform/nt/Guid.h"
#include "platform/win32/Win32Types.h"

typedef PVOID HDEVNOTIFY;

constexpr DWORD DEVICE_NOTIFY_WINDOW_HANDLE = 0x00000000;
constexpr DWORD DEVICE_NOTIFY_ALL_INTERFACE_CLASSES = 0x00000004;

constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 0x00000005;
constexpr DWORD DBT_DEVTYP_HANDLE = 0x00000006;

constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEQUERYREMOVE = 0x8001;
constexpr WPARAM DBT_DEVICEQUERYREMOVEFAILED = 0x8002;
constexpr WPARAM DBT_DEVICEREMOVEPENDING = 0x8003;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

struct DEV_BROADCAST_HDR {
  DWORD dbch_size;
  DWORD dbch_devicetype;
  DWORD dbch_reserved;
};
typedef DEV_BROADCAST_HDR* PDEV_BROADCAST_HDR;

struct DEV_BROADCAST_DEVICEINTERFACE {
  DWORD dbcc_size;  // of the whole record, name included
  DWORD dbcc_devicetype;
  DWORD dbcc_reserved;
  GUID dbcc_classguid;
  char dbcc_name[1];  // zero-terminated, as long as it needs
};
typedef DEV_BROADCAST_DEVICEINTERFACE* PDEV_BROADCAST_DEVICEINTERFACE;

// `notificationFilter` is a DEV_BROADCAST_DEVICEINTERFACE with dbcc_devicetype
// DBT_DEVTYP_DEVICEINTERFACE and the class. NULL with ERROR_INVALID_PARAMETER for another filter
// or flags; ERROR_INVALID_WINDOW_HANDLE for a handle that names no window.
HDEVNOTIFY RegisterDeviceNotification(HWND hRecipient, LPVOID NotificationFilter, DWORD Flags);
HDEVNOTIFY RegisterDeviceNotification(HANDLE hRecipient, LPVOID NotificationFilter, DWORD Flags);
// Once it returns no further message is posted for the registration. FALSE with
// ERROR_INVALID_HANDLE for an unknown handle.
BOOL UnregisterDeviceNotification(HDEVNOTIFY Handle);
