#pragma once

// The simulated bus's record of one port: the device model behind it, its PDO, the pipes of the
// selected configuration, the transfers pending on it, its faults and what it recorded. Guarded
// by the host controller's lock, except the model, which is called only under `modelMutex`.

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/nt/DeviceObject.h"
#include "platform/nt/Irp.h"
#include "platform/nt/PdoBus.h"
#include "platform/nt/PnpPowerTypes.h"
#include "platform/usb/BusRecords.h"
#include "platform/usb/Usbdi.h"
#include "platform/usb/model/UsbDeviceModel.h"

namespace usb {

class HostController;

struct Pipe {
  UCHAR address = 0;
  UCHAR type = 0;  // USB_ENDPOINT_TYPE_*
  USHORT maxPacket = 0;
  UCHAR interval = 0;
  ULONG maxTransfer = 0;
  bool halted = false;  // after a stall, until the pipe is reset
};

enum class TransferKind { Control, BulkIn, BulkOut, IsoIn };

struct Transfer {
  PIRP irp = nullptr;
  PURB urb = nullptr;
  TransferKind kind = TransferKind::Control;
  UCHAR endpoint = 0;  // 0: the default control pipe
  USHORT maxPacket = 64;
  PUCHAR buffer = nullptr;
  ULONG length = 0;
  ULONG done = 0;  // bytes moved so far
  bool shortOk = false;
  SetupPacket setup;
  bool standardClearHalt = false;  // a CLEAR_FEATURE(ENDPOINT_HALT) request
  ULONG startFrame = 0;            // isochronous
  ULONG packets = 0;
  ULONG nextPacket = 0;
  bool held = false;        // a fault keeps it unanswered
  bool claimed = false;     // a thread is calling the model for it
  bool aborted = false;     // ABORT_PIPE while it was claimed
  bool awaitsData = false;  // a refused bulk IN the device will announce data for (no frame retry)
  std::size_t recordIndex = 0;
};

struct EndpointFault {
  FaultKind kind;
  USBD_STATUS status;
};

// A lower driver owns an IRP's driver context and list entry while it holds it. The bus writes
// over both, as a real one may, and restores nothing: a driver above that keeps state there
// across a call down finds it gone.
inline void scribbleOnHeldIrp(PIRP irp) {
  auto noise = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(0xB05B05B05B05B05Bull));
  for (PVOID& slot : irp->Tail.Overlay.DriverContext) slot = noise;
  irp->Tail.Overlay.ListEntry.Flink = static_cast<PLIST_ENTRY>(noise);
  irp->Tail.Overlay.ListEntry.Blink = static_cast<PLIST_ENTRY>(noise);
}

// A port is the bus's child: `gone` once unplugged.
struct Port : nt::BusChild {
  int number = 0;
  bool enabled = true;
  std::vector<uint8_t> deviceDescriptor;
  DEVICE_CAPABILITIES capabilities{};
  NTSTATUS deviceQueryPowerStatus = 0;
  // The model, called only under modelMutex (recursive: a model may unplug itself from a call).
  std::recursive_mutex modelMutex;
  UsbDeviceModel* model = nullptr;
  // Configuration.
  UCHAR configuration = 0;
  std::map<UCHAR, std::unique_ptr<Pipe>> pipes;  // by endpoint address
  std::deque<std::shared_ptr<Transfer>> transfers;
  std::map<UCHAR, std::deque<EndpointFault>> faults;
  unsigned frameNumberFailures = 0;
  unsigned portStatusFailures = 0;
  std::vector<UrbRecord> requests;
  std::vector<PdoPowerRecord> power;

  Pipe* pipe(USBD_PIPE_HANDLE handle) {
    for (auto& [address, p] : pipes) {
      if (p.get() == handle) return p.get();
    }
    return nullptr;
  }
};

}  // namespace usb
