#pragma once

// The per-device state of the driver, its plug-and-play states, the pipe slots and the pool tags.

#include "driver/RequestQueue.h"
#include "platform/nt/Wdm.h"
#include "platform/usb/Usb.h"

namespace oru {

// pnpState values.
constexpr LONG kPnpNotStarted = 0;
constexpr LONG kPnpStarted = 1;
constexpr LONG kPnpStopPending = 2;
constexpr LONG kPnpRemovePending = 3;
constexpr LONG kPnpSurpriseRemoved = 4;
constexpr LONG kPnpRemoved = 5;

// pipeHandles slots, in the order the interface lists its endpoints.
constexpr int kPipeBulkIn1 = 0;   // 0x81
constexpr int kPipeBulkOut1 = 1;  // 0x01
constexpr int kPipeBulkIn2 = 2;   // 0x82
constexpr int kPipeBulkOut2 = 3;  // 0x02
constexpr int kPipeIsoIn = 4;     // 0x83
constexpr int kPipeIsoOut = 5;    // 0x03
constexpr int kPipeCount = 6;

// Pool tags (the characters after them are the tag's bytes in memory order).
constexpr ULONG kTagRegistryPath = 0x00316564;   // d e 1
constexpr ULONG kTagPowerContext = 0x00317064;   // d p 1
constexpr ULONG kTagBulkContext = 0x00316973;    // s i 1
constexpr ULONG kTagIsoContext = 0x31777264;     // d r w 1
constexpr ULONG kTagConfiguration = 0x00316473;  // s d 1

struct DeviceExtension {
  PDEVICE_OBJECT self;
  PDEVICE_OBJECT lowerDevice;     // every request that goes down goes here
  PDEVICE_OBJECT physicalDevice;  // the bus's device: target of our own device power requests
  IO_REMOVE_LOCK removeLock;
  UNICODE_STRING interfaceName;
  LONG pnpState;
  LONG savedPnpState;  // the state a query-remove came from
  LONG devicePower;    // D0 = 1 ... D3 = 4
  LONG systemPower;    // working = 1 ... shutdown = 6
  DEVICE_CAPABILITIES capabilities;
  USB_DEVICE_DESCRIPTOR deviceDescriptor;
  USBD_CONFIGURATION_HANDLE configurationHandle;
  PUSB_CONFIGURATION_DESCRIPTOR configDescriptor;  // owned while configured
  USBD_PIPE_HANDLE pipeHandles[kPipeCount];
  UCHAR pipeMode;
  RequestQueue requestQueue;
  ULONG pieceSize;  // one bulk piece
  // Whether the pending query-remove stalled the queue, so that cancel-remove restarts it only then.
  BOOLEAN removeQueryStalledQueue;
};

inline DeviceExtension* ExtensionOf(PDEVICE_OBJECT device) {
  return static_cast<DeviceExtension*>(device->DeviceExtension);
}

// pnpState and pipeMode are single words written by one thread and read by others.
inline LONG PnpStateOf(DeviceExtension* ext) { return nt::atomicWord(&ext->pnpState).load(); }
inline VOID SetPnpState(DeviceExtension* ext, LONG state) { nt::atomicWord(&ext->pnpState).store(state); }
inline UCHAR PipeModeOf(DeviceExtension* ext) { return nt::atomicWord(&ext->pipeMode).load(); }
inline VOID StorePipeMode(DeviceExtension* ext, UCHAR mode) { nt::atomicWord(&ext->pipeMode).store(mode); }

// Started, possibly with a query-stop or query-remove pending: the device is configured and USB requests may be sent to
// it.
inline bool IsStarted(DeviceExtension* ext) {
  LONG state = PnpStateOf(ext);
  return state == kPnpStarted || state == kPnpStopPending || state == kPnpRemovePending;
}

}  // namespace oru
