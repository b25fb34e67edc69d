#pragma once

// Device interfaces: a driver registers an interface class on its device's PDO and gets the
// interface's symbolic-link name; enabling the interface announces its arrival to user-mode
// listeners of the class, disabling it their remove-complete. The link name opens the device
// ("\??\USB#VID_0452&PID_0201#<instance>#{guid}").

#include <cstdint>
#include <functional>
#include <string>

#include "platform/nt/BaseTypes.h"
#include "platform/nt/Guid.h"
#include "platform/nt/IoForward.h"
#include "platform/nt/UnicodeString.h"

// The link name is allocated for the caller, who frees it with RtlFreeUnicodeString. Registering
// the same class and reference string again on the PDO gives the same name.
// STATUS_INVALID_DEVICE_REQUEST when `physicalDeviceObject` is not a PDO the PnP manager knows.
NTSTATUS IoRegisterDeviceInterface(PDEVICE_OBJECT physicalDeviceObject, const GUID* interfaceClassGuid,
                                   PUNICODE_STRING referenceString, PUNICODE_STRING symbolicLinkName);
// STATUS_OBJECT_NAME_NOT_FOUND for a name that was never registered; enabling an enabled (or
// disabling a disabled) interface changes nothing and returns STATUS_OBJECT_NAME_EXISTS.
NTSTATUS IoSetDeviceInterfaceState(PUNICODE_STRING symbolicLinkName, BOOLEAN enable);

namespace nt {

class Kernel;

enum class InterfaceEvent {
  Arrival,            // enabled
  QueryRemove,        // an orderly removal asks whether the device may go
  QueryRemoveFailed,  // ... and it may not (vetoed)
  RemoveComplete,     // disabled
};

// A user-mode listener of one interface class, in any kernel. Called on the thread that changed
// the interface (a PnP or driver thread, PASSIVE_LEVEL); it must not block.
using InterfaceListener =
    std::function<void(Kernel& kernel, const GUID& interfaceClass, InterfaceEvent event, const std::u16string& link)>;

// Returns a cookie for removeInterfaceListener. Listeners are process-wide.
std::uintptr_t addInterfaceListener(const GUID& interfaceClass, InterfaceListener listener);
// Once it returns, the listener is not running and will not run again.
void removeInterfaceListener(std::uintptr_t cookie);

// Tells the listeners of `interfaceClass` (used by the PnP manager for query-remove).
void notifyInterfaceListeners(Kernel& kernel, const GUID& interfaceClass, InterfaceEvent event,
                              const std::u16string& link);

}  // namespace nt
